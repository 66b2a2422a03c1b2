// The runs of a main window without the window: the run buttons, the worker
// whose outcome comes back to this thread, the end of a run (log file,
// result display, interrupted-batch notice, next row, end of the program),
// the policy changes a run makes for good, and the exit codes of an
// unattended program.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "session/run_session.h"
#include "engine/texts.h"
#include "framework/edition.h"
#include "fileops/timings.h"
#include "framework/profile.h"
#include "support/fake_run.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

namespace text = testing::text;


class FakeWindow : public RunHost {
public:
    std::wstring boxes[2];
    bool testMode = false;
    std::vector<bool> runActive;
    testing::RecordingProgress progress;
    bool progressFails = false;
    int progressCreated = 0;
    int progressDestroyed = 0;
    testing::ScriptedPrompter ui;
    testing::ScriptedEnginePrompter run;
    int resultsShown = 0;
    int closed = 0;

    std::wstring PathText(PathSide side) override { return boxes[side == PathSide::Source ? 0 : 1]; }
    void SetPathText(PathSide side, const std::wstring& text) override { boxes[side == PathSide::Source ? 0 : 1] = text; }
    bool TestModeChecked() override { return testMode; }
    void SetRunActive(bool active) override { runActive.push_back(active); }
    Progress* CreateProgress(int, bool) override {
        if (progressFails) return nullptr;
        ++progressCreated;
        return &progress;
    }
    void DestroyProgress(Progress*) override { ++progressDestroyed; }
    Prompter& UiPrompter() override { return ui; }
    EnginePrompter& RunPrompter() override { return run; }
    void ShowRunResult(const LogBuffer&) override { ++resultsShown; }
    void PostRunEnd(std::unique_ptr<RunOutcome> outcome) override {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(outcome));
        arrived_.notify_all();
    }
    void Close() override { ++closed; }

    // The next outcome the worker posted; null after 10 s.
    std::unique_ptr<RunOutcome> WaitForEnd() {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, std::chrono::seconds(10), [&] { return !posted_.empty(); })) return nullptr;
        auto outcome = std::move(posted_.front());
        posted_.pop_front();
        return outcome;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::unique_ptr<RunOutcome>> posted_;
};

class RunSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        RunSession::ResetRunEndNotices();
        AppProfile().DeleteRoot();
        src = temp / L"src\\";
        dst = temp / L"dst\\";
        testing::MakeFolder(src);
        testing::MakeFolder(dst);
        window.boxes[0] = src;
        window.boxes[1] = dst;
        session.Load(2);
        session.options().confirmFolderDelete = false;
        session.options().confirmNewerDestination = false;
        session.runLog().SetStatusHoldMs(0);
    }
    void TearDown() override { AppProfile().DeleteRoot(); }

    // Delivers worker outcomes to the session as the window's message loop
    // would, until no run is under way.
    void FinishRuns() {
        while (session.busy()) {
            auto outcome = window.WaitForEnd();
            ASSERT_TRUE(outcome) << "the worker never ended";
            session.OnRunEnd(std::move(outcome));
        }
    }
    std::wstring ScheduleLog() { return temp / L"schedule.txt"; }
    void Unattended() {
        AppProfile().SetString(kSettingsSection, L"ScheduleLog", ScheduleLog());
        session.EnterScheduleMode(true);
    }
    // A session of its own for one case of a table, loaded as at start-up.
    std::unique_ptr<RunSession> NewSession(FakeWindow& w, bool scheduled) {
        auto s = std::make_unique<RunSession>(w, SystemFileAccess(), temp.path());
        s->Load(2);
        s->runLog().SetStatusHoldMs(0);
        if (scheduled) {
            AppProfile().SetString(kSettingsSection, L"ScheduleLog", ScheduleLog());
            s->EnterScheduleMode(true);
        }
        return s;
    }

    ScopedFileOpTimings quickWaits{FileOpTimings{1, 1, 1, 1}};
    TempDir temp;
    std::wstring src, dst;
    FakeWindow window;
    RunSession session{window, SystemFileAccess(), temp.path()};
};

