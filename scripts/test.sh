#!/usr/bin/env bash
# Installs what is missing, builds everything in ./build and runs every test;
# ctest starts and stops the stand-in databases itself. Exit status is ctest's.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ]; then
    bash scripts/install-deps.sh
else
    # Without root nothing can be installed; go on if everything is there.
    bash scripts/install-deps.sh || {
        echo "test: run as root once (sudo bash scripts/test.sh) to install the packages" >&2
        exit 1
    }
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build

cd build
status=0
ctest --output-on-failure || status=$?
exit $status
