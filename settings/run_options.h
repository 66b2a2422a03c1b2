#pragma once
// The options that shape a run: the switches of the options menu, the two
// missing-item policies, the failure policies, the time tolerance, the
// progress display level and the run priority. The main window owns the one
// record; the worker reads it during a run. Each persisted field's value name
// and default are its setting's (settings/settings.h): the initialisers below
// and the loader both take them from there.
#include <cstdint>

#include "settings/settings.h"

namespace mirrant {

class ProfileStore;
class Prompter;

enum class MissingPolicy : int { Copy = 0, Delete = 1, Ignore = 2, Ask = 3 };
enum class ErrorPolicy : int { Confirm = 1, Skip = 0, Abort = -1 };

// One policy byte of "op12": written 0x01 for Confirm, 0x00 for Skip, 0xFF
// for Abort; read 0x00 as Skip, 0xFF as Abort and anything else as Confirm.
constexpr std::uint32_t ErrorPolicyByte(ErrorPolicy p) {
    return p == ErrorPolicy::Skip ? 0x00u : p == ErrorPolicy::Abort ? 0xFFu : 0x01u;
}
constexpr ErrorPolicy ErrorPolicyFromByte(std::uint32_t b) {
    return b == 0x00u ? ErrorPolicy::Skip : b == 0xFFu ? ErrorPolicy::Abort : ErrorPolicy::Confirm;
}

namespace optiondefault {
constexpr MissingPolicy Missing(const IntSetting& s) { return static_cast<MissingPolicy>(s.defaultValue); }
// Byte n (0 lowest) of the default "op12" word.
constexpr std::uint32_t PolicyByte(int n) {
    return (static_cast<std::uint32_t>(setting::ConfirmationPolicies.defaultValue) >> (8 * n)) & 0xFFu;
}
}  // namespace optiondefault

// The switches (deletePriority, confirmFolderDelete, ... setAsideFiles) are
// RunSwitches, settings/run_switches.h, one row each in kRunSwitches.
struct RunOptions : RunSwitches {
    // Persisted in section "Settings".
    MissingPolicy missingInDestination = optiondefault::Missing(setting::MissingInDestination);
    MissingPolicy missingInSource = optiondefault::Missing(setting::MissingInSource);
    // The four together are "op12".
    ErrorPolicy writeFailurePolicy = ErrorPolicyFromByte(optiondefault::PolicyByte(3));
    ErrorPolicy folderFailurePolicy = ErrorPolicyFromByte(optiondefault::PolicyByte(2));
    ErrorPolicy deleteFailurePolicy = ErrorPolicyFromByte(optiondefault::PolicyByte(1));
    bool confirmOtherErrors = optiondefault::PolicyByte(0) != 0;
    unsigned timeToleranceSeconds = static_cast<unsigned>(setting::TimeDelta.defaultValue);
    int displayLevel = setting::DisplayLevel.defaultValue;
    int runPriority = setting::RunPriority.defaultValue;
    // How many days the set-aside folder keeps what a run deleted or
    // replaced (setAsideFiles).
    int setAsideDays = setting::SetAsideDays.defaultValue;
    // The guard's limits (guardOn): a side's share of files in per cent, and
    // the least number of files, that a run may not exceed unasked.
    int guardPercent = setting::GuardPercent.defaultValue;
    int guardMinimum = setting::GuardMinimum.defaultValue;

    // Not stored. Whether a tolerance chosen in the dialog is also written
    // for the next start (the dialog's check box).
    bool keepTolerance = true;
    // Not stored and not editable: how long an unreachable root is waited for.
    unsigned rootWaitSeconds = 60;

    // Run-time flags, never stored. The end of every run clears both.
    // No more folder-delete confirmations in this run: set by the check box of
    // the folder-delete dialog, and to !confirmFolderDelete whenever that
    // option is loaded or changed (menu or confirmation options dialog).
    bool suppressFolderDeleteConfirm = false;
    // No more delete-failure prompts in this run: set by answering No to one.
    bool suppressDeleteFailureMessages = false;
};

// "op12" from the four fields and back.
std::uint32_t PackConfirmationPolicies(const RunOptions& o);
void UnpackConfirmationPolicies(std::uint32_t word, RunOptions& o);
inline constexpr std::uint32_t kDefaultConfirmationPolicies =
    static_cast<std::uint32_t>(setting::ConfirmationPolicies.defaultValue);

// "TimeDelta" as loaded: above 360 becomes 360, 0 or below becomes 2.
unsigned ClampTimeTolerance(int stored);

// Reads every persisted field with its corrections, except the tolerance,
// which the application reads once at start-up ("TimeDelta"). Also sets
// suppressFolderDeleteConfirm from confirmFolderDelete.
void LoadRunOptions(RunOptions& o, const ProfileStore& store);

// Write one persisted field under its value name, as it now stands in o.
// False when the field is not stored or the registry refused.
bool SaveRunOption(ProfileStore& store, const RunOptions& o, SwitchField field);
bool SaveRunOption(ProfileStore& store, const RunOptions& o, MissingPolicy RunOptions::*field);
bool SaveRunOption(ProfileStore& store, const RunOptions& o, int RunOptions::*field);
bool SaveRunOption(ProfileStore& store, const RunOptions& o, unsigned RunOptions::*field);
// The four fields of "op12" at once.
bool SaveConfirmationPolicies(ProfileStore& store, const RunOptions& o);

// Delete priority (the four-pass sync that deletes first) only exists while
// destination items that the source lacks are deleted: "op1" may be on only
// while "op15" is Delete.
constexpr bool DeletePriorityAllowed(MissingPolicy missingInSource) {
    return missingInSource == MissingPolicy::Delete;
}

struct MissingPolicyChange {
    bool policy = false;          // the policy differs from before
    bool deletePriority = false;  // deletePriority was switched
};

// Sets missingInSource and keeps delete priority in step with it: any policy
// but Delete switches delete priority off, with notice msg::kDeletePriorityOff
// when it was on; Delete while it is off asks msg::kDeletePriorityOnQuestion
// and switches it on with Yes. Writes "op15" and "op1". Used by the options
// menu, the filter sheet's rules and the per-item choice of a run.
MissingPolicyChange SetMissingInSource(RunOptions& o, MissingPolicy policy, ProfileStore& store,
                                       Prompter& prompter);
// The same rule without a word to the user, for the start of the program:
// switches delete priority off where it is not allowed. Writes nothing. True
// when it changed deletePriority.
bool SettleDeletePriority(RunOptions& o);
// Sets missingInDestination and writes "op14". True when it changed.
bool SetMissingInDestination(RunOptions& o, MissingPolicy policy, ProfileStore& store);

}  // namespace mirrant