TEST_F(RunSessionTest, ARunStartsOnAWorkerAndEndsOnTheCallersThread) {
    WriteFile(src + L"a.txt", "a");
    window.boxes[1] = dst.substr(0, dst.size() - 1);  // without the backslash
    ASSERT_TRUE(session.OnRunButton(false));
    EXPECT_TRUE(session.busy());
    EXPECT_EQ(window.runActive, std::vector<bool>{true});
    EXPECT_FALSE(session.OnRunButton(true));  // busy: a second click does nothing

    auto outcome = window.WaitForEnd();
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->completed);
    EXPECT_TRUE(session.busy());  // until its end has been handled here
    session.OnRunEnd(std::move(outcome));
    EXPECT_FALSE(session.busy());
    EXPECT_EQ(window.runActive, (std::vector<bool>{true, false}));
    EXPECT_EQ(ReadFile(dst + L"a.txt"), "a");
    EXPECT_EQ(window.boxes[1], dst);  // the checked path is written back
    EXPECT_EQ(window.resultsShown, 1);
    EXPECT_EQ(window.progressDestroyed, 1);
    EXPECT_EQ(window.progress.titles.front(), L"上書きｺﾋﾟｰ");
    EXPECT_EQ(window.closed, 0);
}

TEST_F(RunSessionTest, InvalidPathsAreRefusedBeforeAnyRun) {
    window.boxes[0] = L"C:\\a|b";
    window.boxes[1] = L"C:\\x<y";
    EXPECT_FALSE(session.OnRunButton(false));
    ASSERT_EQ(window.ui.prompts().size(), 2u);
    EXPECT_EQ(window.ui.prompts()[0].text, L"ｺﾋﾟｰ元\"C:\\a|b\"はﾊﾟｽ名に使用できない文字または文字列が含まれています。");
    EXPECT_EQ(window.ui.prompts()[1].text, L"ｺﾋﾟｰ先\"C:\\x<y\"はﾊﾟｽ名に使用できない文字または文字列が含まれています。");
    EXPECT_FALSE(session.busy());
    EXPECT_TRUE(window.runActive.empty());
    EXPECT_EQ(window.progressCreated, 0);
}

// A path no call of the program could take (a binary batch row, a text
// pasted into a box) is refused before any run, and is shown shortened when
// it is long: the narrow program takes 259 bytes, the wide one 32762
// characters after a drive.
TEST_F(RunSessionTest, PathsLongerThanTheProgramCanUseAreRefusedBeforeAnyRun) {
    std::wstring over = L"C:";
    while (over.size() <= (kNarrowBuild ? 259u : 32762u)) over += L"\\abcdefgh";
    std::wstring huge = L"M:\\dst\\";
    while (huge.size() < (2u << 20)) huge += L"ab\\";
    window.boxes[0] = over;
    window.boxes[1] = huge;
    EXPECT_FALSE(session.OnRunButton(false));
    ASSERT_EQ(window.ui.prompts().size(), 2u);
    const std::wstring invalid = L"はﾊﾟｽ名に使用できない文字または文字列が含まれています。";
    const std::wstring& source = window.ui.prompts()[0].text;
    const std::wstring& destination = window.ui.prompts()[1].text;
    EXPECT_TRUE(source.starts_with(L"ｺﾋﾟｰ元\"C:\\...\\abcdefgh\\"));
    EXPECT_TRUE(source.ends_with(L"\\abcdefgh\"" + invalid));
    EXPECT_LE(source.size(), 300u);
    EXPECT_TRUE(destination.starts_with(L"ｺﾋﾟｰ先\"M:\\...\\ab\\"));
    EXPECT_TRUE(destination.ends_with(L"\\ab\\\"" + invalid));
    EXPECT_LE(destination.size(), 300u);
    EXPECT_FALSE(session.busy());
    EXPECT_EQ(window.progressCreated, 0);
}

