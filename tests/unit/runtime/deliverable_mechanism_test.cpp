// The deliverable build mechanism: namespaced copies of the shared code, hidden
// visibility and a version script, checked on the probe libraries built by the suite.
#include <dlfcn.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string probePath(const char* a_pVariant) {
    return std::string(QX_BUILD_DIR) + "/tests/lib/libqxnsprobe_" + a_pVariant + ".so";
}

std::set<std::string> definedDynamicSymbols(const std::string& a_rPath) {
    std::set<std::string> l_Symbols;
    const std::string l_Command = "nm -D --defined-only '" + a_rPath + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> l_Pipe(popen(l_Command.c_str(), "r"), pclose);
    if (!l_Pipe)
        return l_Symbols;
    char l_Line[1024];
    while (fgets(l_Line, sizeof l_Line, l_Pipe.get()) != nullptr) {
        std::string l_Text(l_Line);
        const auto l_Space = l_Text.find_last_of(' ');
        std::string l_Name = l_Text.substr(l_Space + 1);
        while (!l_Name.empty() && (l_Name.back() == '\n' || l_Name.back() == '\r'))
            l_Name.pop_back();
        l_Name = l_Name.substr(0, l_Name.find('@'));
        l_Symbols.insert(l_Name);
    }
    return l_Symbols;
}

TEST(DeliverableMechanism, ExportsExactlyTheListedEntryPoints) {
    const std::set<std::string> l_Expected{"qxnsprobe_setCounter", "qxnsprobe_getCounter",
                                           "qxnsprobe_component"};
    for (const char* l_Variant : {"a", "b"}) {
        EXPECT_EQ(definedDynamicSymbols(probePath(l_Variant)), l_Expected) << l_Variant;
    }
}

TEST(DeliverableMechanism, CopiesInOneProcessShareNoState) {
    void* l_pA = dlopen(probePath("a").c_str(), RTLD_NOW | RTLD_LOCAL);
    void* l_pB = dlopen(probePath("b").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(l_pA, nullptr) << dlerror();
    ASSERT_NE(l_pB, nullptr) << dlerror();
    using tSet = int32_t (*)(int32_t);
    using tGet = int32_t (*)();
    using tName = const char* (*)();
    auto l_SetA = reinterpret_cast<tSet>(dlsym(l_pA, "qxnsprobe_setCounter"));
    auto l_GetA = reinterpret_cast<tGet>(dlsym(l_pA, "qxnsprobe_getCounter"));
    auto l_SetB = reinterpret_cast<tSet>(dlsym(l_pB, "qxnsprobe_setCounter"));
    auto l_GetB = reinterpret_cast<tGet>(dlsym(l_pB, "qxnsprobe_getCounter"));
    auto l_NameB = reinterpret_cast<tName>(dlsym(l_pB, "qxnsprobe_component"));
    ASSERT_TRUE(l_SetA && l_GetA && l_SetB && l_GetB && l_NameB);

    EXPECT_EQ(l_SetA(7), 0);
    EXPECT_EQ(l_SetB(9), 0);
    EXPECT_EQ(l_GetA(), 7);
    EXPECT_EQ(l_GetB(), 9);
    EXPECT_EQ(l_SetB(-1), -52005);
    EXPECT_STREQ(l_NameB(), "probe_b");
    // Internal code is not reachable by name.
    EXPECT_EQ(dlsym(l_pA, "_ZN12nQxNsProbe_a13tStatusRecord10initialiseEv"), nullptr);
    dlclose(l_pB);
    dlclose(l_pA);
}

}  // namespace
