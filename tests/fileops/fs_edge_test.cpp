#include "fileops/fs_edge.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "fileops_test_support.h"
#include "framework/edition.h"
#include "framework/encoding.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using namespace mirrant::testing;

// The system form that reaches every name, for arranging names that the
// plain form would strip or refuse.
std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

TEST(FolderIdentity, FollowsTheFolderNotTheSpelling) {
    TempDir dir;
    const std::wstring data = dir / L"Data folder with a long name";
    MakeFolder(data);
    MakeFolder(data + L"\\sub");
    MakeFolder(dir / L"other");
    WriteFile(dir / L"file.txt", "x");

    fs::FolderIdentity first, again;
    ASSERT_TRUE(fs::GetFolderIdentity(data, first));
    std::vector<std::wstring> spellings = {data + L"\\", dir / L"DATA FOLDER WITH A LONG NAME\\"};
    wchar_t shortName[MAX_PATH];
    const DWORD n = GetShortPathNameW(data.c_str(), shortName, MAX_PATH);
    if (n > 0 && n < MAX_PATH && std::wstring(shortName) != data) spellings.push_back(shortName);
    for (const std::wstring& spelling : spellings) {
        SCOPED_TRACE(ToUtf8(spelling));
        ASSERT_TRUE(fs::GetFolderIdentity(spelling, again));
        EXPECT_EQ(again, first);
    }

    // Wine's drive Z: is the host's root: the same folder under another
    // drive letter, as a mapped or substituted drive would give it.
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (char* host = unixName ? unixName(data.c_str()) : nullptr) {
        std::wstring onZ = L"Z:" + FromUtf8(host);
        HeapFree(GetProcessHeap(), 0, host);
        for (wchar_t& c : onZ)
            if (c == L'/') c = L'\\';
        SCOPED_TRACE(ToUtf8(onZ));
        ASSERT_TRUE(fs::GetFolderIdentity(onZ, again));
        EXPECT_EQ(again, first);
    }

    for (const std::wstring& otherFolder : {data + L"\\sub", dir / L"other", dir.path()}) {
        ASSERT_TRUE(fs::GetFolderIdentity(otherFolder, again));
        EXPECT_NE(again, first) << ToUtf8(otherFolder);
    }

    EXPECT_FALSE(fs::GetFolderIdentity(dir / L"file.txt", again));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));

    // Gone, then made again under the same name.
    ASSERT_TRUE(RemoveDirectoryW((data + L"\\sub").c_str()));
    ASSERT_TRUE(RemoveDirectoryW(data.c_str()));
    EXPECT_FALSE(fs::GetFolderIdentity(data, again));
    const DWORD code = GetLastError();
    EXPECT_TRUE(code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) << code;
    MakeFolder(data);
    ASSERT_TRUE(fs::GetFolderIdentity(data, again));
    if (again == first) {
        std::printf("note: this file system gave the re-created folder its old index again\n");
    } else {
        EXPECT_NE(again.fileIndex, first.fileIndex);
    }
}

// A copy gives its temporary file the final name while still holding it;
// an existing name is never replaced that way.
TEST(RenameOpenFile, NamesTheHeldFileAndNeverReplaces) {
    TempDir dir;
    const std::wstring temp = dir / L"~held.tmp";
    const std::wstring taken = dir / L"taken.txt";
    WriteFile(taken, "keep me");
    fs::Handle held = fs::OpenFile(temp, GENERIC_WRITE | DELETE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(held.valid());
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(held.get(), "new", 3, &written, nullptr));

    EXPECT_FALSE(fs::RenameOpenFile(held, taken));
    EXPECT_FALSE(fs::RenameOpenFile(held, dir / L"TAKEN.TXT"));
    EXPECT_FALSE(fs::RenameOpenFile(held, dir / L"wild*.txt"));
    const std::wstring final = dir / L"final name.txt";
    ASSERT_TRUE(fs::RenameOpenFile(held, final));
    ASSERT_TRUE(held.Close());

    EXPECT_EQ(ReadFile(taken), "keep me");
    EXPECT_EQ(ReadFile(final), "new");
    EXPECT_EQ(GetFileAttributesW(temp.c_str()), INVALID_FILE_ATTRIBUTES);
}

