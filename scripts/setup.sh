#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: when
# everything is installed it only checks, which takes a moment.
#   scripts/setup.sh          packages to build and run the program
#   scripts/setup.sh --test   also the packages the tests and benchmarks need
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

lists=("$here"/packages/*.txt)
if [[ "${1:-}" != "--test" ]]; then
    lists=()
    for f in "$here"/packages/*.txt; do
        [[ "$(basename "$f")" == test*.txt ]] || lists+=("$f")
    done
fi

wanted=$(grep -hv '^\s*#' "${lists[@]}" | awk 'NF' | sort -u)
missing=()
for pkg in $wanted; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
