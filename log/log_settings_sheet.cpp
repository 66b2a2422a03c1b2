#include "log/log_settings_sheet.h"

#include <iterator>
#include <span>

#include "fileops/fs_edge.h"
#include "fileops/path_rules.h"
#include "framework/message_box.h"
#include "framework/profile.h"
#include "framework/property_sheet.h"
#include "framework/shell_dialogs.h"
#include "framework/text.h"
#include "log/log_names.h"
#include "log/log_settings.h"
#include "log/time_format_dialog.h"
#include "res/messages.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace mirrant {

void SplitLogPath(const std::wstring& path, const std::wstring& startFolder, std::wstring& folder,
                  std::wstring& name) {
    const size_t last = path.find_last_of(L'\\');
    if (last == std::wstring::npos) {
        folder = startFolder;
        name = path;
    } else {
        folder = path.substr(0, last + 1);
        name = path.substr(last + 1);
    }
}

namespace {

// What a control needs besides an editable sheet to be enabled: nothing
// more, the "save to a file" box (normal page), or that box and the
// per-line stamps (the time format only matters for stamped lines).
enum class Needs { Editable, Saving, Stamping };

// How a control edits its bit of the settings word.
enum class Edits { Nothing, Check, RadioSets, RadioClears };

struct ControlRule {
    int id;
    Needs needs;
    Edits edits;
    int bit;
};

constexpr ControlRule kNormalRules[] = {
    {IDC_LOG_FOLDER_LABEL, Needs::Saving, Edits::Nothing, -1},
    {IDC_LOG_FOLDER, Needs::Saving, Edits::Nothing, -1},
    {IDC_LOG_CHOOSE_FOLDER, Needs::Saving, Edits::Nothing, -1},
    {IDC_LOG_NAME_LABEL, Needs::Saving, Edits::Nothing, -1},
    {IDC_LOG_NAME, Needs::Saving, Edits::Nothing, -1},
    {IDC_LOG_SAVE, Needs::Editable, Edits::Check, logbit::SaveToFile},
    {IDC_LOG_APPEND, Needs::Saving, Edits::RadioSets, logbit::Append},
    {IDC_LOG_OVERWRITE, Needs::Saving, Edits::RadioClears, logbit::Append},
    {IDC_LOG_STAMP_LINES, Needs::Saving, Edits::Check, logbit::StampLines},
    {IDC_LOG_TIME_FORMAT, Needs::Stamping, Edits::Nothing, -1},
    {IDC_LOG_WRITE_DURING_RUN, Needs::Saving, Edits::Check, logbit::WriteDuringRun},
    {IDC_LOG_NO_BUFFERING, Needs::Saving, Edits::Check, logbit::NoBuffering},
    {IDC_LOG_NO_ALTERNATIVE, Needs::Saving, Edits::Check, logbit::NoAlternative},
    {IDC_LOG_SAVE_IN_TEST_MODE, Needs::Saving, Edits::Check, logbit::SaveInTestMode},
    {IDC_LOG_HIDE_RESULT, Needs::Editable, Edits::Check, logbit::HideResultDialog},
    {IDC_LOG_HIDE_NOTHING_TO_UPDATE, Needs::Editable, Edits::Check, logbit::HideNothingToUpdate},
    {IDC_LOG_EXIT_WHEN_DONE, Needs::Editable, Edits::Check, logbit::ExitWhenDone},
};

// A scheduled run always saves its log, so nothing here waits for a save box.
constexpr ControlRule kScheduleRules[] = {
    {IDC_LOG_FOLDER_LABEL, Needs::Editable, Edits::Nothing, -1},
    {IDC_SLOG_FOLDER, Needs::Editable, Edits::Nothing, -1},
    {IDC_LOG_CHOOSE_FOLDER, Needs::Editable, Edits::Nothing, -1},
    {IDC_LOG_NAME_LABEL, Needs::Editable, Edits::Nothing, -1},
    {IDC_SLOG_NAME, Needs::Editable, Edits::Nothing, -1},
    {IDC_SLOG_STAMP_LINES, Needs::Editable, Edits::Check, logbit::ScheduleStampLines},
    {IDC_LOG_TIME_FORMAT, Needs::Stamping, Edits::Nothing, -1},
    {IDC_SLOG_WRITE_DURING_RUN, Needs::Editable, Edits::Check, logbit::ScheduleWriteDuringRun},
    {IDC_SLOG_NO_BUFFERING, Needs::Editable, Edits::Check, logbit::ScheduleNoBuffering},
    {IDC_SLOG_NO_ALTERNATIVE, Needs::Editable, Edits::Check, logbit::ScheduleNoAlternative},
};

struct PageKind {
    int resourceId;
    bool schedule;
    const ControlRule* rules;
    size_t ruleCount;
    int folderId;
    int nameId;
    int saveId;   // 0: the log is always saved
    int stampId;
};

constexpr PageKind kNormalPage{IDD_NORMAL_LOG_SETTINGS, false, kNormalRules, std::size(kNormalRules),
                               IDC_LOG_FOLDER,          IDC_LOG_NAME, IDC_LOG_SAVE, IDC_LOG_STAMP_LINES};
constexpr PageKind kSchedulePage{IDD_SCHEDULE_LOG_SETTINGS, true, kScheduleRules, std::size(kScheduleRules),
                                 IDC_SLOG_FOLDER,           IDC_SLOG_NAME, 0, IDC_SLOG_STAMP_LINES};

// What the two pages share while the sheet is open.
struct SheetState {
    std::uint32_t word;  // the working copy
    int page;            // the page shown last
    bool editable;
    const LogSettingsRequest& request;
};

class LogSettingsPage : public PropertyPage {
public:
    LogSettingsPage(const PageKind& kind, int index, SheetState& state, const std::wstring& path)
        : PropertyPage(kind.resourceId), kind_(kind), index_(index), state_(state) {
        SplitLogPath(path, state.request.startFolder, folder_, name_);
    }
    bool created() const { return created_; }
    std::wstring path() const { return folder_ + name_; }

protected:
    bool OnInit() override {
        created_ = true;
        return true;
    }

