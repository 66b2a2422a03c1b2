// The result log window run in-process with a scripted user: paging, the
// error-only window, resizing, saving on its own thread (with the log saving
// dialog, its interrupt, the refusal to close and the ignored second save),
// and the result display at the end of a run.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>

#include "framework/edition.h"
#include "framework/encoding.h"
#include "framework/text.h"
#include "log/log_buffer.h"
#include "log/result_window.h"
#include "res/resource.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "window_driver.h"

namespace mirrant {
namespace {

using testing::Need;
using testing::Press;
using testing::ScriptedPrompter;
using testing::TempDir;
using testing::ThreadWindowTitled;
using testing::UserScript;
using testing::WaitForWindow;
using testing::WaitGone;

const wchar_t kTitle[] = L"結果ﾛｸﾞ";
const wchar_t kErrorsTitle[] = L"結果ﾛｸﾞ(ｴﾗｰ表示のみ)";
const wchar_t kSavingTitle[] = L"ﾛｸﾞ保存経過";

std::vector<std::wstring> Lines(int count, const wchar_t* stem = L"行") {
    std::vector<std::wstring> lines;
    for (int i = 1; i <= count; ++i) lines.push_back(stem + std::to_wstring(i));
    return lines;
}

std::wstring Joined(const std::vector<std::wstring>& lines, size_t from, size_t to) {
    std::wstring text;
    for (size_t i = from; i < to && i < lines.size(); ++i) text += lines[i] + L"\r\n";
    return text;
}

// The whole text of the edit box (longer than the driver's TextOf reads).
std::wstring EditText(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_RESULT_EDIT);
    int n = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(edit, text.data(), n + 1);
    text.resize(static_cast<size_t>(n));
    return text;
}

bool Shown(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

// A click handled before this returns (for buttons that open nothing modal).
void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

RECT ClientRectOf(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The bytes of a saved log: UTF-16LE after FF FE, or code page 932 without
// a mark in the narrow program.
std::string SavedBytes(const std::wstring& text) {
    if constexpr (kNarrowBuild) {
        return ToCodePage(text, kCodePage932);
    } else {
        std::string out("\xFF\xFE", 2);
        out.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        return out;
    }
}

// Reports the outcome of a save, and can keep the save thread waiting in it
// so that the test can act while the save is still running.
class HeldPrompter : public Prompter {
public:
    HeldPrompter() : release_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}
    ~HeldPrompter() override { CloseHandle(release_); }
    void HoldNext() { ResetEvent(release_); }
    void Release() { SetEvent(release_); }
    void Warning(const std::wstring& text) override { Record(PromptKind::Warning, text); }
    void Information(const std::wstring& text) override { Record(PromptKind::Information, text); }
    bool YesNo(const std::wstring&, bool) override { return true; }
    PromptAnswer YesNoCancel(const std::wstring&) override { return PromptAnswer::Yes; }

    std::atomic<int> count{0};
    PromptKind kind = PromptKind::YesNo;
    std::wstring text;
    DWORD thread = 0;  // where the box was shown

private:
    // Held as a box is held open: the thread's messages are served meanwhile.
    void Record(PromptKind k, const std::wstring& t) {
        {
            std::lock_guard lock(mutex_);
            kind = k;
            text = t;
            thread = GetCurrentThreadId();
        }
        ++count;
        const DWORD until = GetTickCount() + 10000;
        while (MsgWaitForMultipleObjects(1, &release_, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0 &&
               GetTickCount() < until) {
            MSG m;
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&m);
                DispatchMessageW(&m);
            }
        }
    }
    std::mutex mutex_;
    HANDLE release_;
};

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        if (done()) return true;
        Sleep(10);
    }
    return false;
}

// Throws (ending the user script) when the save never reports its outcome.
void WaitForOutcome(const HeldPrompter& prompter) {
    if (!WaitFor([&] { return prompter.count > 0; })) throw std::runtime_error("no outcome of the save reported");
}

// Presses OK until the window closes: it refuses while its save is running.
bool CloseOnceTheSaveIsOver(HWND window) {
    return WaitFor([&] {
        Click(window, IDOK);
        return !IsWindow(window);
    });
}

