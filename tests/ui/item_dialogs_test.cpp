// The per-item choice and the folder-delete confirmation, asked as the worker
// asks them: from another thread, shown on the thread of the owning window,
// which keeps dispatching messages; and the run's message boxes the same way.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/edition.h"
#include "res/resource.h"
#include "ui/item_dialogs.h"
#include "window_driver.h"

namespace mirrant {
namespace {

using testing::Need;
using testing::OwnerWindow;
using testing::Press;
using testing::PumpUntil;
using testing::UserScript;
using testing::WaitForWindow;

ItemChoiceRequest SourceSideRequest(int preselected) {
    ItemChoiceRequest r;
    r.side = MissingSide::Source;
    r.isFolder = true;
    r.title = L"同期時にｺﾋﾟｰ元にない場合の処理の選択";
    r.message = L"以下のｺﾋﾟｰ先のﾌｫﾙﾀﾞがｺﾋﾟｰ元にありません。";
    r.path = L"D:\\dst\\a&b\\";
    r.choiceTexts[0] = L"ｺﾋﾟｰ先からｺﾋﾟｰ元へｺﾋﾟｰする";
    r.choiceTexts[1] = L"ｺﾋﾟｰ先を削除する";
    r.choiceTexts[2] = L"ｺﾋﾟｰも削除もしない";
    r.checkBoxText = L"以後、「毎回処理を選択する」を、上の設定に変更する";
    r.preselected = preselected;
    return r;
}

// Runs `ask` on a worker thread, as a run does, while this thread pumps.
template <class F>
auto OnWorker(F ask) {
    decltype(ask()) result{};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = ask();
        done = true;
    });
    bool finished = PumpUntil([&] { return done.load(); }, 20000);
    worker.join();
    EXPECT_TRUE(finished);
    return result;
}

TEST(ItemChoiceDialog, ShowsTheRequestAndReturnsTheChoiceWithTheCheckBox) {
    OwnerWindow owner;
    DialogPrompter prompter(owner.hwnd());
    ItemChoiceRequest request = SourceSideRequest(1);
    std::wstring message, path, radios[3];
    bool preselected[3] = {};
    bool ownedByMain = false, ownerDisabled = false;
    DWORD workerThread = 0;
    std::thread::id id;
    bool workerHasNoWindow = false;
    UserScript user([&](DWORD windowThread) {
        // The dialog belongs to the window's thread, never to the worker.
        while (!workerThread) Sleep(5);
        HWND d = Need(WaitForWindow(windowThread, request.title), "item choice dialog");
        workerHasNoWindow = !testing::ThreadWindowTitled(workerThread, request.title.c_str());
        ownedByMain = GetWindow(d, GW_OWNER) == owner.hwnd();
        ownerDisabled = !IsWindowEnabled(owner.hwnd());
        message = testing::TextOf(d, IDC_ITEM_CHOICE_MESSAGE);
        path = testing::TextOf(d, IDC_ITEM_CHOICE_PATH);
        for (int i = 0; i < 3; ++i) {
            radios[i] = testing::TextOf(d, IDC_ITEM_CHOICE_RADIO0 + i);
            preselected[i] = testing::Checked(d, IDC_ITEM_CHOICE_RADIO0 + i);
        }
        testing::SetRadio(d, IDC_ITEM_CHOICE_RADIO1, false);
        testing::SetRadio(d, IDC_ITEM_CHOICE_RADIO2, true);
        testing::SetRadio(d, IDC_ITEM_CHOICE_CHANGE, true);
        Press(d, IDOK);
    });
    ItemChoiceAnswer answer = OnWorker([&] {
        workerThread = GetCurrentThreadId();
        return prompter.ChooseMissingItem(request);
    });
    user.Join();
    EXPECT_TRUE(workerHasNoWindow);
    EXPECT_TRUE(ownedByMain);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
    EXPECT_EQ(message, request.message);
    EXPECT_EQ(path, L"D:\\dst\\a&b\\");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(radios[i], request.choiceTexts[i]);
    EXPECT_FALSE(preselected[0]);
    EXPECT_TRUE(preselected[1]);
    EXPECT_FALSE(preselected[2]);
    EXPECT_FALSE(answer.interrupted);
    EXPECT_EQ(answer.choice, 2);
    EXPECT_TRUE(answer.changeSetting);
}

TEST(ItemChoiceDialog, ContinueWithNothingChosenStaysOpenAndInterruptEndsIt) {
    ItemChoiceRequest request = SourceSideRequest(0);
    bool stayedOpen = false;
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, request.title), "dialog 145");
        for (int i = 0; i < 3; ++i) testing::SetRadio(d, IDC_ITEM_CHOICE_RADIO0 + i, false);
        Press(d, IDOK);
        Sleep(200);
        stayedOpen = IsWindowVisible(d) != FALSE;
        Press(d, IDCANCEL);  // "中断"
    });
    ItemChoiceAnswer answer = ShowItemChoiceDialog(nullptr, request);
    user.Join();
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(answer.interrupted);
}

