#include "engine/run_options.h"

#include <algorithm>
#include <iterator>

#include "framework/profile.h"
#include "framework/prompts.h"
#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

namespace {

std::uint32_t PolicyByte(ErrorPolicy p) {
    switch (p) {
    case ErrorPolicy::Skip: return 0x00;
    case ErrorPolicy::Abort: return 0xFF;
    default: return 0x01;
    }
}

ErrorPolicy PolicyFromByte(std::uint32_t b) {
    if (b == 0x00) return ErrorPolicy::Skip;
    if (b == 0xFF) return ErrorPolicy::Abort;
    return ErrorPolicy::Confirm;
}

// The boolean options edited by a menu toggle: command, field, value name.
struct ToggleEntry {
    int command;
    bool RunOptions::*field;
    const wchar_t* name;
};

constexpr ToggleEntry kToggles[] = {
    {ID_DELETE_PRIORITY, &RunOptions::deletePriority, optname::DeletePriority},
    {ID_CONFIRM_FOLDER_DELETE, &RunOptions::confirmFolderDelete, optname::ConfirmFolderDelete},
    {ID_UPDATE_READ_ONLY, &RunOptions::updateReadOnly, optname::UpdateReadOnly},
    {ID_CONFIRM_SAME_TIME_DIFF_SIZE, &RunOptions::confirmSameTimeDifferentSize, optname::ConfirmSameTimeDifferentSize},
    {ID_SAME_TIME_SAME_SIZE, &RunOptions::sameTimeSameSizeIsSame, optname::SameTimeSameSizeIsSame},
    {ID_KEEP_IF_SAME_CONTENT, &RunOptions::keepIfSameContent, optname::KeepIfSameContent},
    {ID_DELAYED_WRITE, &RunOptions::delayedWritePriority, optname::DelayedWritePriority},
    {ID_CONFIRM_NEWER_DEST, &RunOptions::confirmNewerDestination, optname::ConfirmNewerDestination},
    {ID_REVERSE_OVERWRITE_NEWER, &RunOptions::reverseOverwriteNewer, optname::ReverseOverwriteNewer},
    {ID_COPY_EMPTY_FOLDERS, &RunOptions::copyEmptyFolders, optname::CopyEmptyFolders},
};

const ToggleEntry* FindToggle(int command) {
    for (const auto& t : kToggles)
        if (t.command == command) return &t;
    return nullptr;
}

MissingPolicy MissingPolicyOr(int stored, MissingPolicy fallback) {
    return stored >= 0 && stored <= 3 ? static_cast<MissingPolicy>(stored) : fallback;
}

void WriteBool(ProfileStore& store, const wchar_t* name, bool value) {
    store.SetInt(kSettingsSection, name, value ? 1 : 0);
}

void WritePolicies(const RunOptions& o, ProfileStore& store) {
    WriteBool(store, optname::DeletePriority, o.deletePriority);
    store.SetInt(kSettingsSection, optname::MissingInSource, static_cast<int>(o.missingInSource));
    store.SetInt(kSettingsSection, optname::MissingInDestination, static_cast<int>(o.missingInDestination));
}

void SetDeletePriority(RunOptions& o, bool on, ProfileStore& store) {
    o.deletePriority = on;
    WriteBool(store, optname::DeletePriority, on);
}

}  // namespace

std::uint32_t PackConfirmationPolicies(const RunOptions& o) {
    return (PolicyByte(o.writeFailurePolicy) << 24) | (PolicyByte(o.folderFailurePolicy) << 16) |
           (PolicyByte(o.deleteFailurePolicy) << 8) | (o.confirmOtherErrors ? 1u : 0u);
}

void UnpackConfirmationPolicies(std::uint32_t word, RunOptions& o) {
    o.writeFailurePolicy = PolicyFromByte((word >> 24) & 0xFF);
    o.folderFailurePolicy = PolicyFromByte((word >> 16) & 0xFF);
    o.deleteFailurePolicy = PolicyFromByte((word >> 8) & 0xFF);
    o.confirmOtherErrors = (word & 0xFF) != 0;
}

unsigned ClampTimeTolerance(int stored) {
    if (stored > 360) return 360;
    if (stored <= 0) return 2;
    return static_cast<unsigned>(stored);
}