TEST(ResultWindow, HundredLinesFitOnePageWithoutPagingButtons) {
    const auto lines = Lines(100);
    const std::vector<std::wstring> errors = {L"行7"};
    UserScript user([&](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "result window");
        EXPECT_EQ(EditText(w), Joined(lines, 0, 100));
        // Opened at the first line, nothing selected.
        DWORD from = 1, to = 1;
        SendDlgItemMessageW(w, IDC_RESULT_EDIT, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, 0u);
        EXPECT_EQ(to, 0u);
        EXPECT_EQ(SendDlgItemMessageW(w, IDC_RESULT_EDIT, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        EXPECT_FALSE(Shown(w, IDC_RESULT_PREV));
        EXPECT_FALSE(Shown(w, IDC_RESULT_NEXT));
        EXPECT_TRUE(Shown(w, IDC_RESULT_ERRORS_ONLY));
        EXPECT_TRUE(Enabled(w, IDC_RESULT_ERRORS_ONLY));
        EXPECT_TRUE(Enabled(w, IDC_RESULT_SAVE));
        Press(w, IDOK);
        EXPECT_TRUE(WaitGone(w));
    });
    ShowResultWindow(nullptr, lines, errors);
}

TEST(ResultWindow, PagesByHundredUpToTheLastLine) {
    for (int count : {101, 200, 250}) {
        const auto lines = Lines(count);
        UserScript user([&](DWORD thread) {
            HWND w = Need(WaitForWindow(thread, kTitle), "result window");
            EXPECT_TRUE(Shown(w, IDC_RESULT_PREV) && Shown(w, IDC_RESULT_NEXT)) << count;
            EXPECT_FALSE(Enabled(w, IDC_RESULT_PREV));
            EXPECT_TRUE(Enabled(w, IDC_RESULT_NEXT));
            EXPECT_EQ(EditText(w), Joined(lines, 0, 100));

            // Down to the last page: "▽" disables itself there.
            size_t first = 0;
            while (Enabled(w, IDC_RESULT_NEXT)) {
                Click(w, IDC_RESULT_NEXT);
                first += 100;
                if (first >= lines.size()) throw std::runtime_error("paged past the last line");
                EXPECT_EQ(EditText(w), Joined(lines, first, first + 100)) << count << " from " << first;
                EXPECT_TRUE(Enabled(w, IDC_RESULT_PREV));
            }
            EXPECT_EQ(first, (lines.size() - 1) / 100 * 100) << count;
            if (count == 101) EXPECT_EQ(EditText(w), L"行101\r\n");
            // Pressing it anyway (the keyboard could) stays on the last page.
            Click(w, IDC_RESULT_NEXT);
            EXPECT_EQ(EditText(w), Joined(lines, first, first + 100));

            // Back up to the first page: "△" disables itself there.
            while (Enabled(w, IDC_RESULT_PREV)) {
                Click(w, IDC_RESULT_PREV);
                first -= 100;
                EXPECT_EQ(EditText(w), Joined(lines, first, first + 100));
                EXPECT_TRUE(Enabled(w, IDC_RESULT_NEXT));
            }
            EXPECT_EQ(first, 0u);
            Press(w, IDOK);
            EXPECT_TRUE(WaitGone(w));
        });
        ShowResultWindow(nullptr, lines, {});
    }
}

TEST(ResultWindow, ErrorsOnlyIsHiddenWithoutErrorsAndWhenEveryLineIsOne) {
    const auto lines = Lines(3);
    for (const auto& errors : {std::vector<std::wstring>{}, lines}) {
        UserScript user([&](DWORD thread) {
            HWND w = Need(WaitForWindow(thread, kTitle), "result window");
            EXPECT_FALSE(Shown(w, IDC_RESULT_ERRORS_ONLY)) << errors.size();
            Press(w, IDCANCEL);  // Escape closes as well
            EXPECT_TRUE(WaitGone(w));
        });
        ShowResultWindow(nullptr, lines, errors);
    }
}

TEST(ResultWindow, ErrorsOnlyOpensASecondWindowWhileTheFirstIsMinimised) {
    const auto lines = Lines(150);
    const auto errors = Lines(120, L"ｴﾗｰ");
    UserScript user([&](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "result window");
        Press(w, IDC_RESULT_ERRORS_ONLY);
        HWND e = Need(WaitForWindow(thread, kErrorsTitle), "error-only window");
        EXPECT_TRUE(IsIconic(w));
        EXPECT_FALSE(IsIconic(e));
        EXPECT_EQ(EditText(e), Joined(errors, 0, 100));
        EXPECT_FALSE(Shown(e, IDC_RESULT_ERRORS_ONLY));
        Click(e, IDC_RESULT_NEXT);
        EXPECT_EQ(EditText(e), Joined(errors, 100, 120));
        Press(e, IDOK);
        EXPECT_TRUE(WaitGone(e));
        EXPECT_TRUE(WaitFor([&] { return !IsIconic(w); }));
        EXPECT_TRUE(IsWindowEnabled(w));
        EXPECT_EQ(EditText(w), Joined(lines, 0, 100));
        Press(w, IDOK);
        EXPECT_TRUE(WaitGone(w));
    });
    ShowResultWindow(nullptr, lines, errors);
}

