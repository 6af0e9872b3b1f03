#!/usr/bin/env bash
# The main job: installs what is missing (apt-get, as root), builds the four libraries,
# the stand-in services and pxi-inventory in build/ (or $QX_EXAMPLE_BUILD_DIR), and shows
# the inventory of the bundled example machine, simulated by the stand-in services.
# Arguments go to the tool (--json, --dot, --verbose, ...). Only the tool writes to
# standard output, so that `run-example.sh --json` is one JSON document.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh main >&2 || exit 1
dir=${QX_EXAMPLE_BUILD_DIR:-build}
# An existing build directory keeps its configuration (a second run rebuilds nothing).
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2 || exit 1
fi
cmake --build "$dir" -j "$(nproc)" --target pxi-inventory-bundle >&2 || exit 1
exec "$dir/tools/pxi-inventory" --simulate "$@"
