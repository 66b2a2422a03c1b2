#pragma once
// Property sheets (named SettingsSheet: the system header takes the name
// PropertySheet for a macro): a sheet owns its pages; each page is a Dialog whose
// Apply/SetActive/KillActive/Reset handlers the sheet calls. Pages edit
// live settings; Cancel reloads the stored values (OnReset).
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/dialog.h"

namespace mirrant {

class PropertyPage : public Dialog {
public:
    explicit PropertyPage(int resourceId) : Dialog(resourceId) {}
    PROPSHEETPAGEW Describe();

    // Tells the sheet that a page holds changes (enables "適用").
    void SetModified(bool modified = true);
    // The tab text when it is not the dialog caption (one template shown
    // as several pages).
    void SetTabText(std::wstring text) { tabText_ = std::move(text); }

protected:
    // OK or Apply: false keeps the sheet open on this page.
    virtual bool OnApply() { return true; }
    virtual void OnSetActive() {}
    // Leaving the page: false keeps it (validation failed).
    virtual bool OnKillActive() { return true; }
    virtual void OnReset() {}
    INT_PTR OnNotify(NMHDR* header) override;
    // A page never ends itself: an IDOK or IDCANCEL that reaches the page
    // (a control of the page sends it to its parent) does what the sheet's
    // own OK or Cancel button does.
    void OnOK() override;
    void OnCancel() override;

private:
    void PressSheetButton(int button, int buttonId);
    std::wstring tabText_;
    static INT_PTR CALLBACK PageProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

class SettingsSheet {
public:
    SettingsSheet(std::wstring caption, std::vector<PropertyPage*> pages, int startPage = 0);
    // Shows the sheet modally; IDOK or IDCANCEL.
    INT_PTR DoModal(HWND owner);
    // Disables the sheet's OK button (for sheets opened read-only).
    void DisableOkButton(bool disable) { disableOk_ = disable; }

private:
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp);
    std::wstring caption_;
    std::vector<PropertyPage*> pages_;
    int startPage_;
    bool disableOk_ = false;
};

}  // namespace mirrant
