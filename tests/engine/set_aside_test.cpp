// Keeping what a run deletes or replaces: every way a run deletes or
// replaces a file leaves the old bytes in the run's dated folder under the
// set-aside folder of that side; what cannot be set aside stays; the folder
// is never part of the trees; test mode moves nothing; old run folders go.
#include "engine_fixture.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

const std::wstring kSetAside = L"_Mirrant退避\\";

// The dated run folders below a root's set-aside folder.
std::vector<std::wstring> RunFolders(const std::wstring& root) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((root + kSetAside + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        const std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..") out.push_back(root + kSetAside + name + L"\\");
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return Sorted(out);
}

std::wstring DaysAgo(int days) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME f;
    SystemTimeToFileTime(&now, &f);
    ULARGE_INTEGER u{{f.dwLowDateTime, f.dwHighDateTime}};
    u.QuadPart -= static_cast<std::uint64_t>(days) * 24 * 3600 * kSecond;
    f = {u.LowPart, u.HighPart};
    SYSTEMTIME then;
    FileTimeToSystemTime(&f, &then);
    wchar_t name[32];
    swprintf(name, 32, L"%04u-%02u-%02u_%02u%02u%02u", then.wYear, then.wMonth, then.wDay, then.wHour,
             then.wMinute, then.wSecond);
    return name;
}

std::wstring Report(const std::wstring& side, unsigned count, const std::wstring& runFolder) {
    return side + L"で削除・上書きした" + std::to_wstring(count) + L"個のﾌｧｲﾙを" + Q(runFolder) + L"に退避しました。";
}

class SetAsideRuns : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        Reset();
    }
    // The fixture's options with the setting on, and empty trees.
    void Reset() {
        StartAfresh();
        host.options.setAsideFiles = true;
        host.options.setAsideDays = 30;
    }
    // The one run folder of a root (the test fails when there is not exactly one).
    std::wstring OnlyRunFolder(const std::wstring& root) {
        std::vector<std::wstring> folders = RunFolders(root);
        EXPECT_EQ(folders.size(), 1u);
        return folders.empty() ? std::wstring() : folders[0];
    }
};

