#include "log/log_save_dialog.h"

#include "framework/dialog.h"
#include "res/resource.h"

namespace mirrant {

namespace {

class LogSavingDialog : public Dialog {
public:
    LogSavingDialog(HWND owner, std::wstring text, std::atomic<bool>* cancelFlag)
        : Dialog(IDD_LOG_SAVING), owner_(owner), text_(std::move(text)), cancelFlag_(cancelFlag) {}

protected:
    bool OnInit() override {
        SetItemText(IDC_SAVING_TEXT, text_);
        CenterOn(owner_);
        ShowWindow(hwnd(), SW_SHOW);
        return true;
    }
    // "中断" only raises the flag; the writer notices it after the line it
    // is writing, and whoever opened the dialog closes it.
    bool OnCommand(int id, int, HWND) override {
        if (id != IDC_SAVING_INTERRUPT) return false;
        if (cancelFlag_) *cancelFlag_ = true;
        return true;
    }
    void OnOK() override {}
    void OnCancel() override {}
    INT_PTR OnMessage(UINT msg, WPARAM, LPARAM, bool& handled) override {
        if (msg != kDestroySelfMessage) return 0;
        handled = true;
        DestroyWindow(hwnd());
        return TRUE;
    }

private:
    HWND owner_;
    std::wstring text_;
    std::atomic<bool>* cancelFlag_;
};

// Every call is a message to the dialog, so it works from any thread while
// the dialog's thread dispatches messages.
class SavingStatus : public LogSaveStatus {
public:
    explicit SavingStatus(HWND dialog) : dialog_(dialog) {}
    ~SavingStatus() override { Close(); }
    void SetText(const std::wstring& text) override {
        if (closed_ || !IsWindow(dialog_)) return;
        SendMessageW(GetDlgItem(dialog_, IDC_SAVING_TEXT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void Hide() override {
        if (!closed_ && IsWindow(dialog_)) ShowWindowAsync(dialog_, SW_HIDE);
    }
    void Close() override {
        if (!closed_.exchange(true) && IsWindow(dialog_)) PostMessageW(dialog_, kDestroySelfMessage, 0, 0);
    }

private:
    HWND dialog_;
    std::atomic<bool> closed_{false};
};

std::unique_ptr<LogSaveStatus> OpenOn(HWND owner, const std::wstring& text, std::atomic<bool>* cancelFlag,
                                      HWND* dialog) {
    auto* d = new LogSavingDialog(owner, text, cancelFlag);
    // The dialog frees itself when its window is destroyed.
    if (!d->CreateModeless(owner, true)) return nullptr;
    if (dialog) *dialog = d->hwnd();
    return std::make_unique<SavingStatus>(d->hwnd());
}

}  // namespace

std::unique_ptr<LogSaveStatus> OpenLogSavingDialog(HWND owner, const std::wstring& text,
                                                   std::atomic<bool>* cancelFlag) {
    return OpenOn(owner, text, cancelFlag, nullptr);
}

LogSaveDialogs::LogSaveDialogs(HWND owner) : owner_(owner) {}

LogSaveDialogs::~LogSaveDialogs() = default;

// Created on the owner's thread, which keeps dispatching messages while a
// run is active.
std::unique_ptr<LogSaveStatus> LogSaveDialogs::Open(const std::wstring& text, std::atomic<bool>* cancelFlag) {
    return ownerThread_.Call([&] { return OpenOn(owner_, text, cancelFlag, nullptr); });
}

void LogSaveDialogs::SetBusyCursor(bool busy) {
    if (!ownerThread_.OnThread()) return;
    if (busy) savedCursor_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    else SetCursor(savedCursor_ ? savedCursor_ : LoadCursorW(nullptr, IDC_ARROW));
}

void LogSaveDialogs::Hold(unsigned ms) {
    if (!ownerThread_.OnThread()) {
        Sleep(ms);
        return;
    }
    // Nothing of the main window may start while the status is shown.
    const bool wasEnabled = owner_ && IsWindowEnabled(owner_);
    if (wasEnabled) EnableWindow(owner_, FALSE);
    const DWORD start = GetTickCount();
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms || quit) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                quit = true;
                quitCode = m.wParam;
                break;
            }
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    if (wasEnabled) EnableWindow(owner_, TRUE);
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace mirrant
