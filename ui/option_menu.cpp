#include "ui/option_menu.h"

#include <algorithm>
#include <iterator>

#include "framework/profile.h"
#include "framework/prompts.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

// The boolean options edited by a menu toggle.
struct ToggleEntry {
    int command;
    bool RunOptions::*field;
};

constexpr ToggleEntry kToggles[] = {
    {ID_DELETE_PRIORITY, &RunOptions::deletePriority},
    {ID_CONFIRM_FOLDER_DELETE, &RunOptions::confirmFolderDelete},
    {ID_UPDATE_READ_ONLY, &RunOptions::updateReadOnly},
    {ID_CONFIRM_SAME_TIME_DIFF_SIZE, &RunOptions::confirmSameTimeDifferentSize},
    {ID_SAME_TIME_SAME_SIZE, &RunOptions::sameTimeSameSizeIsSame},
    {ID_KEEP_IF_SAME_CONTENT, &RunOptions::keepIfSameContent},
    {ID_DELAYED_WRITE, &RunOptions::delayedWritePriority},
    {ID_CONFIRM_NEWER_DEST, &RunOptions::confirmNewerDestination},
    {ID_REVERSE_OVERWRITE_NEWER, &RunOptions::reverseOverwriteNewer},
    {ID_COPY_EMPTY_FOLDERS, &RunOptions::copyEmptyFolders},
};

const ToggleEntry* FindToggle(int command) {
    for (const auto& t : kToggles)
        if (t.command == command) return &t;
    return nullptr;
}


}  // namespace

bool IsOptionToggleCommand(int command) { return FindToggle(command) != nullptr; }

bool ToggleOption(RunOptions& o, int command, ProfileStore& store, Prompter& prompter) {
    const ToggleEntry* t = FindToggle(command);
    if (!t) return false;
    bool value = !(o.*(t->field));
    o.*(t->field) = value;
    SaveRunOption(store, o, t->field);
    if (command == ID_COPY_EMPTY_FOLDERS && !value) prompter.Warning(LoadText(msg::kPartialSyncRisk));
    if (command == ID_CONFIRM_FOLDER_DELETE) o.suppressFolderDeleteConfirm = !value;
    return true;
}

bool IsMissingPolicyCommand(int command) {
    return command >= ID_MISSING_DST_COPY && command <= ID_MISSING_SRC_ASK;
}

bool ChooseMissingPolicy(RunOptions& o, int command, ProfileStore& store, Prompter& prompter) {
    if (!IsMissingPolicyCommand(command)) return false;
    if (command <= ID_MISSING_DST_ASK)
        SetMissingInDestination(o, static_cast<MissingPolicy>(command - ID_MISSING_DST_COPY), store);
    else
        SetMissingInSource(o, static_cast<MissingPolicy>(command - ID_MISSING_SRC_COPY), store, prompter);
    return true;
}

void ToggleTextBatchDefault(RunOptions& o, ProfileStore& store) {
    o.textBatchDefault = !o.textBatchDefault;
    SaveRunOption(store, o, &RunOptions::textBatchDefault);
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
    // Like the other run settings, not changed while a run is under way.
    states.push_back({ID_SET_ASIDE, false, !runActive});
    states.push_back({ID_TEXT_BATCH_DEFAULT, o.textBatchDefault, !runActive});
    auto find = [&](int command) -> MenuItemState& {
        return *std::find_if(states.begin(), states.end(), [&](const MenuItemState& s) { return s.command == command; });
    };
    if (!runActive) {
        if (o.confirmNewerDestination) find(ID_REVERSE_OVERWRITE_NEWER).enabled = false;
        if (!DeletePriorityAllowed(o.missingInSource)) find(ID_DELETE_PRIORITY).enabled = false;
        if (modes.destinationOnly) {
            for (int c : {ID_MISSING_DST_COPY, ID_MISSING_DST_DELETE, ID_MISSING_DST_ASK}) find(c).enabled = false;
            if (modes.protectDestination)
                for (int c : {ID_MISSING_SRC_COPY, ID_MISSING_SRC_DELETE, ID_MISSING_SRC_ASK}) find(c).enabled = false;
        }
    }
    return states;
}

}  // namespace mirrant
