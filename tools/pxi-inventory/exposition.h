// Gauges in the Prometheus text exposition format, as the node exporter's textfile
// collector reads them: each metric family once, its samples together after its # HELP
// and # TYPE lines, label values escaped and valid UTF-8, no timestamps.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace nQxPxiInventory {

using tLabels = std::vector<std::pair<std::string, std::string>>;

class cExposition {
public:
    // Starts a family of gauges; later samples belong to it until the next family.
    void family(const std::string& a_rName, const std::string& a_rHelp);
    // A sample of the current family. A second sample with the same labels is dropped:
    // the collector refuses a whole file that repeats a series.
    void sample(const tLabels& a_rLabels, int64_t a_Value);
    // A value that is not known (a failed call without a status code): NaN.
    void unknown(const tLabels& a_rLabels);

    std::string text() const;

private:
    void add(const tLabels& a_rLabels, const std::string& a_rValue);

    struct tFamily {
        std::string name;
        std::string help;
        std::vector<std::string> lines;
        std::set<std::string> labelSets;
    };
    std::vector<tFamily> m_Families;
};

// A label value as the format writes it between double quotes: backslash, double quote
// and line feed escaped; a byte sequence that is not UTF-8 becomes U+FFFD.
std::string labelValue(const std::string& a_rText);

}  // namespace nQxPxiInventory
