// The guard against large changes: a run that would delete or replace most
// of one side's files stops before it changes anything (unattended), asks
// first (from the window), or says so (test mode); a run below the limits is
// exactly the run without the guard.
#include <algorithm>

#include "engine_fixture.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

using Tree = std::map<std::wstring, EntryImage>;

std::wstring Name(int i) { return L"f" + std::to_wstring(i) + L".txt"; }
std::string Bytes(int i) { return "content " + std::to_string(i); }

// Files of a side that a run removed or gave other content.
unsigned ChangedFiles(const Tree& before, const Tree& after) {
    unsigned n = 0;
    for (const auto& [path, image] : before) {
        if (!path.empty() && path.back() == L'\\') continue;
        auto it = after.find(path);
        if (it == after.end() || it->second.content != image.content) ++n;
    }
    return n;
}

// One way a disaster looks, on trees of 40 files at the side it hits.
struct Disaster {
    const char* what;
    RunMode mode;
    std::function<void(RunOptions&)> options;
    std::function<void()> trees;
    bool hitsSource;  // the side whose files go
    unsigned files, changed;
    bool lineEach = true;  // one line per file deleted or replaced (not a folder)
};

class Guard : public EngineTest {
protected:
    // The disasters, each at 60 % or more of its side.
    std::vector<Disaster> Disasters() {
        return {
            {"overwrite, counterparts missing at the destination under \"delete\"", RunMode::Overwrite,
             [](RunOptions& o) { o.missingInDestination = MissingPolicy::Delete; },
             [&] {
                 for (int i = 0; i < 40; ++i) Src(Name(i), Bytes(i));
                 for (int i = 0; i < 16; ++i) Dst(Name(i), Bytes(i));
             },
             true, 40, 24},
            {"sync, 60 % of the source deleted", RunMode::Sync, [](RunOptions&) {},
             [&] {
                 for (int i = 0; i < 16; ++i) Src(Name(i), Bytes(i));
                 for (int i = 0; i < 40; ++i) Dst(Name(i), Bytes(i));
             },
             false, 40, 24},
            {"delete priority, 60 % of the source deleted", RunMode::SyncDeletePriority, [](RunOptions&) {},
             [&] {
                 for (int i = 0; i < 16; ++i) Src(Name(i), Bytes(i));
                 for (int i = 0; i < 40; ++i) Dst(Name(i), Bytes(i));
             },
             false, 40, 24},
            {"every file rewritten newer with other bytes", RunMode::Overwrite, [](RunOptions&) {},
             [&] {
                 for (int i = 0; i < 40; ++i) {
                     Src(Name(i), "encrypted " + Bytes(i), 100);
                     Dst(Name(i), Bytes(i));
                 }
             },
             false, 40, 40},
            {"sync, every file rewritten newer with other bytes", RunMode::Sync, [](RunOptions&) {},
             [&] {
                 for (int i = 0; i < 40; ++i) {
                     Src(L"sub\\" + Name(i), "encrypted " + Bytes(i), 100);
                     Dst(L"sub\\" + Name(i), Bytes(i));
                 }
             },
             false, 40, 40},
            {"sync, a folder of most files deleted", RunMode::Sync, [](RunOptions&) {},
             [&] {
                 for (int i = 0; i < 10; ++i) {
                     Src(Name(i), Bytes(i));
                     Dst(Name(i), Bytes(i));
                 }
                 for (int i = 0; i < 30; ++i) Dst(L"big\\deeper\\" + Name(i), Bytes(i));
             },
             false, 40, 30, false},
        };
    }

    void Prepare(const Disaster& d, bool guardOn) {
        StartAfresh();
        d.options(host.options);
        host.options.guardOn = guardOn;
        host.prompter = ScriptedEnginePrompter{};
        d.trees();
    }
    Tree SideOf(const Disaster& d) const { return Snapshot(d.hitsSource ? src : dst); }
};

