#pragma once
// Shows a batch in a window: the comment in its "ｺﾒﾝﾄ" field and the rows in
// a report-view list with the columns "操作", "ｺﾋﾟｰ元", "ｺﾋﾟｰ先". Shared by
// the registration and execution windows.
#include <windows.h>

#include <string>
#include <vector>

namespace mirrant {

inline constexpr int kOperationColumn = 0;
inline constexpr int kSourceColumn = 1;
inline constexpr int kDestinationColumn = 2;

// Full-row select and the three columns: "操作" 60 pixels wide, the two
// paths half of the rest of the client width each.
void SetUpBatchListColumns(HWND list);

// Empties the list, then fills the comment field (when given) and one list
// row per row line. True only when every row line was valid.
bool FillBatchListView(HWND commentField, HWND list, const std::wstring& comment,
                       const std::vector<std::wstring>& rowLines);

int ListRowCount(HWND list);
// The first selected row, or -1.
int SelectedListRow(HWND list);
// The whole text of a cell, however long.
std::wstring ListCellText(HWND list, int row, int column);
void SetListCellText(HWND list, int row, int column, const std::wstring& text);
// Appends a row; its index, or -1.
int AppendListRow(HWND list, const std::wstring& operation, const std::wstring& source,
                  const std::wstring& destination);

}  // namespace mirrant