TEST(ResultWindow, ResizingKeepsButtonsAtTheRightAndStretchesTheText) {
    UserScript user([&](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "result window");
        RECT before, editBefore = ClientRectOf(GetDlgItem(w, IDC_RESULT_EDIT));
        GetWindowRect(w, &before);
        RECT buttonsBefore[3];
        const int ids[] = {IDOK, IDC_RESULT_SAVE, IDC_RESULT_ERRORS_ONLY};
        for (int i = 0; i < 3; ++i) buttonsBefore[i] = ClientRectOf(GetDlgItem(w, ids[i]));

        SetWindowPos(w, nullptr, 0, 0, before.right - before.left + 120, before.bottom - before.top + 80,
                     SWP_NOMOVE | SWP_NOZORDER);
        RECT edit = ClientRectOf(GetDlgItem(w, IDC_RESULT_EDIT));
        EXPECT_EQ(edit.left, editBefore.left);
        EXPECT_EQ(edit.top, editBefore.top);
        EXPECT_EQ(edit.right, editBefore.right + 120);
        EXPECT_EQ(edit.bottom, editBefore.bottom + 80);
        for (int i = 0; i < 3; ++i) {
            RECT b = ClientRectOf(GetDlgItem(w, ids[i]));
            EXPECT_EQ(b.left, buttonsBefore[i].left + 120) << ids[i];
            EXPECT_EQ(b.top, buttonsBefore[i].top) << ids[i];
            EXPECT_EQ(b.right - b.left, buttonsBefore[i].right - buttonsBefore[i].left) << ids[i];
        }
        Press(w, IDOK);
        EXPECT_TRUE(WaitGone(w));
    });
    ShowResultWindow(nullptr, Lines(5), {L"行2"});
}

class ResultSave : public ::testing::Test {
protected:
    void SetUp() override {
        seams.chooseSavePath = [this](HWND) {
            ++choices;
            return path;
        };
        seams.savePrompter = &prompter;
    }
    // The user saves once from the result window (after before, if given),
    // waits for the outcome and closes the window.
    void SaveOnceAndClose(const std::vector<std::wstring>& lines, const std::function<void(HWND)>& before = {}) {
        UserScript user([&](DWORD thread) {
            HWND w = Need(WaitForWindow(thread, kTitle), "result window");
            if (before) before(w);
            Press(w, IDC_RESULT_SAVE);
            WaitForOutcome(prompter);
            EXPECT_TRUE(CloseOnceTheSaveIsOver(w));
        });
        ShowResultWindow(nullptr, lines, {}, &seams);
        user.Join();
    }

    TempDir dir;
    std::wstring path = dir / L"結果ﾛｸﾞ.txt";
    std::atomic<int> choices{0};
    HeldPrompter prompter;
    ResultWindowSeams seams;
};

TEST_F(ResultSave, WritesTheShownLinesWhileClosingAndASecondSaveAreRefused) {
    const std::vector<std::wstring> lines = {L"C:\\src\\a.txt をｺﾋﾟｰしました。", L"二行目", L""};
    std::atomic<bool> dialogSeen{false};
    std::atomic<HWND> window{nullptr};
    const DWORD testThread = GetCurrentThreadId();
    seams.saveStarting = [&] {
        // The log saving dialog is up, owned by the result window, before
        // anything is written.
        HWND saving = ThreadWindowTitled(testThread, kSavingTitle);
        dialogSeen = saving && IsWindowVisible(saving) && GetWindow(saving, GW_OWNER) == window.load();
    };
    prompter.HoldNext();
    UserScript user([&](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "result window");
        window = w;
        Press(w, IDC_RESULT_SAVE);
        WaitForOutcome(prompter);
        // The save thread is still inside: closing and saving again do nothing.
        Click(w, IDC_RESULT_SAVE);
        Click(w, IDOK);
        Click(w, IDCANCEL);
        SendMessageW(w, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(w) && IsWindowVisible(w));
        EXPECT_EQ(choices.load(), 1);
        prompter.Release();
        // Closing works again once the save is over.
        EXPECT_TRUE(CloseOnceTheSaveIsOver(w));
    });
    ShowResultWindow(nullptr, lines, {}, &seams);
    user.Join();
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(prompter.count.load(), 1);
    EXPECT_EQ(prompter.kind, PromptKind::Information);
    EXPECT_EQ(prompter.thread, GetCurrentThreadId()) << "the outcome's box belongs to the window's thread";
    EXPECT_EQ(prompter.text, path + L"の書き込みが終了しました。");
    EXPECT_EQ(testing::ReadFile(path), SavedBytes(Joined(lines, 0, 3)));
    EXPECT_EQ(ThreadWindowTitled(GetCurrentThreadId(), kSavingTitle), nullptr);
}