TEST(ItemChoiceDialog, ClosingTheWindowInterrupts) {
    ItemChoiceRequest request = SourceSideRequest(0);
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, request.title), "dialog 145");
        PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    ItemChoiceAnswer answer = ShowItemChoiceDialog(nullptr, request);
    user.Join();
    EXPECT_TRUE(answer.interrupted);
}

// Each button (and the close box) of IDD_FOLDER_DELETE, with and without the box.
TEST(FolderDeleteDialog, ReturnsTheButtonAndTheCheckBox) {
    struct Case {
        int press;  // 0: the close box
        bool tick;
        FolderDeleteButton expected;
    };
    const Case cases[] = {{IDYES, true, FolderDeleteButton::Yes},
                          {IDYES, false, FolderDeleteButton::Yes},
                          {IDNO, false, FolderDeleteButton::No},
                          {IDC_FOLDER_DELETE_INTERRUPT, false, FolderDeleteButton::Interrupt},
                          {0, false, FolderDeleteButton::No}};
    OwnerWindow owner;
    DialogPrompter prompter(owner.hwnd());
    for (const Case& c : cases) {
        std::wstring path;
        DWORD workerThread = 0;
        UserScript user([&](DWORD windowThread) {
            while (!workerThread) Sleep(5);
            HWND d = Need(WaitForWindow(windowThread, L"ﾌｫﾙﾀﾞ削除確認"), "folder delete dialog");
            path = testing::TextOf(d, IDC_FOLDER_DELETE_PATH);
            testing::SetRadio(d, IDC_FOLDER_DELETE_DONT_ASK, c.tick);
            if (c.press) Press(d, c.press);
            else PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        FolderDeleteAnswer answer = OnWorker([&] {
            workerThread = GetCurrentThreadId();
            return prompter.ConfirmFolderDelete(L"D:\\dst\\old\\");
        });
        user.Join();
        EXPECT_EQ(path, L"D:\\dst\\old\\");
        EXPECT_EQ(answer.button, c.expected) << c.press;
        EXPECT_EQ(answer.dontAskAgain, c.tick) << c.press;
    }
}

// A visible message box of the thread other than `except`, or null.
HWND OtherBox(DWORD thread, HWND except) {
    return testing::ThreadWindowWhere(thread, [except](HWND w) {
        wchar_t title[256] = {};
        GetWindowTextW(w, title, 256);
        return w != except && IsWindowVisible(w) && ProductName() == title;
    });
}

// A question of the worker is a box of the window's thread, and its answer
// comes back to the worker. While it is open the window's thread still
// serves: a second question (as the progress window's interrupt asks one)
// is shown over it and answered first, and each asker gets its own answer.
TEST(RunQuestions, AreShownOnTheWindowThreadAndAnsweredToTheirAskers) {
    OwnerWindow owner;
    DialogPrompter prompter(owner.hwnd());
    struct Case {
        int press;
        bool secondQuestion;
        PromptAnswer expected;
    };
    const Case cases[] = {{IDYES, false, PromptAnswer::Yes},
                          {IDNO, true, PromptAnswer::No},
                          {IDCANCEL, true, PromptAnswer::Cancel}};
    for (const Case& c : cases) {
        std::atomic<DWORD> workerThread{0};
        bool onWindowThreadOnly = false, secondAnswer = false;
        std::thread second;
        UserScript user([&](DWORD windowThread) {
            while (!workerThread) Sleep(5);
            HWND box = Need(WaitForWindow(windowThread, ProductName()), "worker's question");
            onWindowThreadOnly = testing::MessageBoxText(box) == L"続けますか？" &&
                                 !testing::ThreadWindowTitled(workerThread, ProductName().c_str());
            if (c.secondQuestion) {
                second = std::thread([&] { secondAnswer = prompter.YesNo(L"中断しますか？"); });
                HWND over = nullptr;
                for (int i = 0; i < 500 && !over; ++i, Sleep(10)) over = OtherBox(windowThread, box);
                Need(over, "second question");
                Press(over, IDYES);
                testing::WaitGone(over);
            }
            Press(box, c.press);
        });
        PromptAnswer answer = OnWorker([&] {
            workerThread = GetCurrentThreadId();
            return prompter.YesNoCancel(L"続けますか？");
        });
        user.Join();
        if (second.joinable()) second.join();
        EXPECT_TRUE(onWindowThreadOnly) << c.press;
        EXPECT_EQ(answer, c.expected) << c.press;
        EXPECT_EQ(secondAnswer, c.secondQuestion) << c.press;
    }
}

}  // namespace
}  // namespace mirrant
