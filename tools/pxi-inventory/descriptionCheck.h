// pxi-inventory --check: description files checked before they are installed. Each file
// is loaded by the libraries' own description classes, compiled into the tool, for the
// kind it is meant to be; every problem is named with its file, line and key.
#pragma once

#include <string>
#include <vector>

namespace nQxPxiInventory {

struct tCheckOutput {
    std::string text;  // the report, as text or as one JSON document
    int status = 0;    // 0 when every file is usable, else 1
};

// Checks each path: a file, or every "*.ini" file of a directory in name order.
tCheckOutput checkDescriptions(const std::vector<std::string>& a_rPaths, bool a_Json);

}  // namespace nQxPxiInventory
