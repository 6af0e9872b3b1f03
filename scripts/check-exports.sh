#!/usr/bin/env bash
# check-exports.sh LIB SYMBOL... : the library's dynamic symbol table defines exactly
# the given symbols, and the library carries no RPATH or RUNPATH.
set -euo pipefail
lib=$1; shift
expected=$(printf '%s\n' "$@" | sort -u)
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sed 's/@.*//' | sort -u)
status=0
if [ "$expected" != "$actual" ]; then
    echo "exports of $lib differ from the entry points"
    diff <(echo "$expected") <(echo "$actual") || true
    status=1
fi
if readelf -d "$lib" | grep -E 'RPATH|RUNPATH'; then
    echo "$lib carries a search path"
    status=1
fi
[ $status -eq 0 ] && echo "$lib exports exactly: $(echo $expected)"
exit $status
