#include "fileops/path_rules.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "fileops/fs_edge.h"
#include "fileops_test_support.h"
#include "framework/encoding.h"
#include "framework/text.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using namespace mirrant::testing;

// What NormalizePath makes of a text: the new text, or "<invalid>" (and the
// text must then be left exactly as it was).
std::wstring Normalized(const std::wstring& text) {
    std::wstring p = text;
    if (NormalizePath(p)) return p;
    EXPECT_EQ(p, text) << "an invalid path must not be rewritten";
    return L"<invalid>";
}

TEST(NormalizePath, RewritesSeparatorsDotsAndBlanks) {
    EXPECT_EQ(Normalized(L"c:/data//x/./y\\"), L"c:\\data\\x\\y\\");
    EXPECT_EQ(Normalized(L"C:\\a\\b\\..\\c"), L"C:\\a\\c");
    EXPECT_EQ(Normalized(L"C:\\a\\file. "), L"C:\\a\\file");
    EXPECT_EQ(Normalized(L"C:\\a\\..\\..\\b"), L"C:\\b");
    EXPECT_EQ(Normalized(L"C:\\a\\ b \\c"), L"C:\\a\\b\\c");
    EXPECT_EQ(Normalized(L"C:data"), L"C:\\data");
    EXPECT_EQ(Normalized(L"C:"), L"C:\\");
    EXPECT_EQ(Normalized(L"C:\\"), L"C:\\");
    EXPECT_EQ(Normalized(L"C:\\a\\.."), L"C:\\");
    EXPECT_EQ(Normalized(L"C:\\a\\b\\\t "), L"C:\\a\\b\\");
    EXPECT_EQ(Normalized(L"C:\\a.b.txt"), L"C:\\a.b.txt");
    EXPECT_EQ(Normalized(L"C:\\日本語\\ﾌｧｲﾙ.txt"), L"C:\\日本語\\ﾌｧｲﾙ.txt");
    EXPECT_EQ(Normalized(L"\\\\server\\share\\a\\.\\b"), L"\\\\server\\share\\a\\b");
    EXPECT_EQ(Normalized(L"\\\\server/share//x/"), L"\\\\server\\share\\x\\");
    EXPECT_EQ(Normalized(L"\\\\server"), L"\\\\server");
    EXPECT_EQ(Normalized(L"\\\\.\\COMX"), L"\\\\.\\COMX");
    // A name that ends in a blank once its dots are gone keeps the blank,
    // until a ".." after it has every name before it checked again.
    EXPECT_EQ(Normalized(L"C:\\ab .\\x"), L"C:\\ab \\x");
    EXPECT_EQ(Normalized(L"C:\\ab .\\x\\..\\y"), L"C:\\ab\\y");
    EXPECT_EQ(Normalized(L"C:\\a\\.. .\\b\\..\\c"), L"C:\\c");
}

TEST(NormalizePath, RejectsForbiddenNamesAndForms) {
    for (const wchar_t* bad :
         {L"C:\\con.txt", L"C:\\a\\LPT3", L"C:\\a\\.profile", L"C:\\a\\x?y", L"data\\x", L"\\abc", L"",
          L"\\\\?\\C:\\x", L"\\\\.\\COM1", L"\\\\.\\lpt12", L"\\\\.\\COM", L"C:\\a\\   \\c", L"C:\\a\\.",
          L"C:\\a\\...", L"C:\\Nul", L"C:\\aux.x.y", L"C:\\clock$", L"C:\\a\\COM9.txt", L"C:\\a<b",
          L"C:\\a>b", L"C:\\a|b", L"C:\\a\"b", L"C:\\a*", L"C:\\a:b", L"C:\\nul.tar.gz", L"C:\\con .txt"}) {
        EXPECT_EQ(Normalized(bad), L"<invalid>") << "accepted: " << std::string(bad, bad + wcslen(bad));
    }
    // Only the exact device names are reserved.
    EXPECT_EQ(Normalized(L"C:\\COM10"), L"C:\\COM10");
    EXPECT_EQ(Normalized(L"C:\\console"), L"C:\\console");
    EXPECT_EQ(Normalized(L"C:\\LPT0"), L"C:\\LPT0");
}

