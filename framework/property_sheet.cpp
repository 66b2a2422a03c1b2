#include "framework/property_sheet.h"

namespace mirrant {

namespace {
thread_local bool tDisableOk = false;
}

PROPSHEETPAGEW PropertyPage::Describe() {
    PROPSHEETPAGEW psp{};
    psp.dwSize = sizeof psp;
    psp.hInstance = AppInstance();
    psp.pszTemplate = MAKEINTRESOURCEW(resourceId());
    psp.pfnDlgProc = PageProcedure;
    psp.lParam = reinterpret_cast<LPARAM>(this);
    if (!tabText_.empty()) {
        psp.dwFlags |= PSP_USETITLE;
        psp.pszTitle = tabText_.c_str();
    }
    return psp;
}

INT_PTR CALLBACK PropertyPage::PageProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) lp = reinterpret_cast<PROPSHEETPAGEW*>(lp)->lParam;
    return Procedure(hwnd, msg, wp, lp);
}

void PropertyPage::SetModified(bool modified) {
    HWND sheet = GetParent(hwnd());
    SendMessageW(sheet, modified ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(hwnd()), 0);
}

// The handler's result is the notification's answer: the dialog procedure
// stores it as the message result (a zero answer, the usual "go on", needs
// no storing).
INT_PTR PropertyPage::OnNotify(NMHDR* header) {
    switch (header->code) {
    case PSN_APPLY:
        return OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
    case PSN_SETACTIVE:
        OnSetActive();
        if (tDisableOk) EnableWindow(GetDlgItem(GetParent(hwnd()), IDOK), FALSE);
        return 0;
    case PSN_KILLACTIVE:
        return OnKillActive() ? FALSE : TRUE;
    case PSN_RESET:
        OnReset();
        return 0;
    default:
        return 0;
    }
}

void PropertyPage::OnOK() { PressSheetButton(PSBTN_OK, IDOK); }

void PropertyPage::OnCancel() { PressSheetButton(PSBTN_CANCEL, IDCANCEL); }

// Posted: the sheet may end and destroy this page, which must not happen
// while the page is still handling the command. A disabled button (a sheet
// opened read-only) is not pressed.
void PropertyPage::PressSheetButton(int button, int buttonId) {
    HWND sheet = GetParent(hwnd());
    HWND control = GetDlgItem(sheet, buttonId);
    if (control && IsWindowEnabled(control)) PostMessageW(sheet, PSM_PRESSBUTTON, button, 0);
}

SettingsSheet::SettingsSheet(std::wstring caption, std::vector<PropertyPage*> pages, int startPage)
    : caption_(std::move(caption)), pages_(std::move(pages)), startPage_(startPage) {}

int CALLBACK SettingsSheet::SheetCallback(HWND hwnd, UINT msg, LPARAM) {
    if (msg == PSCB_INITIALIZED && tDisableOk) EnableWindow(GetDlgItem(hwnd, IDOK), FALSE);
    return 0;
}

INT_PTR SettingsSheet::DoModal(HWND owner) {
    std::vector<PROPSHEETPAGEW> descs;
    for (PropertyPage* p : pages_) descs.push_back(p->Describe());
    PROPSHEETHEADERW psh{};
    psh.dwSize = sizeof psh;
    psh.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP | PSH_USECALLBACK;
    psh.hwndParent = owner;
    psh.hInstance = AppInstance();
    psh.pszCaption = caption_.c_str();
    psh.nPages = static_cast<UINT>(descs.size());
    psh.nStartPage = static_cast<UINT>(startPage_);
    psh.ppsp = descs.data();
    psh.pfnCallback = SheetCallback;
    tDisableOk = disableOk_;
    INT_PTR result = ::PropertySheetW(&psh);
    tDisableOk = false;
    return result > 0 ? IDOK : IDCANCEL;
}

}  // namespace mirrant
