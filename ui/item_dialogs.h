#pragma once
// The two questions a run asks about single items, shown as modal dialogs
// owned by the main window: the per-item choice for an item
// on one side only (IDD_ITEM_CHOICE) and the folder-delete confirmation (dialog
// 131); and the program's EnginePrompter, which shows those dialogs and the
// plain message boxes.
#include <windows.h>

#include <string>

#include "engine/engine_prompts.h"
#include "framework/message_box.h"
#include "framework/window_thread.h"

namespace mirrant {

// IDD_ITEM_CHOICE with the texts of the request. "続行" returns the checked radio
// button and the check box; "中断" or closing returns interrupted.
ItemChoiceAnswer ShowItemChoiceDialog(HWND owner, const ItemChoiceRequest& request);

// IDD_FOLDER_DELETE for one folder. Closing the dialog counts as "いいえ".
FolderDeleteAnswer ShowFolderDeleteDialog(HWND owner, const std::wstring& folder);

// The production prompter of a run: message boxes and the two dialogs, all
// owned by the main window and all made on the thread that made this
// prompter (the window's thread). A worker that asks waits for the answer
// while that thread shows the box in its own message loop.
class DialogPrompter : public EnginePrompter {
public:
    explicit DialogPrompter(HWND owner) : boxes_(owner) {}
    HWND owner() const { return boxes_.owner(); }
    void setOwner(HWND owner) { boxes_.setOwner(owner); }

    void Warning(const std::wstring& text) override {
        windowThread_.Run([&] { boxes_.Warning(text); });
    }
    void Information(const std::wstring& text) override {
        windowThread_.Run([&] { boxes_.Information(text); });
    }
    bool YesNo(const std::wstring& text, bool defaultNo = false) override {
        return windowThread_.Call([&] { return boxes_.YesNo(text, defaultNo); });
    }
    PromptAnswer YesNoCancel(const std::wstring& text) override {
        return windowThread_.Call([&] { return boxes_.YesNoCancel(text); });
    }
    ItemChoiceAnswer ChooseMissingItem(const ItemChoiceRequest& request) override {
        return windowThread_.Call([&] { return ShowItemChoiceDialog(owner(), request); });
    }
    FolderDeleteAnswer ConfirmFolderDelete(const std::wstring& folder) override {
        return windowThread_.Call([&] { return ShowFolderDeleteDialog(owner(), folder); });
    }

private:
    MessageBoxPrompter boxes_;
    WindowThread windowThread_;
};

}  // namespace mirrant
