#pragma once
// The options and batch menus over RunOptions: the commands that change an
// option (each writes it at once and shows the messages that go with it),
// and their check marks and enable states.
#include <vector>

#include "settings/policy_rules.h"

namespace mirrant {

class ProfileStore;
class Prompter;

// Whether a command is one of the options or batch menus' own (a switch, a
// policy choice, a dialog or a batch command; not a history entry): the main
// window dispatches by this, not by a range of ids.
bool IsMenuCommand(int command);

// Menu commands of the options that the user changes: a toggle inverts the
// field of its row of kRunSwitches (settings/run_switches.h; the batch menu's
// "ﾃｷｽﾄ形式" switch is one), a choice sets a missing-item policy; each writes
// its value at once and shows the messages that go with it. False for any
// other command.
bool ToggleOption(RunOptions& o, int command, ProfileStore& store, Prompter& prompter);
bool IsMissingPolicyCommand(int command);
bool ChooseMissingPolicy(RunOptions& o, int command, ProfileStore& store, Prompter& prompter);

// Check marks and enable states of the options and batch menus.
struct MenuItemState {
    int command;
    bool checked;
    bool enabled;
};
std::vector<MenuItemState> OptionMenuStates(const RunOptions& o, FilterModes modes, bool runActive);
// Commands of the batch menu that a run grays (and the rebuild enables).
const std::vector<int>& BatchMenuCommands();

}  // namespace mirrant
