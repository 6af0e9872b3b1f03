#include "tests/host/linux/linuxServices.h"

namespace qxlinuxtest {

std::string linuxService(const std::string& a_rFile) {
    return qxtest::buildDir() + "/services-linux/" + a_rFile;
}

std::string fakeSmBusService() {
    return qxtest::buildDir() + "/tests/services-linux-fake/libqxsmbus.so.2";
}

std::string realworld(const std::string& a_rRelative) {
    return qxtest::sourceDir() + "/tests/data/realworld/" + a_rRelative;
}

std::vector<std::string> recordedTopologies() {
    return {"16intel64-manyVFs.xml", "192em64t-12gr2n8c2t.xml",
            "28intel64-2p2g7c-CoDgroups.v1tov2.xml", "96em64t-4n4d3ca2co-pci.xml"};
}

}  // namespace qxlinuxtest
