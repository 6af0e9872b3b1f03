#!/usr/bin/env bash
# The whole test suite: installs what is missing, then builds and tests three times: a
# normal build (build/), one with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), and one with ThreadSanitizer (build-tsan/) that builds and runs only the
# multi-threaded host tests. Exits non-zero when any fails.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || exit 1
jobs=$(nproc)

# With ccache, a clone that builds sources another clone built already takes them from the
# cache: paths below the clone are made relative and the build directory is not hashed.
launcher=()
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

run_config() {
    local dir=$1; shift
    echo "=== configuration $dir: $*"
    cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" || return 1
    cmake --build "$dir" -j "$jobs" || return 1
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300 || return 1
}

# The host test binaries with threads in them, and the tests that start threads.
tsan_targets=(qx_host_chassis qx_host_sysmodule qx_host_qx7402 qx_host_qxpxiecf qx_host_services
             qx_host_linux)
tsan_tests='Threads|Stress|Parallel'

run_tsan() {
    local dir=build-tsan
    echo "=== configuration $dir: ThreadSanitizer, tests matching '$tsan_tests'"
    cmake -S . -B "$dir" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_TSAN=ON \
        -DQX_BUILD_BENCH=OFF -DQX_WERROR=ON || return 1
    cmake --build "$dir" -j "$jobs" --target "${tsan_targets[@]}" || return 1
    # Some kernels randomise mappings beyond what ThreadSanitizer's shadow memory
    # allows; without address randomisation it runs everywhere.
    local norandom=()
    if setarch "$(uname -m)" -R true 2>/dev/null; then norandom=(setarch "$(uname -m)" -R); fi
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "${norandom[@]}" \
        ctest --test-dir "$dir" -R "$tsan_tests" --no-tests=error --output-on-failure \
        -j "$jobs" --timeout 300 || return 1
}

status=0
run_config build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_WERROR=ON || status=1
run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE=ON -DQX_BUILD_BENCH=OFF -DQX_WERROR=ON || status=1
run_tsan || status=1
if [ $status -eq 0 ]; then echo "all three configurations passed"; else echo "a configuration FAILED"; fi
exit $status
