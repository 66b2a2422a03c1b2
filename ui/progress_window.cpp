#include "ui/progress_window.h"

#include <cwchar>

#include "framework/message_box.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {
constexpr UINT_PTR kRefreshTimer = 1;
}

ProgressWindow::ProgressWindow(int displayThreshold)
    : Dialog(IDD_PROGRESS), threshold_(displayThreshold), comparingText_(LoadText(IDS_PROGRESS_COMPARING)) {}

ProgressWindow* ProgressWindow::Create(HWND owner, int displayThreshold) {
    auto* window = new ProgressWindow(displayThreshold);
    if (!window->CreateModeless(owner, true)) {
        // No window was made, so nothing will free the object but us.
        delete window;
        return nullptr;
    }
    window->CenterOn(owner);
    return window;
}

bool ProgressWindow::OnInit() {
    window_ = hwnd();
    windowThread_ = GetCurrentThreadId();
    // The template's texts are the starting state ("検索中" in the status).
    State initial;
    initial.item = ItemText(IDC_PROGRESS_ITEM);
    initial.status = ItemText(IDC_PROGRESS_STATUS);
    initial.direction = ItemText(IDC_PROGRESS_DIRECTION);
    initial.schedule = ItemText(IDC_PROGRESS_SCHEDULE);
    initial.title = Title();
    {
        std::lock_guard lock(mutex_);
        recorded_ = initial;
    }
    shown_ = std::move(initial);
    SetTimer(hwnd(), kRefreshTimer, kRefreshMs, nullptr);
    // The template is not visible; the run start shows the window once the
    // worker begins its walk.
    return false;
}

void ProgressWindow::RequestDestroy() {
    if (HWND h = hwnd()) PostMessageW(h, kDestroySelfMessage, 0, 0);
}

void ProgressWindow::SetScheduleText(const std::wstring& text) {
    std::unique_lock lock(mutex_);
    recorded_.schedule.assign(text);
    Changed(lock, false);
}

void ProgressWindow::Show(const std::wstring& text, int level) {
    // A detail is shown only when its level is above the chosen threshold;
    // otherwise the area keeps what it had.
    if (threshold_ >= level) return;
    std::unique_lock lock(mutex_);
    recorded_.item.assign(text);
    Changed(lock, false);
}

void ProgressWindow::SetStatus(const std::wstring& text) {
    std::unique_lock lock(mutex_);
    recorded_.status.assign(text);
    Changed(lock, false);
}

void ProgressWindow::Reset() {
    std::unique_lock lock(mutex_);
    recorded_.status = comparingText_;
    // At these thresholds no folder name would ever overwrite a stale line,
    // so the area is emptied instead.
    if (threshold_ >= level::Folder) recorded_.item.clear();
    Changed(lock, false);
}

void ProgressWindow::SetDirection(const std::wstring& text) {
    std::unique_lock lock(mutex_);
    recorded_.direction.assign(text);
    Changed(lock, false);
}

void ProgressWindow::SetTitle(const std::wstring& text) {
    std::unique_lock lock(mutex_);
    recorded_.title.assign(text);
    Changed(lock, false);
}

void ProgressWindow::SetVisible(bool visible) {
    std::unique_lock lock(mutex_);
    recorded_.visible = visible;
    // The window is hidden while the worker asks a question of its own, so
    // showing and hiding must not wait for the next tick.
    Changed(lock, true);
}

std::wstring ProgressWindow::StatusText() const {
    std::lock_guard lock(mutex_);
    return recorded_.status;
}

std::wstring ProgressWindow::ItemAreaText() const { return ItemText(IDC_PROGRESS_ITEM); }

std::wstring ProgressWindow::TotalsText() const { return ItemText(IDC_PROGRESS_TOTALS); }

namespace {

std::wstring Megabytes(std::uint64_t bytes) {
    wchar_t number[32];
    std::swprintf(number, 32, L"%.1f", static_cast<double>(bytes) / 1048576.0);
    return Message(IDS_PROGRESS_MEGABYTES, {std::wstring(number)});
}

// "ﾌｧｲﾙ 12 / 340　　1.2 MB / 45.0 MB　　残り約 3 分".
std::wstring TotalsLine(const ProgressTotals& t) {
    std::wstring text = Message(IDS_PROGRESS_TOTALS, {std::to_wstring(t.filesDone), std::to_wstring(t.filesTotal),
                                                       Megabytes(t.bytesDone), Megabytes(t.bytesTotal)});
    const long long s = t.secondsLeft;
    if (s < 0) return text;
    if (s < 60) return text + Message(IDS_PROGRESS_LEFT_SECONDS, {std::to_wstring(s)});
    if (s < 3600) return text + Message(IDS_PROGRESS_LEFT_MINUTES, {std::to_wstring((s + 30) / 60)});
    return text + Message(IDS_PROGRESS_LEFT_HOURS, {std::to_wstring(s / 3600), std::to_wstring(s / 60 % 60)});
}

}  // namespace