// A path of a million characters of doubled separators and ".." normalises
// in one pass; while each "\\" and ".." was handled over the whole path it
// took minutes. No timing is asserted: the test's time limit catches that.
TEST(NormalizePath, AMillionCharactersOfSeparatorsAndDotDots) {
    std::wstring climbing = L"C:\\top";
    for (int i = 0; i < 200000; ++i) climbing += L"\\\\x\\..";
    EXPECT_EQ(Normalized(climbing + L"\\\\end"), L"C:\\top\\end");
}

TEST(LongPath, FormsAndTrailingBackslash) {
    EXPECT_EQ(ToLongPath(L"C:\\a"), L"\\\\?\\C:\\a");
    EXPECT_EQ(ToLongPath(L"\\\\server\\share\\a"), L"\\\\?\\UNC\\server\\share\\a");
    EXPECT_EQ(ToLongPath(L"\\\\?\\C:\\a"), L"\\\\?\\C:\\a");

    EXPECT_TRUE(IsDriveForm(L"C:"));
    EXPECT_FALSE(IsDriveForm(L"1:\\"));
    EXPECT_TRUE(IsShareForm(L"\\\\s"));
    EXPECT_FALSE(IsShareForm(L"\\\\\\s"));
    EXPECT_FALSE(IsShareForm(L"\\\\"));

    std::wstring a = L"C:\\a", b = L"C:\\a\\", c = L"abc";
    EnsureTrailingBackslash(a);
    EnsureTrailingBackslash(b);
    EnsureTrailingBackslash(c);
    EXPECT_EQ(a, L"C:\\a\\");
    EXPECT_EQ(b, L"C:\\a\\");
    EXPECT_EQ(c, L"abc\\");
}

// One look at a run's root tells a folder from a file, a drive from the
// path on it, and a failure that waiting may cure (a drive or share not
// ready, refused, failing) from one it cannot; the cause names plain paths.
TEST(LookAtRoot, TellsWhatItFound) {
    TempDir dir;
    WriteFile(dir / L"f.txt", "x");
    const std::wstring gone = dir / L"gone\\";
    const struct Case {
        const char* what;
        std::wstring root;
        bool driveOnly;
        DWORD fault;  // 0: none
        RootFound found;
    } cases[] = {
        {"folder", dir.path(), false, 0, RootFound::Folder},
        {"file", dir / L"f.txt", false, 0, RootFound::File},
        {"missing", gone, false, 0, RootFound::Missing},
        {"drive", gone, true, 0, RootFound::DriveThere},
        {"not ready", dir.path(), false, ERROR_NOT_READY, RootFound::NotReady},
        {"refused", dir.path(), false, ERROR_ACCESS_DENIED, RootFound::NotReady},
        {"device failure", dir.path(), false, ERROR_GEN_FAILURE, RootFound::NotReady},
        {"share unreachable", dir.path(), false, ERROR_BAD_NETPATH, RootFound::NotReady},
        {"path not found", dir.path(), false, ERROR_PATH_NOT_FOUND, RootFound::Missing},
        {"drive not ready", gone, true, ERROR_NOT_READY, RootFound::NotReady},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring faulted = c.driveOnly ? c.root.substr(0, 3) : c.root;
        std::optional<fs::ScopedAttributeFault> fault;
        if (c.fault) fault.emplace(faulted, c.fault);
        const RootLook look = c.driveOnly ? LookAtDrive(c.root) : LookAtRoot(c.root);
        EXPECT_EQ(look.found, c.found);
        const bool failed = c.found == RootFound::NotReady || c.found == RootFound::Missing;
        EXPECT_EQ(look.error != 0, failed);
        EXPECT_EQ(look.cause.empty(), !failed);
        if (c.fault) {
            EXPECT_EQ(look.error, c.fault);
        }
        EXPECT_FALSE(Contains(look.cause, L"\\\\?\\")) << "cause with a long path";
    }
}

