#include "framework/dialog.h"

#include <exception>

namespace mirrant {

HINSTANCE AppInstance() { return GetModuleHandleW(nullptr); }

Dialog::Dialog(int resourceId) : resourceId_(resourceId) {}

Dialog::~Dialog() {
    if (hwnd_ && !modal_) {
        SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

INT_PTR Dialog::DoModal(HWND owner) {
    modal_ = true;
    return DialogBoxParamW(AppInstance(), MAKEINTRESOURCEW(resourceId_), owner, Procedure,
                           reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(HWND owner, bool deleteOnDestroy) {
    modal_ = false;
    deleteOnDestroy_ = deleteOnDestroy;
    HWND h = CreateDialogParamW(AppInstance(), MAKEINTRESOURCEW(resourceId_), owner, Procedure,
                                reinterpret_cast<LPARAM>(this));
    return h != nullptr;
}

std::wstring Dialog::ItemText(int id) const {
    HWND item = Item(id);
    int n = GetWindowTextLengthW(item);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(item, text.data(), n + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

void Dialog::SetItemText(int id, const std::wstring& text) { SetDlgItemTextW(hwnd_, id, text.c_str()); }

bool Dialog::IsChecked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }

void Dialog::SetChecked(int id, bool checked) { CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED); }

void Dialog::EnableItem(int id, bool enabled) { EnableWindow(Item(id), enabled); }

void Dialog::ShowItem(int id, bool visible) { ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE); }

std::wstring Dialog::Title() const {
    int n = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(hwnd_, text.data(), n + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

void Dialog::SetTitle(const std::wstring& text) { SetWindowTextW(hwnd_, text.c_str()); }

LRESULT Dialog::SendItem(int id, UINT msg, WPARAM wp, LPARAM lp) const {
    return SendDlgItemMessageW(hwnd_, id, msg, wp, lp);
}

void Dialog::End(INT_PTR result) {
    if (!hwnd_) return;
    if (modal_) EndDialog(hwnd_, result);
    else DestroyWindow(hwnd_);
}

void Dialog::CenterOn(HWND other) {
    RECT self, area;
    GetWindowRect(hwnd_, &self);
    if (other && IsWindow(other) && !IsIconic(other)) GetWindowRect(other, &area);
    else SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    int w = self.right - self.left, h = self.bottom - self.top;
    int x = area.left + ((area.right - area.left) - w) / 2;
    int y = area.top + ((area.bottom - area.top) - h) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lp);
        SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        if (self) self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    try {
        INT_PTR result = self->Dispatch(msg, wp, lp);
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, DWLP_USER, 0);
            self->hwnd_ = nullptr;
            self->OnDestroyed();
            if (self->deleteOnDestroy_) delete self;
        }
        return result;
    } catch (const std::exception&) {
        return FALSE;
    } catch (...) {
        return FALSE;
    }
}

INT_PTR Dialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInit() ? TRUE : FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wp), code = HIWORD(wp);
        if (OnCommand(id, code, reinterpret_cast<HWND>(lp))) return TRUE;
        if (id == IDOK) { OnOK(); return TRUE; }
        if (id == IDCANCEL) { OnCancel(); return TRUE; }
        return FALSE;
    }
    case WM_NOTIFY: {
        INT_PTR r = OnNotify(reinterpret_cast<NMHDR*>(lp));
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, r);
        return r != 0 ? TRUE : FALSE;
    }
    case WM_TIMER:
        OnTimer(wp);
        return TRUE;
    default: {
        bool handled = false;
        INT_PTR r = OnMessage(msg, wp, lp, handled);
        return handled ? r : FALSE;
    }
    }
}

bool PumpMessagesFor(HWND dialog) {
    MSG m;
    while (IsWindow(dialog) && GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    return true;
}

}  // namespace mirrant