void LoadRunOptions(RunOptions& o, const ProfileStore& store) {
    auto flag = [&](const wchar_t* name, bool def) {
        return store.GetInt(kSettingsSection, name, def ? 1 : 0) != 0;
    };
    o.deletePriority = flag(optname::DeletePriority, true);
    o.confirmFolderDelete = flag(optname::ConfirmFolderDelete, true);
    o.updateReadOnly = flag(optname::UpdateReadOnly, true);
    o.confirmSameTimeDifferentSize = flag(optname::ConfirmSameTimeDifferentSize, true);
    o.sameTimeSameSizeIsSame = flag(optname::SameTimeSameSizeIsSame, true);
    o.keepIfSameContent = flag(optname::KeepIfSameContent, false);
    o.delayedWritePriority = flag(optname::DelayedWritePriority, true);
    o.confirmNewerDestination = flag(optname::ConfirmNewerDestination, true);
    o.reverseOverwriteNewer = flag(optname::ReverseOverwriteNewer, false);
    o.copyEmptyFolders = (store.GetInt(kSettingsSection, optname::CopyEmptyFolders, 1) & 1) != 0;
    o.textBatchDefault = flag(optname::TextBatchDefault, false);
    o.missingInDestination =
        MissingPolicyOr(store.GetInt(kSettingsSection, optname::MissingInDestination, 0), MissingPolicy::Copy);
    o.missingInSource =
        MissingPolicyOr(store.GetInt(kSettingsSection, optname::MissingInSource, 1), MissingPolicy::Delete);
    UnpackConfirmationPolicies(static_cast<std::uint32_t>(store.GetInt(
                                   kSettingsSection, optname::ConfirmationPolicies,
                                   static_cast<int>(kDefaultConfirmationPolicies))),
                               o);
    o.displayLevel = store.GetInt(kSettingsSection, optname::DisplayLevel, 0);
    o.runPriority = store.GetInt(kSettingsSection, optname::RunPriority, 0);
    o.suppressFolderDeleteConfirm = !o.confirmFolderDelete;
}

bool IsOptionToggleCommand(int command) { return FindToggle(command) != nullptr; }

bool ToggleOption(RunOptions& o, int command, ProfileStore& store, Prompter& prompter) {
    const ToggleEntry* t = FindToggle(command);
    if (!t) return false;
    bool value = !(o.*(t->field));
    o.*(t->field) = value;
    WriteBool(store, t->name, value);
    if (command == ID_COPY_EMPTY_FOLDERS && !value) prompter.Warning(LoadText(233));
    if (command == ID_CONFIRM_FOLDER_DELETE) o.suppressFolderDeleteConfirm = !value;
    return true;
}

bool IsMissingPolicyCommand(int command) {
    return command >= ID_MISSING_DST_COPY && command <= ID_MISSING_SRC_ASK;
}

bool ChooseMissingPolicy(RunOptions& o, int command, ProfileStore& store, Prompter& prompter) {
    if (!IsMissingPolicyCommand(command)) return false;
    if (command <= ID_MISSING_DST_ASK) {
        o.missingInDestination = static_cast<MissingPolicy>(command - ID_MISSING_DST_COPY);
        store.SetInt(kSettingsSection, optname::MissingInDestination, static_cast<int>(o.missingInDestination));
        return true;
    }
    auto policy = static_cast<MissingPolicy>(command - ID_MISSING_SRC_COPY);
    if (policy != MissingPolicy::Delete && o.deletePriority) {
        prompter.Information(LoadText(245));
        SetDeletePriority(o, false, store);
    } else if (policy == MissingPolicy::Delete && !o.deletePriority) {
        if (prompter.YesNo(LoadText(246))) SetDeletePriority(o, true, store);
    }
    o.missingInSource = policy;
    store.SetInt(kSettingsSection, optname::MissingInSource, static_cast<int>(policy));
    return true;
}

void ToggleTextBatchDefault(RunOptions& o, ProfileStore& store) {
    o.textBatchDefault = !o.textBatchDefault;
    WriteBool(store, optname::TextBatchDefault, o.textBatchDefault);
}

const std::vector<int>& BatchMenuCommands() {
    static const std::vector<int> commands = {ID_BATCH_REGISTER, ID_BATCH_RUN, ID_BATCH_DELETE,
                                              ID_TEXT_BATCH_DEFAULT, ID_BATCH_CLEAR_HISTORY};
    return commands;
}

