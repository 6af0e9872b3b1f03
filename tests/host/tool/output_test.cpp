// What pxi-inventory writes: a failed write is an error, --version, and the help text,
// the man page and the bash completion naming the same options and exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>

#include "tests/host/tool/toolRun.h"

namespace {

TEST(ToolOutput, AnOutputThatCannotBeWrittenIsAnError) {
    for (const char* l_pArgs : {"--simulate", "--simulate --json", "--simulate --dot",
                                "--simulate --metrics", "--help", "--version"}) {
        SCOPED_TRACE(l_pArgs);
        const qxtest::tChildResult l_Result = tooltest::run(
            {"/bin/sh", "-c", "exec " + tooltest::toolPath() + " " + l_pArgs + " > /dev/full"},
            tooltest::kNoServices);
        EXPECT_EQ(l_Result.exitCode, 4);
        EXPECT_NE(l_Result.stdErr.find("pxi-inventory: cannot write the output: No space left"),
                  std::string::npos)
            << l_Result.stdErr;
    }
}

std::set<std::string> longOptions(const std::string& a_rText) {
    std::set<std::string> l_Options;
    const std::regex l_Option("--[a-z]+");
    for (auto l_It = std::sregex_iterator(a_rText.begin(), a_rText.end(), l_Option);
         l_It != std::sregex_iterator(); ++l_It) {
        l_Options.insert(l_It->str());
    }
    return l_Options;
}

TEST(ToolOutput, HelpManPageAndCompletionAgree) {
    const qxtest::tChildResult l_Help = tooltest::run({tooltest::toolPath(), "--help"});
    ASSERT_EQ(l_Help.exitCode, 0);
    const std::string l_Man = qxtest::readFile(qxtest::sourceDir() + "/docs/pxi-inventory.1");
    // roff writes a dash as \-.
    const std::string l_ManText = std::regex_replace(l_Man, std::regex(R"(\\-)"), "-");
    const std::set<std::string> l_Options = longOptions(l_Help.stdOut);
    EXPECT_GE(l_Options.size(), 13u);
    EXPECT_EQ(longOptions(l_ManText), l_Options);
    std::set<std::string> l_Completed =
        longOptions(qxtest::readFile(qxtest::sourceDir() + "/tools/pxi-inventory.bash-completion"));
    l_Completed.insert("--");  // never offered
    std::set<std::string> l_Offered = l_Options;
    l_Offered.insert("--");
    EXPECT_EQ(l_Completed, l_Offered);
    for (const char* l_pStatus : {"0", "1", "2", "3", "4"}) {
        EXPECT_NE(l_Help.stdOut.find(std::string("\n    ") + l_pStatus + "  "), std::string::npos)
            << l_pStatus;
        EXPECT_NE(l_ManText.find(std::string(".IP ") + l_pStatus + "\n"), std::string::npos)
            << l_pStatus;
    }
    const qxtest::tChildResult l_Version = tooltest::run({tooltest::toolPath(), "--version"});
    EXPECT_EQ(l_Version.exitCode, 0);
    EXPECT_TRUE(
        std::regex_match(l_Version.stdOut, std::regex("pxi-inventory \\(qxpxi\\) [0-9.]+\n")))
        << l_Version.stdOut;
}

// The document's top-level members come in the order docs/inventory-json.md lists them,
// and each is listed there.
TEST(ToolOutput, TopLevelMembersInTheDocumentedOrder) {
    const std::string l_Doc = qxtest::readFile(qxtest::sourceDir() + "/docs/inventory-json.md");
    const size_t l_Start = l_Doc.find("\n## Top level\n");
    ASSERT_NE(l_Start, std::string::npos);
    const std::string l_Table = l_Doc.substr(l_Start, l_Doc.find("\n## ", l_Start + 1) - l_Start);
    std::vector<std::string> l_Listed;
    const std::regex l_Row("\n\\| `([A-Za-z]+)` \\|");
    for (auto l_It = std::sregex_iterator(l_Table.begin(), l_Table.end(), l_Row);
         l_It != std::sregex_iterator(); ++l_It) {
        l_Listed.push_back((*l_It)[1]);
    }
    const qxtest::tChildResult l_Run = tooltest::run(
        {tooltest::toolPath(), "--simulate", "--json", "--verbose"}, tooltest::kNoServices);
    ASSERT_EQ(l_Run.exitCode, 0) << l_Run.stdErr;
    std::vector<std::string> l_Members;
    const nlohmann::ordered_json l_Json = nlohmann::ordered_json::parse(l_Run.stdOut);
    for (const auto& l_rItem : l_Json.items()) {
        l_Members.push_back(l_rItem.key());
    }
    std::vector<std::string> l_InListOrder;
    for (const std::string& l_rListed : l_Listed) {
        if (std::find(l_Members.begin(), l_Members.end(), l_rListed) != l_Members.end()) {
            l_InListOrder.push_back(l_rListed);
        }
    }
    EXPECT_EQ(l_Members, l_InListOrder);
}

// The completion as bash runs it: file names with spaces stay whole (typed plain, with a
// backslash or after a quote), options still follow --simulate, the short options too.
TEST(ToolOutput, CompletionOffersWholeFileNamesAndOptionsAfterSimulate) {
    qxtest::cTempDir l_Dir;
    l_Dir.writeFile("my machine.json", "{}");
    l_Dir.writeFile("other.xml", "");
    l_Dir.makeDir("my dir");
    struct tCase {
        std::vector<std::string> words;  // after pxi-inventory; the last is being completed
        std::string replies;             // one a line, sorted
    } const l_Cases[] = {
        {{"--simulate", "my"}, "my dir\nmy machine.json\n"},
        {{"--machine", "my\\ m"}, "my machine.json\n"},
        {{"--simulate", "\"my m"}, "my machine.json\n"},
        {{"--simulate", "--js"}, "--json\n"},
        {{"--simulate", "m.json", "--to"}, "--topology\n"},
        {{"--topology", ""}, "my dir\nother.xml\n"},
        {{"-h"}, "-h\n"},
        {{"--simulate", "-v"}, "-v\n"},
    };
    for (const tCase& l_rCase : l_Cases) {
        std::string l_Words = "pxi-inventory";
        for (const std::string& l_rWord : l_rCase.words) {
            l_Words += " '" + l_rWord + "'";
        }
        SCOPED_TRACE(l_Words);
        const qxtest::tChildResult l_Result =
            tooltest::run({"/bin/bash", "-c",
                           "cd '" + l_Dir.path() + "' && source '" + qxtest::sourceDir() +
                               "/tools/pxi-inventory.bash-completion' && COMP_WORDS=(" + l_Words +
                               ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _pxi_inventory && "
                               "printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort"});
        EXPECT_EQ(l_Result.exitCode, 0) << l_Result.stdErr;
        EXPECT_EQ(l_Result.stdOut, l_rCase.replies);
    }
}

}  // namespace
