#include "ui/restore_window.h"

#include <commctrl.h>

#include "batch/batch_list_view.h"
#include "engine/file_access.h"
#include "engine/run_driver.h"
#include "fileops/file_copy.h"
#include "fileops/path_rules.h"
#include "framework/prompts.h"
#include "framework/text.h"
#include "log/time_stamp.h"
#include "res/resource.h"
#include "session/run_session.h"

namespace mirrant {

namespace {

constexpr UINT_PTR kRestoreEndTimer = 1;
constexpr UINT kRestoreEndPollMs = 200;

// The buttons and choices a restore grays while it runs.
constexpr int kRestoreControls[] = {IDC_RESTORE_FROM_SOURCE, IDC_RESTORE_FROM_DEST, IDC_RESTORE_BROWSE,
                                    IDC_RESTORE_SELECTED,    IDC_RESTORE_WHOLE_RUN, IDC_RESTORE_AS_OF,
                                    IDC_RESTORE_RUNS,        IDC_RESTORE_FILES,     IDC_RESTORE_AS_OF_PICKER};

void AddColumns(HWND list, std::initializer_list<std::pair<unsigned, int>> columns, int rightAlignedFrom) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    RECT client{};
    GetClientRect(list, &client);
    const int width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
    int i = 0;
    for (const auto& [title, percent] : columns) {
        std::wstring text = LoadText(title);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        column.fmt = i >= rightAlignedFrom ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.pszText = text.data();
        column.cx = width * percent / 100;
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        ++i;
    }
}

int AddRow(HWND list, std::initializer_list<std::wstring> cells) {
    auto cell = cells.begin();
    std::wstring first = *cell;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListRowCount(list);
    item.pszText = first.data();
    const int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    int column = 1;
    for (++cell; cell != cells.end(); ++cell) SetListCellText(list, row, column++, *cell);
    return row;
}

void SelectRow(HWND list, int row) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row < 0) return;
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
}

std::wstring TimeText(const SYSTEMTIME& t) {
    return Message(IDS_RESTORE_TIME_FORMAT, {unsigned{t.wYear}, unsigned{t.wMonth}, unsigned{t.wDay},
                                             unsigned{t.wHour}, unsigned{t.wMinute}, unsigned{t.wSecond}});
}

// One second before the moment: the state just before a run folder's run.
SYSTEMTIME SecondBefore(const SYSTEMTIME& t) {
    FILETIME f{};
    SystemTimeToFileTime(&t, &f);
    ULARGE_INTEGER u{{f.dwLowDateTime, f.dwHighDateTime}};
    u.QuadPart -= 10000000ull;
    f = {u.LowPart, u.HighPart};
    SYSTEMTIME before{};
    FileTimeToSystemTime(&f, &before);
    return before;
}

}  // namespace

std::wstring RunFolderText(const SetAsideRun& run) {
    const std::wstring when = TimeText(run.start);
    constexpr size_t kStampLength = 17;  // "yyyy-mm-dd_hhmmss"
    if (run.name.size() <= kStampLength + 1) return when;
    return Message(IDS_RESTORE_RUN_NUMBER, {when, run.name.substr(kStampLength + 1)});
}

std::wstring SizeText(std::uint64_t bytes) {
    std::wstring unit;
    return FormatSizeText(bytes, unit);
}

std::wstring FileTimeText(std::uint64_t utcFileTime) {
    const LocalTime t = LocalTimeFromFileTime(utcFileTime);
    return Message(IDS_RESTORE_TIME_FORMAT, {t.year, t.month, t.day, t.hour, t.minute, t.second});
}

RestoreWindow::RestoreWindow(RunSession& session, FileAccess& files, Prompter& prompter, RestoreWindowSetup setup)
    : Dialog(IDD_RESTORE), session_(session), files_(files), prompter_(prompter), setup_(std::move(setup)) {}

