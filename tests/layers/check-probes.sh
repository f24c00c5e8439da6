#!/usr/bin/env bash
# Builds each layer probe; every one must fail on its own include.
# usage: check-probes.sh BUILD_DIR PROBE_SOURCE_DIR NAME...
set -uo pipefail
build=$1 sources=$2
shift 2
status=0
for name in "$@"; do
    header=$(sed -n 's/^#include "\(.*\)"$/\1/p' "$sources/$name.cpp")
    log=$(cmake --build "$build" --target "layer_probe_$name" 2>&1)
    if grep -qE "${header}(: No such file or directory|' file not found)" <<<"$log"; then
        echo "refused as it should be: $name ($header)"
    else
        echo "NOT REFUSED: $name ($header)"
        tail -5 <<<"$log"
        status=1
    fi
done
exit $status
