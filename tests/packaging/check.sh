#!/usr/bin/env bash
# The installed program's desktop files validate, and the Debian package holds
# what a desktop install needs. Run by ctest from the build folder:
#   check.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1
id=$2
status=0
fail() {
    echo "packaging: $*" >&2
    status=1
}

desktop-file-validate "$build/packaging/$id.desktop" || fail "the .desktop entry does not validate"
appstreamcli validate --no-net "$build/packaging/$id.metainfo.xml" ||
    fail "the metainfo does not validate"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log" >&2
    fail "cpack -G DEB failed"
    exit 1
}
package=$(ls "$out"/duskferry_*.deb)
contents=$(dpkg-deb -c "$package" | awk '{print $NF}')
for expected in ./usr/bin/duskferry ./usr/bin/duskferry-cli "./usr/share/applications/$id.desktop" \
    "./usr/share/metainfo/$id.metainfo.xml" \
    "./usr/share/icons/hicolor/16x16/apps/$id.png" \
    "./usr/share/icons/hicolor/48x48/apps/$id.png" \
    "./usr/share/icons/hicolor/256x256/apps/$id.png" \
    ./usr/share/man/man1/duskferry.1.gz ./usr/share/man/man1/duskferry-cli.1.gz; do
    grep -qxF "$expected" <<<"$contents" || fail "the package lacks $expected"
done
unexpected=$(grep -E 'test|bench|standin' <<<"$contents" || true)
[ -z "$unexpected" ] || fail "the package holds files for developers: $unexpected"
depends=$(dpkg-deb -f "$package" Depends)
for needed in libqt6widgets6 libodbc2 qt6-qpa-plugins; do
    grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed ($depends)"
done
exit $status