TEST_F(ResultSave, SavesEveryLineNotOnlyThePageShown) {
    const auto lines = Lines(230);
    SaveOnceAndClose(lines, [](HWND w) { Click(w, IDC_RESULT_NEXT); });
    EXPECT_EQ(testing::ReadFile(path), SavedBytes(Joined(lines, 0, lines.size())));
}

TEST_F(ResultSave, TheErrorOnlyWindowSavesTheErrorLines) {
    const auto lines = Lines(4);
    const std::vector<std::wstring> errors = {L"行2", L"行4"};
    UserScript user([&](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "result window");
        Press(w, IDC_RESULT_ERRORS_ONLY);
        HWND e = Need(WaitForWindow(thread, kErrorsTitle), "error-only window");
        Press(e, IDC_RESULT_SAVE);
        WaitForOutcome(prompter);
        EXPECT_TRUE(CloseOnceTheSaveIsOver(e));
        EXPECT_TRUE(WaitFor([&] { return !IsIconic(w); }));
        Press(w, IDOK);
        EXPECT_TRUE(WaitGone(w));
    });
    ShowResultWindow(nullptr, lines, errors, &seams);
    user.Join();
    EXPECT_EQ(testing::ReadFile(path), SavedBytes(L"行2\r\n行4\r\n"));
}

TEST_F(ResultSave, InterruptFromTheSavingDialogStopsTheWriter) {
    const auto lines = Lines(50);
    const DWORD testThread = GetCurrentThreadId();
    seams.saveStarting = [&] {
        HWND saving = ThreadWindowTitled(testThread, kSavingTitle);
        ASSERT_NE(saving, nullptr);
        SendMessageW(saving, WM_COMMAND, MAKEWPARAM(IDC_SAVING_INTERRUPT, BN_CLICKED), 0);
        // "中断" leaves the dialog open; the writer closes it when it stops.
        EXPECT_TRUE(IsWindow(saving) && IsWindowVisible(saving));
    };
    SaveOnceAndClose(lines);
    EXPECT_EQ(prompter.kind, PromptKind::Warning);
    EXPECT_EQ(prompter.text, LoadText(143));
    EXPECT_EQ(testing::ReadFile(path), SavedBytes(L"行1\r\n結果の書き込みが中断されました。"));
}

TEST_F(ResultSave, CancelledChoiceSavesNothingAndFailureIsAWarning) {
    path.clear();
    SaveOnceAndClose(Lines(2), [&](HWND w) {
        Click(w, IDC_RESULT_SAVE);  // cancelled in the file dialog
        EXPECT_EQ(choices.load(), 1);
        EXPECT_EQ(prompter.count.load(), 0);
        path = dir / L"no such folder\\結果ﾛｸﾞ.txt";
    });
    EXPECT_EQ(prompter.kind, PromptKind::Warning);
    EXPECT_EQ(prompter.text.rfind(path + L"の保存に失敗しました｡原因：", 0), 0u) << prompter.text;
    EXPECT_FALSE(testing::Exists(path));
}

