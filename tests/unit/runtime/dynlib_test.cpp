// The service loader and the binding base, against a library that every machine has
// (the C maths library) and names that no library has.
#include <dlfcn.h>

#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "runtime/dynlib/qxDynLib.h"

namespace {

using namespace QX_NS;

constexpr const char* kPresentLibrary = "libm.so.6";
constexpr const char* kMissingLibrary = "libqx_no_such_service.so.1";

TEST(DynLib, MissingLibraryIsDescribedMemberByMember) {
    tJsonStatus l_Status;
    EXPECT_EQ(qxdynlib::load(kMissingLibrary, qxdynlib::kDefaultFlags, l_Status), nullptr);
    EXPECT_EQ(l_Status.code, -52005);
    EXPECT_EQ(dlerror(), nullptr);  // the loader's error state was cleared

    const auto l_Json = nlohmann::json::parse(l_Status.text());
    // nlohmann sorts keys; the order in the text is checked on the raw text below.
    EXPECT_EQ(l_Json.size(), 6u);
    EXPECT_EQ(l_Json["error_constant"], "qxapalerr_invalidParameter");
    EXPECT_EQ(l_Json["component"], "qxtest");
    EXPECT_TRUE(l_Json["line"].is_number_integer());
    EXPECT_NE(l_Json["file"].get<std::string>().find("qxDynLib"), std::string::npos);
    EXPECT_EQ(
        l_Json["qxdynlib_debug"],
        nlohmann::json({{"debug", "failed to qxdynlib_load library"}, {"path", kMissingLibrary}}));
    EXPECT_EQ(l_Json["internal_error"]["api"], "dlerror");
    EXPECT_NE(l_Json["internal_error"]["string"].get<std::string>().find(kMissingLibrary),
              std::string::npos);
    const std::string l_Text = l_Status.text();
    size_t l_Last = 0;
    for (const char* l_pName :
         {"\"error_constant\"", "\"file\"", "\"line\"", "\"component\"", "\"qxdynlib_debug\"",
          "\"debug\"", "\"path\"", "\"internal_error\"", "\"api\"", "\"string\""}) {
        const size_t l_At = l_Text.find(l_pName);
        ASSERT_NE(l_At, std::string::npos) << l_pName;
        EXPECT_GT(l_At, l_Last) << l_pName;
        l_Last = l_At;
    }
}

TEST(DynLib, MissingSymbolIsDescribedAndPresentOnesResolve) {
    tJsonStatus l_Status;
    void* l_pHandle = qxdynlib::load(kPresentLibrary, qxdynlib::kDefaultFlags, l_Status);
    ASSERT_NE(l_pHandle, nullptr);
    EXPECT_NE(qxdynlib::lookup(l_pHandle, "cos", l_Status), nullptr);
    EXPECT_EQ(l_Status.code, 0);
    EXPECT_EQ(qxdynlib::lookup(l_pHandle, "qx_no_such_symbol", l_Status), nullptr);
    EXPECT_EQ(l_Status.code, -52005);
    EXPECT_EQ(dlerror(), nullptr);
    const auto l_Json = nlohmann::json::parse(l_Status.text());
    EXPECT_EQ(l_Json["qxdynlib_debug"], nlohmann::json({{"debug", "failed to get symbol"},
                                                        {"qxdynlib_symbol", "qx_no_such_symbol"}}));
    EXPECT_EQ(l_Json["internal_error"]["api"], "dlerror");
    EXPECT_FALSE(l_Json.contains("path"));
    qxdynlib::unload(l_pHandle);
}

TEST(DynLib, StatusInErrorMakesEveryCallDoNothing) {
    tJsonStatus l_Probe;
    void* l_pHandle = qxdynlib::load(kPresentLibrary, qxdynlib::kDefaultFlags, l_Probe);
    ASSERT_NE(l_pHandle, nullptr);

    tJsonStatus l_Status;
    l_Status.setWithLocation(-313003, tSourceLocation{"earlier.cpp", 5, "qxtest", "earlier"});
    const std::string l_Text = l_Status.text();
    EXPECT_EQ(qxdynlib::load(kPresentLibrary, qxdynlib::kDefaultFlags, l_Status), nullptr);
    EXPECT_EQ(qxdynlib::lookup(l_pHandle, "cos", l_Status), nullptr);
    EXPECT_EQ(qxdynlib::load(kMissingLibrary, qxdynlib::kDefaultFlags, l_Status), nullptr);
    EXPECT_EQ(l_Status.code, -313003);
    EXPECT_EQ(l_Status.text(), l_Text);
    qxdynlib::unload(l_pHandle);
    qxdynlib::unload(nullptr);
}

TEST(DynLib, NullArgumentsFailInsteadOfReachingTheProgram) {
    tJsonStatus l_Load;
    EXPECT_EQ(qxdynlib::load(nullptr, qxdynlib::kDefaultFlags, l_Load), nullptr);
    EXPECT_EQ(l_Load.code, -52005);
    // A null handle must not search the whole process.
    tJsonStatus l_Lookup;
    EXPECT_EQ(qxdynlib::lookup(nullptr, "malloc", l_Lookup), nullptr);
    EXPECT_EQ(l_Lookup.code, -52005);
}

// A binding shaped like the service bindings: a table of three names, one missing.
class tMathsBinding : public tDynLibBinding {
public:
    tMathsBinding(const char* a_pPath, tJsonStatus& a_rStatus) {
        open(a_pPath, a_rStatus);
        bind(m_pCos, "cos", a_rStatus);
        bind(m_pMissing, "qx_no_such_symbol", a_rStatus);
        bind(m_pSin, "sin", a_rStatus);
        requireBound(m_pCos && m_pSin, -313008, QX_LOCATION(nullptr), a_rStatus);
    }
    void* handle() const { return m_pHandle; }
    double (*m_pCos)(double) = nullptr;
    void (*m_pMissing)() = nullptr;
    double (*m_pSin)(double) = nullptr;
};

TEST(DynLibBinding, FirstFailureStaysAndLaterNamesAreStillBound) {
    tJsonStatus l_Status;
    tMathsBinding l_Binding(kPresentLibrary, l_Status);
    EXPECT_TRUE(l_Binding.isLoaded());
    ASSERT_NE(l_Binding.m_pCos, nullptr);
    ASSERT_NE(l_Binding.m_pSin, nullptr);
    EXPECT_EQ(l_Binding.m_pMissing, nullptr);
    EXPECT_EQ(l_Binding.m_pCos(0.0), 1.0);
    EXPECT_EQ(l_Status.code, -52005);
    EXPECT_EQ(nlohmann::json::parse(l_Status.text())["qxdynlib_debug"]["qxdynlib_symbol"],
              "qx_no_such_symbol");
}

TEST(DynLibBinding, FailedLoadLeavesEverySlotNullAndTheFirstText) {
    tJsonStatus l_Status;
    tMathsBinding l_Binding(kMissingLibrary, l_Status);
    EXPECT_FALSE(l_Binding.isLoaded());
    EXPECT_EQ(l_Binding.m_pCos, nullptr);
    EXPECT_EQ(l_Binding.m_pSin, nullptr);
    EXPECT_EQ(l_Status.code, -52005);
    EXPECT_EQ(nlohmann::json::parse(l_Status.text())["qxdynlib_debug"]["path"], kMissingLibrary);
}

struct tOpenBinding : tDynLibBinding {
    using tDynLibBinding::requireBound;
};

TEST(DynLibBinding, RequireBoundSetsTheNotLoadedCodeWithoutConstant) {
    tJsonStatus l_Status;
    tOpenBinding::requireBound(true, -313008, QX_LOCATION("unused"), l_Status);
    EXPECT_EQ(l_Status.code, 0);
    tOpenBinding::requireBound(false, -313008, QX_LOCATION("unused"), l_Status);
    EXPECT_EQ(l_Status.code, -313008);
    const auto l_Json = nlohmann::json::parse(l_Status.text());
    EXPECT_FALSE(l_Json.contains("error_constant"));
    EXPECT_EQ(l_Json["component"], "qxtest");
}

}  // namespace
