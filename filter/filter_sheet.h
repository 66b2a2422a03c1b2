#pragma once
// The sheet "ｺﾋﾟｰ対象・除外の設定" (option command ID_FILTER): the general page,
// the file-name and sub-folder-name pages and the two time-range pages, all
// editing the live FilterSet.
#include <windows.h>

#include "filter/filter_set.h"
#include "framework/prompts.h"

namespace mirrant {

class ProfileStore;

// Loads the FilterSet from the store, opens the sheet modally at the page
// shown last and waits for it to close. OK: stamps the AND marks of the two
// time records and sends the owner kFilterSheetOkMessage (the owner saves and applies
// its consistency rules), then returns true. Cancel: loads the FilterSet
// again, so every change is gone, and returns false. prompter null: real
// message boxes.
bool ShowFilterSheet(HWND owner, FilterSet& filters, const ProfileStore& store, Prompter* prompter = nullptr);

// The AND marks as saved: 1 on the creation record and 2 on the
// modification record while timeAnd holds, otherwise 0 on both.
void StampAndMarks(FilterSet& filters);

}  // namespace mirrant
