#!/usr/bin/env bash
# Shrinks each committed corpus fuzz/<target>/corpus to the smallest set of its inputs
# that keeps every coverage feature; named inputs (regressions, seeds) always stay. Run
# after fuzz/run.sh, with the same build-fuzz/ build.
# usage: fuzz/minimise.sh <target>...
set -uo pipefail
cd "$(dirname "$0")/.."
[ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && export TMPDIR=/dev/shm
status=0
for target in "$@"; do
    binary=build-fuzz/fuzz/$target/fuzz_$target
    kept=build-fuzz/minimised/$target
    rm -rf "$kept" && mkdir -p "$kept"
    if ! nice -n 19 "$binary" -merge=1 "$kept" "fuzz/$target/corpus" >"$kept.log" 2>&1; then
        echo "$target: merge failed, corpus unchanged (see $kept.log)" >&2
        status=1
        continue
    fi
    before=$(ls "fuzz/$target/corpus" | wc -l)
    # libFuzzer names what it adds by the SHA-1 of the content; those are the only
    # inputs it may drop.
    for input in "fuzz/$target/corpus"/*; do
        name=$(basename "$input")
        if [[ $name =~ ^[0-9a-f]{40}$ ]] && [ ! -e "$kept/$name" ]; then rm -- "$input"; fi
    done
    echo "$target corpus: $before -> $(ls "fuzz/$target/corpus" | wc -l) files"
done
exit $status
