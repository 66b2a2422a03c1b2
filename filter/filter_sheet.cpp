#include "filter/filter_sheet.h"

#include <commctrl.h>

#include <algorithm>

#include "filter/filter_pages.h"
#include "filter/name_entry.h"
#include "filter/time_filter_page.h"
#include "framework/profile.h"
#include "framework/text.h"
#include "framework/window_messages.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

constexpr int kGeneralPageIndex = 0;

class FilterInitPage : public FilterPage {
public:
    explicit FilterInitPage(FilterSheetState& state) : FilterPage(IDD_FILTER_GENERAL, state) {}

protected:
    void OnSetActive() override {
        FilterSet& f = filters();
        if (f.destinationOnly) {
            f.generalMode = kGeneralAll;
            ShowProtection(true);
            CheckRadioButton(hwnd(), IDC_FG_ALL, IDC_FG_DEST_ONLY, IDC_FG_DEST_ONLY);
        } else {
            CheckRadioButton(hwnd(), IDC_FG_ALL, IDC_FG_DEST_ONLY,
                             f.generalMode == kGeneralAll ? IDC_FG_ALL : IDC_FG_PARTIAL);
        }
        SetChecked(IDC_FG_PROTECT, f.protectDestination);
        f.lastFilterPage = kGeneralPageIndex;
    }

    bool OnCommand(int id, int code, HWND) override {
        if (code != BN_CLICKED) return false;
        FilterSet& f = filters();
        switch (id) {
        case IDC_FG_ALL:
        case IDC_FG_PARTIAL:
            f.generalMode = id == IDC_FG_ALL ? kGeneralAll : kGeneralPartial;
            f.destinationOnly = false;
            ShowProtection(false);
            return true;
        case IDC_FG_DEST_ONLY:
            f.generalMode = kGeneralAll;
            f.destinationOnly = true;
            ShowProtection(true);
            Prompts().Warning(LoadText(msg::kPartialSyncRisk));
            return true;
        case IDC_FG_PROTECT:
            // Kept while the box is hidden, for the next time the mode is chosen.
            f.protectDestination = IsChecked(IDC_FG_PROTECT);
            return true;
        default:
            return false;
        }
    }

private:
    void ShowProtection(bool visible) {
        ShowItem(IDC_FG_PROTECT_GROUP, visible);
        ShowItem(IDC_FG_PROTECT, visible);
    }
};

// One side of a name-list page: its controls and the fields it edits.
struct ListSide {
    int list, add, remove, change, unused;
    std::wstring FilterSet::*text;
    std::vector<std::wstring> FilterSet::*patterns;
    bool FilterSet::*off;
    unsigned conflictText;  // shown after a name the other side already holds
};

struct NameListConfig {
    int dialog;
    int pageIndex;
    unsigned word;  // "ﾌｧｲﾙ名" or "ﾌｫﾙﾀﾞ名" in titles and prompts
    ListSide sides[2];  // include, exclude
};

constexpr NameListConfig kFileNames{
    IDD_FILTER_FILE_NAMES, 1, IDS_FILTER_FILE_WORD,
    {{IDC_FILE_INC_LIST, IDC_FILE_INC_ADD, IDC_FILE_INC_DELETE, IDC_FILE_INC_CHANGE, IDC_FILE_INC_OFF,
      &FilterSet::fileIncludeText, &FilterSet::fileIncludes, &FilterSet::fileIncludeOff, IDS_FILTER_FILE_INC_CONFLICT},
     {IDC_FILE_EXC_LIST, IDC_FILE_EXC_ADD, IDC_FILE_EXC_DELETE, IDC_FILE_EXC_CHANGE, IDC_FILE_EXC_OFF,
      &FilterSet::fileExcludeText, &FilterSet::fileExcludes, &FilterSet::fileExcludeOff, IDS_FILTER_FILE_EXC_CONFLICT}}};

