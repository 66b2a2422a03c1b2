#pragma once
// The options and batch menus over RunOptions: the commands that change an
// option (each writes it at once and shows the messages that go with it),
// and their check marks and enable states.
#include <vector>

#include "settings/policy_rules.h"

namespace mirrant {

class ProfileStore;
class Prompter;

// Menu commands of the options that the user changes: a toggle inverts its
// field, a choice sets a missing-item policy; each writes its value at once
// and shows the messages that go with it. False for any other command.
bool IsOptionToggleCommand(int command);
bool ToggleOption(RunOptions& o, int command, ProfileStore& store, Prompter& prompter);
bool IsMissingPolicyCommand(int command);
bool ChooseMissingPolicy(RunOptions& o, int command, ProfileStore& store, Prompter& prompter);
// The batch menu's "テキスト形式" switch ("op13").
void ToggleTextBatchDefault(RunOptions& o, ProfileStore& store);

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