// The longest path each program takes: 259 bytes in code page 932 (narrow),
// a long form of 32766 characters (wide); every call refuses a longer one
// with error 206 before the system sees it.
TEST(WithinPathLimit, TheLongestPathEachProgramTakes) {
    struct Case {
        std::wstring path;
        bool wide, narrow;
    };
    // "写" takes two bytes in code page 932, "ﾌ" one. A drive that does not
    // exist: nothing is made should a call go through.
    const Case cases[] = {
        {L"Q:\\" + std::wstring(256, L'a'), true, true},              // 259 bytes
        {L"Q:\\" + std::wstring(257, L'a'), true, false},             // 260
        {L"Q:\\" + std::wstring(128, L'写'), true, true},             // 259 bytes, 131 characters
        {L"Q:\\" + std::wstring(127, L'写') + L"ﾌﾌﾌ", true, false},   // 260 bytes, 133 characters
        {L"Q:\\" + std::wstring(256, L'ﾌ'), true, true},              // 259 bytes
        {L"Q:\\" + std::wstring(32759, L'a'), true, false},           // "\\?\" + 32762
        {L"Q:\\" + std::wstring(32760, L'a'), false, false},
        {L"\\\\srv\\" + std::wstring(32754, L'a'), true, false},    // "\\?\UNC" + 32759
        {L"\\\\srv\\" + std::wstring(32755, L'a'), false, false},
        {L"Q:\\" + std::wstring(4u << 20, L'a'), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.path.size() << " characters from " << ToUtf8(c.path.substr(0, 8)));
        const bool expected = kNarrowBuild ? c.narrow : c.wide;
        EXPECT_EQ(fs::WithinPathLimit(c.path), expected);
        if (!expected) {
            SetLastError(0);
            EXPECT_EQ(fs::GetAttributes(c.path), INVALID_FILE_ATTRIBUTES);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
            EXPECT_FALSE(fs::CreateFolder(c.path));
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
        }
    }
}

TEST(CanAddress, TellsWhichTrueNamesThisProgramReaches) {
    TempDir dir;
    const std::wstring base = dir.path();
    // Nested folders whose path passes 260 bytes in code page 932.
    std::wstring deep = base;
    for (int i = 0; deep.size() < 270; ++i) {
        deep += L"folder_" + std::to_wstring(i) + L"_0123456789012345678901234567890123456789\\";
        ASSERT_TRUE(CreateDirectoryW(Long(deep).c_str(), nullptr));
    }
    ASSERT_TRUE(CreateDirectoryW(Long(base + L"dotted.").c_str(), nullptr));

    struct Case {
        std::wstring path;
        bool wide, narrow;
    };
    const Case cases[] = {
        {base + L"plain.txt", true, true},
        {base + L"日本語ﾌｧｲﾙ①.txt", true, true},
        {base + L"caf\u00e9.txt", true, false},         // not in code page 932
        {base + L"\ud55c.txt", true, false},             // Hangul, outside it
        {base + L"x.", true, false},                     // the A calls reach "x"
        {base + L"y ", true, false},                     // the A calls reach "y"
        {base + L"dotted.\\inside.txt", true, false},    // a folder name ending in a dot
        {deep + L"f.txt", true, false},                  // 260 bytes or more
    };
    // The stand-ins the narrow program would reach instead, of other sizes.
    WriteFile(base + L"x", "stand-in");
    WriteFile(base + L"y", "stand-in");
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(ToUtf8(c.path));
        // Every file gets a size of its own.
        const std::string content(i + 1, 'a');
        HANDLE h = CreateFileW(Long(c.path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD done = 0;
        ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &done, nullptr);
        CloseHandle(h);

        const bool expected = kNarrowBuild ? c.narrow : c.wide;
        EXPECT_EQ(fs::CanAddress(c.path), expected);
        // What the answer stands for: the calls reach exactly this file, or
        // they fail or reach another one.
        fs::FindData found;
        const bool reached = fs::GetAttributeData(c.path, found) && found.size == content.size();
        EXPECT_EQ(reached, expected);
    }

    for (const wchar_t* wildcard : {L"a*b.txt", L"a?b.txt"}) EXPECT_FALSE(fs::CanAddress(base + wildcard));
    EXPECT_TRUE(fs::CanAddress(base + L"sub\\"));
    EXPECT_EQ(fs::CanAddress(base + std::wstring(300, L'n')), !kNarrowBuild);
    EXPECT_FALSE(fs::CanAddress(L"C:\\" + std::wstring(32800, L'n')));

    // Names the plain-form clean-up of the test folder would miss.
    for (const Case& c : cases) DeleteFileW(Long(c.path).c_str());
    RemoveDirectoryW(Long(base + L"dotted.").c_str());
    for (std::wstring d = deep; d.size() > base.size(); d.resize(d.rfind(L'\\', d.size() - 2) + 1))
        RemoveDirectoryW(Long(d).c_str());
}

}  // namespace
}  // namespace mirrant