constexpr NameListConfig kFolderNames{
    IDD_FILTER_FOLDER_NAMES, 2, IDS_FILTER_FOLDER_WORD,
    {{IDC_FOLDER_INC_LIST, IDC_FOLDER_INC_ADD, IDC_FOLDER_INC_DELETE, IDC_FOLDER_INC_CHANGE, IDC_FOLDER_INC_OFF,
      &FilterSet::folderIncludeText, &FilterSet::folderIncludes, &FilterSet::folderIncludeOff,
      IDS_FILTER_FOLDER_INC_CONFLICT},
     {IDC_FOLDER_EXC_LIST, IDC_FOLDER_EXC_ADD, IDC_FOLDER_EXC_DELETE, IDC_FOLDER_EXC_CHANGE, IDC_FOLDER_EXC_OFF,
      &FilterSet::folderExcludeText, &FilterSet::folderExcludes, &FilterSet::folderExcludeOff,
      IDS_FILTER_FOLDER_EXC_CONFLICT}}};

// The file-name and the sub-folder-name pages: the same page with the
// controls, fields and words of its configuration.
class NameListPage : public FilterPage {
public:
    NameListPage(const NameListConfig& config, FilterSheetState& state)
        : FilterPage(config.dialog, state), config_(config) {}

protected:
    void OnSetActive() override {
        for (int s = 0; s < 2; ++s) {
            const ListSide& side = config_.sides[s];
            SendItem(side.list, LB_RESETCONTENT);
            for (const std::wstring& p : filters().*side.patterns)
                SendItem(side.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.c_str()));
            RecomputeExtent(s);
            SetChecked(side.unused, filters().*side.off);
            ApplyEnabling(s);
        }
        filters().lastFilterPage = config_.pageIndex;
    }

    bool OnCommand(int id, int code, HWND) override {
        if (code != BN_CLICKED) return false;
        for (int s = 0; s < 2; ++s) {
            const ListSide& side = config_.sides[s];
            if (id == side.add) Add(s);
            else if (id == side.remove) Remove(s);
            else if (id == side.change) Change(s);
            else if (id == side.unused) {
                filters().*side.off = !(filters().*side.off);
                ApplyEnabling(s);
            } else continue;
            return true;
        }
        return false;
    }

    void Commit() override {
        for (const ListSide& side : config_.sides) {
            std::vector<std::wstring> entries = Entries(side.list);
            filters().*side.text = JoinListText(entries);
            filters().*side.patterns = std::move(entries);
        }
    }