void ProgressWindow::SetTotals(const ProgressTotals& totals) {
    std::wstring text = TotalsLine(totals);
    std::unique_lock lock(mutex_);
    recorded_.totals = std::move(text);
    Changed(lock, false);
}

std::wstring ProgressWindow::InterruptButtonText() const { return ItemText(IDC_PROGRESS_INTERRUPT); }

void ProgressWindow::Changed(std::unique_lock<std::mutex>& lock, bool showOrHide) {
    ++version_;
    if (GetCurrentThreadId() == windowThread_) {
        lock.unlock();
        Refresh();
        return;
    }
    if (!showOrHide || refreshPosted_) return;
    refreshPosted_ = true;
    lock.unlock();
    if (!PostMessageW(window_, kProgressRefreshMessage, 0, 0)) {
        // A full queue: the timer brings the change a little later.
        lock.lock();
        refreshPosted_ = false;
    }
}

void ProgressWindow::Refresh() {
    if (!hwnd()) return;
    State now;
    {
        std::lock_guard lock(mutex_);
        refreshPosted_ = false;
        if (version_ == shownVersion_) return;
        shownVersion_ = version_;
        now = recorded_;
    }
    // Only what differs is set again: every text set costs a repaint.
    auto put = [this](int id, const std::wstring& text, std::wstring& shown) {
        if (text == shown) return;
        SetItemText(id, text);
        shown = text;
    };
    put(IDC_PROGRESS_DIRECTION, now.direction, shown_.direction);
    put(IDC_PROGRESS_STATUS, now.status, shown_.status);
    put(IDC_PROGRESS_SCHEDULE, now.schedule, shown_.schedule);
    put(IDC_PROGRESS_ITEM, now.item, shown_.item);
    put(IDC_PROGRESS_TOTALS, now.totals, shown_.totals);
    if (now.title != shown_.title) {
        Dialog::SetTitle(now.title);
        shown_.title = now.title;
    }
    if (now.visible != shown_.visible) {
        ShowWindow(hwnd(), now.visible ? SW_SHOW : SW_HIDE);
        shown_.visible = now.visible;
    }
}

void ProgressWindow::OnTimer(UINT_PTR id) {
    if (id == kRefreshTimer) Refresh();
}

void ProgressWindow::OnInterruptButton() {
    // A second click while the question is open would stack a second box.
    if (asking_) return;
    asking_ = true;
    // The worker waits while the question is open, so the answer applies to
    // the state the user saw.
    pauseRequested_ = true;
    MessageBoxPrompter boxes(hwnd());
    bool yes = boxes.YesNo(LoadText(cancelRequested_ ? msg::kInterruptPendingQuestion : msg::kInterruptQuestion));
    cancelRequested_ = yes;
    SetItemText(IDC_PROGRESS_INTERRUPT, LoadText(yes ? IDS_PROGRESS_INTERRUPTING : IDS_PROGRESS_INTERRUPT));
    pauseRequested_ = false;
    asking_ = false;
}

void ProgressWindow::OnCloseBox() {
    pauseRequested_ = true;
    SetItemText(IDC_PROGRESS_INTERRUPT, LoadText(IDS_PROGRESS_INTERRUPTING));
    cancelRequested_ = true;
    pauseRequested_ = false;
}

bool ProgressWindow::OnCommand(int id, int code, HWND) {
    if (id == IDC_PROGRESS_INTERRUPT && code == BN_CLICKED) {
        OnInterruptButton();
        return true;
    }
    return false;
}

void ProgressWindow::OnCancel() {
    // Esc: the same as the "中断" button, with its question. The close box
    // arrives as WM_CLOSE (below) and interrupts without one.
    OnInterruptButton();
}

INT_PTR ProgressWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    switch (msg) {
    case kProgressRefreshMessage:
        Refresh();
        handled = true;
        return TRUE;
    case WM_CLOSE:
        // While the interrupt question is open the close box stays quiet;
        // the question decides.
        if (!asking_) OnCloseBox();
        handled = true;
        return TRUE;
    case kDestroySelfMessage:
        DestroyWindow(hwnd());
        handled = true;
        return TRUE;
    default:
        return 0;
    }
}

}  // namespace mirrant
