// The small dialogs of the log: the time format dialog with its example and
// enabling rule, and the log saving dialog opened from a worker thread the
// way the end of a run does.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "framework/text.h"
#include "log/log_buffer.h"
#include "log/log_save_dialog.h"
#include "log/time_format_dialog.h"
#include "res/resource.h"
#include "support/temp_dir.h"
#include "window_driver.h"

namespace mirrant {
namespace {

using testing::Checked;
using testing::Enabled;
using testing::Need;
using testing::OwnerWindow;
using testing::Press;
using testing::PumpUntil;
using testing::TextOf;
using testing::ThreadWindowTitled;
using testing::UserScript;
using testing::WaitForWindow;
using testing::WaitGone;

const wchar_t kTimeFormatTitle[] = L"時刻の書式";
const wchar_t kSavingTitle[] = L"ﾛｸﾞ保存経過";

// Tuesday 5 March 2024, 14:07:09, then one second later at every call.
std::atomic<int> g_ticks{0};
LocalTime TickingClock() { return MakeLocalTime(2024, 3, 5, 14, 7, 9 + g_ticks++ % 50); }
LocalTime Fixed() { return MakeLocalTime(2024, 3, 5, 14, 7, 9); }
LocalTime Noon() { return MakeLocalTime(2024, 3, 5, 12, 30, 0); }

// A click on a check box or radio button as the user makes it.
void Toggle(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }

TEST(TimeFormatDialog, OpensFromTheFormatAndAppliesTheEnablingRule) {
    unsigned format = 7;
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, kTimeFormatTitle), "time format dialog");
        EXPECT_TRUE(Checked(d, IDC_TF_KANJI));
        EXPECT_TRUE(Checked(d, IDC_TF_YEAR));
        EXPECT_TRUE(Checked(d, IDC_TF_WEEKDAY));
        EXPECT_FALSE(Checked(d, IDC_TF_AMPM));
        EXPECT_FALSE(Checked(d, IDC_TF_NO_DATE));
        EXPECT_TRUE(Checked(d, IDC_TF_FOUR_DIGITS));
        EXPECT_FALSE(Checked(d, IDC_TF_TWO_DIGITS));
        for (int id : {IDC_TF_YEAR, IDC_TF_WEEKDAY, IDC_TF_FOUR_DIGITS, IDC_TF_TWO_DIGITS})
            EXPECT_TRUE(Enabled(d, id)) << id;
        EXPECT_EQ(TextOf(d, IDC_TF_EXAMPLE), L"2024年 3月 5日(火) 14時 7分 9秒 >> ");
        EXPECT_EQ(TextOf(d, IDC_TF_EXAMPLE_GROUP), L"現在の書式で表示される時刻の例");

        // Without the year its digits mean nothing.
        Toggle(d, IDC_TF_YEAR);
        EXPECT_TRUE(Enabled(d, IDC_TF_WEEKDAY));
        EXPECT_FALSE(Enabled(d, IDC_TF_FOUR_DIGITS));
        EXPECT_FALSE(Enabled(d, IDC_TF_TWO_DIGITS));
        EXPECT_EQ(TextOf(d, IDC_TF_EXAMPLE), L" 3月 5日(火) 14時 7分 9秒 >> ");
        Toggle(d, IDC_TF_YEAR);
        EXPECT_TRUE(Enabled(d, IDC_TF_TWO_DIGITS));

        // Without the date: the year, weekday and digits are disabled and the
        // example shows the time only.
        Toggle(d, IDC_TF_NO_DATE);
        for (int id : {IDC_TF_YEAR, IDC_TF_WEEKDAY, IDC_TF_FOUR_DIGITS, IDC_TF_TWO_DIGITS})
            EXPECT_FALSE(Enabled(d, id)) << id;
        EXPECT_TRUE(Enabled(d, IDC_TF_KANJI));
        EXPECT_TRUE(Enabled(d, IDC_TF_AMPM));
        EXPECT_EQ(TextOf(d, IDC_TF_EXAMPLE), L"14時 7分 9秒 >> ");
        Toggle(d, IDC_TF_NO_DATE);
        EXPECT_TRUE(Enabled(d, IDC_TF_YEAR));
        EXPECT_TRUE(Enabled(d, IDC_TF_FOUR_DIGITS));
        Press(d, IDCANCEL);
        EXPECT_TRUE(WaitGone(d));
    });
    EXPECT_FALSE(ChooseTimeFormat(nullptr, format, &Fixed));
    EXPECT_EQ(format, 7u);
}