// Unattended, interactive No and interactive Yes over every disaster: a
// stopped run changes nothing in either tree; Yes runs as the guard off
// would; the counts are what the run without the guard changes.
TEST_F(Guard, EveryDisasterStopsUnattendedAsksFromTheWindowAndRunsAsDecidedOnYes) {
    for (const Disaster& d : Disasters()) {
        SCOPED_TRACE(d.what);
        const std::wstring side = d.hitsSource ? kSourceSide : kDestinationSide;

        // The run without the guard: what it changes is what the guard counts.
        Prepare(d, false);
        const Tree before = SideOf(d);
        host.scheduled = true;
        EXPECT_EQ(Run(d.mode), 1);
        const std::vector<std::wstring> offLines = Lines(), offErrors = Errors();
        const Tree offSrc = Snapshot(src), offDst = Snapshot(dst);
        EXPECT_EQ(ChangedFiles(before, SideOf(d)), d.changed);
        if (d.lineEach) {
            const auto byLine = std::count_if(offLines.begin(), offLines.end(), [](const std::wstring& l) {
                return l.ends_with(L"は削除されました。") || l.ends_with(L"は更新されました。");
            });
            EXPECT_EQ(static_cast<unsigned>(byLine), d.changed);
        }

        // Unattended: stopped, nothing changed, one error line and the way on.
        Prepare(d, true);
        host.scheduled = true;
        Tree s0 = Snapshot(src), d0 = Snapshot(dst);
        EXPECT_EQ(Run(d.mode), 0);
        EXPECT_TRUE(lastOutcome.stoppedByGuard);
        EXPECT_EQ(Snapshot(src), s0);
        EXPECT_EQ(Snapshot(dst), d0);
        EXPECT_TRUE(SameLines(Errors(), {GuardStopped(side, d.files, d.changed)}));
        EXPECT_TRUE(SameLines(Lines(), {kGuardHowToGoOn}));
        EXPECT_TRUE(host.prompter.boxes.prompts().empty());

        // From the window, No: the question with the counts, nothing changed.
        Prepare(d, true);
        host.scheduled = false;
        host.prompter.boxes.Push(PromptAnswer::No);
        s0 = Snapshot(src);
        d0 = Snapshot(dst);
        EXPECT_EQ(Run(d.mode), 0);
        EXPECT_FALSE(lastOutcome.stoppedByGuard);
        ASSERT_EQ(host.prompter.boxes.prompts().size(), 1u);
        EXPECT_EQ(host.prompter.boxes.prompts()[0].kind, PromptKind::YesNo);
        EXPECT_TRUE(SameLines({host.prompter.boxes.prompts()[0].text}, {GuardQuestion(side, d.files, d.changed)}));
        EXPECT_TRUE(host.prompter.boxes.lastDefaultNo());
        EXPECT_EQ(Snapshot(src), s0);
        EXPECT_EQ(Snapshot(dst), d0);
        EXPECT_TRUE(SameLines(Lines(), {kInterrupted}));
        EXPECT_TRUE(Errors().empty());

        // Yes: the run as decided, line for line and file for file as
        // without the guard.
        Prepare(d, true);
        host.scheduled = false;
        host.prompter.boxes.Push(PromptAnswer::Yes);
        EXPECT_EQ(Run(d.mode), 1);
        EXPECT_EQ(host.prompter.boxes.prompts().size(), 1u);
        EXPECT_TRUE(SameLines(Lines(), offLines));
        EXPECT_TRUE(SameLines(Errors(), offErrors));
        EXPECT_EQ(Snapshot(src).size(), offSrc.size());
        EXPECT_EQ(Snapshot(dst).size(), offDst.size());
        EXPECT_EQ(ChangedFiles(before, SideOf(d)), d.changed);
    }
}

