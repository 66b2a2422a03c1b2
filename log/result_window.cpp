#include "log/result_window.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "framework/dialog.h"
#include "framework/message_box.h"
#include "framework/shell_dialogs.h"
#include "framework/text.h"
#include "framework/window_thread.h"
#include "log/log_save_dialog.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

constexpr int kButtons[] = {IDOK, IDC_RESULT_SAVE, IDC_RESULT_PREV, IDC_RESULT_NEXT, IDC_RESULT_ERRORS_ONLY};
constexpr size_t kButtonCount = sizeof kButtons / sizeof kButtons[0];

// Where the controls sit relative to the edges of the client area, measured
// when the window opens, so that resizing keeps the arrangement.
struct Layout {
    int buttonRight[kButtonCount] = {};  // client width minus the button's left edge
    int buttonTop[kButtonCount] = {};
    POINT editTopLeft{};
    int editRight = 0;   // client width minus the edit's right edge
    int editBottom = 0;  // client height minus the edit's bottom edge
    bool valid = false;
};

RECT ClientRectOf(HWND control, HWND parent) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class ResultWindow : public Dialog {
public:
    ResultWindow(const LineSource& lines, const LineSource* errorLines,
                 const ResultWindowSeams& seams)
        : Dialog(IDD_RESULT_LOG), lines_(lines), errorLines_(errorLines), seams_(seams) {}
    ~ResultWindow() override {
        if (saveThread_.joinable()) saveThread_.join();
    }

protected:
    bool OnInit() override {
        if (!errorLines_) SetTitle(Title() + LoadText(IDS_ERRORS_ONLY_SUFFIX));
        SendItem(IDC_RESULT_EDIT, EM_SETLIMITTEXT, 0, 0);
        Measure();
        if (lines_.size() <= kResultPageLines) {
            ShowItem(IDC_RESULT_PREV, false);
            ShowItem(IDC_RESULT_NEXT, false);
        } else {
            EnableItem(IDC_RESULT_NEXT, true);
        }
        if (errorLines_ && errorLines_->size() > 0 && errorLines_->size() != lines_.size())
            EnableItem(IDC_RESULT_ERRORS_ONLY, true);
        else
            ShowItem(IDC_RESULT_ERRORS_ONLY, false);
        ShowPage();
        // The text starts at its first line, not selected as a whole (which
        // the dialog would do when it gives the box the focus itself).
        SetFocus(Item(IDC_RESULT_EDIT));
        SendItem(IDC_RESULT_EDIT, EM_SETSEL, 0, 0);
        return false;
    }

    bool OnCommand(int id, int code, HWND) override {
        if (code != BN_CLICKED) return false;
        switch (id) {
        case IDC_RESULT_PREV:
            firstLine_ = firstLine_ >= kResultPageLines ? firstLine_ - kResultPageLines : 0;
            EnableItem(IDC_RESULT_PREV, firstLine_ > 0);
            EnableItem(IDC_RESULT_NEXT, true);
            ShowPage();
            return true;
        case IDC_RESULT_NEXT:
            if (firstLine_ + kResultPageLines >= lines_.size()) return true;
            firstLine_ += kResultPageLines;
            EnableItem(IDC_RESULT_PREV, true);
            if (firstLine_ + kResultPageLines >= lines_.size()) {
                // The focus must not stay on a disabled button.
                if (GetFocus() == Item(IDC_RESULT_NEXT)) SetFocus(Item(IDC_RESULT_PREV));
                EnableItem(IDC_RESULT_NEXT, false);
            }
            ShowPage();
            return true;
        case IDC_RESULT_ERRORS_ONLY:
            ShowErrorsOnly();
            return true;
        case IDC_RESULT_SAVE:
            StartSave();
            return true;
        default:
            return false;
        }
    }

    // OK, the close box and Escape: not while a save is running.
    void OnOK() override {
        if (!saving_) End(IDOK);
    }
    void OnCancel() override {
        if (!saving_) End(IDCANCEL);
    }

    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override {
        if (msg == WM_SIZE && wp != SIZE_MINIMIZED) Arrange(LOWORD(lp), HIWORD(lp));
        return 0;
    }

private:
    void Measure() {
        RECT client;
        GetClientRect(hwnd(), &client);
        bool positive = true;
        for (size_t i = 0; i < kButtonCount; ++i) {
            RECT r = ClientRectOf(Item(kButtons[i]), hwnd());
            layout_.buttonRight[i] = client.right - r.left;
            layout_.buttonTop[i] = r.top;
            positive = positive && layout_.buttonRight[i] > 0 && r.top > 0;
        }
        RECT e = ClientRectOf(Item(IDC_RESULT_EDIT), hwnd());
        layout_.editTopLeft = {e.left, e.top};
        layout_.editRight = client.right - e.right;
        layout_.editBottom = client.bottom - e.bottom;
        layout_.valid = positive && e.left > 0 && e.top > 0 && layout_.editRight > 0 && layout_.editBottom > 0;
    }

    void Arrange(int width, int height) {
        if (!layout_.valid) return;
        for (size_t i = 0; i < kButtonCount; ++i)
            SetWindowPos(Item(kButtons[i]), nullptr, width - layout_.buttonRight[i], layout_.buttonTop[i], 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        int w = std::max(0, width - layout_.editRight - static_cast<int>(layout_.editTopLeft.x));
        int h = std::max(0, height - layout_.editBottom - static_cast<int>(layout_.editTopLeft.y));
        SetWindowPos(Item(IDC_RESULT_EDIT), nullptr, layout_.editTopLeft.x, layout_.editTopLeft.y, w, h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(hwnd(), nullptr, TRUE);
    }

    // A page that cannot be read from the log's temporary file shows the
    // lines read up to there.
    void ShowPage() {
        std::wstring text;
        DWORD error = 0;
        lines_.Read(
            firstLine_, kResultPageLines,
            [&](const std::wstring& line) {
                text += line;
                text += L"\r\n";
                return true;
            },
            error);
        SetItemText(IDC_RESULT_EDIT, text);
    }

    // The error lines in a window of their own while this one waits minimised.
    void ShowErrorsOnly() {
        if (saving_ || !errorLines_) return;
        HWND owner = GetWindow(hwnd(), GW_OWNER);
        ShowWindow(hwnd(), SW_MINIMIZE);
        EnableWindow(hwnd(), FALSE);
        ResultWindow errors(*errorLines_, nullptr, seams_);
        errors.DoModal(owner);
        EnableWindow(hwnd(), TRUE);
        ShowWindow(hwnd(), SW_RESTORE);
        SetForegroundWindow(hwnd());
    }

    void StartSave() {
        if (saving_) return;
        std::wstring path;
        if (seams_.chooseSavePath) {
            path = seams_.chooseSavePath(hwnd());
        } else {
            FileDialogRequest chooser;
            chooser.filter = LoadText(IDS_RESULT_FILTER);
            chooser.defaultExtension = LoadText(IDS_RESULT_DEFAULT_EXT);
            chooser.initialName = LoadText(IDS_RESULT_DEFAULT_NAME);
            path = ChooseSaveFile(hwnd(), chooser);
        }
        if (path.empty() || saving_) return;
        savePath_ = path;
        if (saveThread_.joinable()) saveThread_.join();
        cancel_ = false;
        status_ = OpenLogSavingDialog(hwnd(), std::wstring(), &cancel_);
        saving_ = true;
        try {
            saveThread_ = std::thread([this] { Save(); });
        } catch (...) {
            if (status_) status_->Close();
            saving_ = false;
        }
    }

    // The save thread: the shown lines as they are, without start line,
    // stamps or separator; "中断" of the saving dialog stops it.
    void Save() {
        if (seams_.saveStarting) seams_.saveStarting();
        LogWriteRequest request;
        request.plainPath = savePath_;
        request.openPath = savePath_;
        request.status = status_.get();
        request.append = false;
        request.source = &lines_;
        request.cancel = &cancel_;
        request.separator = false;
        std::wstring result;
        bool written = false;
        try {
            written = WriteLogFile(request, result);
        } catch (...) {
            result = Message(msg::kSaveFailed, {savePath_, L""});
        }
        if (status_) status_->Hide();
        // The outcome's box belongs to the window's thread, not to this one.
        windowThread_.Run([&] {
            MessageBoxPrompter boxes(hwnd());
            Prompter& prompter = seams_.savePrompter ? *seams_.savePrompter : boxes;
            if (written) prompter.Information(result);
            else prompter.Warning(result);
        });
        if (status_) status_->Close();
        saving_ = false;
    }

    const LineSource& lines_;
    const LineSource* errorLines_;  // null in the error-only window
    const ResultWindowSeams& seams_;
    size_t firstLine_ = 0;
    Layout layout_;
    std::atomic<bool> saving_{false};
    std::atomic<bool> cancel_{false};
    std::unique_ptr<LogSaveStatus> status_;
    std::wstring savePath_;
    std::thread saveThread_;
    WindowThread windowThread_;  // made with the window, on its thread
};

}  // namespace

void ShowResultWindow(HWND owner, const LineSource& lines, const LineSource& errorLines,
                      const ResultWindowSeams* seams) {
    static const ResultWindowSeams none;
    ResultWindow window(lines, &errorLines, seams ? *seams : none);
    window.DoModal(owner);
}

void ShowResultWindow(HWND owner, const std::vector<std::wstring>& lines,
                      const std::vector<std::wstring>& errorLines, const ResultWindowSeams* seams) {
    const VectorLines shown(lines), errors(errorLines);
    ShowResultWindow(owner, shown, errors, seams);
}

void ShowRunResult(HWND owner, const LogBuffer& log, LogSettings settings, Prompter* prompter) {
    if (log.lineCount() > 0) {
        if (!settings.hideResultDialog) ShowResultWindow(owner, log.allLines(), log.errors());
        return;
    }
    if (settings.hideNothingToUpdate) return;
    MessageBoxPrompter boxes(owner);
    (prompter ? *prompter : boxes).Information(LoadText(msg::kNothingToUpdate));
}

}  // namespace mirrant
