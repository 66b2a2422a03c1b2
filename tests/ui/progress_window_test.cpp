// The progress window: which details it shows at each threshold, updates from
// a worker thread that never waits for the window, the interrupt button and
// the close box, and kDestroySelfMessage.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "framework/edition.h"
#include "framework/text.h"
#include "res/messages.h"
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
// of a run does (kDestroySelfMessage).
struct WindowFixture {
    explicit WindowFixture(int threshold) : window(ProgressWindow::Create(owner.hwnd(), threshold)) {}
    ~WindowFixture() {
        if (window && IsWindow(hwnd)) {
            SendMessageW(hwnd, kDestroySelfMessage, 0, 0);
        }
    }
    OwnerWindow owner;
    ProgressWindow* window;
    HWND hwnd = window ? window->hwnd() : nullptr;
};

// A window and a worker that writes to it as a run does: the worker shows
// the window, writes, and reads the status back before it says it is done.
struct WorkerFixture : WindowFixture {
    WorkerFixture() : WindowFixture(0) {}
    ~WorkerFixture() {
        if (worker.joinable()) worker.join();
    }
    void StartWorker(const std::function<void()>& write) {
        worker = std::thread([this, write] {
            window->SetVisible(true);
            write();
            statusSeenByWorker = window->StatusText();
            done = true;
        });
    }
    std::thread worker;
    std::atomic<bool> done{false};
    std::wstring statusSeenByWorker;
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
    f.window->SetScheduleText(LoadText(msg::kScheduleRunning));
    EXPECT_EQ(f.window->Title(), L"同期");
    EXPECT_EQ(f.window->ItemText(IDC_PROGRESS_DIRECTION), L"ｺﾋﾟｰ元 ← ｺﾋﾟｰ先");
    EXPECT_EQ(f.window->ItemText(IDC_PROGRESS_SCHEDULE), L"ｽｹｼﾞｭｰﾙ実行中");
    f.window->SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(f.hwnd));
    f.window->SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(f.hwnd));
}

// The worker writes while this thread dispatches messages, as during a run:
// the window refreshes in between and still ends with the last texts, which
// no later change brings along.
TEST(ProgressWindow, EndsShowingTheLastOfManyRapidTextsFromAWorkerThread) {
    WorkerFixture f;
    ASSERT_NE(f.window, nullptr);
    f.StartWorker([&] {
        for (int i = 0; i < 300; ++i) {
            f.window->SetStatus(L"ﾌｧｲﾙｺﾋﾟｰ中 " + std::to_wstring(i) + L"%");
            f.window->Show(L"D:\\tree\\file" + std::to_wstring(i) + L".txt", level::File);
            if (i % 60 == 0) Sleep(70);  // some refreshes fall inside the burst
        }
        f.window->Reset();
    });
    bool finished = PumpUntil([&] { return f.done.load(); }, 20000);
    f.worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(f.statusSeenByWorker, L"照合中");
    EXPECT_TRUE(PumpUntil(
        [&] {
            return f.window->ItemAreaText() == L"D:\\tree\\file299.txt" &&
                   f.window->ItemText(IDC_PROGRESS_STATUS) == L"照合中";
        },
        3000))
        << f.window->ItemAreaText();
    EXPECT_TRUE(IsWindowVisible(f.hwnd));
}

// The worker never waits for the window: a burst finishes while this thread
// dispatches nothing, and the window catches up once it does.
TEST(ProgressWindow, AWorkerBurstDoesNotWaitForTheWindow) {
    WorkerFixture f;
    ASSERT_NE(f.window, nullptr);
    f.StartWorker([&] {
        f.window->SetTitle(L"上書き");
        f.window->SetDirection(L"ｺﾋﾟｰ元 → ｺﾋﾟｰ先");
        for (int i = 0; i < 2000; ++i) {
            f.window->SetStatus(L"ﾌｧｲﾙｺﾋﾟｰ中");
            f.window->Show(L"E:\\x\\" + std::to_wstring(i) + L" ｺﾋﾟｰ中", level::Copying);
        }
        f.window->SetStatus(L"ﾌｧｲﾙｺﾋﾟｰ中 50%");  // read back before any refresh
    });
    // Sleep dispatches nothing, not even messages sent from the worker.
    DWORD start = GetTickCount();
    while (!f.done && GetTickCount() - start < 10000) Sleep(10);
    bool finishedAlone = f.done.load();
    if (!finishedAlone) PumpUntil([&] { return f.done.load(); }, 20000);  // frees a worker stuck in the window
    f.worker.join();
    EXPECT_TRUE(finishedAlone);
    EXPECT_EQ(f.statusSeenByWorker, L"ﾌｧｲﾙｺﾋﾟｰ中 50%");
    EXPECT_TRUE(PumpUntil(
        [&] { return f.window->ItemAreaText() == L"E:\\x\\1999 ｺﾋﾟｰ中" && IsWindowVisible(f.hwnd); }, 3000));
    EXPECT_EQ(f.window->ItemText(IDC_PROGRESS_STATUS), L"ﾌｧｲﾙｺﾋﾟｰ中 50%");
    EXPECT_EQ(f.window->Title(), L"上書き");
    EXPECT_EQ(f.window->ItemText(IDC_PROGRESS_DIRECTION), L"ｺﾋﾟｰ元 → ｺﾋﾟｰ先");
}

