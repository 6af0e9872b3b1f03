#!/usr/bin/env bash
# The ABI guard. Compares a built library's exported C interface (its functions and the
# types of their arguments, as far as the public headers define them) with the record
# kept in abi/, and fails with libabigail's report when they differ.
#
#   check-abi.sh <library> <record> <headers dir>            compare (the test suite)
#   check-abi.sh --update <library> <record> <headers dir>   rewrite the record
#
# An intended change of an entry point or of a service contract updates the record in
# the same commit: scripts/update-abi.sh <build dir> rewrites all of them.
set -uo pipefail
update=0
if [ "${1:-}" = "--update" ]; then update=1; shift; fi
if [ $# -ne 3 ]; then
    echo "usage: $0 [--update] <library> <record> <headers dir>" >&2
    exit 2
fi
library=$1 record=$2 headers=$3
for tool in abidw abidiff; do
    command -v "$tool" >/dev/null || { echo "$tool not found: install abigail-tools" >&2; exit 2; }
done

if [ $update -eq 1 ]; then
    mkdir -p "$(dirname "$record")"
    abidw --headers-dir "$headers" --drop-private-types --exported-interfaces-only --no-corpus-path \
        --no-comp-dir-path --no-show-locs --no-elf-needed --type-id-style hash --out-file "$record" "$library" || exit 1
    echo "recorded $record"
    exit 0
fi

[ -f "$record" ] || { echo "no ABI record $record: run scripts/update-abi.sh" >&2; exit 1; }
report=$(abidiff --headers-dir2 "$headers" --drop-private-types --no-show-locs \
    "$record" "$library" 2>&1)
status=$?
if [ $status -ne 0 ]; then
    echo "ABI of $(basename "$library") differs from $record (abidiff status $status):"
    echo "$report"
    echo "If the change is intended, update the record in the same commit:"
    echo "    scripts/update-abi.sh <build dir>"
    exit 1
fi
echo "ABI of $(basename "$library") matches $record"
