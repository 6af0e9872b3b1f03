// The chassis library's process-wide state: its one chassis cache, built by the attach
// hook while the library loads and torn down by the detach hook while it unloads.
#pragma once

#include "chassis/cPxieChassis.h"
#include "runtime/qxns.h"

namespace QX_NS {

// The cache, or null before attach, after detach, or when it could not be allocated.
// Written only by the hooks, which run under the dynamic loader before any entry point
// can be called and after the last one has returned, so reading it needs no lock.
cPxieChassis* chassisCache();

// The library main hook: attach (1) builds the cache and the description database and
// succeeds exactly when that left no error; detach (2) destroys both.
bool chassisModuleMain(int a_Reason);

}  // namespace QX_NS
