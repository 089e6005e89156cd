#!/usr/bin/env bash
# The layers run one way: the front ends (ui, cli) stand on the runs
# (transfer, maintenance, compare), the runs on the kernel, the kernel on db,
# db on shell. The runs are siblings, and nothing below the front ends
# reaches for a widget or an event loop: how a front end stays live while
# they wait (front/) is the front ends' own. A sideways or upward include
# fails this test.
set -euo pipefail
src="$(dirname "$0")/../../src"

declare -A allowed=(
    [shell]=""
    [db]="shell"
    [kernel]="db shell"
    [transfer]="kernel db shell"
    [maintenance]="kernel db shell"
    [compare]="kernel db shell"
    [front]="shell"
    [ui]="front transfer maintenance compare kernel db shell"
    [cli]="front transfer maintenance compare kernel db shell"
)

status=0
for layer in "${!allowed[@]}"; do
    while IFS= read -r line; do
        file=${line%%:*}
        used=$(sed -n 's/.*#include "\([a-z]*\)\/.*/\1/p' <<<"$line")
        if [[ " ${allowed[$layer]} " != *" $used "* ]]; then
            echo "layering: $file includes $used/, which $layer/ may not stand on" >&2
            status=1
        fi
    done < <(grep -rn '#include "[a-z]*/' "$src/$layer" || true)
done
for layer in shell db kernel transfer maintenance compare; do
    if grep -rn -E 'processEvents|QEventLoop|_Exit' "$src/$layer"; then
        echo "layering: $layer/ runs an event loop or ends the program" >&2
        status=1
    fi
    if grep -rln -E '#include <(QWidget|QApplication|QtWidgets|QMessageBox|QAbstractButton)' \
        "$src/$layer"; then
        echo "layering: $layer/ reaches for a widget" >&2
        status=1
    fi
done
exit $status