    void OnSetActive() override {
        filling_ = true;
        SetItemText(kind_.folderId, folder_);
        SetItemText(kind_.nameId, name_);
        filling_ = false;
        for (const ControlRule& r : Rules()) {
            const bool on = r.bit >= 0 && LogBit(state_.word, r.bit);
            switch (r.edits) {
            case Edits::Check: case Edits::RadioSets: SetChecked(r.id, on); break;
            case Edits::RadioClears: SetChecked(r.id, !on); break;
            case Edits::Nothing: break;
            }
        }
        format_ = TimeFormatOf(state_.word, kind_.schedule);
        ApplyEnabling();
        state_.page = index_;
    }

    bool OnCommand(int id, int code, HWND) override {
        if (id == kind_.folderId || id == kind_.nameId) {
            if (code == EN_CHANGE && !filling_) (id == kind_.folderId ? folder_ : name_) = ItemText(id);
            return true;
        }
        if (code != BN_CLICKED || !state_.editable) return false;
        if (id == IDC_LOG_TIME_FORMAT) {
            if (ChooseTimeFormat(GetParent(hwnd()), format_, state_.request.clock))
                state_.word = WithTimeFormat(state_.word, kind_.schedule, format_);
            return true;
        }
        if (id == IDC_LOG_CHOOSE_FOLDER) {
            ChooseFolder();
            return true;
        }
        for (const ControlRule& r : Rules()) {
            if (r.id != id || r.edits == Edits::Nothing) continue;
            const bool checked = IsChecked(id);
            if (r.edits == Edits::Check) state_.word = WithLogBit(state_.word, r.bit, checked);
            else if (checked) state_.word = WithLogBit(state_.word, r.bit, r.edits == Edits::RadioSets);
            // The time format button follows the stamp box as well as the
            // save box: it means nothing for unstamped lines.
            if (id == kind_.saveId || id == kind_.stampId) ApplyEnabling();
            return true;
        }
        return false;
    }

