#!/usr/bin/env bash
# The main job: installs what is missing (apt-get, as root), builds the four libraries,
# the stand-in services and pxi-inventory in build/ (or $QX_EXAMPLE_BUILD_DIR), and shows
# the inventory of the bundled example machine. Arguments go to the tool (--json, ...).
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || exit 1
dir=${QX_EXAMPLE_BUILD_DIR:-build}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$dir" -j "$(nproc)" --target pxi-inventory-bundle || exit 1
# No outside platform services are installed here, so the tool switches onto the stand-ins
# in $dir/services, which serve examples/machines/example-machine.json.
exec "./$dir/tools/pxi-inventory" "$@"
