#include "ui/settings_dialogs.h"

#include <commctrl.h>

#include <cwctype>
#include <iterator>

#include "framework/dialog.h"
#include "framework/message_box.h"
#include "framework/profile.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

// ---- mappings ---------------------------------------------------------------

// The track bar's positions, top to bottom.
constexpr int kDisplayThresholds[] = {display::Largest, display::Medium, display::Small, display::Smallest};

int DisplayPositionFromLevel(int stored) {
    switch (stored) {
    case display::Medium: return 1;
    case display::Small: return 2;
    // A hand-edited level that hides more than "小" opens at "最小".
    case level::DeletingFile: case level::DeletingFolder: case level::CreatingFolder:
    case display::Smallest: return 3;
    default: return 0;
    }
}

int DisplayLevelFromPosition(int position) {
    const int positions = static_cast<int>(std::size(kDisplayThresholds));
    return position >= 0 && position < positions ? kDisplayThresholds[position] : display::Largest;
}

int PriorityPositionFromValue(int priority) {
    switch (priority) {
    case 2: return 0;
    case 1: return 1;
    case -1: return 3;
    case -2: return 4;
    default: return 2;
    }
}

int PriorityValueFromPosition(int position) {
    return position >= 0 && position <= 4 ? 2 - position : 0;
}

std::optional<unsigned> ParseTolerance(const std::wstring& text) {
    return ParseNumberInRange(text, kMinTolerance, kMaxTolerance);
}

std::optional<unsigned> ParseNumberInRange(const std::wstring& text, unsigned min, unsigned max) {
    size_t i = 0, n = text.size();
    while (i < n && std::iswspace(text[i])) ++i;
    while (n > i && std::iswspace(text[n - 1])) --n;
    if (i == n) return std::nullopt;
    unsigned long long value = 0;
    for (; i < n; ++i) {
        wchar_t c = text[i];
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - L'0');
        // Anything this long is out of range; stop before it could overflow.
        if (value > max) return std::nullopt;
    }
    if (value < min) return std::nullopt;
    return static_cast<unsigned>(value);
}

// ---- confirmation options table ---------------------------------------------

namespace {

// Button values of the three failure-policy groups, in button order.
constexpr ErrorPolicy kPolicyButtons[] = {ErrorPolicy::Confirm, ErrorPolicy::Skip, ErrorPolicy::Abort};

int PolicyIndex(ErrorPolicy p) {
    for (int i = 0; i < 3; ++i)
        if (kPolicyButtons[i] == p) return i;
    return 0;
}

ErrorPolicy PolicyAt(int index) { return index >= 0 && index < 3 ? kPolicyButtons[index] : ErrorPolicy::Confirm; }

// Two-button groups: first button is "confirm" (1), the second 0.
int FlagIndex(bool confirming) { return confirming ? 0 : 1; }
bool FlagAt(int index) { return index != 1; }

}  // namespace

int ConfirmGroupSize(int group) {
    switch (group) {
    case kGroupWriteFailure: case kGroupFolderFailure: case kGroupDeleteFailure: return 3;
    default: return 2;
    }
}

ConfirmChoices ConfirmChoicesFromOptions(const RunOptions& o) {
    ConfirmChoices c{};
    c[kGroupFolderDelete] = FlagIndex(o.confirmFolderDelete);
    c[kGroupSameTimeDifferentSize] = FlagIndex(o.confirmSameTimeDifferentSize);
    c[kGroupNewerDestination] = FlagIndex(o.confirmNewerDestination);
    c[kGroupWriteFailure] = PolicyIndex(o.writeFailurePolicy);
    c[kGroupFolderFailure] = PolicyIndex(o.folderFailurePolicy);
    c[kGroupDeleteFailure] = PolicyIndex(o.deleteFailurePolicy);
    c[kGroupOtherErrors] = FlagIndex(o.confirmOtherErrors);
    return c;
}

