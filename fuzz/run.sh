#!/usr/bin/env bash
# Runs fuzz targets one after another at low priority and merges what each finds into
# fuzz/<target>/corpus, adding only inputs that add coverage. Build first with clang:
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQX_FUZZ=ON -DQX_SANITIZE=ON \
#       -DQX_BUILD_BENCH=OFF && cmake --build build-fuzz --target fuzz_<target>...
# usage: fuzz/run.sh <seconds per target> <target>...   (each stops at 10 million runs)
# Then fuzz/minimise.sh <target>... shrinks the merged corpora before they are committed.
set -uo pipefail
cd "$(dirname "$0")/.."
# Targets that go through a scratch file would spend their time on the disk otherwise.
[ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && export TMPDIR=/dev/shm
seconds=$1; shift
for target in "$@"; do
    binary=build-fuzz/fuzz/$target/fuzz_$target
    work=build-fuzz/work/$target
    mkdir -p "$work" "build-fuzz/artifacts/$target"
    dict=()
    [ -f "fuzz/$target/$target.dict" ] && dict=(-dict="fuzz/$target/$target.dict")
    echo "=== $target: up to $seconds s or 10000000 runs"
    ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16} nice -n 19 "$binary" "${dict[@]}" -runs=10000000 -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/artifacts/$target/" "$work" "fuzz/$target/corpus" \
        2>&1 | grep -E '^(stat::|Done|==[0-9]+==ERROR|SUMMARY|INFO: Running|#[0-9]+ +DONE)' 
    # Minimise: of the work corpus, only inputs that add coverage to the committed corpus
    # join it (the committed files, named regression inputs among them, all stay).
    nice -n 19 "$binary" -merge=1 "fuzz/$target/corpus" "$work" >/dev/null 2>&1
    echo "$target corpus: $(ls "fuzz/$target/corpus" | wc -l) files"
done