private:
    std::vector<std::wstring> Entries(int list) const {
        std::vector<std::wstring> entries;
        const int n = static_cast<int>(SendItem(list, LB_GETCOUNT));
        for (int i = 0; i < n; ++i) entries.push_back(EntryAt(list, i));
        return entries;
    }

    std::wstring EntryAt(int list, int index) const {
        const LRESULT n = SendItem(list, LB_GETTEXTLEN, index);
        if (n <= 0) return {};
        std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
        const LRESULT got = SendItem(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return text;
    }

    int EntryWidth(int list, const std::wstring& text) const {
        HWND box = Item(list);
        HDC dc = GetDC(box);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(box, dc);
        return size.cx;
    }

    void SetExtent(int s) { SendItem(config_.sides[s].list, LB_SETHORIZONTALEXTENT, widest_[s] + 5); }

    void RecomputeExtent(int s) {
        widest_[s] = 0;
        for (const std::wstring& e : Entries(config_.sides[s].list))
            widest_[s] = std::max(widest_[s], EntryWidth(config_.sides[s].list, e));
        SetExtent(s);
    }

    // The list follows the box: its entries in the box's own order.
    void CopyToPatterns(int s) { filters().*config_.sides[s].patterns = Entries(config_.sides[s].list); }

    void ApplyEnabling(int s) {
        const ListSide& side = config_.sides[s];
        const bool usable = filters().generalMode != kGeneralAll && !(filters().*side.off);
        const bool filled = SendItem(side.list, LB_GETCOUNT) > 0;
        EnableItem(side.list, usable);
        EnableItem(side.add, usable);
        EnableItem(side.remove, usable && filled);
        EnableItem(side.change, usable && filled);
        EnableItem(side.unused, filters().generalMode != kGeneralAll);
    }

    // Asks for a name and checks it against both lists; true with an
    // acceptable name.
    bool AskName(int s, unsigned title, const std::wstring& initial, std::wstring& name) {
        const std::wstring word = LoadText(config_.word);
        NameEntryDialog dialog(LoadText(title) + word, word + LoadText(IDS_FILTER_NAME_PROMPT), initial,
                               injectedPrompter());
        if (dialog.DoModal(hwnd()) != IDOK) return false;
        name = dialog.text();
        std::wstring conflict;
        if (CheckNewName(name, Entries(config_.sides[s].list), Entries(config_.sides[1 - s].list), Prompts(),
                         conflict))
            return true;
        if (!conflict.empty()) Prompts().Warning(conflict + LoadText(config_.sides[s].conflictText));
        return false;
    }

    void Add(int s) {
        std::wstring name;
        if (!AskName(s, IDS_FILTER_ADD_TITLE, L"", name)) return;
        const int list = config_.sides[s].list;
        SendItem(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        const int width = EntryWidth(list, name);
        if (width > widest_[s]) {
            widest_[s] = width;
            SetExtent(s);
        }
        CopyToPatterns(s);
        ApplyEnabling(s);
    }

    void Remove(int s) {
        const int list = config_.sides[s].list;
        const int selected = static_cast<int>(SendItem(list, LB_GETSELCOUNT));
        if (selected <= 0) {
            Prompts().Warning(LoadText(msg::kSelectToDelete));
            return;
        }
        if (!Prompts().YesNo(LoadText(msg::kDeleteSelectedQuestion))) return;
        std::vector<int> indexes(static_cast<std::size_t>(selected));
        const int got = static_cast<int>(SendItem(list, LB_GETSELITEMS, selected, reinterpret_cast<LPARAM>(indexes.data())));
        indexes.resize(static_cast<std::size_t>(std::max(got, 0)));
        std::sort(indexes.rbegin(), indexes.rend());
        for (int i : indexes) SendItem(list, LB_DELETESTRING, i);
        RecomputeExtent(s);
        CopyToPatterns(s);
        ApplyEnabling(s);
    }

    void Change(int s) {
        const int list = config_.sides[s].list;
        int index = -1;
        if (SendItem(list, LB_GETSELCOUNT) != 1 ||
            SendItem(list, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&index)) != 1) {
            Prompts().Warning(LoadText(msg::kSelectOneToChange));
            return;
        }
        std::wstring name;
        if (!AskName(s, IDS_FILTER_CHANGE_TITLE, EntryAt(list, index), name)) return;
        SendItem(list, LB_DELETESTRING, index);
        SendItem(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        RecomputeExtent(s);
        CopyToPatterns(s);
    }

    const NameListConfig& config_;
    int widest_[2] = {0, 0};
};

class FileSuffixFilterPage : public NameListPage {
public:
    explicit FileSuffixFilterPage(FilterSheetState& state) : NameListPage(kFileNames, state) {}
};

class FolderFilterPage : public NameListPage {
public:
    explicit FolderFilterPage(FilterSheetState& state) : NameListPage(kFolderNames, state) {}
};

}  // namespace

void StampAndMarks(FilterSet& f) {
    f.creationSpec.Set(tf::AndMark, f.timeAnd ? 1 : 0);
    f.modificationSpec.Set(tf::AndMark, f.timeAnd ? 2 : 0);
}

bool ShowFilterSheet(HWND owner, FilterSet& filters, const ProfileStore& store, Prompter* prompter) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_DATE_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    FilterSheetState state{filters, prompter};
    FilterInitPage general(state);
    FileSuffixFilterPage files(state);
    FolderFilterPage folders(state);
    TimeFilterPage creation(state, TimeFilterPage::Creation());
    TimeFilterPage modification(state, TimeFilterPage::Modification());

    LoadFilterSet(filters, store);
    const int start = std::clamp(filters.lastFilterPage, 0, 4);
    SettingsSheet sheet(LoadText(IDS_FILTER_SHEET_TITLE), {&general, &files, &folders, &creation, &modification},
                        start);
    sheet.DoModal(owner);

    if (!state.accepted) {
        LoadFilterSet(filters, store);
        return false;
    }
    StampAndMarks(filters);
    if (owner) SendMessageW(owner, kFilterSheetOkMessage, 0, 0);
    return true;
}

}  // namespace mirrant
