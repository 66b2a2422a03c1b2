#pragma once
// One dialog base, many small dialogs: a concrete dialog is a short class
// that overrides the handlers it needs. The static procedure stores `this`,
// routes messages to the virtual handlers and lets no exception escape
// into Win32.
#include <windows.h>

#include <string>

namespace mirrant {

class Dialog {
public:
    explicit Dialog(int resourceId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally; the result is what End() was given (IDOK,
    // IDCANCEL, ...), or -1 when the dialog could not be created.
    INT_PTR DoModal(HWND owner);
    // Creates the dialog modelessly (hidden unless the template says
    // WS_VISIBLE). With deleteOnDestroy the object deletes itself once its
    // window is gone (for dialogs created with new that close themselves).
    bool CreateModeless(HWND owner, bool deleteOnDestroy = false);

    HWND hwnd() const { return hwnd_; }
    int resourceId() const { return resourceId_; }
    bool isModal() const { return modal_; }

    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text);
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked);
    void EnableItem(int id, bool enabled);
    void ShowItem(int id, bool visible);
    std::wstring Title() const;
    void SetTitle(const std::wstring& text);
    LRESULT SendItem(int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;
    // Ends a modal dialog, or destroys a modeless one.
    void End(INT_PTR result);
    // Centres the window on another one (or the screen when null).
    void CenterOn(HWND other);

protected:
    // WM_INITDIALOG: return true to let the system set the focus.
    virtual bool OnInit() { return true; }
    // WM_COMMAND: return true when handled. IDOK and IDCANCEL reach OnOK and
    // OnCancel unless handled here.
    virtual bool OnCommand(int id, int code, HWND control) { return false; }
    virtual INT_PTR OnNotify(NMHDR* header) { return 0; }
    virtual void OnTimer(UINT_PTR id) {}
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    // Any other message; set handled to true to return the result.
    virtual INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) { return 0; }
    // After the window is gone (modeless dialogs).
    virtual void OnDestroyed() {}

    // The dialog procedure; at WM_INITDIALOG lp is the Dialog*.
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);

    int resourceId_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    bool deleteOnDestroy_ = false;
};

// Runs a modal loop for modeless windows owned by the program: needed when
// a thread other than the one that owns the dialogs must keep them alive.
bool PumpMessagesFor(HWND dialog);

// The program's instance: resources are loaded from the .exe.
HINSTANCE AppInstance();

}  // namespace mirrant
