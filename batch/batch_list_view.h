#pragma once
// Shows a batch in a window: the comment in its "ｺﾒﾝﾄ" field and the rows in
// a report-view list with the columns "操作", "ｺﾋﾟｰ元", "ｺﾋﾟｰ先".
#include <windows.h>

#include <string>
#include <vector>

namespace mirrant {

// Empties the list, then fills the comment field (when given) and one list
// row per row line. True only when every row line was valid.
bool FillBatchListView(HWND commentField, HWND list, const std::wstring& comment,
                       const std::vector<std::wstring>& rowLines);

}  // namespace mirrant
