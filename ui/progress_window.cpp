#include "ui/progress_window.h"

#include "framework/message_box.h"
#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

ProgressWindow::ProgressWindow(int displayThreshold)
    : Dialog(IDD_PROGRESS), threshold_(displayThreshold) {}

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
    // The template is not visible; the run start shows the window once the
    // worker begins its walk.
    return false;
}

void ProgressWindow::RequestDestroy() {
    if (HWND h = hwnd()) PostMessageW(h, kMsgDestroySelf, 0, 0);
}

void ProgressWindow::SetScheduleText(const std::wstring& text) { Update(Op::SetSchedule, &text); }

void ProgressWindow::Show(const std::wstring& text, int level) {
    // A detail is shown only when its level is above the chosen threshold;
    // otherwise the area keeps what it had.
    if (threshold_ < level) Update(Op::SetItem, &text);
}

void ProgressWindow::SetStatus(const std::wstring& text) { Update(Op::SetStatus, &text); }

void ProgressWindow::Reset() { Update(Op::Reset); }

void ProgressWindow::SetDirection(const std::wstring& text) { Update(Op::SetDirection, &text); }

void ProgressWindow::SetTitle(const std::wstring& text) { Update(Op::SetTitle, &text); }

void ProgressWindow::SetVisible(bool visible) { Update(visible ? Op::Show : Op::Hide); }

std::wstring ProgressWindow::StatusText() const { return ItemText(IDC_PROGRESS_STATUS); }

std::wstring ProgressWindow::ItemAreaText() const { return ItemText(IDC_PROGRESS_ITEM); }

std::wstring ProgressWindow::InterruptButtonText() const { return ItemText(IDC_PROGRESS_INTERRUPT); }

void ProgressWindow::Update(Op op, const std::wstring* text) {
    // SendMessage runs the update on the window's own thread and returns when
    // it is done, so the text may live on the caller's stack.
    if (HWND h = hwnd()) {
        SendMessageW(h, kMsgProgressUpdate, static_cast<WPARAM>(op), reinterpret_cast<LPARAM>(text));
    }
}

void ProgressWindow::Apply(Op op, const std::wstring* text) {
    const std::wstring empty;
    const std::wstring& t = text ? *text : empty;
    switch (op) {
    case Op::SetItem: SetItemText(IDC_PROGRESS_ITEM, t); break;
    case Op::SetStatus: SetItemText(IDC_PROGRESS_STATUS, t); break;
    case Op::Reset:
        SetItemText(IDC_PROGRESS_STATUS, LoadText(IDS_PROGRESS_COMPARING));
        // At these thresholds no folder name would ever overwrite a stale
        // line, so the area is emptied instead.
        if (threshold_ >= level::Folder) SetItemText(IDC_PROGRESS_ITEM, L"");
        break;
    case Op::SetDirection: SetItemText(IDC_PROGRESS_DIRECTION, t); break;
    case Op::SetTitle: Dialog::SetTitle(t); break;
    case Op::SetSchedule: SetItemText(IDC_PROGRESS_SCHEDULE, t); break;
    case Op::Show: ShowWindow(hwnd(), SW_SHOW); break;
    case Op::Hide: ShowWindow(hwnd(), SW_HIDE); break;
    }
}

void ProgressWindow::OnInterruptButton() {
    // A second click while the question is open would stack a second box.
    if (asking_) return;
    asking_ = true;
    // The worker waits while the question is open, so the answer applies to
    // the state the user saw.
    pauseRequested_ = true;
    MessageBoxPrompter boxes(hwnd());
    bool yes = boxes.YesNo(LoadText(cancelRequested_ ? 229 : 142));
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
    case kMsgProgressUpdate:
        Apply(static_cast<Op>(wp), reinterpret_cast<const std::wstring*>(lp));
        handled = true;
        return TRUE;
    case WM_CLOSE:
        // While the interrupt question is open the close box stays quiet;
        // the question decides.
        if (!asking_) OnCloseBox();
        handled = true;
        return TRUE;
    case kMsgDestroySelf:
        DestroyWindow(hwnd());
        handled = true;
        return TRUE;
    default:
        return 0;
    }
}

}  // namespace mirrant
