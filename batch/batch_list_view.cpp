#include "batch/batch_list_view.h"

#include <commctrl.h>

#include "batch/batch_file.h"

namespace mirrant {

bool FillBatchListView(HWND commentField, HWND list, const std::wstring& comment,
                       const std::vector<std::wstring>& rowLines) {
    std::vector<BatchListRow> rows;
    const bool ok = FillBatchList(rowLines, rows);
    if (commentField) SetWindowTextW(commentField, comment.c_str());
    ListView_DeleteAllItems(list);
    int index = 0;
    for (BatchListRow& row : rows) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = row.operation.data();
        const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) return false;
        ListView_SetItemText(list, at, 1, row.source.data());
        ListView_SetItemText(list, at, 2, row.destination.data());
        ++index;
    }
    return ok;
}

}  // namespace mirrant