void ApplyConfirmChoices(const ConfirmChoices& c, RunOptions& o) {
    o.confirmFolderDelete = FlagAt(c[kGroupFolderDelete]);
    o.confirmSameTimeDifferentSize = FlagAt(c[kGroupSameTimeDifferentSize]);
    o.confirmNewerDestination = FlagAt(c[kGroupNewerDestination]);
    o.writeFailurePolicy = PolicyAt(c[kGroupWriteFailure]);
    o.folderFailurePolicy = PolicyAt(c[kGroupFolderFailure]);
    o.deleteFailurePolicy = PolicyAt(c[kGroupDeleteFailure]);
    o.confirmOtherErrors = FlagAt(c[kGroupOtherErrors]);
}

void SaveConfirmOptions(const RunOptions& o) {
    ProfileStore& store = AppProfile();
    SaveRunOption(store, o, &RunOptions::confirmFolderDelete);
    SaveRunOption(store, o, &RunOptions::confirmSameTimeDifferentSize);
    SaveRunOption(store, o, &RunOptions::confirmNewerDestination);
    SaveConfirmationPolicies(store, o);
}

// ---- dialogs ----------------------------------------------------------------

namespace {

// A vertical track bar dialog: positions 0 (top) to maxPosition, a tick at
// every position; read-only while a run is active.
class TrackBarDialog : public Dialog {
public:
    TrackBarDialog(int resourceId, int trackId, int maxPosition, int position, bool runActive)
        : Dialog(resourceId), trackId_(trackId), max_(maxPosition), position_(position),
          runActive_(runActive) {}
    int position() const { return position_; }

protected:
    bool OnInit() override {
        SendItem(trackId_, TBM_SETRANGE, FALSE, MAKELPARAM(0, max_));
        SendItem(trackId_, TBM_SETTICFREQ, 1, 0);
        SendItem(trackId_, TBM_SETPOS, TRUE, position_);
        if (runActive_) {
            EnableItem(trackId_, false);
            EnableItem(IDOK, false);
        }
        return true;
    }
    void OnOK() override {
        if (runActive_) return;
        position_ = static_cast<int>(SendItem(trackId_, TBM_GETPOS));
        End(IDOK);
    }

private:
    int trackId_, max_, position_;
    bool runActive_;
};

// A number in a box beside a check box (the time tolerance, the days the
// set-aside folder keeps): a number out of its range is refused with the
// range's warning and the box is selected again.
struct NumberBoxFields {
    int dialog, edit, check;
    unsigned rangeText, min, max;
};

class NumberAndSwitchDialog : public Dialog {
public:
    NumberAndSwitchDialog(const NumberBoxFields& fields, unsigned number, bool checked, bool runActive)
        : Dialog(fields.dialog), fields_(fields), number_(number), checked_(checked), runActive_(runActive) {}
    unsigned number() const { return number_; }
    bool checked() const { return checked_; }

protected:
    bool OnInit() override {
        SendItem(fields_.edit, EM_SETLIMITTEXT, 10);
        SetItemText(fields_.edit, std::to_wstring(number_));
        SetChecked(fields_.check, checked_);
        if (runActive_) {
            SendItem(fields_.edit, EM_SETREADONLY, TRUE);
            EnableItem(fields_.check, false);
            EnableItem(IDOK, false);
        }
        return true;
    }
    void OnOK() override {
        if (runActive_) return;
        auto value = ParseNumberInRange(ItemText(fields_.edit), fields_.min, fields_.max);
        if (!value) {
            MessageBoxPrompter(hwnd()).Warning(Message(fields_.rangeText, {fields_.min, fields_.max}));
            HWND edit = Item(fields_.edit);
            SetFocus(edit);
            SendMessageW(edit, EM_SETSEL, 0, -1);
            return;
        }
        number_ = *value;
        checked_ = IsChecked(fields_.check);
        End(IDOK);
    }

private:
    NumberBoxFields fields_;
    unsigned number_;
    bool checked_;
    bool runActive_;
};

// The guard against large changes: the switch and two numbers, the share of
// a side's files and the least number of files; each number out of its range
// is refused with its own warning, and its box is selected again.
class GuardDialog : public Dialog {
public:
    GuardDialog(bool on, unsigned percent, unsigned minimum, bool runActive)
        : Dialog(IDD_GUARD), on_(on), values_{percent, minimum}, runActive_(runActive) {}
    bool on() const { return on_; }
    unsigned percent() const { return values_[0]; }
    unsigned minimum() const { return values_[1]; }

protected:
    struct Box {
        int edit;
        unsigned rangeText, min, max;
    };
    static constexpr Box kBoxes[2] = {
        {IDC_GUARD_PERCENT, IDS_GUARD_PERCENT_RANGE, kMinGuardPercent, kMaxGuardPercent},
        {IDC_GUARD_MINIMUM, IDS_GUARD_MINIMUM_RANGE, kMinGuardMinimum, kMaxGuardMinimum},
    };

