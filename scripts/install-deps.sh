#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and the demo need.
# Safe to run again: when everything is already there it touches nothing.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ clang-format qt6-base-dev libgl-dev
    # packaging: the Debian package and the checks of its desktop files
    dpkg-dev desktop-file-utils appstream
    # ODBC driver manager and the two drivers the stand-ins use
    unixodbc unixodbc-dev odbc-postgresql odbc-mariadb
    # the stand-in servers and their command-line clients
    postgresql mariadb-server mariadb-client
    # metric-compatible Arial, so the windows lay out as designed
    fonts-liberation
    # a virtual display for the demo on machines without one
    xvfb xauth
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages present" >&2
    exit 0
fi

if [ "$(id -u)" != 0 ]; then
    echo "install-deps: missing packages: ${missing[*]}" >&2
    echo "install-deps: run as root (sudo bash $0) to install them" >&2
    exit 1
fi

# The stand-ins run their own servers on free ports; a system PostgreSQL or
# MariaDB started by a package's postinst would only hold 5432/3306 and memory.
# policy-rc.d answering 101 tells invoke-rc.d and deb-systemd-invoke not to start
# anything; an existing policy is left as it is.
policy=/usr/sbin/policy-rc.d
created_policy=no
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' >"$policy"
    chmod 755 "$policy"
    created_policy=yes
fi
cleanup() {
    if [ "$created_policy" = yes ]; then
        rm -f "$policy"
    fi
}
trap cleanup EXIT

export DEBIAN_FRONTEND=noninteractive
echo "install-deps: installing ${missing[*]}" >&2
apt-get update -q
apt-get install -y -q --no-install-recommends \
    -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold \
    "${missing[@]}"
