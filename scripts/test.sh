#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite: the
# format check, the tests with warnings as errors, the tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target briefly.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
fuzz_seconds=${VELMORA_FUZZ_SECONDS:-20}

"$root/scripts/setup.sh" --test

passed=0
failed=0
status=0

echo "== format check"
if git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    status=1
fi

run_ctest() {
    local dir=$1 log
    log=$(mktemp)
    set +e
    (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600) 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    set -e
    local line
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 || true)
    if [[ -n "$line" ]]; then
        local nfail total
        nfail=$(sed -E 's/.*, ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.*, ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
        passed=$((passed + total - nfail))
        failed=$((failed + nfail))
    elif [[ $rc -ne 0 ]]; then
        failed=$((failed + 1))
    fi
    rm -f "$log"
    return $rc
}

# configure_and_build DIR CMAKE-ARGS...: false (and one failure counted) when
# the build fails, so the script still goes on to its summary line.
configure_and_build() {
    local dir=$1
    shift
    if cmake -S . -B "$dir" -G Ninja "$@" >/dev/null && cmake --build "$dir" -j "$jobs"; then
        return 0
    fi
    echo "build failed: $dir"
    failed=$((failed + 1))
    status=1
    return 1
}

echo "== build and test (warnings are errors)"
if configure_and_build build/ci -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON \
    -DVELMORA_BENCH=ON; then
    run_ctest build/ci || status=1
fi

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
if configure_and_build build/asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_WERROR=ON \
    -DVELMORA_SANITIZE=ON; then
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_ctest build/asan || status=1
fi

echo "== fuzz each parser for ${fuzz_seconds}s"
CC=clang CXX=clang++ configure_and_build build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_GUI=OFF -DVELMORA_TESTS=OFF -DVELMORA_FUZZ=ON || true
for target in build/fuzz/bin/fuzz_*; do
    [[ -x "$target" ]] || continue
    name=$(basename "$target")
    corpus="$root/fuzz/corpus/${name#fuzz_}"
    work=$(mktemp -d)
    seeds=()
    [[ -d "$corpus" ]] && seeds=("$corpus")
    echo "-- $name"
    if "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="$work/" "$work" "${seeds[@]}" >"$work/log" 2>&1; then
        passed=$((passed + 1))
    else
        tail -40 "$work/log"
        failed=$((failed + 1))
        status=1
    fi
    rm -rf "$work"
done

echo "velmora: $passed passed, $failed failed"
exit $status