// Restores the process's current folder.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::wstring& folder) {
        GetCurrentDirectoryW(MAX_PATH, saved_);
        SetCurrentDirectoryW(folder.c_str());
    }
    ~CurrentFolder() { SetCurrentDirectoryW(saved_); }

private:
    wchar_t saved_[MAX_PATH] = {};
};

TEST(CompareRoots, OneFormForEverySpelling) {
    TempDir dir;
    CurrentFolder cwd(dir.path());
    const std::wstring here = dir.path();                     // "C:\...\", the current folder of its drive
    const std::wstring drive = here.substr(0, 2);             // "C:"
    const std::wstring inHere = here.substr(2);               // "\...\"
    using enum RootOverlap;
    struct Case {
        std::wstring source, destination;
        RootOverlap expected;
    };
    const Case cases[] = {
        {L"D:\\data", L"D:\\data2\\", Separate},
        {L"D:\\data\\", L"D:\\data2", Separate},
        {L"D:\\data2", L"D:\\data", Separate},
        {L"D:\\data", L"E:\\data", Separate},
        {L"D:\\data", L"\\\\server\\data", Separate},
        {L"\\\\server\\share\\a", L"\\\\server\\share2\\a", Separate},
        {L"\\\\server\\share\\a", L"\\\\server2\\share\\a", Separate},
        {L"D:\\data", L"d:\\DATA\\", Same},
        {L"D:\\data\\", L"D:/data", Same},
        {L"D:\\.\\data\\.\\", L"D:\\\\data", Same},
        {L"D:\\..\\data", L"D:\\data", Same},
        {L"D:\\data\\x\\..", L"D:\\data", Same},
        {L"\\\\?\\D:\\data", L"D:\\Data\\", Same},
        {L"\\\\?\\UNC\\server\\share\\a\\", L"\\\\SERVER\\share\\a", Same},
        {L"\\\\?\\unc\\server\\share", L"//server/share/", Same},
        {L"\\\\server\\share\\..\\other", L"\\\\server\\share\\other", Same},
        {L"D:\\ÄÖÜ\\Ｆｕｌｌ", L"D:\\äöü\\ｆｕｌｌ", Same},
        {L"C:", L"C:\\", Same},
        {L"D:\\data", L"D:\\data\\backup", DestinationInsideSource},
        {L"D:\\data\\", L"\\\\?\\D:\\DATA\\backup\\", DestinationInsideSource},
        {L"D:\\data\\", L"D:\\data\\x\\..\\..\\data\\y", DestinationInsideSource},
        {L"D:\\", L"D:\\data", DestinationInsideSource},
        {L"\\\\server\\share\\", L"\\\\?\\UNC\\server\\share\\a", DestinationInsideSource},
        {L"D:\\data\\backup\\", L"D:\\Data", SourceInsideDestination},
        {L"D:\\data\\backup\\..\\..\\data\\b", L"D:\\DATA\\", SourceInsideDestination},
        // Drive-relative: resolved against the drive's current folder.
        {drive + L"work", here + L"work\\x", DestinationInsideSource},
        {drive + L"work\\", here + L"WORK", Same},
        {drive + L"work", drive + inHere + L"work2", Separate},
        {here + L"work\\sub", drive + L"work", SourceInsideDestination},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareRoots(c.source, c.destination), c.expected)
            << ToUtf8(c.source) << " / " << ToUtf8(c.destination);
    }
}

TEST(ResolveDriveRelative, UsesTheDrivesCurrentFolderAndAlwaysShows) {
    TempDir dir;
    CurrentFolder cwd(dir.path());
    std::vector<std::wstring> shown;
    PathDisplay show = [&](const std::wstring& p) { shown.push_back(p); };

    std::wstring relative = std::wstring(1, dir.path()[0]) + L":work\\x";
    ResolveDriveRelative(relative, show);
    EXPECT_EQ(relative, dir / L"work\\x");

    std::wstring absolute = L"C:\\a";
    ResolveDriveRelative(absolute, show);
    EXPECT_EQ(absolute, L"C:\\a");

    // A drive that does not exist has no current folder: the path stays.
    std::wstring missing = L"Q:work";
    ResolveDriveRelative(missing, show);
    EXPECT_EQ(missing, L"Q:work");

    // Not a letter: never handed to the runtime as a drive number.
    std::wstring odd = L"\u00e9:x";
    ResolveDriveRelative(odd, show);

    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], relative);
    EXPECT_EQ(shown[2], L"Q:work");
}