    bool OnInit() override {
        SetChecked(IDC_GUARD_ON, on_);
        for (int i = 0; i < 2; ++i) {
            SendItem(kBoxes[i].edit, EM_SETLIMITTEXT, 10);
            SetItemText(kBoxes[i].edit, std::to_wstring(values_[i]));
            if (runActive_) SendItem(kBoxes[i].edit, EM_SETREADONLY, TRUE);
        }
        if (runActive_) {
            EnableItem(IDC_GUARD_ON, false);
            EnableItem(IDOK, false);
        }
        return true;
    }
    void OnOK() override {
        if (runActive_) return;
        unsigned values[2];
        for (int i = 0; i < 2; ++i) {
            const Box& box = kBoxes[i];
            auto value = ParseNumberInRange(ItemText(box.edit), box.min, box.max);
            if (!value) {
                MessageBoxPrompter(hwnd()).Warning(Message(box.rangeText, {box.min, box.max}));
                HWND edit = Item(box.edit);
                SetFocus(edit);
                SendMessageW(edit, EM_SETSEL, 0, -1);
                return;
            }
            values[i] = *value;
        }
        values_[0] = values[0];
        values_[1] = values[1];
        on_ = IsChecked(IDC_GUARD_ON);
        End(IDOK);
    }

private:
    bool on_;
    unsigned values_[2];
    bool runActive_;
};

class ConfirmOptionsDialog : public Dialog {
public:
    ConfirmOptionsDialog(const ConfirmChoices& choices, bool runActive)
        : Dialog(IDD_CONFIRM_OPTIONS), choices_(choices), runActive_(runActive) {}
    const ConfirmChoices& choices() const { return choices_; }

protected:
    static int ButtonId(int group, int button) { return IDC_CONFIRM_FIRST + 10 * group + button; }

    bool OnInit() override {
        for (int g = 0; g < kConfirmGroupCount; ++g) {
            int selected = choices_[g] >= 0 && choices_[g] < ConfirmGroupSize(g) ? choices_[g] : 0;
            for (int b = 0; b < ConfirmGroupSize(g); ++b) {
                SetChecked(ButtonId(g, b), b == selected);
                if (runActive_) EnableItem(ButtonId(g, b), false);
            }
        }
        if (runActive_) EnableItem(IDOK, false);
        return true;
    }
    void OnOK() override {
        if (runActive_) return;
        for (int g = 0; g < kConfirmGroupCount; ++g) {
            choices_[g] = -1;
            for (int b = 0; b < ConfirmGroupSize(g); ++b)
                if (IsChecked(ButtonId(g, b))) choices_[g] = b;
        }
        End(IDOK);
    }

private:
    ConfirmChoices choices_;
    bool runActive_;
};

// The track bar class must be registered before a dialog that uses it is made.
void RegisterTrackBarClass() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
}

}  // namespace

