// The batch execution window run in-process with a scripted user: swapping
// and undoing, the question before a swapped run, editing and reloading,
// empty paths, and a queue that cannot be shown.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "batch/batch_execute_window.h"
#include "engine/texts.h"
#include "res/resource.h"
#include "support/scripted_prompter.h"
#include "ui/window_driver.h"

namespace mirrant {
namespace {

using testing::Enabled;
using testing::Need;
using testing::Press;

using testing::TextOf;
using testing::UserScript;
using testing::WaitForWindow;
using testing::WaitGone;

const std::wstring kTitle = L"ﾊﾞｯﾁﾌｧｲﾙ実行";
namespace text = testing::text;

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        if (done()) return true;
        Sleep(10);
    }
    return false;
}

std::wstring Cell(HWND window, int row, int column) {
    wchar_t buffer[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 512;
    SendDlgItemMessageW(window, IDC_BATCH_LIST, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

void ClickRow(HWND window, int row) {
    HWND list = GetDlgItem(window, IDC_BATCH_LIST);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_BATCH_LIST;
    click.hdr.code = NM_CLICK;
    click.iItem = row;
    SendMessageW(window, WM_NOTIFY, IDC_BATCH_LIST, reinterpret_cast<LPARAM>(&click));
}

struct WindowRun {
    std::deque<BatchRow> queue;
    testing::ScriptedPrompter prompter;
    bool result = false;

    void Show() {
        BatchExecuteWindow window(L"nightly job", queue, &prompter);
        result = window.Run(nullptr);
    }
};

const std::deque<BatchRow> kRows = {
    {L'O', L"C:\\a\\", L"D:\\a\\"}, {L'S', L"C:\\b\\", L"D:\\b\\"}, {L'O', L"C:\\c\\", L"D:\\c\\"}};

TEST(BatchExecuteWindow, SwapTwiceRestoresThenASwappedRunAsksFirst) {
    WindowRun run{kRows};
    run.prompter.Push(mirrant::PromptAnswer::No);   // 234: stay in the window
    run.prompter.Push(mirrant::PromptAnswer::Yes);  // 234: run swapped
    UserScript user([](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "execution window");
        EXPECT_EQ(SendDlgItemMessageW(w, IDC_BATCH_LIST, LVM_GETITEMCOUNT, 0, 0), 3);
        EXPECT_EQ(TextOf(w, IDC_BATCH_COMMENT), L"nightly job");
        EXPECT_EQ(Cell(w, 1, 0), L"同期");
        EXPECT_EQ(TextOf(w, IDC_BATCH_SOURCE), L"C:\\a\\");
        EXPECT_EQ(TextOf(w, IDC_BATCH_SWAP), L"全行左右入替");
        EXPECT_TRUE(Enabled(w, IDOK));

        Press(w, IDC_BATCH_SWAP);
        EXPECT_TRUE(WaitUntil([&] { return TextOf(w, 0) == kTitle + L"[全行左右入替]"; }));
        EXPECT_EQ(TextOf(w, IDC_BATCH_SWAP), L"入替を戻す");
        EXPECT_EQ(TextOf(w, IDC_BATCH_SOURCE), L"D:\\a\\");
        EXPECT_EQ(Cell(w, 2, 1), L"D:\\c\\");

        Press(w, IDC_BATCH_SWAP);
        EXPECT_TRUE(WaitUntil([&] { return TextOf(w, 0) == kTitle; }));
        EXPECT_EQ(TextOf(w, IDC_BATCH_SWAP), L"全行左右入替");
        EXPECT_EQ(Cell(w, 2, 1), L"C:\\c\\");

        Press(w, IDC_BATCH_SWAP);
        EXPECT_TRUE(WaitUntil([&] { return TextOf(w, IDC_BATCH_SWAP) == L"入替を戻す"; }));
        Press(w, IDOK);  // answered No
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(w));
        Press(w, IDOK);  // answered Yes
        EXPECT_TRUE(WaitGone(w));
    });
    run.Show();
    user.Join();
    EXPECT_TRUE(run.result);
    EXPECT_EQ(run.prompter.CountText(text::kRunSwapped), 2u);
    EXPECT_EQ(run.queue, (std::deque<BatchRow>{{L'O', L"D:\\a\\", L"C:\\a\\"},
                                               {L'S', L"D:\\b\\", L"C:\\b\\"},
                                               {L'O', L"D:\\c\\", L"C:\\c\\"}}));
}

TEST(BatchExecuteWindow, EditsGoToTheClickedRowAndReloadDiscardsThem) {
    WindowRun run{kRows};
    UserScript user([](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "execution window");
        ClickRow(w, 1);
        EXPECT_EQ(TextOf(w, IDC_BATCH_SOURCE), L"C:\\b\\");
        SetDlgItemTextW(w, IDC_BATCH_DEST, L"E:\\elsewhere\\");
        EXPECT_EQ(Cell(w, 1, 2), L"E:\\elsewhere\\");
        EXPECT_EQ(Cell(w, 0, 2), L"D:\\a\\");

        Press(w, IDC_BATCH_RELOAD);
        EXPECT_TRUE(WaitUntil([&] { return Cell(w, 1, 2) == L"D:\\b\\"; }));
        EXPECT_EQ(TextOf(w, IDC_BATCH_DEST), L"D:\\b\\");  // the selected row stays selected

        ClickRow(w, 2);
        SetDlgItemTextW(w, IDC_BATCH_SOURCE, L"F:\\new\\");
        Press(w, IDOK);
        EXPECT_TRUE(WaitGone(w));
    });
    run.Show();
    user.Join();
    EXPECT_TRUE(run.result);
    EXPECT_TRUE(run.prompter.prompts().empty());
    EXPECT_EQ(run.queue, (std::deque<BatchRow>{kRows[0], kRows[1], {L'O', L"F:\\new\\", L"D:\\c\\"}}));
}

TEST(BatchExecuteWindow, EmptyPathsStopSwapAndRunAndCancelLeavesTheQueue) {
    WindowRun run{kRows};
    UserScript user([](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "execution window");
        ClickRow(w, 0);
        SetDlgItemTextW(w, IDC_BATCH_SOURCE, L"");
        Press(w, IDC_BATCH_SWAP);
        Press(w, IDOK);
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(w));
        EXPECT_EQ(TextOf(w, 0), kTitle);
        Press(w, IDCANCEL);
        EXPECT_TRUE(WaitGone(w));
    });
    run.Show();
    user.Join();
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.prompter.CountText(text::kEmptyPath), 2u);
    EXPECT_EQ(run.queue, kRows);
}

TEST(BatchExecuteWindow, AQueueThatCannotBeShownDisablesRunAndSwap) {
    WindowRun run{{{L'O', L"C:\\a\\", L"D:\\a\\"}, {L'O', L"", L"D:\\b\\"}}};
    UserScript user([](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "execution window");
        EXPECT_FALSE(Enabled(w, IDOK));
        EXPECT_FALSE(Enabled(w, IDC_BATCH_SWAP));
        Press(w, IDCANCEL);
        EXPECT_TRUE(WaitGone(w));
    });
    run.Show();
    user.Join();
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.prompter.CountText(L"このﾌｧｲﾙは正しく表示できません。"), 1u);
}

}  // namespace
}  // namespace mirrant
