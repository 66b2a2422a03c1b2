#pragma once
// The batch execution window (IDD_BATCH_EXECUTE, "ﾊﾞｯﾁﾌｧｲﾙ実行"): shows the batch
// read from a file, lets the user adjust paths and swap every source with
// its destination, and writes the rows back into the queue on "実行".
// Edits change only the queue of this run, never the file.
#include <deque>
#include <string>

#include "batch/batch_file.h"
#include "framework/dialog.h"
#include "framework/message_box.h"

namespace mirrant {

class BatchExecuteWindow : public Dialog {
public:
    // prompter: where the window's messages go; null for message boxes owned
    // by the window.
    BatchExecuteWindow(const std::wstring& comment, std::deque<BatchRow>& queue, Prompter* prompter = nullptr);

    // Modal; true when the window closed with "実行".
    bool Run(HWND owner) { return DoModal(owner) == IDOK; }

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR OnNotify(NMHDR* header) override;
    void OnOK() override;

private:
    void Load(int row);
    void ShowRow(int row);
    void SwapAll();
    int SelectedRow() const;
    int RowCount() const;
    std::wstring Cell(int row, int column) const;
    void SetCell(int row, int column, const std::wstring& text);
    Prompter& Prompts() { return prompter_ ? *prompter_ : boxes_; }

    std::wstring comment_;
    std::deque<BatchRow>& queue_;
    Prompter* prompter_;
    MessageBoxPrompter boxes_{nullptr};
    std::wstring openingTitle_;
    bool notSwapped_ = true;
    bool updating_ = false;
};

}  // namespace mirrant