// Test mode says what the guard would do, with the same counts, and changes
// nothing; below the limit it says nothing at all.
TEST_F(Guard, TestModeLogsTheVerdictOnlyWhenTheGuardWouldStop) {
    const Disaster d = Disasters()[1];  // sync, 60 % of the source deleted
    Prepare(d, true);
    const Tree s0 = Snapshot(src), d0 = Snapshot(dst);
    EXPECT_EQ(Run(RunMode::SyncTest), 1);
    EXPECT_EQ(Snapshot(src), s0);
    EXPECT_EQ(Snapshot(dst), d0);
    EXPECT_EQ(CountLines(GuardTestVerdict(kDestinationSide, 40, 24)), 1u);
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());
    std::vector<std::wstring> withGuard = Lines();
    withGuard.erase(std::find(withGuard.begin(), withGuard.end(), GuardTestVerdict(kDestinationSide, 40, 24)));

    Prepare(d, false);
    EXPECT_EQ(Run(RunMode::SyncTest), 1);
    EXPECT_TRUE(SameLines(withGuard, Lines()));

    // The folder case in test mode: the files below the folder count.
    const Disaster folder = Disasters()[5];
    Prepare(folder, true);
    EXPECT_EQ(Run(RunMode::SyncTest), 1);
    EXPECT_EQ(CountLines(GuardTestVerdict(kDestinationSide, 40, 30)), 1u);

    // Below the limit: the test run's lines are those without the guard.
    StartAfresh();
    for (int i = 0; i < 40; ++i) Dst(Name(i), Bytes(i));
    for (int i = 0; i < 30; ++i) Src(Name(i), Bytes(i));
    EXPECT_EQ(Run(RunMode::SyncTest), 1);
    const std::vector<std::wstring> on = Lines();
    ClearRecords();
    host.options.guardOn = false;
    EXPECT_EQ(Run(RunMode::SyncTest), 1);
    EXPECT_TRUE(SameLines(on, Lines()));
}

