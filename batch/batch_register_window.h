#pragma once
// The batch registration window (IDD_BATCH_REGISTER, "ﾊﾞｯﾁﾌｧｲﾙ登録"): where a user
// composes a batch. The list is the batch being edited; the fields above it
// edit the selected row. Rows are added, deleted, copied and pasted, moved
// with the arrow keys and all swapped left to right; folders come from the
// folder chooser or a drop. The window reads a batch file into the list and
// writes the list in either format. It keeps nothing after it closes: its
// copy of the default format flag is never handed back.
//
// Enter pressed in a field or in the list does nothing: only "閉じる", Esc
// and the close box close the window, so a stray Enter cannot throw away
// rows that were never written.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "batch/batch_file.h"
#include "framework/dialog.h"
#include "framework/message_box.h"
#include "framework/shell_dialogs.h"

namespace mirrant {

class BatchRegisterWindow : public Dialog {
public:
    // textBatchDefault: the program's default format flag, copied.
    // prompter: where the window's messages go; null for message boxes owned
    // by the window.
    explicit BatchRegisterWindow(bool textBatchDefault, Prompter* prompter = nullptr);

    void Run(HWND owner) { DoModal(owner); }

    // The window's own state, for its owner's tests.
    bool textDefault() const { return textDefault_; }
    const std::wstring& lastFile() const { return lastFile_; }
    bool notSwapped() const { return notSwapped_; }
    // The list as it stands.
    std::vector<BatchListRow> Rows() const;

protected:
    // The platform dialogs; tests replace them.
    // The chosen folder with a trailing backslash (empty on cancel); sets
    // remembered to the form the next choice of this side starts in.
    virtual std::wstring ChooseFolder(bool source, const std::wstring& initialFolder, std::wstring& remembered);
    // The chosen file, empty on cancel.
    virtual std::wstring ChooseFileToRead(const FileDialogRequest& request);
    // filterIndex: the 1-based entry of the filter chosen as the file type.
    virtual std::wstring ChooseFileToWrite(const FileDialogRequest& request, int& filterIndex);
    // The seed of a binary file written now.
    virtual std::uint32_t SeedNow();

    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR OnNotify(NMHDR* header) override;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

private:
    enum Field { kOperationField = 1, kSourceField = 2, kDestinationField = 4, kAllFields = 7 };
    void WriteFieldsToSelected(int fields);
    void LoadRow(int row);
    void AddRow();
    void DeleteRow();
    void CopyRow();
    void PasteRow();
    void MoveRow(int step);
    void SwapAll();
    void ShowSwapState();
    void Browse(bool source);
    void ReadFile();
    void WriteFile();
    void OnDrop(HDROP drop);
    int SelectedRow() const;
    int RowCount() const;
    std::wstring CheckedOperation() const;
    void SetPathField(int id, const std::wstring& text);
    Prompter& Prompts() { return prompter_ ? *prompter_ : boxes_; }

    Prompter* prompter_;
    MessageBoxPrompter boxes_{nullptr};
    FolderChooser chooser_;
    std::wstring openingTitle_;
    bool textDefault_;
    bool notSwapped_ = true;
    bool updating_ = false;
    std::wstring lastFile_;
    std::wstring lastFolder_[2];  // source, destination
    std::wstring clipboard_;       // one row line
};

}  // namespace mirrant
