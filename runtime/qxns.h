// Every deliverable compiles its own copy of the shared code inside a namespace of its
// own (QX_NS) so that several of our libraries can live in one process without sharing
// state or symbols. Unit tests compile the shared code once more under a test namespace.
#pragma once

#ifndef QX_NS
#define QX_NS nQxPxiUnitTest
#endif

// Component name written into status records raised by this copy of the code.
#ifndef QX_COMPONENT
#define QX_COMPONENT "qxtest"
#endif

// Marks a C entry point that the deliverable exports (everything else is hidden).
#define QX_EXPORT extern "C" __attribute__((visibility("default")))
