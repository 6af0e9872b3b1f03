// The system module library's process-wide state: its one discovery cache, built by the
// attach hook while the library loads and torn down by the detach hook while it unloads.
#pragma once

#include "runtime/qxns.h"
#include "sysmodule/tPXIeSystemModuleCache.h"

namespace QX_NS {

// The cache, or null before attach, after detach, or when building it failed. Written
// only by the hooks, which run under the dynamic loader before any entry point can be
// called and after the last one has returned, so reading it needs no lock.
tPXIeSystemModuleCache* systemModuleCache();

// The library main hook: attach (1) builds the cache and then the description database;
// when either fails both are dropped again and the library runs without them. Detach (2)
// destroys the cache, then the database. Always succeeds: the library loads whatever
// the machine offers.
bool systemModuleMain(int a_Reason);

}  // namespace QX_NS