// What never trips: below the share, below the minimum, exactly at the
// share, a first copy into an empty or new destination, a run that only
// adds files, the guard off, and a higher limit. Each run is line for line
// and file for file the run without the guard.
TEST_F(Guard, RunsBelowTheLimitsAreExactlyTheRunsWithoutTheGuard) {
    struct Case {
        const char* what;
        RunMode mode;
        std::function<void()> trees;
        std::function<void(RunOptions&)> options;
        bool newDestination = false;
    };
    const Case cases[] = {
        {"a quarter of the source deleted, sync", RunMode::Sync,
         [&] {
             for (int i = 0; i < 30; ++i) Src(Name(i), Bytes(i));
             for (int i = 0; i < 40; ++i) Dst(Name(i), Bytes(i));
         },
         [](RunOptions&) {}},
        {"exactly half rewritten (the limit is more than half)", RunMode::Overwrite,
         [&] {
             for (int i = 0; i < 40; ++i) {
                 Src(Name(i), i < 20 ? "new " + Bytes(i) : Bytes(i), i < 20 ? 100 : 0);
                 Dst(Name(i), Bytes(i));
             }
         },
         [](RunOptions&) {}},
        {"most deleted but fewer than the minimum", RunMode::Sync,
         [&] {
             for (int i = 0; i < 2; ++i) Src(Name(i), Bytes(i));
             for (int i = 0; i < 21; ++i) Dst(Name(i), Bytes(i));
         },
         [](RunOptions&) {}},
        {"a first copy into an empty destination", RunMode::Sync,
         [&] { for (int i = 0; i < 40; ++i) Src(L"a\\" + Name(i), Bytes(i)); }, [](RunOptions&) {}},
        {"a first copy into a new destination", RunMode::Overwrite,
         [&] { for (int i = 0; i < 40; ++i) Src(Name(i), Bytes(i)); }, [](RunOptions&) {}, true},
        {"a run that only adds files", RunMode::SyncDeletePriority,
         [&] {
             for (int i = 0; i < 40; ++i) Src(Name(i), Bytes(i));
             for (int i = 0; i < 40; i += 2) Dst(Name(i), Bytes(i));
         },
         [](RunOptions&) {}},
        {"the guard off", RunMode::Sync,
         [&] { for (int i = 0; i < 40; ++i) Dst(Name(i), Bytes(i)); Src(Name(0), Bytes(0)); },
         [](RunOptions& o) { o.guardOn = false; }},
        {"a limit of 90 %", RunMode::Sync,
         [&] {
             for (int i = 0; i < 8; ++i) Src(Name(i), Bytes(i));
             for (int i = 0; i < 40; ++i) Dst(Name(i), Bytes(i));
         },
         [](RunOptions& o) { o.guardPercent = 90; }},
        {"a minimum of 100", RunMode::Sync,
         [&] { for (int i = 0; i < 40; ++i) Dst(Name(i), Bytes(i)); Src(Name(0), Bytes(0)); },
         [](RunOptions& o) { o.guardMinimum = 100; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::wstring> lines[2], errors[2];
        Tree trees[2][2];
        for (int guard = 0; guard < 2; ++guard) {
            StartAfresh();
            host.scheduled = true;
            c.trees();
            if (c.newDestination) RemoveTree(dst);
            host.options.guardOn = guard == 1;
            if (guard == 1) c.options(host.options);
            EXPECT_EQ(Run(c.mode), 1);
            EXPECT_FALSE(lastOutcome.stoppedByGuard);
            lines[guard] = Lines();
            errors[guard] = Errors();
            trees[guard][0] = Snapshot(src);
            trees[guard][1] = Snapshot(dst);
        }
        EXPECT_TRUE(SameLines(lines[1], lines[0]));
        EXPECT_TRUE(SameLines(errors[1], errors[0]));
        EXPECT_EQ(trees[1][0].size(), trees[0][0].size());
        EXPECT_EQ(trees[1][1].size(), trees[0][1].size());
    }
}

// Both sides of a sync can trip at once: each side has its own line, the
// destination first; filtered-out files and the set-aside folder are not
// among a side's files.
// Leaves out names ending in ".tmp".
class NoTmpFilter : public EntryFilter {
public:
    bool Accept(const std::wstring& name, bool isFolder, std::uint64_t, std::uint64_t) const override {
        return isFolder || !name.ends_with(L".tmp");
    }
    bool DestinationOnly() const override { return false; }
    bool ProtectDestination() const override { return false; }
    bool NameListsInUse() const override { return true; }
};

TEST_F(Guard, EachSideIsCountedOnItsOwnWithoutFilteredOutFilesOrTheSetAsideFolder) {
    host.scheduled = true;
    host.filter = std::make_shared<NoTmpFilter>();
    // Files the filter leaves out, on both sides and inside a folder the
    // run deletes: never among a side's files.
    for (int i = 0; i < 100; ++i) {
        Src(L"t" + std::to_wstring(i) + L".tmp", "t");
        Dst(L"t" + std::to_wstring(i) + L".tmp", "t");
    }
    // The source loses most of its files through "delete" of items the
    // destination lacks; the destination most of its own to the sync.
    host.options.missingInDestination = MissingPolicy::Delete;
    for (int i = 0; i < 25; ++i) Src(L"s" + Name(i), Bytes(i));
    for (int i = 0; i < 25; ++i) Dst(L"d" + Name(i), Bytes(i));
    for (int i = 0; i < 5; ++i) {
        Src(Name(i), Bytes(i));
        Dst(Name(i), Bytes(i));
    }
    // Kept files of an earlier run: never part of the count.
    for (int i = 0; i < 30; ++i) Dst(L"_Mirrant退避\\2026-01-01_000000\\" + Name(i), Bytes(i));
    const Tree s0 = Snapshot(src), d0 = Snapshot(dst);
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_TRUE(lastOutcome.stoppedByGuard);
    EXPECT_TRUE(SameLines(host.log.errorLines,
                          {GuardStopped(kDestinationSide, 30, 25), GuardStopped(kSourceSide, 30, 25)}));
    EXPECT_EQ(Snapshot(src), s0);
    EXPECT_EQ(Snapshot(dst), d0);

    // An overwrite walks only the source: the destination's files are those
    // of its listings, without the filtered-out ones.
    StartAfresh();
    host.scheduled = true;
    for (int i = 0; i < 100; ++i) Dst(L"t" + std::to_wstring(i) + L".tmp", "t");
    for (int i = 0; i < 30; ++i) {
        Src(L"docs\\" + Name(i), "encrypted " + Bytes(i), 100);
        Dst(L"docs\\" + Name(i), Bytes(i));
        Dst(L"docs\\" + std::to_wstring(i) + L".tmp", "t");
    }
    EXPECT_EQ(Run(RunMode::Overwrite), 0);
    EXPECT_TRUE(SameLines(host.log.errorLines, {GuardStopped(kDestinationSide, 30, 30)}));

    // A folder deleted whole: its files count, its filtered-out ones do not.
    StartAfresh();
    host.scheduled = true;
    for (int i = 0; i < 10; ++i) {
        Src(Name(i), Bytes(i));
        Dst(Name(i), Bytes(i));
    }
    for (int i = 0; i < 20; ++i) {
        Dst(L"gone\\" + Name(i), Bytes(i));
        Dst(L"gone\\" + std::to_wstring(i) + L".tmp", "t");
    }
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_TRUE(SameLines(host.log.errorLines, {GuardStopped(kDestinationSide, 30, 20)}));
}

// A share given in the settings is what the line names; a trip needs more
// than the share and at least the minimum.
TEST_F(Guard, TheLimitsDecideAndTheLineNamesTheShare) {
    struct Case {
        int percent, minimum;
        int kept;  // of 40 destination files, the ones the source still has
        bool stops;
    };
    const Case cases[] = {
        {10, 1, 35, true},    // 5 of 40 is 12.5 %
        {10, 6, 35, false},   // 5 files, fewer than 6
        {10, 5, 35, true},    // exactly the minimum
        {100, 1, 0, false},   // all of them is not more than 100 %
        {25, 10, 30, false},  // exactly a quarter is not more than a quarter
        {24, 10, 30, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.percent << "% min " << c.minimum << " kept " << c.kept);
        StartAfresh();
        host.scheduled = true;
        host.options.guardPercent = c.percent;
        host.options.guardMinimum = c.minimum;
        for (int i = 0; i < 40; ++i) Dst(Name(i), Bytes(i));
        for (int i = 0; i < c.kept; ++i) Src(Name(i), Bytes(i));
        if (c.kept == 0) Src(L"other.txt", "x");  // a source that is not empty
        Run(RunMode::Sync);
        EXPECT_EQ(lastOutcome.stoppedByGuard, c.stops);
        if (c.stops) {
            EXPECT_TRUE(SameLines(host.log.errorLines,
                                  {GuardStopped(kDestinationSide, 40, static_cast<unsigned>(40 - c.kept),
                                                static_cast<unsigned>(c.percent))}));
        } else {
            EXPECT_TRUE(host.log.errorLines.empty());
        }
    }
}

// A stopped run does no clean-up of the set-aside folder either, and sets
// nothing aside.
TEST_F(Guard, AStoppedRunLeavesTheSetAsideFolderAsItWas) {
    host.scheduled = true;
    host.options.setAsideFiles = true;
    host.options.setAsideDays = 1;
    for (const wchar_t* run : {L"2020-01-01_000000", L"2020-01-02_000000", L"2020-01-03_000000",
                               L"2020-01-04_000000"})
        Dst(std::wstring(L"_Mirrant退避\\") + run + L"\\old.txt", "old");
    for (int i = 0; i < 40; ++i) Dst(Name(i), Bytes(i));
    Src(Name(0), Bytes(0));
    const Tree d0 = Snapshot(dst);
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_TRUE(lastOutcome.stoppedByGuard);
    EXPECT_EQ(Snapshot(dst), d0);

    // Without the guard the same run clears the oldest run folder first.
    ClearRecords();
    host.options.guardOn = false;
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_FALSE(Exists(D(L"_Mirrant退避\\2020-01-01_000000\\")));
}

}  // namespace
}  // namespace mirrant::testing
