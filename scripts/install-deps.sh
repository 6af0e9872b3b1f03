#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine (run as root).
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev binutils
          libgtest-dev libgmock-dev googletest libbenchmark-dev
          libboost-dev nlohmann-json3-dev libinih-dev libsimpleini-dev util-linux
          dpkg-dev fakeroot file lintian graphviz pkg-config abigail-tools
          libhwloc-dev linux-libc-dev ccache)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
fi
