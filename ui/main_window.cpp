#include "ui/main_window.h"

#include <shellapi.h>

#include "batch/batch_execute_window.h"
#include "batch/batch_file.h"
#include "batch/batch_register_window.h"
#include "engine/file_access.h"
#include "filter/filter_sheet.h"
#include "framework/edition.h"
#include "framework/profile.h"
#include "framework/text.h"
#include "log/log_settings_sheet.h"
#include "log/result_window.h"
#include "log/time_stamp.h"
#include "res/messages.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "ui/progress_window.h"
#include "ui/restore_window.h"
#include "ui/settings_dialogs.h"

namespace mirrant {

namespace {

// The batch menu: its place in the menu bar, and the fixed items before the
// history part (a separator and one item per history entry).
constexpr int kBatchMenuPosition = 1;
constexpr int kBatchMenuFixedItems = 6;

int BoxId(PathSide side) { return side == PathSide::Source ? IDC_SOURCE_EDIT : IDC_DEST_EDIT; }
int SideIndex(PathSide side) { return side == PathSide::Source ? 0 : 1; }

// Controls that a run disables.
constexpr int kRunControls[] = {IDC_SOURCE_EDIT,  IDC_SOURCE_BROWSE, IDC_DEST_EDIT, IDC_DEST_BROWSE,
                                IDC_RUN_OVERWRITE, IDC_RUN_SYNC,     IDC_SHOW_LOG,  IDC_TEST_MODE};

}  // namespace

MainWindow::MainWindow(AppState& app)
    : Dialog(IDD_MAIN), app_(app), session_(*this, SystemFileAccess(), app.startFolder) {}

MainWindow::~MainWindow() {
    // A window that still exists destroys its menu with itself; one that
    // never got it leaves it to us.
    if (!hwnd() && menu_ && !IsMenu(menu_)) menu_ = nullptr;
    if (hwnd()) SetMenu(hwnd(), nullptr);
    if (menu_) DestroyMenu(menu_);
    if (largeIcon_) DestroyIcon(largeIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
}

void MainWindow::OnDestroyed() {
    // The system destroyed the menu with the window.
    menu_ = nullptr;
}

bool MainWindow::OnInit() {
    boxes_.setOwner(hwnd());
    prompts_.setOwner(hwnd());
    saveDialogs_ = std::make_unique<LogSaveDialogs>(hwnd());
    session_.runLog().SetSaveUi(saveDialogs_.get());
    SetTitle(ProductName());
    AddAboutToSystemMenu();
    largeIcon_ = static_cast<HICON>(LoadImageW(AppInstance(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ = static_cast<HICON>(LoadImageW(AppInstance(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    menu_ = LoadMenuW(AppInstance(), MAKEINTRESOURCEW(IDR_MAINMENU));
    SetMenu(hwnd(), menu_);

    session_.Load(app_.timeToleranceSeconds);
    ApplyMenuStates();
    RebuildBatchMenu();

    DragAcceptFiles(hwnd(), TRUE);
    PostMessageW(hwnd(), kCommandLineMessage, 0, 0);
    return true;
}

void MainWindow::AddAboutToSystemMenu() {
    HMENU sys = GetSystemMenu(hwnd(), FALSE);
    if (!sys) return;
    AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
    std::wstring item = Message(IDS_ABOUT_MENU_ITEM, {ProductName()});
    AppendMenuW(sys, MF_STRING, ID_SYSTEM_ABOUT, item.c_str());
}

void MainWindow::ApplyMenuStates() {
    if (!menu_) return;
    for (const MenuItemState& s : OptionMenuStates(session_.options(), session_.filterModes(), runActive_)) {
        CheckMenuItem(menu_, s.command, MF_BYCOMMAND | (s.checked ? MF_CHECKED : MF_UNCHECKED));
        EnableMenuItem(menu_, s.command, MF_BYCOMMAND | (s.enabled ? MF_ENABLED : MF_GRAYED));
    }
    if (runActive_) {
        for (int c : BatchMenuCommands()) EnableMenuItem(menu_, c, MF_BYCOMMAND | MF_GRAYED);
        if (app_.batchHistory)
            for (size_t i = 0; i < app_.batchHistory->size(); ++i)
                EnableMenuItem(menu_, ID_BATCH_HISTORY_FIRST + static_cast<int>(i), MF_BYCOMMAND | MF_GRAYED);
    }
    DrawMenuBar(hwnd());
}

bool MainWindow::MenuItemEnabled(int command) const {
    if (!menu_) return true;
    UINT state = GetMenuState(menu_, command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void MainWindow::RebuildBatchMenu() {
    if (!menu_) return;
    HMENU batch = GetSubMenu(menu_, kBatchMenuPosition);
    if (!batch) return;
    for (int c : {ID_BATCH_REGISTER, ID_BATCH_RUN, ID_BATCH_DELETE, ID_TEXT_BATCH_DEFAULT})
        EnableMenuItem(menu_, c, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu_, ID_BATCH_CLEAR_HISTORY, MF_BYCOMMAND | MF_GRAYED);
    while (GetMenuItemCount(batch) > kBatchMenuFixedItems) DeleteMenu(batch, kBatchMenuFixedItems, MF_BYPOSITION);
    bool added = false;
    if (app_.batchHistory && !app_.batchHistory->empty()) {
        InsertMenuW(batch, kBatchMenuFixedItems, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        for (size_t i = 0; i < app_.batchHistory->size(); ++i) {
            std::wstring label = FormatText(L"&%d ", {static_cast<int>(i + 1)}) + app_.batchHistory->DisplayName(i);
            InsertMenuW(batch, static_cast<UINT>(kBatchMenuFixedItems + 1 + i), MF_BYPOSITION | MF_STRING,
                        ID_BATCH_HISTORY_FIRST + i, label.c_str());
            added = true;
        }
    }
    if (added) EnableMenuItem(menu_, ID_BATCH_CLEAR_HISTORY, MF_BYCOMMAND | MF_ENABLED);
    const bool textDefault = session_.options().textBatchDefault;
    CheckMenuItem(menu_, ID_TEXT_BATCH_DEFAULT, MF_BYCOMMAND | (textDefault ? MF_CHECKED : MF_UNCHECKED));
    DrawMenuBar(hwnd());
    // A batch adds its file to the history after its first row started: the
    // run's menu rules stay in force over the rebuilt menu.
    if (runActive_) ApplyMenuStates();
}

bool MainWindow::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_SOURCE_BROWSE: OnBrowse(PathSide::Source); return true;
    case IDC_DEST_BROWSE: OnBrowse(PathSide::Destination); return true;
    case IDC_RUN_OVERWRITE: session_.OnRunButton(false); return true;
    case IDC_RUN_SYNC: session_.OnRunButton(true); return true;
    case IDC_SHOW_LOG: OnShowLatestLog(); return true;
    case ID_HELP_ABOUT: ShowAbout(); return true;
    case ID_HELP_CONTENTS:
        if (app_.openHelp) app_.openHelp();
        return true;
    default: break;
    }
    if (IsMenuCommand(id)) {
        OnOptionCommand(id);
        return true;
    }
    if (id >= ID_BATCH_HISTORY_FIRST && id < ID_BATCH_HISTORY_FIRST + static_cast<int>(kHistoryEntries)) {
        if (!runActive_ && !session_.busy()) RunBatchHistoryEntry(batch(), static_cast<size_t>(id - ID_BATCH_HISTORY_FIRST));
        return true;
    }
    return false;
}

void MainWindow::OnOptionCommand(int id) {
    if (!MenuItemEnabled(id)) return;  // grayed items do nothing, even by accelerator
    ProfileStore& store = AppProfile();
    RunOptions& o = session_.options();
    switch (id) {
    case ID_BATCH_REGISTER: {
        // The window keeps its own copy of the default format flag.
        BatchRegisterWindow registration(o.textBatchDefault, app_.prompter);
        registration.Run(hwnd());
        return;
    }
    // A batch never starts while a run is active, whatever the menu shows.
    case ID_BATCH_RUN:
        if (!session_.busy()) RunBatchFileCommand(batch());
        return;
    case ID_BATCH_DELETE:
        if (!session_.busy()) DeleteBatchFilesCommand(batch());
        return;
    case ID_BATCH_CLEAR_HISTORY:
        if (!session_.busy()) ClearBatchHistoryCommand(batch());
        return;
    case ID_SET_ASIDE: ShowSetAsideDialog(hwnd(), o, runActive_); return;
    case ID_RESTORE_SET_ASIDE:
        if (!session_.busy()) ShowRestoreWindow();
        return;
    case ID_GUARD: ShowGuardDialog(hwnd(), o, runActive_); return;
    case ID_TOLERANCE: ShowToleranceDialog(hwnd(), o, runActive_); return;
    case ID_DISPLAY_SETTINGS: ShowDisplaySettingsDialog(hwnd(), o, runActive_); return;
    case ID_PRIORITY: ShowPriorityDialog(hwnd(), o, runActive_); return;
    case ID_CONFIRM_OPTIONS:
        ShowConfirmOptionsDialog(hwnd(), o, runActive_);
        ApplyMenuStates();
        return;
    case ID_LOG_SETTINGS: ShowLogSettings(); return;
    case ID_FILTER:
        // A run works on the filter as it stood at its start: the sheet waits
        // for its end, so that what it shows and saves is what runs next.
        if (!session_.busy()) ShowFilterSheet(hwnd(), session_.filterSet(), AppProfile(), app_.prompter);
        return;
    default: break;
    }
    // A switch (the batch menu's "ﾃｷｽﾄ形式" among them) or a policy choice:
    // its check marks and the enable states that depend on it follow.
    if (ToggleOption(o, id, store, UiPrompter()) || ChooseMissingPolicy(o, id, store, UiPrompter()))
        ApplyMenuStates();
}

// Open during a run too, to look at the settings: the sheet is then read-only.
void MainWindow::ShowLogSettings() {
    LogContext& context = session_.logContext();
    LogSettingsRequest request;
    request.settingsWord = context.settingsWord;
    request.userLog = context.userLog;
    request.scheduleLog = context.scheduleLog;
    request.page = logSettingsPage_;
    request.startFolder = app_.startFolder;
    request.runActive = runActive_ || session_.busy();
    request.prompter = app_.prompter;
    request.chooseFolder = [this](HWND owner, const std::wstring& prompt, const std::wstring& initial) {
        return chooser_.Choose(owner, prompt, L"", initial);
    };
    const bool stored = ShowLogSettingsSheet(hwnd(), request);
    logSettingsPage_ = request.page;
    if (!stored) return;
    context.settingsWord = request.settingsWord;
    context.userLog = request.userLog;
    context.scheduleLog = request.scheduleLog;
}

void MainWindow::ShowRestoreWindow() {
    RestoreWindowSetup setup;
    setup.sourceBox = PathText(PathSide::Source);
    setup.destinationBox = PathText(PathSide::Destination);
    setup.browse = [this](HWND owner, const std::wstring& initial) {
        return chooser_.Choose(owner, LoadText(IDS_RESTORE_BROWSE_PROMPT), L"", initial);
    };
    RestoreWindow window(session_, SystemFileAccess(), UiPrompter(), std::move(setup));
    window.Run(hwnd());
}

void MainWindow::ShowAbout() {
    struct About : Dialog {
        About() : Dialog(IDD_ABOUT) {}
        bool OnInit() override {
            SetItemText(IDC_ABOUT_TEXT, ProductName() + L" " + ProgramVersionText());
            return true;
        }
    } about;
    about.DoModal(hwnd());
}

void MainWindow::OnBrowse(PathSide side) {
    bool source = side == PathSide::Source;
    const unsigned prompt = source ? msg::kChooseSourcePrompt : msg::kChooseDestinationPrompt;
    const unsigned title = source ? msg::kChooseSourceTitle : msg::kChooseDestinationTitle;
    std::wstring chosen = chooser_.Choose(hwnd(), LoadText(prompt), LoadText(title), remembered_[SideIndex(side)]);
    if (chosen.empty()) return;
    remembered_[SideIndex(side)] = chooser_.rememberedFolder();
    SetPathText(side, chosen);
}

void MainWindow::OnDropFiles(HDROP drop) {
    POINT pt;
    BOOL inClient = DragQueryPoint(drop, &pt);
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::wstring path;
    if (count == 1) {
        UINT n = DragQueryFileW(drop, 0, nullptr, 0);
        path.resize(n + 1);
        DragQueryFileW(drop, 0, path.data(), n + 1);
        path.resize(n);
    }
    DragFinish(drop);
    if (!inClient || session_.busy()) return;

    auto within = [&](int id) {
        RECT r;
        GetWindowRect(Item(id), &r);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return PtInRect(&r, pt) != FALSE;
    };
    PathSide side;
    if (within(IDC_SOURCE_EDIT)) side = PathSide::Source;
    else if (within(IDC_DEST_EDIT)) side = PathSide::Destination;
    else if (PathText(PathSide::Source).empty() && PathText(PathSide::Destination).empty()) side = PathSide::Source;
    else if (PathText(PathSide::Destination).empty()) side = PathSide::Destination;
    else return;

    if (count > 1) {
        UiPrompter().Warning(LoadText(msg::kSeveralItemsDropped));
        return;
    }
    DWORD attrs = GetFileAttributesW(path.c_str());
    if (path.empty() || attrs == INVALID_FILE_ATTRIBUTES) return;
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
        remembered_[SideIndex(side)] = path;
        SetPathText(side, WithTrailingBackslash(path));
    } else {
        SetPathText(side, path);
    }
}

void MainWindow::OnShowLatestLog() {
    if (session_.busy()) return;
    const LogBuffer& log = session_.runLog();
    if (log.lineCount() > 0) ShowResultWindow(hwnd(), log.allLines(), log.errors());
    else UiPrompter().Information(LoadText(msg::kLastRunUpdatedNothing));
}

INT_PTR MainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    handled = true;
    switch (msg) {
    case kCommandLineMessage:
        if (app_.processCommandLine) app_.processCommandLine();
        return TRUE;
    case kRunEndMessage:
        session_.OnRunEnd(std::unique_ptr<RunOutcome>(reinterpret_cast<RunOutcome*>(wp)));
        return TRUE;
    case kFilterSheetOkMessage:
        SaveFilterSet(session_.filterSet(), AppProfile());
        ApplyFilterConsistency(session_.options(), session_.filterModes(), AppProfile(), UiPrompter());
        ApplyMenuStates();
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wp));
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == ID_SYSTEM_ABOUT) {  // the low four bits are the system's own
            ShowAbout();
            return TRUE;
        }
        handled = false;
        return FALSE;
    case WM_CLOSE:
        if (!session_.busy()) EndDialog(hwnd(), IDOK);
        return TRUE;
    case WM_PAINT:
        if (IsIconic(hwnd())) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd(), &ps);
            RECT rc;
            GetClientRect(hwnd(), &rc);
            int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
            DrawIcon(dc, (rc.right - cx + 1) / 2, (rc.bottom - cy + 1) / 2, largeIcon_);
            EndPaint(hwnd(), &ps);
            return TRUE;
        }
        handled = false;
        return FALSE;
    case WM_QUERYDRAGICON:
        SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(largeIcon_));
        return TRUE;
    default:
        handled = false;
        return FALSE;
    }
}

void MainWindow::SetPathText(PathSide side, const std::wstring& text) { SetItemText(BoxId(side), text); }

std::wstring MainWindow::PathText(PathSide side) { return ItemText(BoxId(side)); }

void MainWindow::SetRememberedFolder(PathSide side, const std::wstring& folder) { remembered_[SideIndex(side)] = folder; }

const std::wstring& MainWindow::RememberedFolder(PathSide side) const { return remembered_[SideIndex(side)]; }

void MainWindow::EnterScheduleMode(bool overwriteLog) {
    session_.EnterScheduleMode(overwriteLog);
    SetTitle(Title() + LoadText(IDS_SCHEDULE_TITLE_SUFFIX));
}

// --- RunHost -------------------------------------------------------------

bool MainWindow::TestModeChecked() { return IsChecked(IDC_TEST_MODE); }

void MainWindow::CheckTestMode() { SetChecked(IDC_TEST_MODE, true); }

void MainWindow::SetRunActive(bool active) {
    runActive_ = active;
    for (int id : kRunControls) EnableItem(id, !active);
    ApplyMenuStates();
    if (!active) RebuildBatchMenu();
}

Progress* MainWindow::CreateProgress(int displayThreshold, bool scheduled) {
    ProgressWindow* window = ProgressWindow::Create(hwnd(), displayThreshold);
    if (window && scheduled) window->SetScheduleText(LoadText(msg::kScheduleRunning));
    return window;
}

void MainWindow::DestroyProgress(Progress* progress) {
    if (auto* window = dynamic_cast<ProgressWindow*>(progress)) window->RequestDestroy();
}

void MainWindow::ShowRunResult(const LogBuffer& log) {
    mirrant::ShowRunResult(hwnd(), log, log.settings(), &UiPrompter());
}

void MainWindow::PostRunEnd(std::unique_ptr<RunOutcome> outcome) {
    // The message carries the outcome (first parameter) and, as the end
    // notification always has, 1 for a completed run (second parameter).
    const LPARAM completed = outcome->completed ? 1 : 0;
    RunOutcome* raw = outcome.release();
    if (!PostMessageW(hwnd(), kRunEndMessage, reinterpret_cast<WPARAM>(raw), completed)) delete raw;
}

bool MainWindow::ShowExecuteWindow(const std::wstring& comment, std::deque<BatchRow>& rows) {
    BatchExecuteWindow window(comment, rows, app_.prompter);
    return window.Run(hwnd());
}

std::vector<std::wstring> MainWindow::ChooseBatchFiles(bool several) {
    if (app_.chooseBatchFiles) return app_.chooseBatchFiles(several);
    const bool textDefault = session_.options().textBatchDefault;
    FileDialogRequest request;
    request.filter = LoadText(textDefault ? msg::kBatchFilterTextFirst : msg::kBatchFilterBinaryFirst);
    request.defaultExtension = textDefault ? kTextBatchExtension : kBinaryBatchExtension;
    if (several) return ChooseOpenFiles(hwnd(), request);
    std::wstring chosen = ChooseOpenFile(hwnd(), request);
    if (chosen.empty()) return {};
    return {chosen};
}

void MainWindow::Close() { EndDialog(hwnd(), IDOK); }

}  // namespace mirrant
