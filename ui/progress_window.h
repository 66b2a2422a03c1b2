#pragma once
// The modeless progress window (dialog 130): what the running worker is doing,
// and the "中断" button through which the user interrupts it.
//
// Created, owned and destroyed on the user-interface thread; the worker
// thread writes to it through the Progress interface. Every such write is a
// message sent to the window (synchronous), so the user-interface thread must
// keep dispatching messages while a run is active. The two flags are atomics
// written only on the user-interface thread.
#include <windows.h>

#include <atomic>
#include <string>

#include "framework/dialog.h"
#include "framework/progress.h"

namespace mirrant {

// Sent (or posted) to a modeless window of the program that is to destroy
// itself: the progress window and the log saving dialog.
inline constexpr UINT kMsgDestroySelf = WM_USER + 200;  // 1224

class ProgressWindow : public Dialog, public Progress {
public:
    // Creates the window hidden and centred on the owner (the main window).
    // displayThreshold is the run options' displayLevel: a text is shown only
    // when its level is above it. The object frees itself when its window is
    // destroyed (message kMsgDestroySelf, or its owner going away); null when
    // the window could not be created.
    static ProgressWindow* Create(HWND owner, int displayThreshold);

    // Asks the window to destroy itself (posts kMsgDestroySelf). The caller
    // forgets the pointer; the worker must have ended.
    void RequestDestroy();

    // The schedule field (top right): message 223 in schedule mode.
    void SetScheduleText(const std::wstring& text);

    int displayThreshold() const { return threshold_; }

    // Progress, called from the worker thread (or the user-interface thread).
    void Show(const std::wstring& text, int level) override;
    void SetStatus(const std::wstring& text) override;
    void Reset() override;
    void SetDirection(const std::wstring& text) override;
    void SetTitle(const std::wstring& text) override;
    void SetVisible(bool visible) override;
    bool CancelRequested() const override { return cancelRequested_.load(); }
    bool PauseRequested() const override { return pauseRequested_.load(); }

    // What the window shows at present (for the main window and tests).
    std::wstring StatusText() const;
    std::wstring ItemAreaText() const;
    std::wstring InterruptButtonText() const;

    // The "中断" button: pauses the worker, asks message 142 (or 229 when an
    // interrupt is already requested) and sets the interrupt flag from the
    // answer. Runs on the user-interface thread.
    void OnInterruptButton();
    // The close box: interrupts without a question.
    void OnCloseBox();

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override {}
    void OnCancel() override;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

private:
    explicit ProgressWindow(int displayThreshold);
    ~ProgressWindow() override = default;

    enum class Op : WPARAM { SetItem = 1, SetStatus, Reset, SetDirection, SetTitle, Show, Hide, SetSchedule };
    // Hands one update to the user-interface thread and waits for it.
    void Update(Op op, const std::wstring* text = nullptr);
    void Apply(Op op, const std::wstring* text);

    const int threshold_;
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> pauseRequested_{false};
    bool asking_ = false;
};

// The update message the window handles on its own thread (private).
inline constexpr UINT kMsgProgressUpdate = WM_APP + 130;

}  // namespace mirrant
