#include "ui/item_dialogs.h"

#include "framework/dialog.h"
#include "res/resource.h"

namespace mirrant {

namespace {

constexpr int kChoiceRadios[3] = {IDC_ITEM_CHOICE_RADIO0, IDC_ITEM_CHOICE_RADIO1, IDC_ITEM_CHOICE_RADIO2};

class ItemChoiceDialog : public Dialog {
public:
    explicit ItemChoiceDialog(const ItemChoiceRequest& request) : Dialog(IDD_ITEM_CHOICE), request_(request) {}
    const ItemChoiceAnswer& answer() const { return answer_; }

protected:
    bool OnInit() override {
        Dialog::SetTitle(request_.title);
        SetItemText(IDC_ITEM_CHOICE_MESSAGE, request_.message);
        SetItemText(IDC_ITEM_CHOICE_PATH, request_.path);
        for (int i = 0; i < 3; ++i) {
            SetItemText(kChoiceRadios[i], request_.choiceTexts[i]);
            SetChecked(kChoiceRadios[i], i == request_.preselected);
        }
        if (!request_.checkBoxText.empty()) SetItemText(IDC_ITEM_CHOICE_CHANGE, request_.checkBoxText);
        SetChecked(IDC_ITEM_CHOICE_CHANGE, false);
        // The worker asks while the user may be looking elsewhere: bring the
        // question forward.
        SetForegroundWindow(hwnd());
        SetFocus(Item(IDOK));
        return false;
    }
    void OnOK() override {
        int chosen = -1;
        for (int i = 0; i < 3; ++i)
            if (IsChecked(kChoiceRadios[i])) chosen = i;
        // "続行" with nothing chosen does nothing; the question stays open.
        if (chosen < 0) return;
        answer_.interrupted = false;
        answer_.choice = chosen;
        answer_.changeSetting = IsChecked(IDC_ITEM_CHOICE_CHANGE);
        End(IDOK);
    }
    void OnCancel() override {
        answer_ = ItemChoiceAnswer{};
        answer_.interrupted = true;
        End(IDCANCEL);
    }

private:
    const ItemChoiceRequest& request_;
    ItemChoiceAnswer answer_{true, 0, false};
};

class FolderDeleteDialog : public Dialog {
public:
    explicit FolderDeleteDialog(const std::wstring& folder) : Dialog(IDD_FOLDER_DELETE), folder_(folder) {}
    const FolderDeleteAnswer& answer() const { return answer_; }

protected:
    bool OnInit() override {
        SetItemText(IDC_FOLDER_DELETE_PATH, folder_);
        SetForegroundWindow(hwnd());
        SetFocus(Item(IDYES));
        return false;
    }
    bool OnCommand(int id, int code, HWND) override {
        if (code != BN_CLICKED) return false;
        switch (id) {
        case IDYES: Finish(FolderDeleteButton::Yes); return true;
        case IDNO: Finish(FolderDeleteButton::No); return true;
        case IDC_FOLDER_DELETE_INTERRUPT: Finish(FolderDeleteButton::Interrupt); return true;
        default: return false;
        }
    }
    // Enter presses the default button "はい".
    void OnOK() override { Finish(FolderDeleteButton::Yes); }
    // The close box and Esc decline this folder, nothing more.
    void OnCancel() override { Finish(FolderDeleteButton::No); }

private:
    void Finish(FolderDeleteButton button) {
        answer_.button = button;
        answer_.dontAskAgain = IsChecked(IDC_FOLDER_DELETE_DONT_ASK);
        End(IDOK);
    }

    const std::wstring& folder_;
    FolderDeleteAnswer answer_{FolderDeleteButton::No, false};
};

}  // namespace

ItemChoiceAnswer ShowItemChoiceDialog(HWND owner, const ItemChoiceRequest& request) {
    ItemChoiceDialog dialog(request);
    // A dialog that cannot be shown cannot be answered: the run stops rather
    // than acting on a guess.
    if (dialog.DoModal(owner) == -1) return ItemChoiceAnswer{true, 0, false};
    return dialog.answer();
}

FolderDeleteAnswer ShowFolderDeleteDialog(HWND owner, const std::wstring& folder) {
    FolderDeleteDialog dialog(folder);
    // Not shown means not confirmed: the folder stays.
    if (dialog.DoModal(owner) == -1) return FolderDeleteAnswer{FolderDeleteButton::No, false};
    return dialog.answer();
}

}  // namespace mirrant
