// The progress window: which details it shows at each threshold, updates from
// a worker thread, the interrupt button and the close box, and message 1224.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/edition.h"
#include "framework/text.h"
#include "res/resource.h"
#include "ui/progress_window.h"
#include "window_driver.h"

namespace mirrant {
namespace {

using testing::Need;
using testing::OwnerWindow;
using testing::PumpUntil;
using testing::UserScript;
using testing::WaitForWindow;
using testing::WaitGone;

// Creates the window and destroys it at the end of the test the way the end
// of a run does (message 1224).
struct WindowFixture {
    explicit WindowFixture(int threshold) : window(ProgressWindow::Create(owner.hwnd(), threshold)) {}
    ~WindowFixture() {
        if (window && IsWindow(hwnd)) {
            SendMessageW(hwnd, kMsgDestroySelf, 0, 0);
        }
    }
    OwnerWindow owner;
    ProgressWindow* window;
    HWND hwnd = window ? window->hwnd() : nullptr;
};

TEST(ProgressWindow, StartsHiddenCentredOnItsOwnerWithTheResourceTexts) {
    WindowFixture f(0);
    ASSERT_NE(f.window, nullptr);
    EXPECT_FALSE(IsWindowVisible(f.hwnd));
    EXPECT_EQ(GetWindow(f.hwnd, GW_OWNER), f.owner.hwnd());
    EXPECT_EQ(f.window->Title(), L"経過表示");
    EXPECT_EQ(f.window->StatusText(), L"検索中");
    EXPECT_EQ(f.window->ItemAreaText(), L"");
    EXPECT_EQ(f.window->InterruptButtonText(), L"中断");
    EXPECT_FALSE(f.window->CancelRequested());
    EXPECT_FALSE(f.window->PauseRequested());

    RECT o, w;
    GetWindowRect(f.owner.hwnd(), &o);
    GetWindowRect(f.hwnd, &w);
    EXPECT_NEAR((o.left + o.right) / 2, (w.left + w.right) / 2, 1);
    EXPECT_NEAR((o.top + o.bottom) / 2, (w.top + w.bottom) / 2, 1);
}

TEST(ProgressWindow, ShowsADetailOnlyWhenItsLevelIsAboveTheThreshold) {
    const int levels[] = {level::File, level::Folder, level::DeletingFile, level::DeletingFolder,
                          level::CreatingFolder, level::Copying, level::RootWait};
    // 15 is what a hand-edited "op9" can hold: folder names but no file names.
    for (int threshold : {0, 10, 15, 20, 80}) {
        WindowFixture f(threshold);
        ASSERT_NE(f.window, nullptr);
        EXPECT_EQ(f.window->displayThreshold(), threshold);
        for (int lv : levels) {
            f.window->Show(L"before", 1000);
            std::wstring text = L"C:\\a\\b" + std::to_wstring(lv);
            f.window->Show(text, lv);
            EXPECT_EQ(f.window->ItemAreaText(), threshold < lv ? text : L"before")
                << "threshold " << threshold << " level " << lv;
        }
    }
}

TEST(ProgressWindow, ResetSetsComparingAndEmptiesTheAreaOnlyFromThreshold20) {
    for (int threshold : {0, 10, 15, 20, 80}) {
        WindowFixture f(threshold);
        ASSERT_NE(f.window, nullptr);
        f.window->Show(L"C:\\x\\ 削除中", level::RootWait);
        f.window->SetStatus(L"ﾌｧｲﾙ削除中");
        f.window->Reset();
        EXPECT_EQ(f.window->StatusText(), L"照合中");
        EXPECT_EQ(f.window->ItemAreaText(), threshold >= 20 ? L"" : L"C:\\x\\ 削除中") << threshold;
    }
}

TEST(ProgressWindow, SetsTitleDirectionScheduleAndVisibility) {
    WindowFixture f(0);
    ASSERT_NE(f.window, nullptr);
    f.window->SetTitle(L"同期");
    f.window->SetDirection(L"ｺﾋﾟｰ元 ← ｺﾋﾟｰ先");
    f.window->SetScheduleText(LoadText(223));
    EXPECT_EQ(f.window->Title(), L"同期");
    EXPECT_EQ(f.window->ItemText(IDC_PROGRESS_DIRECTION), L"ｺﾋﾟｰ元 ← ｺﾋﾟｰ先");
    EXPECT_EQ(f.window->ItemText(IDC_PROGRESS_SCHEDULE), L"ｽｹｼﾞｭｰﾙ実行中");
    f.window->SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(f.hwnd));
    f.window->SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(f.hwnd));
}

