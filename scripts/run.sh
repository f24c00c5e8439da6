#!/usr/bin/env bash
# Installs what is missing, builds Velmora and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVELMORA_TESTS=OFF >/dev/null
cmake --build "$root/build/release" --target velmora
exec "$root/build/release/bin/velmora"
