// The filter applied to a real tree, with the names and times the directory
// search returns, walked the way a run walks it: a rejected folder is not
// descended into.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "filter/filter_set.h"
#include "framework/profile.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using namespace mirrant::testing;

std::uint64_t FromFileTime(const FILETIME& ft) {
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

void Walk(const FilterSet& f, const std::wstring& root, const std::wstring& rel,
          std::vector<std::wstring>& taken) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((root + rel + L"*").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!f.AcceptEntry(name, folder, FromFileTime(fd.ftCreationTime), FromFileTime(fd.ftLastWriteTime)))
            continue;
        if (folder)
            Walk(f, root, rel + name + L"\\", taken);
        else
            taken.push_back(rel + name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

TEST(FilterOnATree, FolderListSrcWithFileListDotC) {
    TempDir dir;
    for (const wchar_t* folder : {L"src", L"src\\src", L"src\\inner", L"lib", L"lib\\src", L"Src2"})
        MakeFolder(dir / folder);
    for (const wchar_t* file : {L"main.c", L"readme.txt", L"src\\a.c", L"src\\b.h", L"src\\old.C",
                                L"src\\src\\y.c", L"src\\inner\\x.c", L"lib\\src\\deep.c",
                                L"Src2\\z.c", L"src.c"})
        WriteFile(dir / file, "x");
    SetWriteTime(dir / L"src\\old.C", kBaseTime);  // 2020: outside the range below

    ProfileStore store(AppProfile().rootKey() + L"_tree");
    store.SetInt(kSettingsSection, optname::FilterFlags, kGeneralPartial);
    store.SetString(kSettingsSection, optname::FolderIncludes, L"SRC");
    store.SetString(kSettingsSection, optname::FileIncludes, L"*.c");
    // Modified within the last 1000 days.
    TimeRangeSpec m = TimeRangeSpec::Defaults(kModificationRecord);
    m.Set(tf::RangeType, kRangeSimple);
    m.Set(tf::SimpleUnit, kDaysBefore);
    m.Set(tf::SimpleCount, 1000);
    store.SetBinary(kSettingsSection, optname::ModificationRange, m.ToBytes());
    FilterSet f;
    LoadFilterSet(f, store);
    store.DeleteRoot();

    std::vector<std::wstring> taken;
    Walk(f, dir.path(), L"", taken);
    std::sort(taken.begin(), taken.end());
    EXPECT_EQ(taken, (std::vector<std::wstring>{L"main.c", L"src.c", L"src\\a.c", L"src\\src\\y.c"}));
}

}  // namespace
}  // namespace mirrant