std::vector<MenuItemState> OptionMenuStates(const RunOptions& o, FilterModes modes, bool runActive) {
    std::vector<MenuItemState> states;
    for (const auto& t : kToggles) states.push_back({t.command, o.*(t.field), !runActive});
    for (int i = 0; i < 4; ++i) {
        states.push_back({ID_MISSING_DST_COPY + i, static_cast<int>(o.missingInDestination) == i, !runActive});
        states.push_back({ID_MISSING_SRC_COPY + i, static_cast<int>(o.missingInSource) == i, !runActive});
    }
    // Dialog commands: checked never; grayed during a run unless their
    // dialogs open read-only.
    states.push_back({ID_TOLERANCE, false, !runActive});
    states.push_back({ID_FILTER, false, !runActive});
    states.push_back({ID_CONFIRM_OPTIONS, false, true});
    states.push_back({ID_LOG_SETTINGS, false, true});
    states.push_back({ID_DISPLAY_SETTINGS, false, true});
    states.push_back({ID_PRIORITY, false, true});
    states.push_back({ID_TEXT_BATCH_DEFAULT, o.textBatchDefault, !runActive});
    auto find = [&](int command) -> MenuItemState& {
        return *std::find_if(states.begin(), states.end(), [&](const MenuItemState& s) { return s.command == command; });
    };
    if (!runActive) {
        if (o.confirmNewerDestination) find(ID_REVERSE_OVERWRITE_NEWER).enabled = false;
        if (o.missingInSource != MissingPolicy::Delete) find(ID_DELETE_PRIORITY).enabled = false;
        if (modes.destinationOnly) {
            for (int c : {ID_MISSING_DST_COPY, ID_MISSING_DST_DELETE, ID_MISSING_DST_ASK}) find(c).enabled = false;
            if (modes.protectDestination)
                for (int c : {ID_MISSING_SRC_COPY, ID_MISSING_SRC_DELETE, ID_MISSING_SRC_ASK}) find(c).enabled = false;
        }
    }
    return states;
}

bool ApplyStartupConsistency(RunOptions& o, FilterModes modes, ProfileStore& store) {
    RunOptions before = o;
    if (modes.destinationOnly && o.missingInDestination != MissingPolicy::Ignore)
        o.missingInDestination = MissingPolicy::Ignore;
    if (modes.destinationOnly && modes.protectDestination) {
        if (o.missingInSource != MissingPolicy::Ignore) o.missingInSource = MissingPolicy::Ignore;
        o.deletePriority = false;
    }
    if (o.missingInSource != MissingPolicy::Delete) o.deletePriority = false;
    bool changed = before.deletePriority != o.deletePriority || before.missingInSource != o.missingInSource ||
                   before.missingInDestination != o.missingInDestination;
    if (changed) WritePolicies(o, store);
    return changed;
}

void ApplyFilterConsistency(RunOptions& o, FilterModes modes, ProfileStore& store, Prompter& prompter) {
    if (modes.destinationOnly && o.missingInDestination != MissingPolicy::Ignore) {
        prompter.Information(LoadText(IDS_MISSING_DST_TO_IGNORE));
        o.missingInDestination = MissingPolicy::Ignore;
    } else if (!modes.destinationOnly && o.missingInDestination == MissingPolicy::Ignore) {
        if (prompter.YesNo(LoadText(IDS_MISSING_DST_ASK_COPY))) o.missingInDestination = MissingPolicy::Copy;
    }
    if (modes.destinationOnly && modes.protectDestination) {
        if (o.missingInSource != MissingPolicy::Ignore) {
            prompter.Information(LoadText(IDS_MISSING_SRC_TO_IGNORE));
            o.missingInSource = MissingPolicy::Ignore;
        }
        if (o.deletePriority) {
            prompter.Information(LoadText(245));
            o.deletePriority = false;
        }
    } else {
        if (o.missingInSource == MissingPolicy::Ignore) {
            if (prompter.YesNo(LoadText(IDS_MISSING_SRC_ASK_DELETE))) o.missingInSource = MissingPolicy::Delete;
        }
        if (!o.deletePriority && o.missingInSource == MissingPolicy::Delete) {
            if (prompter.YesNo(LoadText(246))) o.deletePriority = true;
        }
    }
    WritePolicies(o, store);
}

}  // namespace mirrant
