// Bringing set-aside files back: the chosen files of a run folder, a whole
// run folder, the folder as of a moment across several run folders, a
// restore over a current file (which is itself set aside, so the restore can
// be undone), test mode, a folder without set-aside files, and files that
// cannot come back while the rest do.
#include "engine/restore.h"

#include "engine_fixture.h"
#include "fileops/fs_edge.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

const std::wstring kSetAside = L"_Mirrant退避\\";
const std::wstring kR1 = L"2026-01-01_100000", kR2 = L"2026-01-02_100000", kR3 = L"2026-01-03_100000";

SYSTEMTIME Local(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    return t;
}

class Restores : public EngineTest {
protected:
    // A file of run folder `run` of the destination's set-aside folder.
    void Kept(const std::wstring& run, const std::wstring& rel, std::string_view content, double seconds = 0) {
        Dst(kSetAside + run + L"\\" + rel, content, seconds);
    }
    std::wstring K(const std::wstring& run, const std::wstring& rel = L"") const {
        return dst + kSetAside + run + L"\\" + rel;
    }
    RunOutcome Restore(RestoreRequest request) {
        if (request.root.empty()) request.root = dst;
        RestoreContext context(std::move(request), host.options, host.files, host.progress, host.log);
        return PerformRestore(context);
    }
    // The run folders of the destination, by name.
    std::vector<std::wstring> RunNames() {
        std::vector<SetAsideRun> runs;
        std::wstring cause;
        EXPECT_TRUE(ListSetAsideRuns(host.files, dst, runs, cause)) << cause;
        std::vector<std::wstring> names;
        for (const SetAsideRun& r : runs) names.push_back(r.name);
        return names;
    }
    // The one run folder a restore made (none of the three prepared ones).
    std::wstring MadeRun() {
        for (const std::wstring& name : RunNames())
            if (name != kR1 && name != kR2 && name != kR3) return name;
        return L"";
    }
};

TEST_F(Restores, RunFoldersAreListedNewestFirstWithTheirFilesAndBytes) {
    Kept(kR1, L"a.txt", "12345");
    Kept(kR3, L"x\\y\\b.txt", "1");
    Kept(kR3, L"c.txt", "22");
    Kept(kR3 + L"_2", L"d.txt", "333");
    Dst(kSetAside + L"notes\\n.txt", "not a run folder");
    Dst(kSetAside + L"2026-01-05_100000.txt", "a file, not a folder");
    MakeFolder(K(kR2));

    std::vector<SetAsideRun> runs;
    std::wstring cause;
    ASSERT_TRUE(ListSetAsideRuns(host.files, dst, runs, cause));
    struct Row {
        std::wstring name;
        unsigned files;
        std::uint64_t bytes;
    };
    const Row expected[] = {{kR3 + L"_2", 1, 3}, {kR3, 2, 3}, {kR2, 0, 0}, {kR1, 1, 5}};
    ASSERT_EQ(runs.size(), std::size(expected));
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(runs[i].name, expected[i].name);
        EXPECT_EQ(runs[i].files, expected[i].files);
        EXPECT_EQ(runs[i].bytes, expected[i].bytes);
    }
    EXPECT_EQ(runs[1].start.wDay, 3);
    EXPECT_EQ(runs[1].start.wHour, 10);

    std::vector<SetAsideFile> files;
    ASSERT_TRUE(ListSetAsideFiles(host.files, dst, kR3, files, cause));
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].relative, L"c.txt");
    EXPECT_EQ(files[1].relative, L"x\\y\\b.txt");
    EXPECT_EQ(files[1].stamp.size, 1u);

    // A folder without a set-aside folder has no run folders, and that is no failure.
    ASSERT_TRUE(ListSetAsideRuns(host.files, src, runs, cause));
    EXPECT_TRUE(runs.empty());
}