std::wstring RestoreWindow::FolderOfBox(const std::wstring& box) const {
    std::wstring path = box;
    if (path.empty() || !NormalizePath(path)) return {};
    if (files_.IsFolder(path)) return path.back() == L'\\' ? path : path + L"\\";
    // A single-file run keeps what it replaces beside the destination file.
    return ParentFolder(path);
}

bool RestoreWindow::OnInit() {
    AddColumns(Item(IDC_RESTORE_RUNS), {{IDS_RESTORE_COLUMN_RUN, 50}, {IDS_RESTORE_COLUMN_COUNT, 20},
                                        {IDS_RESTORE_COLUMN_BYTES, 30}}, 1);
    AddColumns(Item(IDC_RESTORE_FILES), {{IDS_RESTORE_COLUMN_PATH, 55}, {IDS_RESTORE_COLUMN_SIZE, 18},
                                         {IDS_RESTORE_COLUMN_TIME, 27}}, 1);
    const std::wstring format = LoadText(IDS_RESTORE_PICKER_FORMAT);
    SendItem(IDC_RESTORE_AS_OF_PICKER, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(format.c_str()));

    // The source box's folder, unless only the destination's has run folders.
    const std::wstring source = FolderOfBox(setup_.sourceBox);
    const std::wstring destination = FolderOfBox(setup_.destinationBox);
    std::vector<SetAsideRun> found;
    std::wstring cause;
    bool useDestination = false;
    if (!destination.empty() && (source.empty() || !ListSetAsideRuns(files_, source, found, cause) || found.empty())) {
        std::vector<SetAsideRun> there;
        useDestination = ListSetAsideRuns(files_, destination, there, cause) && !there.empty();
    }
    SetChecked(useDestination ? IDC_RESTORE_FROM_DEST : IDC_RESTORE_FROM_SOURCE, true);
    SetTimer(hwnd(), kRestoreEndTimer, kRestoreEndPollMs, nullptr);
    ShowFolder(useDestination ? destination : source, true);
    return true;
}

void RestoreWindow::ShowFolder(const std::wstring& folder, bool refuse) {
    folder_ = folder;
    SetItemText(IDC_RESTORE_FOLDER, folder);
    runs_.clear();
    std::wstring cause, unreadable;
    bool listed = folder.empty() || ListSetAsideRuns(files_, folder, runs_, cause, &unreadable);
    filling_ = true;
    HWND list = Item(IDC_RESTORE_RUNS);
    ListView_DeleteAllItems(list);
    for (const SetAsideRun& run : runs_)
        AddRow(list, {RunFolderText(run), std::to_wstring(run.files), SizeText(run.bytes)});
    SelectRow(list, runs_.empty() ? -1 : 0);
    filling_ = false;
    FillFiles();
    if (refuse && !folder.empty()) {
        if (!listed) prompter_.Warning(Message(IDS_RESTORE_LISTING_FAILED, {unreadable, cause}));
        else if (runs_.empty()) prompter_.Warning(Message(IDS_RESTORE_NOTHING_SET_ASIDE, {folder}));
    }
}

int RestoreWindow::SelectedRun() const {
    const int row = SelectedListRow(Item(IDC_RESTORE_RUNS));
    return row >= 0 && row < static_cast<int>(runs_.size()) ? row : -1;
}

void RestoreWindow::FillFiles() {
    filesInRun_.clear();
    HWND list = Item(IDC_RESTORE_FILES);
    ListView_DeleteAllItems(list);
    const int run = SelectedRun();
    if (run >= 0) {
        std::wstring cause;
        ListSetAsideFiles(files_, folder_, runs_[run].name, filesInRun_, cause);
        for (const SetAsideFile& f : filesInRun_)
            AddRow(list, {f.relative, SizeText(f.stamp.size), FileTimeText(f.stamp.write)});
        // "As of" proposes the moment just before the selected run.
        SYSTEMTIME before = SecondBefore(runs_[run].start);
        SendItem(IDC_RESTORE_AS_OF_PICKER, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&before));
    }
    EnableButtons();
}

