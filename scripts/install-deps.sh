#!/usr/bin/env bash
# Installs what is missing on a Debian machine (run as root):
#   install-deps.sh main   what the main job (scripts/run-example.sh) needs to build
#   install-deps.sh        that and what the test command (scripts/test.sh) needs besides
# Another install holding the package manager's lock is waited for, not failed on.
set -euo pipefail
# Building: the libraries, the services, the tool and, as a default configure has them,
# the tests and benchmarks.
main_packages=(cmake ninja-build g++ binutils pkg-config linux-libc-dev
               libboost-dev nlohmann-json3-dev libhwloc-dev libarchive-dev libpci-dev pci.ids
               libgtest-dev libgmock-dev googletest libbenchmark-dev libinih-dev libsimpleini-dev)
# Testing: fuzzing (clang), private mounts (util-linux), packages and lintian, the drawn
# example, the ABI guard, the Python package's tests and its installation into a venv,
# ccache for the test command's builds, the parser that reads pxi-inventory --metrics.
test_packages=(clang libclang-rt-14-dev util-linux
               dpkg-dev fakeroot file lintian graphviz abigail-tools
               python3-pytest python3-setuptools python3-wheel python3-venv ccache
               python3-prometheus-client)
case "${1:-test}" in
    main) packages=("${main_packages[@]}") ;;
    test) packages=("${main_packages[@]}" "${test_packages[@]}") ;;
    *) echo "usage: $0 [main|test]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    wait_for_lock=(-o DPkg::Lock::Timeout=600)
    # The package lists' lock has no timeout of its own: a busy update is tried again.
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        apt-get "${wait_for_lock[@]}" update -qq && break
        [ "$attempt" -lt 10 ] || exit 1
        echo "apt-get update failed (another install running?), trying again in 30 s" >&2
        sleep 30
    done
    apt-get "${wait_for_lock[@]}" install -y -qq "${missing[@]}"
fi
