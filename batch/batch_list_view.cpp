#include "batch/batch_list_view.h"

#include <commctrl.h>

#include "batch/batch_file.h"
#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

namespace {
constexpr int kOperationColumnWidth = 60;
}  // namespace

void SetUpBatchListColumns(HWND list) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    RECT client{};
    GetClientRect(list, &client);
    const int pathWidth = (client.right - client.left - kOperationColumnWidth) / 2;
    const unsigned titles[] = {IDS_BATCH_COLUMN_OPERATION, IDS_BATCH_COLUMN_SOURCE, IDS_BATCH_COLUMN_DEST};
    for (int i = 0; i < 3; ++i) {
        std::wstring title = LoadText(titles[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title.data();
        column.cx = i == kOperationColumn ? kOperationColumnWidth : pathWidth;
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

int AppendListRow(HWND list, const std::wstring& operation, const std::wstring& source,
                  const std::wstring& destination) {
    std::wstring text = operation;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListRowCount(list);
    item.pszText = text.data();
    const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) return -1;
    SetListCellText(list, at, kSourceColumn, source);
    SetListCellText(list, at, kDestinationColumn, destination);
    return at;
}

bool FillBatchListView(HWND commentField, HWND list, const std::wstring& comment,
                       const std::vector<std::wstring>& rowLines) {
    std::vector<BatchListRow> rows;
    const bool ok = FillBatchList(rowLines, rows);
    if (commentField) SetWindowTextW(commentField, comment.c_str());
    ListView_DeleteAllItems(list);
    for (const BatchListRow& row : rows)
        if (AppendListRow(list, row.operation, row.source, row.destination) < 0) return false;
    return ok;
}

int ListRowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

int SelectedListRow(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::wstring ListCellText(HWND list, int row, int column) {
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (n < static_cast<int>(buffer.size()) - 1) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 4);  // the text may have been cut: ask again with more room
    }
}

void SetListCellText(HWND list, int row, int column, const std::wstring& text) {
    std::wstring copy = text;
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = copy.data();
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

}  // namespace mirrant
