// Name patterns, the include/exclude lists and the per-entry test.
#include <gtest/gtest.h>

#include "filter/filter_set.h"

namespace mirrant {
namespace {

using List = std::vector<std::wstring>;

constexpr std::uint64_t kT = 133000000000000000ULL;  // some file time
constexpr std::uint64_t kSec = kFileTimeSecond;

TEST(MatchPattern, WildcardsAndLiterals) {
    struct Case { const wchar_t* pattern; const wchar_t* text; bool match; };
    const Case cases[] = {
        {L"*.txt", L"readme.txt", true},     {L"*.txt", L"readme", false},
        {L"*.txt", L"a.txt.bak", false},     {L"*.txt", L".txt", true},
        {L"a**b", L"ab", true},              {L"a**b", L"axyzb", true},
        {L"a**b", L"axyzc", false},          {L"a*b", L"ab", true},
        {L"a?", L"a", false},                {L"a?", L"ab", true},
        {L"a?", L"abc", false},              {L"?", L"", false},
        {L"*", L"", true},                   {L"", L"", true},
        {L"", L"a", false},                  {L"abc", L"ab", false},
        {L"a.c", L"abc", false},             {L"a*a*a*b", L"aaaaaaaaaaaaaaaaaaaaaaaa", false},
        {L"*a?c*", L"xxabcab", true},        {L"*ab", L"aab", true},
        {L"?*?", L"a", false},               {L"?*?", L"ab", true},
        {L"*.*", L"makefile", false},        {L"*x*", L"abc", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchPattern(c.pattern, c.text), c.match) << c.pattern << L" / " << c.text;
}

TEST(MatchesList, IncludeExcludeAndExtensionForm) {
    struct Case { List inc; List exc; const wchar_t* name; bool accepted; };
    const Case cases[] = {
        {{L"*.txt"}, {}, L"Readme.TXT", true},
        {{L"*.txt"}, {}, L"readme", false},
        {{L"*.txt"}, {}, L"a.txt.bak", false},
        {{L"*.*"}, {}, L"Makefile", true},
        {{L"data.*"}, {}, L"data", true},
        {{L"data.*"}, {}, L"data.csv", true},
        {{L"data.*"}, {}, L"DATA.CSV", true},
        {{L"data.*"}, {}, L"data2", false},
        {{L".*"}, {}, L"x", false},
        {{L".*"}, {}, L".git", true},
        {{L"a.b.*"}, {}, L"a.b", true},          // only the last dot counts
        {{L"data.?"}, {}, L"data", false},       // the extension form needs "*" after the dot
        {{L"*.txt"}, {L"~*"}, L"~a.txt", false}, // exclusion wins
        {{L"*.txt"}, {L"~*"}, L"a.txt", true},
        {{}, {L"*.bak"}, L"x.BAK", false},
        {{}, {L"*.bak"}, L"x.c", true},
        {{L"*.c"}, {}, L"", true},               // an empty name is accepted
        {{L"a*", L"*.c"}, {}, L"main.c", true},  // any include pattern will do
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesList(c.name, c.inc, c.exc), c.accepted) << c.name;
}

TEST(FoldCase, UsesTheSystemMappingForEveryLetter) {
    EXPECT_EQ(FoldCase(L"ABCxyz.TXT"), L"abcxyz.txt");
    EXPECT_EQ(FoldCase(L"ＡＢＣ"), L"ａｂｃ");       // full-width Latin
    EXPECT_EQ(FoldCase(L"ÄÖÜÉ"), L"äöüé");          // accented
    EXPECT_EQ(FoldCase(L"ﾃｽﾄ 資料"), L"ﾃｽﾄ 資料");   // no case: unchanged
    EXPECT_EQ(FoldCase(L" A "), L" a ");             // blanks kept
    // Names and patterns fold alike, but widths stay apart as in file names.
    EXPECT_TRUE(MatchesList(L"ＲＥＡＤＭＥ.txt", {FoldCase(L"ｒｅａｄｍｅ.*")}, {}));
    EXPECT_FALSE(MatchesList(L"README.txt", {FoldCase(L"ｒｅａｄｍｅ.*")}, {}));
    EXPECT_TRUE(MatchesList(L"ÉTÉ.doc", {FoldCase(L"été*")}, {}));
}

TEST(MatchesList, NamesLongerThanTheStackBufferStillMatch) {
    const std::wstring longName = std::wstring(600, L'A') + L".TXT";
    EXPECT_TRUE(MatchesList(longName, {L"a*.txt"}, {}));
    EXPECT_FALSE(MatchesList(longName, {L"a*.txt"}, {L"*a.txt"}));
    const std::wstring longWide = std::wstring(600, L'Ａ') + L".TXT";
    EXPECT_TRUE(MatchesList(longWide, {L"ａ*.txt"}, {}));
}

// A set as LoadFilterSet leaves it, built directly.
FilterSet PartialSet(List fileInc, List fileExc, List folderInc, List folderExc) {
    FilterSet f;
    f.generalMode = kGeneralPartial;
    f.fileIncludes = std::move(fileInc);
    f.fileExcludes = std::move(fileExc);
    f.folderIncludes = std::move(folderInc);
    f.folderExcludes = std::move(folderExc);
    f.listsActive = !f.fileIncludes.empty() || !f.fileExcludes.empty() ||
                    !f.folderIncludes.empty() || !f.folderExcludes.empty();
    return f;
}

TEST(AcceptEntry, FolderListsTestOnlyFoldersAndFileListsOnlyFiles) {
    const FilterSet f = PartialSet({L"*.c"}, {}, {L"src"}, {L"obj"});
    EXPECT_TRUE(f.AcceptEntry(L"SRC", true, kT, kT));
    EXPECT_FALSE(f.AcceptEntry(L"docs", true, kT, kT));
    EXPECT_FALSE(f.AcceptEntry(L"x.c", true, kT, kT));   // a folder named like a file pattern
    EXPECT_TRUE(f.AcceptEntry(L"main.C", false, kT, kT));
    EXPECT_FALSE(f.AcceptEntry(L"src", false, kT, kT));  // a file named like a folder pattern
    EXPECT_FALSE(f.AcceptEntry(L"readme.txt", false, kT, kT));
}

TEST(AcceptEntry, ListsTakeEffectOnlyInPartialModeAndWhenInUse) {
    FilterSet f = PartialSet({L"*.c"}, {L"x*"}, {L"src"}, {});
    f.fileIncludeOff = true;  // temporarily unused: counts as empty
    EXPECT_TRUE(f.AcceptEntry(L"readme.txt", false, kT, kT));
    EXPECT_FALSE(f.AcceptEntry(L"x.c", false, kT, kT));
    f.fileExcludeOff = true;
    EXPECT_TRUE(f.AcceptEntry(L"x.c", false, kT, kT));
    f.folderIncludeOff = true;
    EXPECT_TRUE(f.AcceptEntry(L"docs", true, kT, kT));

    FilterSet all = PartialSet({L"*.c"}, {}, {L"src"}, {});
    all.generalMode = kGeneralAll;
    EXPECT_TRUE(all.AcceptEntry(L"readme.txt", false, kT, kT));
    EXPECT_TRUE(all.AcceptEntry(L"docs", true, kT, kT));

    FilterSet other = PartialSet({L"*.c"}, {}, {}, {});
    other.generalMode = 5;  // any nonzero value means "partial"
    EXPECT_FALSE(other.AcceptEntry(L"readme.txt", false, kT, kT));
}

// A set with both ranges: modification [kT, kT+10s), creation [kT+100s, kT+110s).
FilterSet TimedSet(bool modification, bool creation, bool timeAnd) {
    FilterSet f;
    f.destinationOnly = true;  // ranges apply, name lists do not
    f.modificationActive = modification;
    f.modificationStart = kT;
    f.modificationEnd = kT + 10 * kSec;
    f.creationActive = creation;
    f.creationStart = kT + 100 * kSec;
    f.creationEnd = kT + 110 * kSec;
    f.timeAnd = timeAnd;
    return f;
}

TEST(AcceptEntry, TimeRangesFollowTheAndOrTable) {
    const std::uint64_t mIn = kT + 5 * kSec, mOut = kT + 50 * kSec;
    const std::uint64_t cIn = kT + 105 * kSec, cOut = kT + 200 * kSec;
    struct Case { bool mod, cre, timeAnd; std::uint64_t c, m; bool accepted; };
    const Case cases[] = {
        {false, false, false, cOut, mOut, true},
        {true, false, false, cOut, mIn, true},   {true, false, false, cIn, mOut, false},
        {true, false, true, cOut, mIn, true},    {true, false, true, cIn, mOut, false},
        {false, true, false, cIn, mOut, true},   {false, true, false, cOut, mIn, false},
        {false, true, true, cIn, mOut, true},    {false, true, true, cOut, mIn, false},
        // both ranges: OR
        {true, true, false, cOut, mIn, true},    {true, true, false, cIn, mOut, true},
        {true, true, false, cOut, mOut, false},  {true, true, false, cIn, mIn, true},
        // both ranges: AND
        {true, true, true, cOut, mIn, false},    {true, true, true, cIn, mOut, false},
        {true, true, true, cOut, mOut, false},   {true, true, true, cIn, mIn, true},
    };
    for (const Case& c : cases) {
        const FilterSet f = TimedSet(c.mod, c.cre, c.timeAnd);
        EXPECT_EQ(f.AcceptEntry(L"a.txt", false, c.c, c.m), c.accepted)
            << c.mod << c.cre << c.timeAnd << " c=" << (c.c == cIn) << " m=" << (c.m == mIn);
        // A folder is never rejected by time.
        EXPECT_TRUE(f.AcceptEntry(L"sub", true, c.c, c.m));
    }
}

TEST(AcceptEntry, StartIsInclusiveAndEndExclusive) {
    const FilterSet f = TimedSet(true, false, false);
    EXPECT_FALSE(f.AcceptEntry(L"a", false, 0, kT - 1));
    EXPECT_TRUE(f.AcceptEntry(L"a", false, 0, kT));
    EXPECT_TRUE(f.AcceptEntry(L"a", false, 0, kT + 10 * kSec - 1));
    EXPECT_FALSE(f.AcceptEntry(L"a", false, 0, kT + 10 * kSec));
    // Open bounds take every time, the largest one included at the start side.
    FilterSet open = TimedSet(true, false, false);
    open.modificationStart = 0;
    open.modificationEnd = kOpenEnd;
    EXPECT_TRUE(open.AcceptEntry(L"a", false, 0, 0));
    EXPECT_TRUE(open.AcceptEntry(L"a", false, 0, 0x7FFFFFFFFFFFFFFFULL));
}

TEST(AcceptEntry, NameTestFailureIsNotRescuedByTime) {
    FilterSet f = TimedSet(true, true, false);
    f.destinationOnly = false;
    f.generalMode = kGeneralPartial;
    f.fileIncludes = {L"*.c"};
    f.listsActive = true;
    EXPECT_FALSE(f.AcceptEntry(L"a.txt", false, kT + 105 * kSec, kT));
    EXPECT_TRUE(f.AcceptEntry(L"a.c", false, kT + 105 * kSec, kT + 50 * kSec));
    EXPECT_FALSE(f.AcceptEntry(L"a.c", false, kT + 200 * kSec, kT + 50 * kSec));
}

TEST(FilterSet, DestinationModesAndMarkers) {
    FilterSet f;
    EXPECT_FALSE(f.skipsMissingAtDestination());
    EXPECT_FALSE(f.skipsMissingAtSource());
    EXPECT_EQ(TitleMarkers(f), L"");
    f.protectDestination = true;  // alone it means nothing
    EXPECT_FALSE(f.skipsMissingAtSource());
    EXPECT_EQ(TitleMarkers(f), L"");
    f.destinationOnly = true;
    EXPECT_TRUE(f.skipsMissingAtDestination());
    EXPECT_TRUE(f.skipsMissingAtSource());
    EXPECT_EQ(TitleMarkers(f), L"［ｺﾋﾟｰ先にあるものを対象］[ｺﾋﾟｰ先保護]");
    f.protectDestination = false;
    EXPECT_FALSE(f.skipsMissingAtSource());
    EXPECT_EQ(TitleMarkers(f), L"［ｺﾋﾟｰ先にあるものを対象］");

    FilterSet p = PartialSet({L"*.c"}, {}, {}, {});
    EXPECT_EQ(TitleMarkers(p), L"［対象・除外指定あり］");
    p.listsActive = false;  // partial mode without any list in use
    EXPECT_EQ(TitleMarkers(p), L"");
    EXPECT_TRUE(p.AcceptEntry(L"anything.txt", false, kT, kT));
}

}  // namespace
}  // namespace mirrant