// Each way of deleting or replacing, with the old bytes expected in the run
// folder of the side where the file was.
TEST_F(SetAsideRuns, EveryWayOfDeletingOrReplacingKeepsTheOldBytesUnderTheirPath) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        RunMode mode;
        bool sourceSide;                                     // where the old file was
        std::vector<std::pair<std::wstring, std::string>> kept;  // relative path, old bytes
        std::vector<std::wstring> gone;                      // no longer at their place
    };
    const Case cases[] = {
        {"one-way overwrite",
         [this] {
             Src(L"a\\f.txt", "new", 10);
             Dst(L"a\\f.txt", "old", 0);
         },
         RunMode::Overwrite, false, {{L"a\\f.txt", "old"}}, {}},
        {"missing-item delete of the source",
         [this] {
             host.options.missingInDestination = MissingPolicy::Delete;
             Src(L"b\\g.txt", "only here", 0);
             MakeFolder(D(L"b\\"));
         },
         RunMode::Overwrite, true, {{L"b\\g.txt", "only here"}}, {L"b\\g.txt"}},
        {"folder delete",
         [this] {
             host.options.deletePriority = false;
             Dst(L"old\\x.txt", "x", 0);
             Dst(L"old\\deep\\y.txt", "y", 0);
         },
         RunMode::Sync, false, {{L"old\\x.txt", "x"}, {L"old\\deep\\y.txt", "y"}}, {L"old\\"}},
        {"delete priority",
         [this] {
             Src(L"keep.txt", "new", 10);
             Dst(L"keep.txt", "before", 0);
             Dst(L"orphan.txt", "orphan", 0);
         },
         RunMode::SyncDeletePriority, false, {{L"keep.txt", "before"}, {L"orphan.txt", "orphan"}}, {L"orphan.txt"}},
        {"reverse pass of a sync",
         [this] {
             host.options.deletePriority = false;
             host.options.reverseOverwriteNewer = true;
             Src(L"r.txt", "older source", 0);
             Dst(L"r.txt", "newer destination", 10);
         },
         RunMode::Sync, true, {{L"r.txt", "older source"}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        c.arrange();

        EXPECT_EQ(Run(c.mode), 1);
        const std::wstring root = c.sourceSide ? src : dst;
        const std::wstring run = OnlyRunFolder(root);
        for (const auto& [rel, bytes] : c.kept) {
            ASSERT_TRUE(Exists(run + rel));
            EXPECT_EQ(ReadFile(run + rel), bytes);
        }
        for (const std::wstring& rel : c.gone) EXPECT_FALSE(Exists(root + rel));
        EXPECT_TRUE(GetFileAttributesW((root + kSetAside).c_str()) & FILE_ATTRIBUTE_HIDDEN);
        EXPECT_TRUE(RunFolders(c.sourceSide ? dst : src).empty());
        EXPECT_EQ(CountLines(Report(c.sourceSide ? L"ｺﾋﾟｰ元" : L"ｺﾋﾟｰ先", static_cast<unsigned>(c.kept.size()), run)),
                  1u);
        // The line comes after the run's lines.
        ASSERT_FALSE(host.log.lines.empty());
        EXPECT_NE(host.log.lines.back().find(L"に退避しました。"), std::wstring::npos);
        EXPECT_TRUE(Errors().empty());
    }
}

TEST_F(SetAsideRuns, AFileThatCannotBeSetAsideStaysAndIsAFailure) {
    host.options.writeFailurePolicy = ErrorPolicy::Skip;
    host.options.deleteFailurePolicy = ErrorPolicy::Skip;
    host.options.deletePriority = false;
    Src(L"f.txt", "new", 10);
    Dst(L"f.txt", "old", 0);
    Dst(L"orphan.txt", "orphan", 0);
    Dst(L"gone\\held.txt", "held", 0);
    Dst(L"gone\\free.txt", "free", 0);
    host.files.failMoveAside = [&](const std::wstring& p) {
        return p == D(L"f.txt") || p == D(L"orphan.txt") || p == D(L"gone\\held.txt");
    };
    // Read-only and not to be updated: refused as a deletion refuses it.
    host.options.updateReadOnly = false;
    Dst(L"gone\\ro.txt", "read-only", 0);
    SetReadOnly(D(L"gone\\ro.txt"), true);

    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_EQ(ReadFile(D(L"f.txt")), "old");
    EXPECT_EQ(ReadFile(D(L"orphan.txt")), "orphan");
    EXPECT_EQ(ReadFile(D(L"gone\\held.txt")), "held");
    const std::wstring run = OnlyRunFolder(dst);
    EXPECT_EQ(ReadFile(run + L"gone\\free.txt"), "free");

    const std::wstring failed = L"へ退避できませんでした。テスト用の失敗";
    EXPECT_TRUE(SameLines(Errors(), Sorted({NotUpdated(D(L"f.txt")) + L"原因：" + Q(run + L"f.txt") + failed,
                                            NotDeleted(D(L"orphan.txt"), Q(run + L"orphan.txt") + failed),
                                            NotDeleted(D(L"gone\\held.txt"), Q(run + L"gone\\held.txt") + failed),
                                            NotDeleted(D(L"gone\\ro.txt"), ReadOnlyRefused(D(L"gone\\ro.txt"))),
                                            FolderNotDeleted(D(L"gone\\"), 2)})));
    EXPECT_EQ(ReadFile(D(L"gone\\ro.txt")), "read-only");
    EXPECT_EQ(CountLines(Report(L"ｺﾋﾟｰ先", 1, run)), 1u);
}

TEST_F(SetAsideRuns, TheSetAsideFolderIsNeverComparedCopiedDeletedOrCounted) {
    for (bool on : {true, false}) {
        SCOPED_TRACE(on ? "setting on" : "setting off");
        host.options.setAsideFiles = on;
        host.options.deletePriority = false;
        ClearRecords();
        Src(L"_Mirrant退避\\2020-01-01_000000\\s.txt", "source kept", 0);
        Dst(L"_Mirrant退避\\2020-01-02_000000\\d.txt", "destination kept", 0);
        host.options.setAsideDays = 3650;
        auto before = Snapshot(temp.path());

        EXPECT_EQ(Run(RunMode::Sync), 1);
        EXPECT_EQ(Snapshot(temp.path()), before);
        EXPECT_TRUE(host.log.lines.empty());

        // A source that holds nothing but its set-aside folder is empty: the
        // guard keeps the destination (unattended: nothing is deleted).
        Dst(L"user.txt", "user", 0);
        host.scheduled = true;
        EXPECT_EQ(Run(RunMode::Sync), 0);
        host.scheduled = false;
        EXPECT_TRUE(Exists(D(L"user.txt")));
        DeleteFileW(D(L"user.txt").c_str());
    }
}

TEST_F(SetAsideRuns, TestModeMovesNothingAndSaysHowManyFilesWouldGoWhere) {
    Src(L"f.txt", "new", 10);
    Dst(L"f.txt", "old", 0);
    Dst(L"orphan.txt", "orphan", 0);
    Dst(L"old\\a.txt", "a", 0);
    Dst(L"old\\sub\\b.txt", "b", 0);
    Src(L"same.txt", "same", 0);
    Dst(L"same.txt", "same", 0);
    auto before = Snapshot(temp.path());

    EXPECT_EQ(Run(RunMode::SyncTest), 1);
    EXPECT_EQ(Snapshot(temp.path()), before);
    // The replaced file, the orphan and the two files of the orphan folder.
    const std::wstring prefix = L"ﾃｽﾄﾓｰﾄﾞのため退避はしません。実行時には、ｺﾋﾟｰ先で削除・上書きする4個のﾌｧｲﾙを\"" +
                                dst + L"_Mirrant退避\\";
    ASSERT_FALSE(host.log.lines.empty());
    EXPECT_EQ(host.log.lines.back().rfind(prefix, 0), 0u);
    EXPECT_EQ(std::count_if(host.log.lines.begin(), host.log.lines.end(),
                            [](const std::wstring& l) { return l.find(L"ﾃｽﾄﾓｰﾄﾞのため") == 0; }),
              1);  // nothing on the source side
}

TEST_F(SetAsideRuns, RetentionRemovesOnlyRunFoldersOlderThanTheDaysToKeep) {
    // Three recent run folders besides: the newest three always stay.
    const std::wstring old1 = L"2020-01-01_000000", old2 = DaysAgo(31) + L"_2", recent = DaysAgo(29);
    const std::wstring newer[] = {DaysAgo(2), DaysAgo(3), DaysAgo(4)};
    for (const std::wstring& name : {old1, old2, recent, newer[0], newer[1], newer[2], std::wstring(L"notes")})
        Dst(L"_Mirrant退避\\" + name + L"\\k.txt", "kept", 0);
    SetReadOnly(D(L"_Mirrant退避\\" + old1 + L"\\k.txt"), true);

    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(Sorted(RunFolders(dst)),
                          Sorted({D(L"_Mirrant退避\\" + recent + L"\\"), D(L"_Mirrant退避\\" + newer[0] + L"\\"),
                                  D(L"_Mirrant退避\\" + newer[1] + L"\\"), D(L"_Mirrant退避\\" + newer[2] + L"\\"),
                                  D(L"_Mirrant退避\\notes\\")})));
    auto removed = [&](const std::wstring& name) {
        return L"保存期間（30日）を過ぎた退避ﾌｫﾙﾀﾞ" + Q(D(L"_Mirrant退避\\" + name + L"\\")) + L"を削除しました。";
    };
    EXPECT_TRUE(SameLines(Lines(), Sorted({removed(old1), removed(old2)})));

    // Test mode removes nothing.
    ClearRecords();
    host.options.setAsideDays = 1;
    EXPECT_EQ(Run(RunMode::OverwriteTest), 1);
    EXPECT_EQ(RunFolders(dst).size(), 5u);

    // A run folder that cannot be removed is an error line; the run goes on
    // (the newest three, older than a day too, stay by their rank).
    ClearRecords();
    const std::wstring heldFolder = D(L"_Mirrant退避\\" + recent + L"\\");
    HANDLE held = CreateFileW((heldFolder + L"k.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Src(L"new.txt", "new", 0);
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    CloseHandle(held);
    EXPECT_EQ(ReadFile(D(L"new.txt")), "new");
    EXPECT_TRUE(Exists(heldFolder + L"k.txt"));
    EXPECT_EQ(std::count(host.log.errorLines.begin(), host.log.errorLines.end(),
                         L"保存期間（1日）を過ぎた退避ﾌｫﾙﾀﾞ" + Q(heldFolder) + L"を削除できませんでした。"),
              1);
}

TEST_F(SetAsideRuns, WithTheSettingOffARunDeletesAndReplacesAsBefore) {
    host.options.setAsideFiles = false;
    host.options.deletePriority = false;
    Src(L"f.txt", "new", 10);
    Dst(L"f.txt", "old", 0);
    Dst(L"orphan.txt", "orphan", 0);

    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted({Updated(D(L"f.txt")), Deleted(D(L"orphan.txt"))})));
    EXPECT_FALSE(Exists(D(L"_Mirrant退避")));
    EXPECT_FALSE(Exists(S(L"_Mirrant退避")));
}

}  // namespace
}  // namespace mirrant::testing
