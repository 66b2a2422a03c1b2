#include "batch/batch_execute_window.h"

#include <commctrl.h>

#include <vector>

#include "batch/batch_file.h"
#include "batch/batch_list_view.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

BatchExecuteWindow::BatchExecuteWindow(const std::wstring& comment, std::deque<BatchRow>& queue,
                                       Prompter* prompter)
    : Dialog(IDD_BATCH_EXECUTE), comment_(comment), queue_(queue), prompter_(prompter) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
}

bool BatchExecuteWindow::OnInit() {
    boxes_.setOwner(hwnd());
    openingTitle_ = Title();
    SetUpBatchListColumns(Item(IDC_BATCH_LIST));
    Load(0);
    return true;
}

int BatchExecuteWindow::RowCount() const { return ListRowCount(Item(IDC_BATCH_LIST)); }

int BatchExecuteWindow::SelectedRow() const { return SelectedListRow(Item(IDC_BATCH_LIST)); }

std::wstring BatchExecuteWindow::Cell(int row, int column) const { return ListCellText(Item(IDC_BATCH_LIST), row, column); }

void BatchExecuteWindow::SetCell(int row, int column, const std::wstring& text) {
    SetListCellText(Item(IDC_BATCH_LIST), row, column, text);
}

void BatchExecuteWindow::ShowRow(int row) {
    updating_ = true;
    const bool valid = row >= 0 && row < RowCount();
    SetItemText(IDC_BATCH_SOURCE, valid ? Cell(row, kSourceColumn) : std::wstring());
    SetItemText(IDC_BATCH_DEST, valid ? Cell(row, kDestinationColumn) : std::wstring());
    updating_ = false;
}

void BatchExecuteWindow::Load(int row) {
    updating_ = true;
    SetItemText(IDC_BATCH_COMMENT, L"");
    SetItemText(IDC_BATCH_SOURCE, L"");
    SetItemText(IDC_BATCH_DEST, L"");
    updating_ = false;
    std::vector<std::wstring> lines;
    for (const BatchRow& row : queue_) lines.push_back(MakeRowLine(row));
    const bool ok = FillBatchListView(Item(IDC_BATCH_COMMENT), Item(IDC_BATCH_LIST), comment_, lines);
    if (!ok) {
        Prompts().Warning(LoadText(msg::kCannotShow));
        EnableItem(IDOK, false);
        EnableItem(IDC_BATCH_SWAP, false);
        return;
    }
    if (row < 0 || row >= RowCount()) row = 0;
    ListView_SetItemState(Item(IDC_BATCH_LIST), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(Item(IDC_BATCH_LIST), row, FALSE);
    ShowRow(row);
    notSwapped_ = true;
    SetTitle(openingTitle_);
    SetItemText(IDC_BATCH_SWAP, LoadText(IDS_BATCH_SWAP));
    EnableItem(IDOK, true);
    EnableItem(IDC_BATCH_SWAP, true);
}

void BatchExecuteWindow::SwapAll() {
    const int rows = RowCount();
    if (rows == 0) return;
    for (int i = 0; i < rows; ++i) {
        if (Cell(i, kSourceColumn).empty() || Cell(i, kDestinationColumn).empty()) {
            Prompts().Warning(LoadText(msg::kEmptyPath));
            return;
        }
    }
    for (int i = 0; i < rows; ++i) {
        const std::wstring source = Cell(i, kSourceColumn);
        SetCell(i, kSourceColumn, Cell(i, kDestinationColumn));
        SetCell(i, kDestinationColumn, source);
    }
    notSwapped_ = !notSwapped_;
    SetTitle(notSwapped_ ? openingTitle_ : openingTitle_ + LoadText(IDS_BATCH_SWAPPED_TITLE));
    SetItemText(IDC_BATCH_SWAP, LoadText(notSwapped_ ? IDS_BATCH_SWAP : IDS_BATCH_UNSWAP));
    const int selected = SelectedRow();
    ShowRow(selected >= 0 ? selected : 0);
}

bool BatchExecuteWindow::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_BATCH_RELOAD:
        if (code == BN_CLICKED) {
            const int selected = SelectedRow();
            if (selected >= 0) Load(selected);
        }
        return true;
    case IDC_BATCH_SWAP:
        if (code == BN_CLICKED) SwapAll();
        return true;
    case IDC_BATCH_SOURCE:
    case IDC_BATCH_DEST:
        if (code == EN_CHANGE && !updating_) {
            const int selected = SelectedRow();
            if (selected >= 0)
                SetCell(selected, id == IDC_BATCH_SOURCE ? kSourceColumn : kDestinationColumn, ItemText(id));
        }
        return true;
    default: return false;
    }
}

INT_PTR BatchExecuteWindow::OnNotify(NMHDR* header) {
    // Only a click shows a row in the fields; moving with the keyboard does not.
    if (header->idFrom == IDC_BATCH_LIST && header->code == NM_CLICK) {
        const auto* activate = reinterpret_cast<NMITEMACTIVATE*>(header);
        if (activate->iItem >= 0) ShowRow(activate->iItem);
    }
    return 0;
}

void BatchExecuteWindow::OnOK() {
    if (!notSwapped_ && !Prompts().YesNo(LoadText(msg::kRunSwapped))) return;
    const int rows = RowCount();
    for (int i = 0; i < rows; ++i) {
        const wchar_t letter = OperationLetter(Cell(i, kOperationColumn));
        if (letter == 0) continue;
        const std::wstring source = Cell(i, kSourceColumn);
        const std::wstring destination = Cell(i, kDestinationColumn);
        if (source.empty() || destination.empty()) {
            Prompts().Warning(LoadText(msg::kEmptyPath));
            return;
        }
        const BatchRow row{letter, source, destination};
        if (static_cast<size_t>(i) < queue_.size()) queue_[i] = row;
    }
    End(IDOK);
}

}  // namespace mirrant
