#pragma once
// The log saving dialog ("ﾛｸﾞ保存経過", IDD_LOG_SAVING): a modeless window with a
// status text and "中断". It belongs to the user-interface thread; the
// thread that writes the log sets its text and closes it by a message, so
// the writer never keeps a window of its own.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "framework/window_messages.h"
#include "framework/window_thread.h"
#include "log/log_buffer.h"

namespace mirrant {


// Creates the dialog on the calling thread, owned by owner, centred on it and
// shown with the text. "中断" sets *cancelFlag (which must outlive the
// window) and leaves the dialog open. The returned status may be used from
// any thread; null when the window could not be created.
std::unique_ptr<LogSaveStatus> OpenLogSavingDialog(HWND owner, const std::wstring& text,
                                                   std::atomic<bool>* cancelFlag);

// The log saving dialogs of the runs of one main window. Constructed on the
// thread that owns the main window; Open may be called from the worker
// thread, and the dialog is then created on the owner's thread.
class LogSaveDialogs : public LogSaveUi {
public:
    explicit LogSaveDialogs(HWND owner);
    ~LogSaveDialogs() override;
    LogSaveDialogs(const LogSaveDialogs&) = delete;
    LogSaveDialogs& operator=(const LogSaveDialogs&) = delete;

    std::unique_ptr<LogSaveStatus> Open(const std::wstring& text, std::atomic<bool>* cancelFlag) override;
    void SetBusyCursor(bool busy) override;
    // On the owner's thread the owner is disabled and messages are
    // dispatched meanwhile, so the dialog stays drawn and "中断" works.
    void Hold(unsigned ms) override;

private:
    HWND owner_;
    WindowThread ownerThread_;
    HCURSOR savedCursor_ = nullptr;
};

}  // namespace mirrant
