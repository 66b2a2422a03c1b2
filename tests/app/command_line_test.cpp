#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/start_folder.h"

namespace mirrant {
namespace {

using Tokens = std::vector<std::wstring>;

TEST(CommandLineTokens, SpacesQuotesAndEmptyTokens) {
    EXPECT_EQ(TokenizeCommandLine(L""), Tokens{});
    EXPECT_EQ(TokenizeCommandLine(L"   "), Tokens{});
    EXPECT_EQ(TokenizeCommandLine(L"a  b"), (Tokens{L"a", L"b"}));
    EXPECT_EQ(TokenizeCommandLine(L"/S \"C:\\my jobs\\夜間.mrt\""), (Tokens{L"/S", L"C:\\my jobs\\夜間.mrt"}));
    EXPECT_EQ(TokenizeCommandLine(L"\"\" x"), (Tokens{L"x"})) << "an empty quoted token is dropped";
    EXPECT_EQ(TokenizeCommandLine(L"abc\"d e\"f"), (Tokens{L"d e", L"f"}))
        << "an opening quote discards what was gathered";
    EXPECT_EQ(TokenizeCommandLine(L"\"unterminated token"), (Tokens{L"unterminated token"}));
    EXPECT_EQ(TokenizeCommandLine(L"tab\there"), (Tokens{L"tab\there"})) << "only spaces separate";
}

TEST(CommandLineSwitch, OnlySlashSOrLowerS) {
    CommandLine cl = ParseCommandLine(L"/S \"C:\\a b\\x.mrt\"");
    EXPECT_TRUE(cl.unattended);
    EXPECT_FALSE(cl.overwriteScheduleLog);
    EXPECT_EQ(cl.tokens, (Tokens{L"C:\\a b\\x.mrt"}));

    cl = ParseCommandLine(L"/s C:\\a D:\\b");
    EXPECT_TRUE(cl.unattended);
    EXPECT_TRUE(cl.overwriteScheduleLog);
    EXPECT_EQ(cl.tokens.size(), 2u);

    cl = ParseCommandLine(L"/x C:\\a");
    EXPECT_FALSE(cl.unattended);
    EXPECT_EQ(cl.tokens, (Tokens{L"/x", L"C:\\a"})) << "another letter is a path";
    EXPECT_FALSE(ParseCommandLine(L"/SS").unattended);
    EXPECT_FALSE(ParseCommandLine(L"C:\\a /S").unattended) << "the switch must come first";
}

TEST(CommandLineSwitch, TestModeOnlyRightAfterTheUnattendedSwitch) {
    struct Case {
        const wchar_t* line;
        bool testMode;
        Tokens tokens;
    };
    const Case cases[] = {
        {L"/S /T C:\\x.mrt", true, {L"C:\\x.mrt"}},
        {L"/s /t C:\\x.mrt", true, {L"C:\\x.mrt"}},
        {L"/T C:\\x.mrt", false, {L"/T", L"C:\\x.mrt"}},  // alone it is a path, as every other letter
        {L"/S C:\\x.mrt /T", false, {L"C:\\x.mrt", L"/T"}},
        {L"/S /TT C:\\x.mrt", false, {L"/TT", L"C:\\x.mrt"}},
    };
    for (const Case& c : cases) {
        const CommandLine cl = ParseCommandLine(c.line);
        EXPECT_EQ(cl.testMode, c.testMode) << c.line;
        EXPECT_EQ(cl.tokens, c.tokens) << c.line;
    }
}

TEST(CommandLineBatch, ExtensionDecidesFormat) {
    EXPECT_TRUE(HasBatchExtension(L"C:\\jobs\\nightly.MRT"));
    EXPECT_TRUE(HasBatchExtension(L"x.mrx"));
    EXPECT_FALSE(HasBatchExtension(L"C:\\jobs.mrt\\folder"));
    EXPECT_FALSE(HasBatchExtension(L"mrt"));
    EXPECT_FALSE(IsTextBatchExtension(L"a.MRX"));
    EXPECT_TRUE(IsTextBatchExtension(L"a.mrt"));
}

TEST(StartFolder, TrailingBackslashAddedOnce) {
    EXPECT_EQ(StartFolderFrom(L"C:\\work"), L"C:\\work\\");
    EXPECT_EQ(StartFolderFrom(L"D:\\"), L"D:\\");
    EXPECT_EQ(StartFolderFrom(L""), L"");
    std::wstring current = CurrentStartFolder();
    ASSERT_FALSE(current.empty());
    EXPECT_EQ(current.back(), L'\\');
}

}  // namespace
}  // namespace mirrant
