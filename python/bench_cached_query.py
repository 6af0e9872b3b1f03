#!/usr/bin/python3
"""What the Python package adds to a cached query, in one run.

On the simulated example machine, after one discovery, the same cached query is timed
three ways in this process, against the same loaded library and cache:

- from C: a loop compiled here with ``cc`` that calls the entry point through its
  address, as a C host does;
- through ctypes alone (the prototypes the package sets);
- through the package: ``qxpxi.chassis_count(vendor, model, cached=True)``.

The package's overhead per call is the package's time less the C time; the goal is
under 3 microseconds. A benchmark, not a test: it prints figures and judges nothing.

    QXPXI_LIBRARY_DIR=build/lib /usr/bin/python3 python/bench_cached_query.py
"""

import ctypes
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qxpxi  # noqa: E402
from qxpxi import _library  # noqa: E402

VENDOR, MODEL = "Quarrix", "QX PXIe-1092"
CALLS = 200_000
ROUNDS = 5

C_LOOP = r"""
#include <stdint.h>
#include <time.h>
typedef int32_t (*tGetCount)(const char*, const char*, uint32_t*);
/* Nanoseconds for `calls` calls; the status of the last call in *status. */
int64_t qxbench_loop(tGetCount function, const char* vendor, const char* model, int64_t calls,
                     int32_t* status) {
    struct timespec start, end;
    uint32_t count = 0;
    int32_t last = 0;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (int64_t i = 0; i < calls; ++i) last = function(vendor, model, &count);
    clock_gettime(CLOCK_MONOTONIC, &end);
    *status = last;
    return (int64_t)(end.tv_sec - start.tv_sec) * 1000000000 + (end.tv_nsec - start.tv_nsec);
}
"""


def c_loop(directory: str) -> ctypes.CDLL:
    source = os.path.join(directory, "loop.c")
    with open(source, "w") as stream:
        stream.write(C_LOOP)
    shared = os.path.join(directory, "libloop.so")
    subprocess.run(["cc", "-O2", "-shared", "-fPIC", source, "-o", shared], check=True)
    loop = ctypes.CDLL(shared)
    loop.qxbench_loop.restype = ctypes.c_int64
    loop.qxbench_loop.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int64,
                                  ctypes.POINTER(ctypes.c_int32)]
    return loop


def best_ns_per_call(run) -> float:
    return min(run() for _ in range(ROUNDS)) / CALLS


def main() -> int:
    with tempfile.TemporaryDirectory() as directory, qxpxi.simulate():
        assert qxpxi.chassis_count(VENDOR, MODEL) == 2  # the discovery that fills the cache
        lib = _library.library(_library.CHASSIS)
        function = lib.QXPXI_Chassis_GetCount_NoCache
        address = ctypes.cast(function, ctypes.c_void_p).value
        loop = c_loop(directory)
        vendor, model = VENDOR.encode(), MODEL.encode()

        def from_c() -> int:
            status = ctypes.c_int32()
            elapsed = loop.qxbench_loop(address, vendor, model, CALLS, ctypes.byref(status))
            assert status.value == 0
            return elapsed

        def through_ctypes() -> int:
            count = ctypes.c_uint32()
            start = time.perf_counter_ns()
            for _ in range(CALLS):
                function(vendor, model, ctypes.byref(count))
            return time.perf_counter_ns() - start

        def through_package() -> int:
            count_of = qxpxi.chassis_count
            start = time.perf_counter_ns()
            for _ in range(CALLS):
                count_of(VENDOR, MODEL, cached=True)
            return time.perf_counter_ns() - start

        c_ns = best_ns_per_call(from_c)
        ctypes_ns = best_ns_per_call(through_ctypes)
        package_ns = best_ns_per_call(through_package)
    print("cached query QXPXI_Chassis_GetCount_NoCache(%r, %r), best of %d rounds of %d calls"
          % (VENDOR, MODEL, ROUNDS, CALLS))
    print("  from C                       %8.3f us/call" % (c_ns / 1000))
    print("  through ctypes               %8.3f us/call" % (ctypes_ns / 1000))
    print("  qxpxi.chassis_count(cached)  %8.3f us/call" % (package_ns / 1000))
    print("  overhead of the package      %8.3f us/call (goal: under 3)" % ((package_ns - c_ns) / 1000))
    return 0


if __name__ == "__main__":
    sys.exit(main())