// The worker writes while this thread dispatches messages, as during a run.
TEST(ProgressWindow, TakesUpdatesFromAWorkerThreadWhileTheOwnerThreadPumps) {
    WindowFixture f(0);
    ASSERT_NE(f.window, nullptr);
    std::atomic<bool> done{false};
    std::wstring shownByWorker;
    std::thread worker([&] {
        f.window->SetVisible(true);
        for (int i = 0; i < 300; ++i) {
            f.window->SetStatus(L"ﾌｧｲﾙｺﾋﾟｰ中 " + std::to_wstring(i) + L"%");
            f.window->Show(L"D:\\tree\\file" + std::to_wstring(i) + L".txt", level::File);
        }
        f.window->Reset();
        shownByWorker = f.window->StatusText();
        f.window->SetVisible(false);
        done = true;
    });
    bool finished = PumpUntil([&] { return done.load(); }, 20000);
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(shownByWorker, L"照合中");
    EXPECT_EQ(f.window->ItemAreaText(), L"D:\\tree\\file299.txt");
    EXPECT_FALSE(IsWindowVisible(f.hwnd));
}

TEST(ProgressWindow, InterruptButtonAsksAndPausesTheWorkerWhileAsking) {
    WindowFixture f(0);
    ASSERT_NE(f.window, nullptr);
    f.window->SetVisible(true);
    std::wstring firstQuestion, secondQuestion;
    bool pausedWhileAsking = false;
    {
        UserScript user([&](DWORD thread) {
            HWND box = Need(WaitForWindow(thread, ProductName()), "question 142");
            firstQuestion = testing::MessageBoxText(box);
            pausedWhileAsking = f.window->PauseRequested();
            testing::Press(box, IDYES);
            WaitGone(box);
        });
        SendMessageW(f.hwnd, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_INTERRUPT, BN_CLICKED), 0);
    }
    EXPECT_EQ(firstQuestion, L"中断しますか？");
    EXPECT_TRUE(pausedWhileAsking);
    EXPECT_TRUE(f.window->CancelRequested());
    EXPECT_FALSE(f.window->PauseRequested());
    EXPECT_EQ(f.window->InterruptButtonText(), L"中断中");

    // Asked again while the interrupt is pending, "いいえ" takes it back and
    // the run goes on.
    {
        UserScript user([&](DWORD thread) {
            HWND box = Need(WaitForWindow(thread, ProductName()), "question 229");
            secondQuestion = testing::MessageBoxText(box);
            testing::Press(box, IDNO);
            WaitGone(box);
        });
        SendMessageW(f.hwnd, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_INTERRUPT, BN_CLICKED), 0);
    }
    EXPECT_EQ(secondQuestion, LoadText(229));
    EXPECT_FALSE(f.window->CancelRequested());
    EXPECT_FALSE(f.window->PauseRequested());
    EXPECT_EQ(f.window->InterruptButtonText(), L"中断");
}

TEST(ProgressWindow, AnsweringNoToTheFirstQuestionLeavesTheRunGoing) {
    WindowFixture f(0);
    ASSERT_NE(f.window, nullptr);
    {
        UserScript user([&](DWORD thread) {
            HWND box = Need(WaitForWindow(thread, ProductName()), "question 142");
            testing::Press(box, IDNO);
            WaitGone(box);
        });
        SendMessageW(f.hwnd, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_INTERRUPT, BN_CLICKED), 0);
    }
    EXPECT_FALSE(f.window->CancelRequested());
    EXPECT_EQ(f.window->InterruptButtonText(), L"中断");
}

TEST(ProgressWindow, CloseBoxInterruptsWithoutAQuestion) {
    WindowFixture f(0);
    ASSERT_NE(f.window, nullptr);
    f.window->SetVisible(true);
    // A question here would block this thread; SendMessage returning at all
    // is part of the check.
    SendMessageW(f.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(f.window->CancelRequested());
    EXPECT_FALSE(f.window->PauseRequested());
    EXPECT_EQ(f.window->InterruptButtonText(), L"中断中");
    EXPECT_TRUE(IsWindow(f.hwnd));  // the window stays until the run ends
}

TEST(ProgressWindow, PausedWorkerWaitsAndThenSeesTheInterrupt) {
    WindowFixture f(0);
    ASSERT_NE(f.window, nullptr);
    std::atomic<bool> stopped{false}, done{false};
    std::thread worker;
    {
        UserScript user([&](DWORD thread) {
            HWND box = Need(WaitForWindow(thread, ProductName()), "question 142");
            worker = std::thread([&] {
                stopped = StopRequested(*f.window);
                done = true;
            });
            Sleep(700);
            EXPECT_FALSE(done.load());  // still waiting while the question is open
            testing::Press(box, IDYES);
            WaitGone(box);
        });
        SendMessageW(f.hwnd, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_INTERRUPT, BN_CLICKED), 0);
    }
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(stopped.load());
}

TEST(ProgressWindow, Message1224DestroysTheWindow) {
    OwnerWindow owner;
    ProgressWindow* window = ProgressWindow::Create(owner.hwnd(), 0);
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->hwnd();
    EXPECT_EQ(kMsgDestroySelf, 1224u);
    window->RequestDestroy();
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
}

TEST(ProgressWindow, GoesAwayWithItsOwner) {
    auto* owner = new OwnerWindow;
    ProgressWindow* window = ProgressWindow::Create(owner->hwnd(), 0);
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->hwnd();
    delete owner;
    EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
}  // namespace mirrant
