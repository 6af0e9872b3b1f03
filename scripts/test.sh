#!/usr/bin/env bash
# The whole test suite: installs what is missing, then builds and tests twice, a normal
# build (build/) and one with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/). Exits non-zero when either fails.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || exit 1
jobs=$(nproc)

run_config() {
    local dir=$1; shift
    echo "=== configuration $dir: $*"
    cmake -S . -B "$dir" -G Ninja "$@" || return 1
    cmake --build "$dir" -j "$jobs" || return 1
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300 || return 1
}

status=0
run_config build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_WERROR=ON || status=1
run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE=ON -DQX_BUILD_BENCH=OFF -DQX_WERROR=ON || status=1
if [ $status -eq 0 ]; then echo "both configurations passed"; else echo "a configuration FAILED"; fi
exit $status