void RestoreWindow::EnableButtons() {
    for (int id : kRestoreControls) EnableItem(id, !restoring_);
    if (restoring_) return;
    const bool anyRun = !runs_.empty(), selected = SelectedRun() >= 0;
    EnableItem(IDC_RESTORE_SELECTED, selected && !filesInRun_.empty());
    EnableItem(IDC_RESTORE_WHOLE_RUN, selected && !filesInRun_.empty());
    EnableItem(IDC_RESTORE_AS_OF, anyRun);
    EnableItem(IDC_RESTORE_AS_OF_PICKER, anyRun);
}

void RestoreWindow::Start(RestoreWay way) {
    if (restoring_ || session_.busy()) return;
    RestoreRequest request;
    request.way = way;
    request.root = folder_;
    const int run = SelectedRun();
    if (way != RestoreWay::AsOf) {
        if (run < 0) {
            prompter_.Information(LoadText(IDS_RESTORE_CHOOSE_RUN));
            return;
        }
        request.run = runs_[run].name;
    }
    if (way == RestoreWay::Selected) {
        HWND list = Item(IDC_RESTORE_FILES);
        for (int row = -1; (row = ListView_GetNextItem(list, row, LVNI_SELECTED)) >= 0;)
            if (row < static_cast<int>(filesInRun_.size())) request.files.push_back(filesInRun_[row].relative);
        if (request.files.empty()) {
            prompter_.Information(LoadText(IDS_RESTORE_CHOOSE_FILES));
            return;
        }
    }
    if (way == RestoreWay::AsOf) {
        SYSTEMTIME moment{};
        if (SendItem(IDC_RESTORE_AS_OF_PICKER, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&moment)) != GDT_VALID)
            return;
        moment.wMilliseconds = 0;
        request.asOf = moment;
    }
    restoring_ = true;
    EnableButtons();
    if (!session_.StartRestore(std::move(request))) {
        restoring_ = false;
        EnableButtons();
    }
}

void RestoreWindow::OnTimer(UINT_PTR id) {
    if (id != kRestoreEndTimer || !restoring_ || session_.busy()) return;
    // The restore has ended: what the run folders now hold, the newest (the
    // one with what the restore replaced) selected.
    restoring_ = false;
    ShowFolder(folder_, false);
    // The result window gave the activation back to the main window, which
    // this window keeps disabled.
    BringWindowToTop(hwnd());
    SetForegroundWindow(hwnd());
}

bool RestoreWindow::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_RESTORE_FROM_SOURCE:
    case IDC_RESTORE_FROM_DEST:
        if (code == BN_CLICKED && !restoring_)
            ShowFolder(FolderOfBox(id == IDC_RESTORE_FROM_SOURCE ? setup_.sourceBox : setup_.destinationBox), true);
        return true;
    case IDC_RESTORE_BROWSE: {
        if (restoring_ || !setup_.browse) return true;
        std::wstring chosen = setup_.browse(hwnd(), folder_);
        if (chosen.empty()) return true;
        SetChecked(IDC_RESTORE_FROM_SOURCE, false);
        SetChecked(IDC_RESTORE_FROM_DEST, false);
        ShowFolder(FolderOfBox(chosen), true);
        return true;
    }
    case IDC_RESTORE_SELECTED: Start(RestoreWay::Selected); return true;
    case IDC_RESTORE_WHOLE_RUN: Start(RestoreWay::WholeRun); return true;
    case IDC_RESTORE_AS_OF: Start(RestoreWay::AsOf); return true;
    default: return false;
    }
}

INT_PTR RestoreWindow::OnNotify(NMHDR* header) {
    if (header->idFrom == IDC_RESTORE_RUNS && header->code == LVN_ITEMCHANGED && !filling_) {
        // A selection made or taken away: the file list follows.
        const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED))
            FillFiles();
    }
    return 0;
}

}  // namespace mirrant