// A run's log longer than its memory bound, most of it in its temporary
// files: the window reads page after page from them, first, middle and last
// line alike, the error-only window its own, and a save writes every line.
TEST_F(ResultSave, ALogBeyondItsMemoryBoundIsShownPageByPageAndSavedWhole) {
    LogBuffer log;
    log.SetSpillFolder(dir.path());
    log.SetMemoryBound(2048);
    std::vector<std::wstring> lines, errors;
    for (int i = 0; i < 1050; ++i) {
        lines.push_back(L"C:\\src\\ﾌｧｲﾙ" + std::to_wstring(i) + L".txt");
        std::wstring error = i % 3 == 1 ? lines.back() + L" ｴﾗｰ" : L"";
        if (!error.empty()) errors.push_back(error);
        log.AppendLine(lines.back(), error);
    }
    ASSERT_GT(log.allLines().linesInFile(), 1000u);
    ASSERT_GT(log.errors().linesInFile(), 300u);
    UserScript user([&](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "result window");
        EXPECT_EQ(EditText(w), Joined(lines, 0, 100));
        for (int page = 1; page <= 5; ++page) Click(w, IDC_RESULT_NEXT);
        EXPECT_EQ(EditText(w), Joined(lines, 500, 600)) << "the middle";
        while (Enabled(w, IDC_RESULT_NEXT)) Click(w, IDC_RESULT_NEXT);
        EXPECT_EQ(EditText(w), Joined(lines, 1000, 1050)) << "the last page";
        // Scrolled to the last line of the box, which is the run's last line.
        SendDlgItemMessageW(w, IDC_RESULT_EDIT, EM_LINESCROLL, 0, 1000);
        const LRESULT last = SendDlgItemMessageW(w, IDC_RESULT_EDIT, EM_GETLINECOUNT, 0, 0) - 2;
        wchar_t text[200] = {};
        *reinterpret_cast<WORD*>(text) = 199;
        const LRESULT n = SendDlgItemMessageW(w, IDC_RESULT_EDIT, EM_GETLINE, static_cast<WPARAM>(last),
                                              reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::wstring(text, static_cast<size_t>(n)), lines.back());
        while (Enabled(w, IDC_RESULT_PREV)) Click(w, IDC_RESULT_PREV);
        EXPECT_EQ(EditText(w), Joined(lines, 0, 100)) << "back at the first";

        Press(w, IDC_RESULT_ERRORS_ONLY);
        HWND e = Need(WaitForWindow(thread, kErrorsTitle), "error-only window");
        EXPECT_EQ(EditText(e), Joined(errors, 0, 100));
        while (Enabled(e, IDC_RESULT_NEXT)) Click(e, IDC_RESULT_NEXT);
        EXPECT_EQ(EditText(e), Joined(errors, 300, 350));
        Press(e, IDOK);
        EXPECT_TRUE(WaitGone(e));
        EXPECT_TRUE(WaitFor([&] { return !IsIconic(w); }));

        Click(w, IDC_RESULT_NEXT);
        Press(w, IDC_RESULT_SAVE);
        WaitForOutcome(prompter);
        EXPECT_TRUE(CloseOnceTheSaveIsOver(w));
    });
    ShowResultWindow(nullptr, log.allLines(), log.errors(), &seams);
    user.Join();
    EXPECT_EQ(prompter.text, path + L"の書き込みが終了しました。");
    EXPECT_EQ(testing::ReadFile(path), SavedBytes(Joined(lines, 0, lines.size())));
}

// The result display at the end of a run.
class RunResult : public ::testing::Test {
protected:
    LogBuffer log;
    ScriptedPrompter prompter;
    LogSettings settings;
};

TEST_F(RunResult, EmptyRunShowsMessage134UnlessHidden) {
    ShowRunResult(nullptr, log, settings, &prompter);
    ASSERT_EQ(prompter.prompts().size(), 1u);
    EXPECT_EQ(prompter.prompts()[0].kind, PromptKind::Information);
    EXPECT_EQ(prompter.prompts()[0].text, L"更新すべきﾌｧｲﾙはありません。");

    settings.hideNothingToUpdate = true;
    settings.hideResultDialog = false;
    ShowRunResult(nullptr, log, settings, &prompter);
    EXPECT_EQ(prompter.prompts().size(), 1u);
}

TEST_F(RunResult, LinesOpenTheWindowUnlessHidden) {
    log.AppendLine(L"ok");
    log.AppendLine(L"failed", L"failed");
    settings.hideResultDialog = true;
    ShowRunResult(nullptr, log, settings, &prompter);  // returns at once: nothing to close

    settings.hideResultDialog = false;
    settings.hideNothingToUpdate = true;  // concerns empty runs only
    UserScript user([&](DWORD thread) {
        HWND w = Need(WaitForWindow(thread, kTitle), "result window");
        EXPECT_EQ(EditText(w), L"ok\r\nfailed\r\n");
        EXPECT_TRUE(Enabled(w, IDC_RESULT_ERRORS_ONLY));
        Press(w, IDOK);
        EXPECT_TRUE(WaitGone(w));
    });
    ShowRunResult(nullptr, log, settings, &prompter);
    user.Join();
    EXPECT_TRUE(prompter.prompts().empty());
}

}  // namespace
}  // namespace mirrant
