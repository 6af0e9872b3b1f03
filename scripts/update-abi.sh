#!/usr/bin/env bash
# Rewrites the ABI records in abi/ from a build directory (default build/): the four
# libraries' entry points, the stand-ins of the four service contracts, and the Linux
# services (abi/linux/).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
for lib in lib/libQXPXIeSMu.so lib/libQXPXIeCDu.so lib/libqxpxiecf.so lib/libqx7402.so \
           services/libqxpcibrd.so.1 services/libqxcntdrv.so.1 services/libqxsmbus.so.2 \
           services/libqxrelocations.so.0; do
    bash scripts/check-abi.sh --update "$build/$lib" "abi/$(basename "$lib").abi" include/qxpxi
done
for lib in libqxpcibrd.so.1 libqxcntdrv.so.1 libqxsmbus.so.2 libqxrelocations.so.0; do
    bash scripts/check-abi.sh --update "$build/services-linux/$lib" "abi/linux/$lib.abi" include/qxpxi
done