TEST_F(RunSessionTest, ARunThatCannotStartSaysWhyAndLeavesNothingBehind) {
    FailNextWorkerStartForTest(ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(session.OnRunButton(false));
    ASSERT_EQ(window.ui.prompts().size(), 1u);
    EXPECT_EQ(window.ui.prompts()[0].text.rfind(L"処理を開始できません。原因：", 0), 0u);
    EXPECT_FALSE(session.busy());
    EXPECT_EQ(window.runActive, (std::vector<bool>{true, false}));
    EXPECT_EQ(window.progressDestroyed, 1);

    // No progress window: the same, instead of a run without one.
    window.progressFails = true;
    EXPECT_FALSE(session.OnRunButton(false));
    EXPECT_EQ(window.ui.prompts().size(), 2u);
    EXPECT_FALSE(session.busy());
}

TEST_F(RunSessionTest, AnEmptyBoxIsToldInABoxAndWritesOnlyTheLog) {
    window.boxes[0].clear();
    ASSERT_TRUE(session.OnRunButton(false));
    FinishRuns();
    ASSERT_EQ(window.run.boxes.prompts().size(), 1u);
    EXPECT_EQ(window.run.boxes.prompts()[0].text, text::kSourceEmpty);
    EXPECT_EQ(window.resultsShown, 0);
}

// What the end of a run shows and writes, by how it ended and where it
// stands in a batch. The log file is the schedule log of an unattended run.
TEST_F(RunSessionTest, TheEndOfARunWritesTheLogAndShowsTheResultAsItEnded) {
    struct Case {
        const char* what;
        bool completed, toldInBox, logged, scheduled;
        int rowsAfter;
        int results;          // result windows shown
        bool interruptedLine;  // msg::kBatchInterrupted at the end of the log
    } cases[] = {
        {"completed, interactive", true, false, true, false, 0, 1, false},
        {"completed, nothing logged", true, false, false, false, 0, 1, false},
        {"failed without a line", false, false, false, false, 0, 0, false},
        {"told in a box", false, true, false, false, 0, 0, false},
        {"completed batch row with rows after it", true, false, true, false, 2, 0, false},
        {"failed batch row, interactive", false, false, true, false, 2, 1, false},
        {"failed batch row, unattended", false, false, true, true, 2, 0, true},
        {"failed last row, unattended", false, false, true, true, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWindow w;
        auto session = NewSession(w, c.scheduled);
        RunSession& s = *session;
        w.boxes[0] = src;
        w.boxes[1] = dst;
        s.BeginBatchLog(L"C:\\job.mrt");
        ASSERT_TRUE(s.StartBatch(std::deque<BatchRow>(1 + c.rowsAfter, {kOverwriteLetter, src, dst})));
        ASSERT_TRUE(w.WaitForEnd());
        auto outcome = std::make_unique<RunOutcome>();
        outcome->completed = c.completed;
        outcome->toldInBox = c.toldInBox;
        outcome->loggedAnything = c.logged;
        s.OnRunEnd(std::move(outcome));
        EXPECT_EQ(w.resultsShown, c.results);
        const auto lines = s.runLog().lines();
        EXPECT_EQ(!lines.empty() && lines.back() == text::kBatchInterrupted, c.interruptedLine);
        if (c.scheduled) {
            EXPECT_TRUE(testing::Exists(ScheduleLog()));
        }
        EXPECT_EQ(w.closed, c.scheduled ? 1 : 0);
        while (s.busy()) {  // the rows after a completed one run on
            auto next = w.WaitForEnd();
            ASSERT_TRUE(next);
            s.OnRunEnd(std::move(next));
        }
        DeleteFileW(ScheduleLog().c_str());
    }
}

TEST_F(RunSessionTest, CompletedRowsStartTheNextUntilTheLastEndsTheBatch) {
    session.options().deletePriority = false;
    WriteFile(src + L"a.txt", "a");
    session.BeginBatchLog(L"C:\\job.mrt");
    ASSERT_TRUE(session.StartBatch({{kOverwriteLetter, src, dst}, {kSyncLetter, src, dst}}));
    FinishRuns();
    EXPECT_TRUE(session.queue().empty());
    EXPECT_EQ(window.progressCreated, 1);  // one progress window for the batch
    EXPECT_EQ(window.progressDestroyed, 1);
    EXPECT_EQ(window.resultsShown, 1);      // once, for the whole batch
    EXPECT_TRUE(window.ui.prompts().empty());
    EXPECT_EQ(window.progress.titles.back(), L"逆向き照合");  // the second row was a sync
    EXPECT_EQ(window.closed, 0);
}

// A row that cannot start when its turn comes: no end-of-run message will
// come for it, so the batch's log is finished at once; unattended, the batch
// and the program end there, interactive, the window stays open.
TEST_F(RunSessionTest, ARowThatCannotStartFinishesTheLogAndUnattendedEndsTheProgram) {
    const std::wstring invalid = L"ｺﾋﾟｰ元\"C:\\|b\\\"はﾊﾟｽ名に使用できない文字または文字列が含まれています。";
    const BatchRow good{kOverwriteLetter, L"", L""}, badPath{kOverwriteLetter, L"C:\\|b\\", L"D:\\b\\"},
        badLetter{L'o', L"C:\\x\\", L"D:\\x\\"};
    struct Case {
        const char* what;
        bool scheduled;
        std::vector<BatchRow> rows;
        std::vector<std::wstring> errors;  // the log's error lines
        bool interruptedLine;              // text::kBatchInterrupted closes the log
        size_t warnings;                   // boxes shown
        size_t left;                       // rows still queued
        int closed;
    } cases[] = {
        {"unattended, second of three", true, {good, badPath, good}, {invalid}, true, 0, 0, 1},
        {"unattended, only row with a bad letter", true, {badLetter}, {text::kBadBatchContent}, false, 0, 0, 1},
        {"interactive, first of three", false, {badPath, good, good}, {}, false, 1, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWindow w;
        auto session = NewSession(w, c.scheduled);
        RunSession& s = *session;
        std::deque<BatchRow> rows(c.rows.begin(), c.rows.end());
        for (BatchRow& row : rows)
            if (row.source.empty()) row = {kOverwriteLetter, src, dst};
        s.BeginBatchLog(L"C:\\job.mrt");
        s.StartBatch(rows);
        while (s.busy()) {
            auto outcome = w.WaitForEnd();
            ASSERT_TRUE(outcome);
            s.OnRunEnd(std::move(outcome));
        }
        EXPECT_EQ(s.runLog().errorLines(), c.errors);
        const auto lines = s.runLog().lines();
        EXPECT_EQ(!lines.empty() && lines.back() == text::kBatchInterrupted, c.interruptedLine);
        EXPECT_EQ(w.ui.prompts().size(), c.warnings);
        if (c.warnings) EXPECT_EQ(w.ui.prompts()[0].text, invalid);
        EXPECT_EQ(s.queue().size(), c.left);
        EXPECT_EQ(w.closed, c.closed);
        EXPECT_EQ(w.progressDestroyed, w.progressCreated);
        if (c.scheduled) {
            EXPECT_TRUE(testing::Exists(ScheduleLog()));
            EXPECT_EQ(s.exitCode(), ExitCode::NotCompleted);
        }
        DeleteFileW(ScheduleLog().c_str());
    }
}

TEST_F(RunSessionTest, AnInterruptedBatchShowsTheNoticeAndAsksOncePerProgram) {
    // The first of two rows does not complete.
    auto failRow = [&](FakeWindow& w, RunSession& s) {
        ASSERT_TRUE(s.StartBatch({{kOverwriteLetter, src, dst}, {kOverwriteLetter, src, dst}}));
        ASSERT_TRUE(w.WaitForEnd());
        s.OnRunEnd(std::make_unique<RunOutcome>());
    };
    window.ui.Push(PromptAnswer::No);  // 250
    failRow(window, session);
    EXPECT_TRUE(session.queue().empty());
    EXPECT_EQ(window.ui.CountText(text::kBatchInterrupted), 1u);
    EXPECT_EQ(window.ui.CountText(text::kDontShowAgain), 1u);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op17", 0), 0);

    failRow(window, session);
    EXPECT_EQ(window.ui.CountText(text::kBatchInterrupted), 2u);
    EXPECT_EQ(window.ui.CountText(text::kDontShowAgain), 1u);  // asked once per program

    // Yes silences the notice from then on.
    RunSession::ResetRunEndNotices();
    window.ui.Push(PromptAnswer::Yes);
    failRow(window, session);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op17", 0), 2);
    const size_t asked = window.ui.prompts().size();
    failRow(window, session);
    EXPECT_EQ(window.ui.prompts().size(), asked);
}

TEST_F(RunSessionTest, TheLogSettingThatEndsTheProgramAfterARun) {
    // "op16" bit that ends the program when a run is complete.
    AppProfile().SetInt(kSettingsSection, L"op16", static_cast<int>(kDefaultLogSettingsWord | (1u << 8)));
    ASSERT_TRUE(session.OnRunButton(false));
    FinishRuns();
    EXPECT_EQ(window.closed, 1);
}

TEST_F(RunSessionTest, APolicyChosenForGoodDuringARunReachesTheWindowAtItsEnd) {
    session.options().missingInSource = MissingPolicy::Ask;
    session.options().deletePriority = false;
    WriteFile(dst + L"a.txt", "a");
    WriteFile(dst + L"b.txt", "b");
    // "ｺﾋﾟｰも削除もしない" with the box ticked for the first item: the second
    // is not asked about, and delete priority stays off without a question.
    window.run.choiceAnswers.push_back({false, 2, true});
    window.boxes[0] = src;
    ASSERT_TRUE(session.OnRunButton(true));
    auto outcome = window.WaitForEnd();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(session.options().missingInSource, MissingPolicy::Ask);  // not touched by the worker
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op15", -1), 2);
    session.OnRunEnd(std::move(outcome));
    EXPECT_EQ(window.run.choiceRequests.size(), 1u);
    EXPECT_EQ(session.options().missingInSource, MissingPolicy::Ignore);
    EXPECT_FALSE(session.options().deletePriority);
    EXPECT_TRUE(testing::Exists(dst + L"a.txt"));
    EXPECT_TRUE(testing::Exists(dst + L"b.txt"));
}

TEST_F(RunSessionTest, AnUnattendedProgramTellsTheSchedulerHowItEnded) {
    struct Case {
        const char* what;
        std::vector<BatchRow> rows;
        bool lockedFile;  // a source file no one may read: an error line
        ExitCode expected;
    };
    const std::wstring missing = temp / L"nowhere\\";
    // A backup of 40 files whose source kept one: a sync would delete 39.
    const std::wstring lostSource = temp / L"lost\\", backup = temp / L"backup\\";
    testing::MakeFolder(lostSource);
    testing::MakeFolder(backup);
    WriteFile(lostSource + L"f0.txt", "0");
    for (int i = 0; i < 40; ++i) WriteFile(backup + L"f" + std::to_wstring(i) + L".txt", std::to_string(i));
    const Case cases[] = {
        {"every row completed", {{kOverwriteLetter, src, dst}, {kSyncLetter, src, dst}}, false, ExitCode::Success},
        {"an error line was logged", {{kOverwriteLetter, src, dst}}, true, ExitCode::ErrorsLogged},
        {"a row did not complete", {{kOverwriteLetter, missing, dst}, {kOverwriteLetter, src, dst}}, false,
         ExitCode::NotCompleted},
        {"a row could not start", {{kOverwriteLetter, L"C:\\a|b", dst}}, false, ExitCode::NotCompleted},
        {"a row was stopped by the guard, the next one ran",
         {{kSyncLetter, lostSource, backup}, {kOverwriteLetter, src, dst}}, false, ExitCode::StoppedByGuard},
        {"stopped by the guard ranks above a row that did not complete",
         {{kSyncLetter, lostSource, backup}, {kOverwriteLetter, missing, dst}}, false, ExitCode::StoppedByGuard},
        {"stopped by the guard ranks above error lines",
         {{kOverwriteLetter, src, dst}, {kSyncLetter, lostSource, backup}}, true, ExitCode::StoppedByGuard},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWindow w;
        auto session = NewSession(w, true);
        RunSession& s = *session;
        s.options().writeFailurePolicy = ErrorPolicy::Skip;
        s.options().rootWaitSeconds = 1;
        WriteFile(src + L"f.txt", "f");
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (c.lockedFile) {
            WriteFile(src + L"locked.txt", "l");
            lock = CreateFileW((src + L"locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        }
        s.BeginBatchLog(L"C:\\job.mrt");
        s.StartBatch(std::deque<BatchRow>(c.rows.begin(), c.rows.end()));
        while (s.busy()) {
            auto outcome = w.WaitForEnd();
            ASSERT_TRUE(outcome);
            s.OnRunEnd(std::move(outcome));
        }
        if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
        DeleteFileW((src + L"locked.txt").c_str());
        EXPECT_EQ(s.exitCode(), c.expected);
        EXPECT_EQ(w.closed, 1);
        if (c.expected == ExitCode::StoppedByGuard) {
            EXPECT_TRUE(testing::Exists(backup + L"f39.txt")) << "the stopped row deleted nothing";
            const bool otherRow = std::any_of(c.rows.begin(), c.rows.end(), [&](const BatchRow& r) { return r.source == src; });
            EXPECT_EQ(testing::Exists(dst + L"f.txt"), otherRow) << "the other row ran";
        }
        DeleteFileW((dst + L"f.txt").c_str());
    }
    // Interactive programs always end with 0.
    EXPECT_EQ(session.exitCode(), ExitCode::Success);
}

}  // namespace
}  // namespace mirrant
