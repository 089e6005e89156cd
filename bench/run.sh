#!/usr/bin/env bash
# The full benchmark: builds, starts stand-ins of its own, generates the source
# tables, prints every figure with its target and PASS/FAIL, stops the
# stand-ins. Exit status 0 only when every figure passes.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target duskferry_bench >/dev/null

STANDIN=$ROOT/build/bench-standin
bash scripts/standin.sh stop "$STANDIN" >/dev/null 2>&1 || true
bash scripts/standin.sh start "$STANDIN" >/dev/null
trap 'bash "$ROOT/scripts/standin.sh" stop "$STANDIN" >/dev/null 2>&1' EXIT

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(uname -m), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
DUSKFERRY_STANDIN_ENV=$STANDIN/env QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
    build/bench/duskferry_bench "$@" 2> >(grep -v -E 'propagateSizeHints|XDG_RUNTIME_DIR' >&2)