// Each way of restoring, with what the folder and its set-aside folder hold
// afterwards and the lines of the restore.
TEST_F(Restores, EveryWayBringsBackTheVersionItNamesAndKeepsWhatItReplaces) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        RestoreRequest request;
        std::map<std::wstring, std::string> afterwards;  // files below the root, set-aside folder included
        // The lines, given the name of the run folder the restore made.
        std::function<std::vector<std::wstring>(const std::wstring& made)> lines;
    };
    const Case cases[] = {
        {"selected files of one run folder",
         [this] {
             Kept(kR1, L"a.txt", "a1", 5);
             Kept(kR1, L"sub\\b.txt", "b1", 6);
             Kept(kR1, L"sub\\c.txt", "c1", 7);
         },
         {RestoreWay::Selected, L"", kR1, {L"a.txt", L"SUB\\B.TXT"}},
         {{L"a.txt", "a1"}, {L"sub\\b.txt", "b1"}, {kSetAside + kR1 + L"\\sub\\c.txt", "c1"}},
         [this](const std::wstring&) {
             return std::vector<std::wstring>{Restored(D(L"a.txt"), K(kR1, L"a.txt")),
                                              Restored(D(L"sub\\b.txt"), K(kR1, L"sub\\b.txt")), RestoreReport(2)};
         }},
        {"a whole run folder, whose emptied folders go",
         [this] {
             Kept(kR1, L"a.txt", "a1");
             Kept(kR1, L"deep\\er\\b.txt", "b1");
             Kept(kR2, L"a.txt", "a2");
         },
         {RestoreWay::WholeRun, L"", kR1},
         {{L"a.txt", "a1"}, {L"deep\\er\\b.txt", "b1"}, {kSetAside + kR2 + L"\\a.txt", "a2"}},
         [this](const std::wstring&) {
             return std::vector<std::wstring>{Restored(D(L"a.txt"), K(kR1, L"a.txt")),
                                              Restored(D(L"deep\\er\\b.txt"), K(kR1, L"deep\\er\\b.txt")),
                                              RestoreReport(2)};
         }},
        {"as of a moment: for each path the earliest run folder after it",
         [this] {
             Kept(kR1, L"p.txt", "p1");
             Kept(kR1, L"q.txt", "q1");  // set aside before the moment: stays
             Kept(kR2, L"p.txt", "p2");
             Kept(kR3, L"p.txt", "p3");
             Kept(kR3, L"r.txt", "r3");
             Dst(L"p.txt", "p now");
             Dst(L"s.txt", "s now");  // no run folder holds it: stays
         },
         {RestoreWay::AsOf, L"", L"", {}, Local(2026, 1, 1, 12, 0, 0)},
         {{L"p.txt", "p2"},
          {L"r.txt", "r3"},
          {L"s.txt", "s now"},
          {kSetAside + kR1 + L"\\p.txt", "p1"},
          {kSetAside + kR1 + L"\\q.txt", "q1"},
          {kSetAside + kR3 + L"\\p.txt", "p3"},
          {kSetAside + L"*\\p.txt", "p now"}},
         [this](const std::wstring& made) {
             return std::vector<std::wstring>{RestoredReplacing(D(L"p.txt"), K(kR2, L"p.txt"), K(made, L"p.txt")),
                                              Restored(D(L"r.txt"), K(kR3, L"r.txt")), RestoreReport(2),
                                              RestoreKeptReport(1, K(made))};
         }},
        {"as of a moment after every run folder: nothing",
         [this] {
             Kept(kR1, L"p.txt", "p1");
             Dst(L"p.txt", "p now");
         },
         {RestoreWay::AsOf, L"", L"", {}, Local(2026, 1, 1, 10, 0, 0)},
         {{L"p.txt", "p now"}, {kSetAside + kR1 + L"\\p.txt", "p1"}},
         [this](const std::wstring&) {
             return std::vector<std::wstring>{NothingAfter(dst, L"2026/01/01 10:00:00")};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartAfresh();
        c.arrange();
        const RunOutcome outcome = Restore(c.request);
        EXPECT_TRUE(outcome.completed);
        const std::wstring made = MadeRun();
        std::map<std::wstring, std::string> onDisk;
        for (const auto& [path, image] : Snapshot(dst))
            if (path.back() != L'\\') onDisk[path] = image.content;
        std::map<std::wstring, std::string> expected;
        for (const auto& [kept, content] : c.afterwards) {
            std::wstring path = kept;
            if (const size_t star = path.find(L'*'); star != std::wstring::npos) path.replace(star, 1, made);
            expected[path] = content;
        }
        EXPECT_EQ(onDisk, expected);
        EXPECT_TRUE(SameLines(host.log.lines, c.lines(made)));
        EXPECT_TRUE(host.log.errorLines.empty());
    }
    // The whole run folder left nothing behind in it, not even its folders.
    StartAfresh();
    Kept(kR1, L"deep\\er\\b.txt", "b1");
    Restore({RestoreWay::WholeRun, L"", kR1});
    EXPECT_FALSE(Exists(K(kR1)));
    EXPECT_TRUE(Exists(dst + kSetAside));
}

TEST_F(Restores, ARestoredFileKeepsItsSetAsideTimeAndARestoreCanBeUndone) {
    Kept(kR1, L"doc.txt", "Tuesday", 100);
    Dst(L"doc.txt", "today", 500);
    const std::uint64_t tuesday = GetWriteTime(K(kR1, L"doc.txt"));

    ASSERT_TRUE(Restore({RestoreWay::Selected, L"", kR1, {L"doc.txt"}}).completed);
    EXPECT_EQ(ReadFile(D(L"doc.txt")), "Tuesday");
    EXPECT_EQ(GetWriteTime(D(L"doc.txt")), tuesday);
    const std::wstring made = MadeRun();
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(ReadFile(K(made, L"doc.txt")), "today") << "the current file was kept";
    EXPECT_FALSE(Exists(K(kR1))) << "the emptied run folder goes";

    // Undo: the run folder the restore made, restored as a whole.
    ClearRecords();
    ASSERT_TRUE(Restore({RestoreWay::WholeRun, L"", made}).completed);
    EXPECT_EQ(ReadFile(D(L"doc.txt")), "today");
    EXPECT_EQ(GetWriteTime(D(L"doc.txt")), kBaseTime + 500 * kSecond);
    const std::vector<std::wstring> runs = RunNames();
    ASSERT_EQ(runs.size(), 1u) << "the undone folder went, a new one keeps Tuesday's version";
    EXPECT_NE(runs[0], made);
    EXPECT_EQ(ReadFile(K(runs[0], L"doc.txt")), "Tuesday");
    EXPECT_TRUE(SameLines(host.log.lines,
                          {RestoredReplacing(D(L"doc.txt"), K(made, L"doc.txt"), K(runs[0], L"doc.txt")),
                           RestoreReport(1), RestoreKeptReport(1, K(runs[0]))}));
}

TEST_F(Restores, TestModeLogsWhatItWouldRestoreAndMovesNothing) {
    Kept(kR2, L"p.txt", "p2");
    Kept(kR2, L"new\\n.txt", "n2");
    Dst(L"p.txt", "p now");
    const auto before = Snapshot(dst);
    RestoreRequest request{RestoreWay::WholeRun, L"", kR2};
    request.testMode = true;
    EXPECT_TRUE(Restore(request).completed);
    EXPECT_EQ(Snapshot(dst), before);
    ASSERT_FALSE(host.log.lines.empty());
    const std::wstring last = host.log.lines.back();
    // The run folder it would make is named after the moment it ran.
    const size_t open = last.find(L'"'), close = last.rfind(L'"');
    ASSERT_NE(open, close);
    const std::wstring wouldMake = last.substr(open + 1, close - open - 1);
    EXPECT_EQ(wouldMake.substr(0, (dst + kSetAside).size()), dst + kSetAside);
    EXPECT_TRUE(SameLines(host.log.lines, {WouldRestore(D(L"new\\n.txt"), K(kR2, L"new\\n.txt")),
                                           WouldRestoreReplacing(D(L"p.txt"), K(kR2, L"p.txt")),
                                           RestoreTestReport(2, 1, wouldMake)}));
    EXPECT_EQ(host.progress.title, L"退避ﾌｧｲﾙの復元 ﾃｽﾄﾓｰﾄﾞ");
}

TEST_F(Restores, AFolderWithoutRunFoldersIsRefusedAndNothingChanges) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
    } cases[] = {
        {"no set-aside folder", [this] { Dst(L"a.txt", "a"); }},
        {"an empty set-aside folder", [this] { MakeFolder(dst + kSetAside); }},
        {"only names that are no run folders",
         [this] {
             Dst(kSetAside + L"notes\\a.txt", "a");
             Dst(kSetAside + L"2026-13-01_100000\\a.txt", "not a date");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartAfresh();
        c.arrange();
        const auto before = Snapshot(dst);
        for (RestoreWay way : {RestoreWay::WholeRun, RestoreWay::AsOf}) {
            ClearRecords();
            const RunOutcome outcome = Restore({way, L"", L"notes", {}, Local(2000, 1, 1, 0, 0, 0)});
            EXPECT_FALSE(outcome.completed);
            EXPECT_TRUE(outcome.loggedAnything);
            EXPECT_EQ(host.log.errorLines, std::vector<std::wstring>{NothingSetAside(dst)});
            EXPECT_EQ(Snapshot(dst), before);
        }
    }
}

// A run folder that cannot be read stops the restore before anything moves:
// "as of" must not take a later version for a path it could not see.
TEST_F(Restores, ARunFolderThatCannotBeReadStopsTheRestoreBeforeAnythingMoves) {
    Kept(kR1, L"a.txt", "a1");
    Kept(kR2, L"sub\\a.txt", "a2");
    Kept(kR3, L"a.txt", "a3");
    const auto before = Snapshot(dst);
    fs::ScopedListingFault denied(K(kR2, L"sub\\"), ERROR_ACCESS_DENIED);
    for (RestoreWay way : {RestoreWay::WholeRun, RestoreWay::AsOf}) {
        ClearRecords();
        EXPECT_FALSE(Restore({way, L"", kR1, {}, Local(2026, 1, 1, 12, 0, 0)}).completed);
        EXPECT_EQ(host.log.errorLines, std::vector<std::wstring>{RunFolderUnreadable(
                                           K(kR2, L"sub\\"), SystemErrorText(ERROR_ACCESS_DENIED))});
        EXPECT_EQ(Snapshot(dst), before);
    }
}

// What cannot come back is an error line; the current file stays as it was,
// and the rest of the restore goes on.
TEST_F(Restores, AFileThatCannotComeBackIsAnErrorLineAndTheRestGoOn) {
    struct Case {
        const char* name;
        std::function<void()> arrange;  // b.txt is the file that fails
        std::function<std::wstring(const std::wstring& made)> error;
        std::map<std::wstring, std::string> afterwards;
    };
    const Case cases[] = {
        {"the set-aside file is locked",
         [this] { host.files.failMoveAside = [this](const std::wstring& p) { return p == K(kR1, L"b.txt"); }; },
         [this](const std::wstring&) { return NotRestored(D(L"b.txt"), L"テスト用の失敗"); },
         {{L"a.txt", "a1"}, {L"c.txt", "c1"}, {kSetAside + kR1 + L"\\b.txt", "b1"}}},
        {"the current file cannot be set aside",
         [this] {
             Dst(L"b.txt", "b now");
             host.files.failMoveAside = [this](const std::wstring& p) { return p == D(L"b.txt"); };
         },
         [this](const std::wstring& made) {
             return NotRestored(D(L"b.txt"), NotSetAside(K(made, L"b.txt"), L"テスト用の失敗"));
         },
         {{L"a.txt", "a1"}, {L"b.txt", "b now"}, {L"c.txt", "c1"}, {kSetAside + kR1 + L"\\b.txt", "b1"}}},
        {"the set-aside file fails after the current one went aside: it takes its name again",
         [this] {
             Dst(L"b.txt", "b now");
             host.files.failMoveAside = [this](const std::wstring& p) { return p == K(kR1, L"b.txt"); };
         },
         [this](const std::wstring&) { return NotRestored(D(L"b.txt"), L"テスト用の失敗"); },
         {{L"a.txt", "a1"}, {L"b.txt", "b now"}, {L"c.txt", "c1"}, {kSetAside + kR1 + L"\\b.txt", "b1"}}},
        {"a folder stands in its place",
         [this] { Dst(L"b.txt\\inner.txt", "inner"); },
         [this](const std::wstring&) { return NotRestored(D(L"b.txt"), kFolderInPlace); },
         {{L"a.txt", "a1"}, {L"b.txt\\inner.txt", "inner"}, {L"c.txt", "c1"}, {kSetAside + kR1 + L"\\b.txt", "b1"}}},
        {"the place cannot be looked at",
         [this] { host.files.lookupFails = [this](const std::wstring& p) { return p == D(L"b.txt"); }; },
         [this](const std::wstring&) { return NotRestored(D(L"b.txt"), SystemErrorText(ERROR_ACCESS_DENIED)); },
         {{L"a.txt", "a1"}, {L"c.txt", "c1"}, {kSetAside + kR1 + L"\\b.txt", "b1"}}},
        {"a name this program cannot reach",
         [this] { host.files.canAddress = [this](const std::wstring& p) { return p != K(kR1, L"b.txt"); }; },
         [this](const std::wstring&) { return Unaddressable(K(kR1, L"b.txt")); },
         {{L"a.txt", "a1"}, {L"c.txt", "c1"}, {kSetAside + kR1 + L"\\b.txt", "b1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartAfresh();
        host.files.failMoveAside = nullptr;
        host.files.lookupFails = nullptr;
        host.files.canAddress = nullptr;
        for (const char* n : {"a", "b", "c"})
            Kept(kR1, std::wstring(n, n + 1) + L".txt", std::string(n) + "1");
        c.arrange();
        const RunOutcome outcome = Restore({RestoreWay::WholeRun, L"", kR1});
        EXPECT_TRUE(outcome.completed);
        host.files.failMoveAside = nullptr;
        host.files.lookupFails = nullptr;
        host.files.canAddress = nullptr;
        // A run folder that received nothing does not stay; the line names it.
        EXPECT_EQ(MadeRun(), L"");
        std::wstring made;
        if (!host.log.errorLines.empty()) {
            const std::wstring& line = host.log.errorLines[0];
            const std::wstring prefix = dst + kSetAside;
            if (const size_t at = line.find(prefix); at != std::wstring::npos)
                made = line.substr(at + prefix.size(), line.find(L'\\', at + prefix.size()) - at - prefix.size());
        }
        EXPECT_EQ(host.log.errorLines, std::vector<std::wstring>{c.error(made)});
        std::map<std::wstring, std::string> onDisk;
        for (const auto& [path, image] : Snapshot(dst))
            if (path.back() != L'\\') onDisk[path] = image.content;
        EXPECT_EQ(onDisk, c.afterwards);
        EXPECT_EQ(CountLines(RestoreReport(2)), 1u);
    }
}

TEST_F(Restores, AnInterruptStopsAfterTheCurrentFile) {
    Kept(kR1, L"a.txt", "a1");
    Kept(kR1, L"b.txt", "b1");
    host.progress.cancel = true;
    EXPECT_FALSE(Restore({RestoreWay::WholeRun, L"", kR1}).completed);
    EXPECT_EQ(ReadFile(D(L"a.txt")), "a1");
    EXPECT_FALSE(Exists(D(L"b.txt")));
    EXPECT_EQ(ReadFile(K(kR1, L"b.txt")), "b1");
    EXPECT_TRUE(SameLines(host.log.lines,
                          {Restored(D(L"a.txt"), K(kR1, L"a.txt")), kInterrupted, RestoreReport(1)}));
}

}  // namespace
}  // namespace mirrant::testing
