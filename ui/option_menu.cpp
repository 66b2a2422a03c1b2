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

// The choices of the two missing-item policy submenus.
struct PolicyChoice {
    int command;
    MissingPolicy RunOptions::*field;
    MissingPolicy policy;
};

constexpr PolicyChoice kPolicyChoices[] = {
    {ID_MISSING_DST_COPY, &RunOptions::missingInDestination, MissingPolicy::Copy},
    {ID_MISSING_DST_DELETE, &RunOptions::missingInDestination, MissingPolicy::Delete},
    {ID_MISSING_DST_IGNORE, &RunOptions::missingInDestination, MissingPolicy::Ignore},
    {ID_MISSING_DST_ASK, &RunOptions::missingInDestination, MissingPolicy::Ask},
    {ID_MISSING_SRC_COPY, &RunOptions::missingInSource, MissingPolicy::Copy},
    {ID_MISSING_SRC_DELETE, &RunOptions::missingInSource, MissingPolicy::Delete},
    {ID_MISSING_SRC_IGNORE, &RunOptions::missingInSource, MissingPolicy::Ignore},
    {ID_MISSING_SRC_ASK, &RunOptions::missingInSource, MissingPolicy::Ask},
};

const PolicyChoice* FindChoice(int command) {
    for (const auto& c : kPolicyChoices)
        if (c.command == command) return &c;
    return nullptr;
}

// The dialog commands of the options menu: never checked; a run grays those
// whose dialogs cannot open read-only.
struct DialogCommand {
    int command;
    bool openDuringRun;
};

constexpr DialogCommand kDialogCommands[] = {
    {ID_TOLERANCE, false},       {ID_FILTER, false},   {ID_CONFIRM_OPTIONS, true}, {ID_LOG_SETTINGS, true},
    {ID_DISPLAY_SETTINGS, true}, {ID_PRIORITY, true},  {ID_SET_ASIDE, false}, {ID_RESTORE_SET_ASIDE, false},
    {ID_GUARD, false},
};

}  // namespace

bool IsMenuCommand(int command) {
    if (RunSwitchOfCommand(command) || FindChoice(command)) return true;
    for (const auto& d : kDialogCommands)
        if (d.command == command) return true;
    const std::vector<int>& batch = BatchMenuCommands();
    return std::find(batch.begin(), batch.end(), command) != batch.end();
}

bool ToggleOption(RunOptions& o, int command, ProfileStore& store, Prompter& prompter) {
    const RunSwitch* s = RunSwitchOfCommand(command);
    if (!s) return false;
    const bool value = !(o.*(s->field));
    o.*(s->field) = value;
    SaveRunOption(store, o, s->field);
    if (s->field == &RunOptions::copyEmptyFolders && !value) prompter.Warning(LoadText(msg::kPartialSyncRisk));
    if (s->field == &RunOptions::confirmFolderDelete) o.suppressFolderDeleteConfirm = !value;
    return true;
}

bool IsMissingPolicyCommand(int command) { return FindChoice(command) != nullptr; }

bool ChooseMissingPolicy(RunOptions& o, int command, ProfileStore& store, Prompter& prompter) {
    const PolicyChoice* c = FindChoice(command);
    if (!c) return false;
    if (c->field == &RunOptions::missingInDestination)
        SetMissingInDestination(o, c->policy, store);
    else
        SetMissingInSource(o, c->policy, store, prompter);
    return true;
}

const std::vector<int>& BatchMenuCommands() {
    static const std::vector<int> commands = {ID_BATCH_REGISTER, ID_BATCH_RUN, ID_BATCH_DELETE,
                                              ID_TEXT_BATCH_DEFAULT, ID_BATCH_CLEAR_HISTORY};
    return commands;
}

std::vector<MenuItemState> OptionMenuStates(const RunOptions& o, FilterModes modes, bool runActive) {
    std::vector<MenuItemState> states;
    for (const RunSwitch& s : kRunSwitches)
        if (s.menuCommand) states.push_back({s.menuCommand, o.*(s.field), !runActive});
    for (const PolicyChoice& c : kPolicyChoices) states.push_back({c.command, o.*(c.field) == c.policy, !runActive});
    for (const DialogCommand& d : kDialogCommands) states.push_back({d.command, false, d.openDuringRun || !runActive});
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
