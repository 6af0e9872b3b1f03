// Discovery as a host sees it: PXISA_SystemModule_GetCount and
// QXPXI_SystemModule_UpdateCache on the example machine and on variations of it.
#include "tests/host/sysmodule/sysModuleHost.h"

namespace smtest {
namespace {

using nlohmann::json;

class SysModuleDiscovery : public cSysModuleHost {};

TEST_F(SysModuleDiscovery, ExampleMachineHasItsEmbeddedAndItsRemoteModule) {
    start(exampleMachine());
    EXPECT_EQ(countNoCache(kVendor, kEmbedded), (tCount{0, 0}));  // nothing before discovery

    EXPECT_EQ(count(kVendor, kEmbedded), (tCount{0, 1}));
    EXPECT_EQ(count(kVendor, kRemote), (tCount{0, 1}));
    const tName l_Embedded = name(kVendor, kEmbedded, 1);
    EXPECT_EQ(l_Embedded.status, 0);
    EXPECT_EQ(l_Embedded.name, kEmbeddedName);
    EXPECT_EQ(l_Embedded.list, kEmbeddedList);
    const tName l_Remote = name(kVendor, kRemote, 1);
    EXPECT_EQ(l_Remote.status, 0);
    EXPECT_EQ(l_Remote.name, kRemoteName);
    EXPECT_EQ(l_Remote.list, kRemoteList);
    EXPECT_EQ(countNoCache(kVendor, kEmbedded), (tCount{0, 1}));
}

TEST_F(SysModuleDiscovery, RepeatedDiscoveryReplacesInsteadOfDoubling) {
    start(exampleMachine());
    for (int l_Round = 0; l_Round < 3; ++l_Round) {
        EXPECT_EQ(count(kVendor, kEmbedded), (tCount{0, 1}));
        EXPECT_EQ(lib().updateCache(), 0);
        EXPECT_EQ(countNoCache(kVendor, kEmbedded), (tCount{0, 1}));
        EXPECT_EQ(countNoCache(kVendor, kRemote), (tCount{0, 1}));
    }
    EXPECT_EQ(toString(names(kVendor, kRemote)), kRemoteName);
}

TEST_F(SysModuleDiscovery, AdaptersAreMatchedBySmbusVidPidInListOrder) {
    json l_Machine = exampleMachine();
    json& l_rAdapters = l_Machine["smbus"]["adapters"];
    l_rAdapters.push_back(adapter("QXSMBUS::5::0::0::0", 0x1234, 0x5678, 1, 5, 0, 0));
    l_rAdapters.push_back(adapter("QXSMBUS::6::0::0::0", 0x1234, 0x5678, 0, 6, 0, 0));  // unusable
    l_rAdapters.push_back(adapter("QXSMBUS::7::0::0::0", 0x1234, 0x5679, 1, 7, 0, 0));  // other id
    l_rAdapters.push_back(adapter("QXSMBUS::7::1::0::0", 0x1235, 0x5678, 1, 7, 1, 0));  // other id
    l_rAdapters.push_back(adapter("QXSMBUS::4::0::0::0", 0x1234, 0x5678, 1, 4, 0, 0));
    start(l_Machine);
    machine().writeSystemModuleDescription("acme-r1.ini",
                                           remoteDescription("Acme", "R1", "12345678"));
    load();

    EXPECT_EQ(count("Acme", "R1"), (tCount{0, 2}));
    EXPECT_EQ(toString(names("Acme", "R1")),
              "Acme R1 (QXSMBUS::5::0::0::0) | "
              "Acme R1 (QXSMBUS::4::0::0::0)");
    const tName l_Second = name("Acme", "R1", 2);
    EXPECT_EQ(l_Second.list, "QXSMBUS::4::0::0::0;PXI0::4-0.0::INSTR");
}

TEST_F(SysModuleDiscovery, SwitchIdGivesOneModuleHoweverManyBridgesMatch) {
    json l_Machine = exampleWithoutController();
    for (unsigned l_Device = 0; l_Device < 2; ++l_Device)
        l_Machine["pci"]["bridges"].push_back({{"bus", 0x28},
                                               {"device", l_Device},
                                               {"vendorId", 0x1234},
                                               {"deviceId", 0x5678},
                                               {"secondaryBus", 0x29 + l_Device}});
    start(l_Machine);
    machine().writeSystemModuleDescription("acme-e1.ini",
                                           embeddedDescription("Acme", "E1", "1234:5678:0:0", ""));
    machine().writeSystemModuleDescription("acme-e3.ini",
                                           embeddedDescription("Acme", "E3", "1234:5678:0", ""));
    machine().writeSystemModuleDescription("acme-e4.ini",
                                           embeddedDescription("Acme", "E4", "1234:9999:0:0", ""));
    load();

    EXPECT_EQ(count("Acme", "E1"), (tCount{0, 1}));
    EXPECT_EQ(toString(names("Acme", "E1")), "Acme E1 (QXSMBUS::0::31::3::0)");
    // Three numbers are not a switch; ids without a bridge are no module.
    EXPECT_EQ(count("Acme", "E3"), (tCount{kDescriptionInvalid, 0}));
    EXPECT_EQ(count("Acme", "E4"), (tCount{0, 0}));
}

TEST_F(SysModuleDiscovery, EmbeddedDescriptionsOfAnotherProductAreForeign) {
    // The controller driver names the product: PXIe-8881. Matching switch bridges exist.
    start(exampleMachine());
    const std::string l_Switch = "10B5:8749:1093:7A01";
    struct tCase {
        const char* model;
        const char* product;  // "" for none
        tCount expected;
    };
    const tCase l_Cases[] = {
        {"Same", "PXIe-8881", {0, 1}},    {"NoProduct", "", {0, 1}},
        {"Other", "PXIe-9999", {0, 0}},   {"Prefix", "PXIe-888", {0, 0}},
        {"Longer", "PXIe-88810", {0, 0}}, {"OtherCase", "pxie-8881", {0, 0}},
    };
    for (const tCase& l_rCase : l_Cases)
        machine().writeSystemModuleDescription(
            std::string(l_rCase.model) + ".ini",
            embeddedDescription("Acme", l_rCase.model, l_Switch, l_rCase.product));
    load();
    for (const tCase& l_rCase : l_Cases)
        EXPECT_EQ(count("Acme", l_rCase.model), l_rCase.expected) << l_rCase.model;
}

TEST_F(SysModuleDiscovery, UnknownIdentities) {
    start(exampleMachine());
    // With a controller driver of another identity, and without one.
    EXPECT_EQ(count("Acme", "Nothing"), (tCount{kNotFound, 0}));
    start(exampleWithoutController());
    EXPECT_EQ(count("Acme", "Nothing"), (tCount{kDbNotFound, 0}));
    EXPECT_EQ(countNoCache("Acme", "Nothing"), (tCount{0, 0}));
}

TEST_F(SysModuleDiscovery, ControllerPathFindsTheUndescribedController) {
    start(exampleMachine(), false);  // no description files at all
    EXPECT_EQ(count(kVendor, kEmbedded), (tCount{0, 1}));
    EXPECT_EQ(toString(names(kVendor, kEmbedded)), kEmbeddedName);
    EXPECT_EQ(number(kEmbeddedName, PXISA_SYSTEMMODULE_ATTR_LINK_BUS_1), std::make_pair(0, 3));
    EXPECT_EQ(number(kEmbeddedName, PXISA_SYSTEMMODULE_ATTR_LINK_BUS_2), std::make_pair(0, 8));
    EXPECT_EQ(number(kEmbeddedName, PXISA_SYSTEMMODULE_ATTR_MAX_LINK_WIDTH_1),
              std::make_pair(0, 8));
    EXPECT_EQ(number(kEmbeddedName, PXISA_SYSTEMMODULE_ATTR_MODULE_STYLE), std::make_pair(0, 0));
    EXPECT_EQ(text(kEmbeddedName, PXISA_SYSTEMMODULE_ATTR_TEXT_2),
              std::make_pair(0, std::string("QX PXIe-1092 system slot")));
    // Its peer-to-peer table comes from the controller driver: the switch ports 02:00.0
    // and 02:01.0, as the description names them.
    EXPECT_EQ(p2p(kEmbeddedName, {2, 0, 0}, {2, 1, 0}), std::make_pair(0, 1));
}

TEST_F(SysModuleDiscovery, ControllerPathNeedsTheControllersSmbusAdapter) {
    json l_Machine = exampleMachine();
    l_Machine["smbus"]["adapters"][0]["attributes"]["107"] = 4;  // another function
    start(l_Machine, false);
    EXPECT_EQ(count(kVendor, kEmbedded), (tCount{0, 0}));
}

TEST_F(SysModuleDiscovery, UpdateCacheAddsTheControllersOwnIdentity) {
    start(exampleMachine(), false);
    machine().writeSystemModuleDescription("acme-r1.ini",
                                           remoteDescription("Acme", "R1", "10937A20"));
    load();
    EXPECT_EQ(lib().updateCache(), 0);
    EXPECT_EQ(countNoCache(kVendor, kEmbedded), (tCount{0, 1}));
    EXPECT_EQ(countNoCache("Acme", "R1"), (tCount{0, 1}));
    EXPECT_EQ(lib().updateCache(), 0);
    EXPECT_EQ(countNoCache(kVendor, kEmbedded), (tCount{0, 1}));
}

TEST_F(SysModuleDiscovery, FailedCountLeavesThatIdentityWithoutModules) {
    // A failure before discovery can start (a service that cannot be opened) leaves the
    // cache agreeing with the count of 0, as a failure during discovery does; other
    // identities keep their modules.
    const std::pair<const char*, int32_t> l_Faults[] = {
        {"QxPciBrd_OpenSession", -313777},
        {"QXSMBusOpenList", -52010},
    };
    for (const auto& l_rFault : l_Faults) {
        SCOPED_TRACE(l_rFault.first);
        start(exampleMachine());
        ASSERT_EQ(count(kVendor, kEmbedded), (tCount{0, 1}));
        ASSERT_EQ(count(kVendor, kRemote), (tCount{0, 1}));
        json l_Machine = exampleMachine();
        l_Machine["faults"] =
            json::array({{{"function", l_rFault.first}, {"status", l_rFault.second}}});
        machine().write(l_Machine);
        EXPECT_EQ(count(kVendor, kEmbedded), (tCount{l_rFault.second, 0}));
        EXPECT_EQ(countNoCache(kVendor, kEmbedded), (tCount{0, 0}));
        EXPECT_EQ(name(kVendor, kEmbedded, 1).status, kInvalidParameter);
        EXPECT_EQ(countNoCache(kVendor, kRemote), (tCount{0, 1}));
    }
}

TEST_F(SysModuleDiscovery, UpdateCacheStopsAtAServiceFailure) {
    json l_Machine = exampleMachine();
    l_Machine["faults"] = json::array({{{"function", "QXSMBusOpenList"}, {"status", -52010}}});
    start(l_Machine);
    EXPECT_EQ(lib().updateCache(), -52010);
    EXPECT_EQ(countNoCache(kVendor, kRemote), (tCount{0, 0}));
}

TEST_F(SysModuleDiscovery, ControllerIdentityThatCannotBeReadStopsUpdateCache) {
    json l_Machine = exampleMachine();
    l_Machine["controller"]["text"].erase("0x10000100");
    start(l_Machine);
    EXPECT_EQ(lib().updateCache(), -26933);
    EXPECT_EQ(countNoCache(kVendor, kRemote), (tCount{0, 0}));
}

}  // namespace
}  // namespace smtest
