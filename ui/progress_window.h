#pragma once
// The modeless progress window (IDD_PROGRESS): what the running worker is doing,
// and the "中断" button through which the user interrupts it.
//
// Created, owned and destroyed on the user-interface thread; the worker
// thread writes to it through the Progress interface. The worker never waits
// for the window: each write only records the latest state (texts copied)
// under a lock, and the window's own thread puts what changed into the
// controls on a 50 ms timer. Showing and hiding also post one refresh
// message (at most one is pending at a time), so they take effect at once.
// A write made on the window's own thread is applied immediately. The two
// flags are atomics written only on the user-interface thread.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "framework/dialog.h"
#include "framework/progress.h"
#include "framework/window_messages.h"

namespace mirrant {

class ProgressWindow : public Dialog, public Progress {
public:
    // How often the window takes over what the worker recorded.
    static constexpr UINT kRefreshMs = 50;

    // Creates the window hidden and centred on the owner (the main window).
    // displayThreshold is the run options' displayLevel: a text is shown only
    // when its level is above it. The object frees itself when its window is
    // destroyed (message kDestroySelfMessage, or its owner going away); null when
    // the window could not be created.
    static ProgressWindow* Create(HWND owner, int displayThreshold);

    // Asks the window to destroy itself (posts kDestroySelfMessage). The caller
    // forgets the pointer; the worker must have ended.
    void RequestDestroy();

    // The schedule field (top right): msg::kScheduleRunning in schedule mode.
    void SetScheduleText(const std::wstring& text);

    int displayThreshold() const { return threshold_; }

    // Progress, called from the worker thread (or the user-interface thread).
    void Show(const std::wstring& text, int level) override;
    void SetStatus(const std::wstring& text) override;
    void Reset() override;
    void SetDirection(const std::wstring& text) override;
    void SetTitle(const std::wstring& text) override;
    void SetVisible(bool visible) override;
    void SetTotals(const ProgressTotals& totals) override;
    bool CancelRequested() const override { return cancelRequested_.load(); }
    bool PauseRequested() const override { return pauseRequested_.load(); }
    // The last status text set, which the window shows at its next refresh.
    std::wstring StatusText() const override;

    // What the window's controls show at present (for tests).
    std::wstring ItemAreaText() const;
    std::wstring TotalsText() const;
    std::wstring InterruptButtonText() const;

    // Puts the recorded state into the controls now (the timer does it
    // otherwise). User-interface thread only.
    void Refresh();

    // The "中断" button: pauses the worker, asks msg::kInterruptQuestion (or 229 when an
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
    void OnTimer(UINT_PTR id) override;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

private:
    explicit ProgressWindow(int displayThreshold);
    ~ProgressWindow() override = default;

    // What the window is to show; the worker writes it, the window's thread
    // reads it, both under mutex_.
    struct State {
        std::wstring item, status, direction, title, schedule, totals;
        bool visible = false;
    };

    // Called with mutex_ held right after a change was recorded; releases
    // it. On the window's own thread the change is applied at once; from
    // another thread a refresh is posted when showOrHide asks for one and
    // none is pending, and otherwise the timer brings it.
    void Changed(std::unique_lock<std::mutex>& lock, bool showOrHide);

    const int threshold_;
    const std::wstring comparingText_;
    // Set once when the window is made, before any worker exists.
    HWND window_ = nullptr;
    DWORD windowThread_ = 0;
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> pauseRequested_{false};
    bool asking_ = false;

    mutable std::mutex mutex_;
    State recorded_;                  // under mutex_
    std::uint64_t version_ = 0;       // under mutex_: counts recorded changes
    bool refreshPosted_ = false;      // under mutex_: a refresh message is queued
    // Window's thread only: what the controls hold, and the version they show.
    State shown_;
    std::uint64_t shownVersion_ = 0;
};

}  // namespace mirrant
