// The seams between tJsonStatus and tStatusRecord, and the exception conversions.
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "runtime/status/jsonz.h"
#include "runtime/status/qxerrException.h"
#include "runtime/status/tJsonStatusScope.h"

namespace {

using namespace QX_NS;

TEST(JsonIntoRecord, CarriesCodeAndPlace) {
    tStatusRecord l_Record;
    {
        tJsonStatusScope l_Scope(&l_Record);
        l_Scope.status().setWithLocation(
            -313003, tSourceLocation{"dir\\x\n.cpp", 77, "component12", "QxPciBrd_Find"});
    }
    EXPECT_EQ(l_Record.code, -313003);
    EXPECT_STREQ(l_Record.component, "component");
    EXPECT_STREQ(l_Record.file, "dir\\x\n.cpp");
    EXPECT_EQ(l_Record.line, 77u);
}

TEST(JsonIntoRecord, SkipsSuccessAndTargetsInError) {
    tStatusRecord l_Record;
    QX_SET_STATUS(l_Record, -52005);
    const std::string l_File = l_Record.file;
    {
        tJsonStatusScope l_Scope(&l_Record);
        tJsonStatus& l_rStatus = l_Scope;
        l_rStatus.setWithLocation(-1, tSourceLocation{"other.cpp", 1, "c", "k"});
    }
    EXPECT_EQ(l_Record.code, -52005);
    EXPECT_EQ(l_Record.file, l_File);

    tStatusRecord l_Warned;
    l_Warned.set(313300, "w", "w.cpp", 3);
    tJsonStatusScope l_Scope(&l_Warned);
    l_Scope.flush();
    EXPECT_EQ(l_Warned.code, 313300);
    // After a flush the scope starts afresh.
    l_Scope.status().setCode(-9);
    l_Scope.flush();
    EXPECT_EQ(l_Warned.code, -9);
    EXPECT_STREQ(l_Warned.file, "");
    EXPECT_EQ(l_Scope.status().code, 0);
    EXPECT_EQ(l_Scope.status().json, nullptr);
}

TEST(JsonIntoRecord, MalformedOrMissingMembersGiveEmptyPlace) {
    for (const char* l_pText :
         {"{\"file\":12,\"line\":\"x\",\"component\":{}}", "{broken", "{\"file\":\"unterminated"}) {
        tJsonStatus l_Status;
        l_Status.setCode(-4);
        l_Status.appendPoint(std::strlen(l_pText));
        jsonz::initialise(l_Status.json, l_Status.capacity, l_pText);
        tStatusRecord l_Record;
        mergeJsonIntoRecord(l_Status, &l_Record);
        EXPECT_EQ(l_Record.code, -4) << l_pText;
        EXPECT_STREQ(l_Record.file, "") << l_pText;
        EXPECT_STREQ(l_Record.component, "") << l_pText;
        EXPECT_EQ(l_Record.line, 0u) << l_pText;
    }
}

// A "file" value of a given raw length, with backslashes at chosen raw positions (1-based).
std::string rawFile(size_t a_Length, std::initializer_list<size_t> a_Backslashes) {
    std::string l_Raw;
    for (size_t i = 0; i < a_Length; ++i)
        l_Raw += static_cast<char>('a' + i % 26);
    for (size_t l_Position : a_Backslashes)
        l_Raw[l_Position - 1] = '\\';
    return l_Raw;
}

TEST(JsonIntoRecord, LongFileKeepsATailThatStartsOutsideAnEscape) {
    struct tCase {
        const char* name;
        std::string raw;
        std::string stored;
    };
    const std::string l_Plain = rawFile(150, {});
    // Backslash at 51: "\\" + 'y' would be an escape cut in half; the tail drops it.
    std::string l_Cut = rawFile(150, {});
    l_Cut.replace(50, 2, "\\n");
    // An escaped backslash at 51-52: both halves go.
    std::string l_Pair = rawFile(150, {});
    l_Pair.replace(50, 2, "\\\\");
    const tCase l_Cases[] = {
        {"Exactly100", rawFile(100, {}), rawFile(100, {})},
        {"Plain150", l_Plain, l_Plain.substr(50)},
        {"BackslashAt51", l_Cut, "n" + l_Cut.substr(52)},
        {"EscapedBackslashAt51", l_Pair, l_Pair.substr(52)},
    };
    for (const tCase& l_rCase : l_Cases) {
        const std::string l_Text = "{\"file\":\"" + l_rCase.raw + "\",\"line\":3}";
        tJsonStatus l_Status;
        l_Status.setCode(-1);
        l_Status.appendPoint(l_Text.size());
        jsonz::initialise(l_Status.json, l_Status.capacity, l_Text.c_str());
        tStatusRecord l_Record;
        mergeJsonIntoRecord(l_Status, &l_Record);
        EXPECT_EQ(std::string(l_Record.file), l_rCase.stored) << l_rCase.name;
    }
    EXPECT_EQ(std::string(l_Cases[2].stored).size(), 99u);
}

TEST(RecordIntoJson, AppendsPlaceOnlyWhenItChangedTheTarget) {
    tJsonStatus l_Target;
    {
        tStatusRecordScope l_Scope(&l_Target);
        l_Scope.record().set(-52005, "qxtest", "ini.cpp", 12);
    }
    EXPECT_EQ(l_Target.code, -52005);
    const auto l_Json = nlohmann::json::parse(l_Target.text());
    EXPECT_EQ(l_Json,
              nlohmann::json::parse(R"({"file":"ini.cpp","line":12,"component":"qxtest"})"));

    const std::string l_Text = l_Target.text();
    tStatusRecord l_Second;
    l_Second.set(-1, "x", "x.cpp", 1);
    mergeRecordIntoJson(l_Second, &l_Target);
    EXPECT_EQ(l_Target.text(), l_Text);

    // Empty fields give no members; a small record gives the code alone.
    tJsonStatus l_Bare;
    tStatusRecord l_Unplaced;
    l_Unplaced.set(313300, "", "", 0);
    mergeRecordIntoJson(l_Unplaced, &l_Bare);
    EXPECT_EQ(l_Bare.code, 313300);
    EXPECT_STREQ(l_Bare.text(), "{}");
    tJsonStatus l_Small;
    l_Second.size = 16;
    mergeRecordIntoJson(l_Second, &l_Small);
    EXPECT_EQ(l_Small.code, -1);
    EXPECT_EQ(l_Small.json, nullptr);
}

TEST(QxerrException, CarriesItsStatusAndCopiesIt) {
    try {
        QX_THROW_IF_ERROR(-313003);
        FAIL() << "no exception";
    } catch (const std::exception& l_rException) {
        const auto* l_pQx = dynamic_cast<const qxerr::Exception*>(&l_rException);
        ASSERT_NE(l_pQx, nullptr);
        EXPECT_EQ(l_pQx->code(), -313003);
        const auto l_Json = nlohmann::json::parse(l_rException.what());
        EXPECT_EQ(l_Json["error_constant"], "l_MacroStatus");
        EXPECT_EQ(l_Json["component"], "qxtest");
        qxerr::Exception l_Copy(*l_pQx);
        EXPECT_STREQ(l_Copy.what(), l_rException.what());
        EXPECT_EQ(l_Copy.code(), -313003);
        qxerr::Exception l_Assigned;
        l_Assigned = l_Copy;
        EXPECT_STREQ(l_Assigned.what(), l_rException.what());
    }
    EXPECT_EQ(QX_THROW_IF_ERROR(0), 0);
    EXPECT_EQ(QX_THROW_IF_ERROR(313300), 313300);
    qxerr::Exception l_Empty;
    EXPECT_STREQ(l_Empty.what(), "");
    qxerr::Exception l_EmptyCopy(l_Empty);
    EXPECT_EQ(l_EmptyCopy.status().json, nullptr);
}

TEST(ThrowingStatusRecord, ThrowsItsErrorAtScopeEnd) {
    try {
        tThrowingStatusRecord l_Record;
        l_Record.get()->set(-26937, "qxpxiecf", "cnt.cpp", 31);
    } catch (const qxerr::Exception& l_rException) {
        EXPECT_EQ(l_rException.code(), -26937);
        EXPECT_EQ(nlohmann::json::parse(l_rException.what()),
                  nlohmann::json::parse(R"({"file":"cnt.cpp","line":31,"component":"qxpxiecf"})"));
        return;
    }
    FAIL() << "no exception";
}

TEST(ThrowingStatusRecord, StaysQuietOnWarningsAndWhileUnwinding) {
    EXPECT_NO_THROW({
        tThrowingStatusRecord l_Record;
        l_Record.record().set(313300, "c", "f", 1);
    });
    // An exception already in flight wins; the record must not terminate the process.
    try {
        tThrowingStatusRecord l_Record;
        l_Record.record().set(-5, "c", "f", 1);
        throw std::runtime_error("first");
    } catch (const std::runtime_error& l_rError) {
        EXPECT_STREQ(l_rError.what(), "first");
    }
}

TEST(ConvertCurrentException, MapsEveryKind) {
    struct tCase {
        const char* name;
        void (*raise)();
        int32_t code;
    };
    const tCase l_Cases[] = {
        {"QxError", [] { QX_THROW_IF_ERROR(-313008); }, -313008},
        {"Unsupported", [] { QX_THROW_IF_ERROR(-52002); }, 0},
        {"EmptyQx", [] { throw qxerr::Exception(); }, -52003},
        {"BadAlloc", [] { throw std::bad_alloc(); }, -52003},
        {"Std", [] { throw std::runtime_error("x"); }, -52003},
        {"Int", [] { throw 5; }, -52003},
    };
    for (const tCase& l_rCase : l_Cases) {
        auto l_Entry = [&]() -> int32_t { QX_ENTRY_CONVERT(l_rCase.raise(); return 1;) };
        EXPECT_EQ(l_Entry(), l_rCase.code) << l_rCase.name;
    }
    EXPECT_EQ(convertCurrentException(), -52003);
}

}  // namespace
