// Shared by the benchmarks that load a deliverable with dlopen against the stand-in
// services. Linking benchServices.cpp into a benchmark makes it run again, before main,
// with the stand-ins on LD_LIBRARY_PATH when they are not: the dynamic loader reads that
// variable only at process start. Compiled with QX_BENCH_SERVICES="services-linux" it
// puts the Linux services there instead.
#pragma once

#include <string>

namespace qxbench {

// Writes a whole file; throws std::runtime_error when it cannot.
void writeFile(const std::string& a_rPath, const std::string& a_rText);

}  // namespace qxbench