// Showing and hiding from the worker, in quick succession or with time for
// each to take effect: the window ends as the last call asked.
TEST(ProgressWindow, ShowAndHideFromAWorkerEndAsTheLastCallAsked) {
    const std::vector<std::vector<bool>> sequences = {
        {true, false}, {false, true}, {true, false, true, false}, {true, true, false}, {false, true, false, true}};
    for (DWORD gap : {0u, 80u}) {
        for (const auto& steps : sequences) {
            WindowFixture f(0);
            ASSERT_NE(f.window, nullptr);
            std::atomic<bool> done{false};
            std::thread worker([&] {
                for (bool visible : steps) {
                    f.window->SetVisible(visible);
                    Sleep(gap);
                }
                done = true;
            });
            bool finished = PumpUntil([&] { return done.load(); }, 10000);
            worker.join();
            ASSERT_TRUE(finished);
            bool last = steps.back();
            // Promptly, and without a later change to bring it along.
            EXPECT_TRUE(PumpUntil([&] { return (IsWindowVisible(f.hwnd) != FALSE) == last; }, 1000))
                << "gap " << gap << " steps " << steps.size() << " last " << last;
            // And it stays so: nothing recorded earlier comes back later.
            PumpUntil([] { return false; }, 3 * ProgressWindow::kRefreshMs);
            EXPECT_EQ(IsWindowVisible(f.hwnd) != FALSE, last) << "gap " << gap << " steps " << steps.size();
        }
    }
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
                f.window->Show(L"F:\\paused\\a.txt", level::File);
                stopped = StopRequested(*f.window);
                done = true;
            });
            Sleep(700);
            EXPECT_FALSE(done.load());  // still waiting while the question is open
            // The question's message loop keeps the window refreshing.
            EXPECT_EQ(testing::TextOf(f.hwnd, IDC_PROGRESS_ITEM), L"F:\\paused\\a.txt");
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
    EXPECT_EQ(kDestroySelfMessage, 1224u);
    window->RequestDestroy();
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
}

TEST(ProgressWindow, GoesAwayWhileARefreshIsStillQueued) {
    OwnerWindow owner;
    ProgressWindow* window = ProgressWindow::Create(owner.hwnd(), 0);
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->hwnd();
    // Queues a refresh from another thread and records texts for the timer.
    std::thread([&] {
        window->Show(L"G:\\last.txt", level::File);
        window->SetVisible(true);
    }).join();
    SendMessageW(hwnd, kDestroySelfMessage, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    // The queued refresh and any timer tick find no window and no object.
    PumpUntil([] { return false; }, 4 * ProgressWindow::kRefreshMs);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(ProgressWindow, GoesAwayWithItsOwner) {
    auto* owner = new OwnerWindow;
    ProgressWindow* window = ProgressWindow::Create(owner->hwnd(), 0);
    ASSERT_NE(window, nullptr);
    HWND hwnd = window->hwnd();
    delete owner;
    EXPECT_FALSE(IsWindow(hwnd));
}

// A run that copies says how far it is: files and megabytes against all it
// decided to copy, and once it knows its rate, the time it has left.
TEST(ProgressWindow, ShowsHowFarTheRunIsFromAWorker) {
    WorkerFixture f;
    ASSERT_NE(f.window, nullptr);
    EXPECT_EQ(f.window->TotalsText(), L"");
    struct Case {
        ProgressTotals totals;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {{0, 340, 0, 47185920, -1}, L"ﾌｧｲﾙ 0 / 340　　0.0 MB / 45.0 MB"},
        {{12, 340, 1258291, 47185920, 42}, L"ﾌｧｲﾙ 12 / 340　　1.2 MB / 45.0 MB　　残り約 42 秒"},
        {{100, 340, 15728640, 47185920, 185}, L"ﾌｧｲﾙ 100 / 340　　15.0 MB / 45.0 MB　　残り約 3 分"},
        {{1, 340, 1048576, 47185920, 7380}, L"ﾌｧｲﾙ 1 / 340　　1.0 MB / 45.0 MB　　残り約 2 時間 3 分"},
    };
    for (const Case& c : cases) {
        f.done = false;
        if (f.worker.joinable()) f.worker.join();
        f.StartWorker([&] { f.window->SetTotals(c.totals); });
        EXPECT_TRUE(PumpUntil([&] { return f.done.load() && f.window->TotalsText() == c.shown; }))
            << f.window->TotalsText();
    }
}

}  // namespace
}  // namespace mirrant