TEST(CreateFolderTree, CreatesEveryMissingLevel) {
    TempDir dir;
    std::wstring cause;
    unsigned long code = 99;
    ASSERT_TRUE(CreateFolderTree(dir / L"x\\y\\z", cause, code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(cause.empty());
    EXPECT_TRUE(IsFolder(dir / L"x\\"));
    EXPECT_TRUE(IsFolder(dir / L"x\\y\\"));
    EXPECT_TRUE(IsFolder(dir / L"x\\y\\z\\"));

    // Again: the folder existed, which callers learn from code 183.
    EXPECT_TRUE(CreateFolderTree(dir / L"x\\y\\z\\", cause, code));
    EXPECT_EQ(code, 183u);
}

TEST(CreateFolderTree, FailuresGiveACause) {
    TempDir dir;
    std::wstring cause;
    unsigned long code = 0;

    EXPECT_FALSE(CreateFolderTree(L"C:", cause, code));
    EXPECT_EQ(cause, L"ﾌｫﾙﾀﾞのﾊﾟｽ指定が正しくありません。");
    EXPECT_FALSE(CreateFolderTree(L"\\\\", cause, code));
    EXPECT_EQ(cause, L"ﾈｯﾄﾜｰｸ ﾊﾟｽが見つかりません。");
    // A drive-relative name has no parent to create first.
    EXPECT_FALSE(CreateFolderTree(L"C:abc", cause, code));
    EXPECT_EQ(cause, LoadText(153));

    // A share root cannot be created.
    EXPECT_FALSE(CreateFolderTree(L"\\\\mrtnoserver\\share\\", cause, code));
    EXPECT_EQ(cause, LoadText(154));
    EXPECT_FALSE(CreateFolderTree(L"\\\\mrtnoserver\\share\\a\\b\\", cause, code));
    EXPECT_EQ(cause, LoadText(154));

    // A drive that does not exist stops at its root with the system's text.
    EXPECT_FALSE(CreateFolderTree(L"Q:\\x\\y\\", cause, code));
    EXPECT_NE(code, 0u);
    EXPECT_FALSE(cause.empty());

    // A file where a folder should be.
    WriteFile(dir / L"blocker", "x");
    EXPECT_FALSE(CreateFolderTree(dir / L"blocker\\", cause, code));
    EXPECT_FALSE(cause.empty());
    EXPECT_FALSE(Contains(cause, L"\\\\?\\"));
    EXPECT_FALSE(CreateFolderTree(dir / L"blocker\\sub\\", cause, code));
    EXPECT_TRUE(IsFile(dir / L"blocker"));
}

// A chain that fails at its last name takes back the folders it made and
// only those.
TEST(CreateFolderTree, AFailedChainLeavesTheDiskAsItWas) {
    TempDir dir;
    MakeFolder(dir / L"kept\\");
    for (const std::wstring& refused : {std::wstring(L"bad*name"), std::wstring(300, L'x')}) {
        std::wstring cause;
        unsigned long code = 0;
        EXPECT_FALSE(CreateFolderTree(dir / L"kept\\new1\\new2\\" + refused + L"\\", cause, code));
        EXPECT_FALSE(cause.empty());
        EXPECT_TRUE(IsFolder(dir / L"kept\\"));
        EXPECT_FALSE(IsFolder(dir / L"kept\\new1\\")) << "the folders made for the failed chain stay";
    }
}

TEST(CreateFolderTree, PathLongerThan260Characters) {
    TempDir dir;
    std::wstring deep = dir.path();
    while (deep.size() < 300) deep += L"abcdefghijklmnopqrstuvwxyz0123456789\\";
    std::wstring cause;
    unsigned long code = 0;
    if constexpr (kNarrowBuild) {
        EXPECT_FALSE(CreateFolderTree(deep, cause, code));
        EXPECT_EQ(cause.find(L'\n'), std::wstring::npos);
        EXPECT_FALSE(cause.empty());
        EXPECT_FALSE(Contains(cause, L"\\\\?\\"));
        EXPECT_FALSE(IsFolder(dir / L"abcdefghijklmnopqrstuvwxyz0123456789\\"));
    } else {
        ASSERT_TRUE(CreateFolderTree(deep, cause, code)) << std::string(cause.begin(), cause.end());
        EXPECT_TRUE(IsFolder(deep));
        unsigned long parentCode = 0;
        EXPECT_TRUE(EnsureParentFolder(deep + L"more\\file.txt", parentCode));
        EXPECT_TRUE(IsFolder(deep + L"more\\"));
    }
}

// A folder beyond the longest path the program can use fails at once with
// error 206, and no folder above it is made for it, however long it is.
TEST(CreateFolderTree, BeyondTheLongestPathNothingIsMade) {
    TempDir dir;
    const size_t limit = kNarrowBuild ? 259 : 32762;
    std::wstring justOver = dir / L"new";
    while (justOver.size() <= limit) justOver += L"\\abcdefgh";
    std::wstring megabytes = dir / L"new";
    while (megabytes.size() < (2u << 20)) megabytes += L"\\ab";
    for (const std::wstring& folder : {justOver, megabytes}) {
        std::wstring cause;
        unsigned long code = 0;
        EXPECT_FALSE(CreateFolderTree(folder, cause, code));
        EXPECT_EQ(code, static_cast<unsigned long>(ERROR_FILENAME_EXCED_RANGE));
        EXPECT_EQ(cause, SystemErrorText(ERROR_FILENAME_EXCED_RANGE));
        EXPECT_FALSE(IsFolder(dir / L"new\\"));
    }
}

// One rule for names wherever the program compares them: the file system's,
// without regard to case (full-width and Greek letters too), never by
// prefix of a longer name.
TEST(NameRules, NamesAndPathsAsTheFileSystemComparesThem) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        bool same;
    };
    const Case cases[] = {
        {L"_Mirrant退避", L"_MIRRANT退避", true}, {L"Ａｂｃ.txt", L"ａＢＣ.TXT", true},
        {L"Ωmega", L"ωMEGA", true},               {L"doc0.dat", L"doc0.dat ", false},
        {L"ﾃﾞｰﾀ", L"データ", false},               {L"a", L"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameName(c.a, c.b), c.same) << c.a << L" / " << c.b;
        EXPECT_EQ(NameKey(c.a) == NameKey(c.b), c.same) << c.a << L" / " << c.b;
    }
    EXPECT_TRUE(StartsWithName(L"C:\\Data\\A\\b\\", L"c:\\data\\a\\"));
    EXPECT_FALSE(StartsWithName(L"C:\\Data\\AB\\", L"C:\\Data\\A\\")) << "a folder holds only what lies below it";
    EXPECT_FALSE(StartsWithName(L"C:\\Data\\", L""));
    EXPECT_EQ(ParentFolder(L"C:\\a\\b.txt"), L"C:\\a\\");
    EXPECT_EQ(ParentFolder(L"C:\\a\\b\\"), L"C:\\a\\b\\");
    EXPECT_EQ(ParentFolder(L"b.txt"), L"");
}

TEST(EnsureParentFolder, CreatesTheFolderPart) {
    TempDir dir;
    unsigned long code = 0;
    EXPECT_TRUE(EnsureParentFolder(dir / L"a\\b\\log.txt", code));
    EXPECT_TRUE(IsFolder(dir / L"a\\b\\"));
    EXPECT_FALSE(IsFile(dir / L"a\\b\\log.txt"));
    EXPECT_TRUE(EnsureParentFolder(dir / L"a\\b\\log.txt", code));
    EXPECT_FALSE(EnsureParentFolder(L"log.txt", code));
    EXPECT_EQ(code, 13u);
}

}  // namespace
}  // namespace mirrant