bool ShowDisplaySettingsDialog(HWND owner, RunOptions& options, bool runActive) {
    RegisterTrackBarClass();
    TrackBarDialog dialog(IDD_DISPLAY_SETTINGS, IDC_DISPLAY_TRACK, 3,
                          DisplayPositionFromLevel(options.displayLevel), runActive);
    if (dialog.DoModal(owner) != IDOK || runActive) return false;
    options.displayLevel = DisplayLevelFromPosition(dialog.position());
    SaveRunOption(AppProfile(), options, &RunOptions::displayLevel);
    return true;
}

bool ShowPriorityDialog(HWND owner, RunOptions& options, bool runActive) {
    RegisterTrackBarClass();
    TrackBarDialog dialog(IDD_PRIORITY, IDC_PRIORITY_TRACK, 4,
                          PriorityPositionFromValue(options.runPriority), runActive);
    if (dialog.DoModal(owner) != IDOK || runActive) return false;
    options.runPriority = PriorityValueFromPosition(dialog.position());
    SaveRunOption(AppProfile(), options, &RunOptions::runPriority);
    return true;
}

bool ShowToleranceDialog(HWND owner, RunOptions& options, bool runActive) {
    const NumberBoxFields fields{IDD_TOLERANCE, IDC_TOLERANCE_EDIT, IDC_TOLERANCE_KEEP, IDS_TOLERANCE_RANGE,
                                 kMinTolerance, kMaxTolerance};
    NumberAndSwitchDialog dialog(fields, options.timeToleranceSeconds, options.keepTolerance, runActive);
    if (dialog.DoModal(owner) != IDOK || runActive) return false;
    options.timeToleranceSeconds = dialog.number();
    options.keepTolerance = dialog.checked();
    // Unticked, the stored value stays as it was, so the next start uses it.
    if (options.keepTolerance) SaveRunOption(AppProfile(), options, &RunOptions::timeToleranceSeconds);
    return true;
}

bool ShowSetAsideDialog(HWND owner, RunOptions& options, bool runActive) {
    const NumberBoxFields fields{IDD_SET_ASIDE,        IDC_SET_ASIDE_DAYS, IDC_SET_ASIDE_ON,
                                 IDS_SET_ASIDE_DAYS_RANGE, kMinSetAsideDays, kMaxSetAsideDays};
    NumberAndSwitchDialog dialog(fields, static_cast<unsigned>(options.setAsideDays), options.setAsideFiles,
                                 runActive);
    if (dialog.DoModal(owner) != IDOK || runActive) return false;
    options.setAsideFiles = dialog.checked();
    options.setAsideDays = static_cast<int>(dialog.number());
    SaveRunOption(AppProfile(), options, &RunOptions::setAsideFiles);
    SaveRunOption(AppProfile(), options, &RunOptions::setAsideDays);
    return true;
}

bool ShowGuardDialog(HWND owner, RunOptions& options, bool runActive) {
    GuardDialog dialog(options.guardOn, static_cast<unsigned>(options.guardPercent),
                       static_cast<unsigned>(options.guardMinimum), runActive);
    if (dialog.DoModal(owner) != IDOK || runActive) return false;
    options.guardOn = dialog.on();
    options.guardPercent = static_cast<int>(dialog.percent());
    options.guardMinimum = static_cast<int>(dialog.minimum());
    SaveRunOption(AppProfile(), options, &RunOptions::guardOn);
    SaveRunOption(AppProfile(), options, &RunOptions::guardPercent);
    SaveRunOption(AppProfile(), options, &RunOptions::guardMinimum);
    return true;
}

bool ShowConfirmOptionsDialog(HWND owner, RunOptions& options, bool runActive) {
    ConfirmOptionsDialog dialog(ConfirmChoicesFromOptions(options), runActive);
    if (dialog.DoModal(owner) != IDOK || runActive) return false;
    ApplyConfirmChoices(dialog.choices(), options);
    options.suppressFolderDeleteConfirm = !options.confirmFolderDelete;
    SaveConfirmOptions(options);
    return true;
}

}  // namespace mirrant