    // OK: an unusable folder becomes the start folder, an empty name the
    // default name of this page's log.
    bool OnApply() override {
        if (!state_.editable) return true;
        const std::wstring& startFolder = state_.request.startFolder;
        folder_ = ItemText(kind_.folderId);
        if (!IsDriveForm(folder_) && !IsShareForm(folder_)) {
            if (!folder_.empty()) Warn(Message(IDS_LOG_FOLDER_REPLACED, {folder_, startFolder}));
            folder_ = startFolder;
        }
        EnsureTrailingBackslash(folder_);
        name_ = ItemText(kind_.nameId);
        if (name_.empty()) name_ = DefaultLogFileName(kind_.schedule, false);
        return true;
    }

private:
    std::span<const ControlRule> Rules() const { return {kind_.rules, kind_.ruleCount}; }

    void ApplyEnabling() {
        const bool saving = kind_.saveId == 0 || IsChecked(kind_.saveId);
        const bool stamping = saving && IsChecked(kind_.stampId);
        for (const ControlRule& r : Rules()) {
            const bool needed = r.needs == Needs::Editable ? true : r.needs == Needs::Saving ? saving : stamping;
            EnableItem(r.id, state_.editable && needed);
        }
    }

    void ChooseFolder() {
        std::wstring start = ItemText(kind_.folderId);
        // "C:\" keeps its backslash: without it, it names the drive's current folder.
        if (start.size() >= 4 && start.back() == L'\\') start.pop_back();
        const std::wstring prompt = LoadText(IDS_LOG_FOLDER_PROMPT);
        std::wstring chosen;
        if (state_.request.chooseFolder) {
            chosen = state_.request.chooseFolder(GetParent(hwnd()), prompt, start);
        } else {
            FolderChooser chooser;
            chosen = chooser.Choose(GetParent(hwnd()), prompt, L"", start);
        }
        if (chosen.empty()) return;
        SetItemText(kind_.folderId, chosen);
        folder_ = chosen;
    }

    void Warn(const std::wstring& text) {
        if (state_.request.prompter) state_.request.prompter->Warning(text);
        else MessageBoxPrompter(GetParent(hwnd())).Warning(text);
    }

    const PageKind& kind_;
    int index_;
    SheetState& state_;
    std::wstring folder_;
    std::wstring name_;
    unsigned format_ = 0;
    bool created_ = false;
    bool filling_ = false;
};

// The complete path of a page after OK: normalised when it is usable,
// otherwise the previous path after msg::kInvalidPath with the path as typed.
// Usable includes that this program can open exactly that name: the narrow
// program would otherwise write its log under a best-fitted name of
// another file.
std::wstring AcceptedPath(std::wstring typed, const std::wstring& previous, Prompter& prompter) {
    std::wstring path = typed;
    if (NormalizePath(path) && fs::CanAddress(path)) return path;
    prompter.Warning(Message(msg::kInvalidPath, {typed}));
    return previous;
}

}  // namespace

bool ShowLogSettingsSheet(HWND owner, LogSettingsRequest& request) {
    SheetState state{request.settingsWord, request.page == 1 ? 1 : 0, !request.runActive, request};
    LogSettingsPage normal(kNormalPage, 0, state, request.userLog);
    LogSettingsPage schedule(kSchedulePage, 1, state, request.scheduleLog);
    SettingsSheet sheet(LoadText(IDS_LOG_SETTINGS_CAPTION), {&normal, &schedule}, state.page);
    sheet.DisableOkButton(request.runActive);
    const bool ok = sheet.DoModal(owner) == IDOK;
    request.page = state.page;
    // OK is disabled during a run; a sheet that was read-only stores nothing
    // however it was closed.
    if (!ok || request.runActive) return false;

    MessageBoxPrompter boxes(owner);
    Prompter& prompter = request.prompter ? *request.prompter : boxes;
    ProfileStore& store = AppProfile();
    request.settingsWord = state.word;
    WriteSetting(store, setting::LogSettings, request.settingsWord);
    request.userLog = AcceptedPath(normal.path(), request.userLog, prompter);
    WriteSetting(store, setting::UserLog, request.userLog);
    request.scheduleLog = AcceptedPath(schedule.path(), request.scheduleLog, prompter);
    WriteSetting(store, setting::ScheduleLog, request.scheduleLog);
    return true;
}

}  // namespace mirrant
