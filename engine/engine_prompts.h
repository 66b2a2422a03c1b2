#pragma once
// The questions a run asks beyond plain message boxes: the per-item choice
// for an item that exists on one side only (IDD_ITEM_CHOICE) and the confirmation
// before a folder tree is deleted (IDD_FOLDER_DELETE). The engine builds every text
// the dialogs show; the program's implementation (ui/) only displays them and
// returns what the user chose. Tests answer from a script.
#include <string>

#include "framework/prompts.h"

namespace mirrant {

// Which side lacks the item: the destination (walking the source, value 0)
// or the source (walking the destination in a sync run, value 1).
enum class MissingSide : int { Destination = 0, Source = 1 };

// What IDD_ITEM_CHOICE shows. All texts are final; the dialog sets them as they are.
struct ItemChoiceRequest {
    MissingSide side = MissingSide::Destination;
    bool isFolder = false;
    std::wstring title;          // window title
    std::wstring message;        // "以下の…が…にありません。"
    std::wstring path;           // the item, for the read-only multi-line box
    std::wstring choiceTexts[3]; // radio buttons, values 0 (copy), 1 (delete), 2 (leave)
    std::wstring checkBoxText;   // "以後、「毎回処理を選択する」を、上の設定に変更する"
    int preselected = 0;         // 0..2: the radio button checked when the dialog opens
};

// The answer of IDD_ITEM_CHOICE: "続行" with a choice, or "中断" (also when closed).
// "続行" with no radio button selected does nothing (the dialog stays open).
struct ItemChoiceAnswer {
    bool interrupted = false;
    int choice = 0;              // 0..2 as in choiceTexts
    bool changeSetting = false;  // the check box was ticked
};

// The answer of IDD_FOLDER_DELETE: "はい" (default), "いいえ" or "中断"; closing the
// dialog counts as "いいえ".
enum class FolderDeleteButton { Yes, No, Interrupt };
struct FolderDeleteAnswer {
    FolderDeleteButton button = FolderDeleteButton::Yes;
    bool dontAskAgain = false;   // "以後、処理終了まで確認しないでﾌｫﾙﾀﾞを削除する"
};

class EnginePrompter : public Prompter {
public:
    // IDD_ITEM_CHOICE, modal, owned by the main window; asked from the worker thread.
    virtual ItemChoiceAnswer ChooseMissingItem(const ItemChoiceRequest& request) = 0;
    // IDD_FOLDER_DELETE with the folder path in its read-only box. The engine hides
    // the progress window around this call.
    virtual FolderDeleteAnswer ConfirmFolderDelete(const std::wstring& folder) = 0;
};

// Builds the request for one item (texts from the string table). side values
// other than 0 and 1 are treated as 0 by the caller before this point.
ItemChoiceRequest MakeItemChoiceRequest(MissingSide side, bool isFolder, const std::wstring& path,
                                        int rememberedChoice);

// The text of radio button `choice` (0..2) for the side.
std::wstring ItemChoiceText(MissingSide side, int choice);

// The per-process memory of the per-item choice: the last radio choice per
// side (initially copy for the destination side, delete for the source side).
int RememberedItemChoice(MissingSide side);
void RememberItemChoice(MissingSide side, int choice);
void ResetItemChoiceMemory();  // program start (and tests)

}  // namespace mirrant