TEST(TimeFormatDialog, OkReturnsTheEditedFormatAndTheExampleFollowsEachChange) {
    unsigned format = 7 | timefmt::NoDate;  // year and weekday kept while the date is off
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, kTimeFormatTitle), "time format dialog");
        EXPECT_FALSE(Enabled(d, IDC_TF_YEAR));
        EXPECT_EQ(TextOf(d, IDC_TF_EXAMPLE), L"12時30分 0秒 >> ");
        Toggle(d, IDC_TF_KANJI);
        EXPECT_EQ(TextOf(d, IDC_TF_EXAMPLE), L"12:30: 0 >> ");
        Toggle(d, IDC_TF_AMPM);
        EXPECT_EQ(TextOf(d, IDC_TF_EXAMPLE), L"PM 0:30: 0 >> ");
        Toggle(d, IDC_TF_NO_DATE);
        EXPECT_EQ(TextOf(d, IDC_TF_EXAMPLE), L"2024/ 3/ 5(火) PM 0:30: 0 >> ");
        Toggle(d, IDC_TF_TWO_DIGITS);
        EXPECT_EQ(TextOf(d, IDC_TF_EXAMPLE), L"24/ 3/ 5(火) PM 0:30: 0 >> ");
        Toggle(d, IDC_TF_WEEKDAY);
        EXPECT_EQ(TextOf(d, IDC_TF_EXAMPLE), L"24/ 3/ 5 PM 0:30: 0 >> ");
        Press(d, IDOK);
        EXPECT_TRUE(WaitGone(d));
    });
    EXPECT_TRUE(ChooseTimeFormat(nullptr, format, &Noon));
    EXPECT_EQ(format, timefmt::ShowYear | timefmt::AmPm | timefmt::TwoDigitYear);
}

TEST(TimeFormatDialog, TheExampleRunsOnItsOwn) {
    g_ticks = 0;
    unsigned format = 16;
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, kTimeFormatTitle), "time format dialog");
        const std::wstring first = TextOf(d, IDC_TF_EXAMPLE);
        // Refreshed by its timer, without any change of the format.
        bool changed = false;
        for (int i = 0; i < 500 && !changed; ++i) {
            Sleep(10);
            changed = TextOf(d, IDC_TF_EXAMPLE) != first;
        }
        EXPECT_TRUE(changed);
        Press(d, IDOK);
        EXPECT_TRUE(WaitGone(d));
    });
    EXPECT_TRUE(ChooseTimeFormat(nullptr, format, &TickingClock));
    EXPECT_EQ(format, 16u);
}

// The main window's saving dialogs: opened by the worker, created on the
// window's own thread, interrupted there, closed by the worker's message.
TEST(LogSavingDialog, WorkerOpensSetsAndClosesItWhileInterruptOnlyRaisesTheFlag) {
    OwnerWindow owner;
    LogSaveDialogs dialogs(owner.hwnd());
    std::atomic<bool> cancel{false};
    std::atomic<int> step{0};
    std::atomic<HWND> found{nullptr};
    const DWORD uiThread = GetCurrentThreadId();
    std::thread worker([&] {
        auto status = dialogs.Open(L"ﾛｸﾞﾌｧｲﾙを検索中...", &cancel);
        HWND d = WaitForWindow(uiThread, kSavingTitle);
        found = d;
        if (status && d) {
            EXPECT_EQ(TextOf(d, IDC_SAVING_TEXT), L"ﾛｸﾞﾌｧｲﾙを検索中...");
            status->SetText(L"C:\\x.txtへ書き込み中...");
            EXPECT_EQ(TextOf(d, IDC_SAVING_TEXT), L"C:\\x.txtへ書き込み中...");
            step = 1;
            while (!cancel) Sleep(10);
            EXPECT_TRUE(IsWindowVisible(d));
            status->Close();
            status->SetText(L"ignored after closing");
        }
        step = 2;
    });
    ASSERT_TRUE(PumpUntil([&] { return step.load() >= 1; }));
    HWND d = found;
    ASSERT_NE(d, nullptr);
    DWORD pid;
    EXPECT_EQ(GetWindowThreadProcessId(d, &pid), uiThread);
    EXPECT_EQ(GetWindow(d, GW_OWNER), owner.hwnd());
    EXPECT_EQ(TextOf(d, IDCANCEL), L"中断");
    Press(d, IDC_SAVING_INTERRUPT);
    EXPECT_TRUE(PumpUntil([&] { return step.load() == 2; }));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(d); }));
    worker.join();
    EXPECT_TRUE(cancel);
}

TEST(LogSavingDialog, RunLogShowsItsStatusAndClosesItAtTheEndOfARun) {
    testing::TempDir dir;
    OwnerWindow owner;
    LogSaveDialogs dialogs(owner.hwnd());
    LogBuffer log;
    log.SetSaveUi(&dialogs);
    log.SetStatusHoldMs(300);
    LogContext context;
    context.settingsWord = 1;  // save to a file at the end of the run
    context.userLog = dir / L"run.txt";
    context.startFolder = dir.path();
    context.tempFolder = dir.path();
    RunLogStart start;
    start.kind = RunKind::Overwrite;
    log.BeginRunLog(start, context);
    log.ClearLog();
    EXPECT_EQ(ThreadWindowTitled(GetCurrentThreadId(), kSavingTitle), nullptr);  // nothing opened before the run

    std::atomic<bool> done{false};
    std::thread worker([&] {
        log.AppendLine(L"one");
        log.FinishRunLog();
        done = true;
    });
    std::wstring lastText;
    ASSERT_TRUE(PumpUntil([&] {
        if (HWND d = ThreadWindowTitled(GetCurrentThreadId(), kSavingTitle)) lastText = TextOf(d, IDC_SAVING_TEXT);
        return done.load();
    }));
    worker.join();
    EXPECT_EQ(lastText, dir / L"run.txtの書き込みが終了しました。");
    EXPECT_TRUE(PumpUntil([&] { return ThreadWindowTitled(GetCurrentThreadId(), kSavingTitle) == nullptr; }));
    EXPECT_TRUE(testing::Exists(dir / L"run.txt"));
}

}  // namespace
}  // namespace mirrant
