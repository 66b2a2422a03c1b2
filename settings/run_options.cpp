#include "settings/run_options.h"

#include "framework/prompts.h"
#include "framework/text.h"
#include "res/messages.h"

namespace mirrant {

namespace {

// Which setting holds which field, for the fields that are not switches: the
// loader and the writers both go by these, so a field cannot be read from one
// value and written to another.
template <class T>
struct StoredField {
    const IntSetting& setting;
    T RunOptions::*field;
};

// The switches are the rows of kRunSwitches (settings/run_switches.h).

constexpr StoredField<MissingPolicy> kPolicies[] = {
    {setting::MissingInDestination, &RunOptions::missingInDestination},
    {setting::MissingInSource, &RunOptions::missingInSource},
};

constexpr StoredField<int> kNumbers[] = {
    {setting::DisplayLevel, &RunOptions::displayLevel},
    {setting::RunPriority, &RunOptions::runPriority},
    {setting::SetAsideDays, &RunOptions::setAsideDays},
    {setting::GuardPercent, &RunOptions::guardPercent},
    {setting::GuardMinimum, &RunOptions::guardMinimum},
};

// Written by the tolerance dialog; read by the application at start-up.
constexpr StoredField<unsigned> kUnsignedNumbers[] = {
    {setting::TimeDelta, &RunOptions::timeToleranceSeconds},
};

template <class T, std::size_t N>
const IntSetting* SettingOf(const StoredField<T> (&table)[N], T RunOptions::*field) {
    for (const auto& entry : table)
        if (entry.field == field) return &entry.setting;
    return nullptr;
}

}  // namespace

std::uint32_t PackConfirmationPolicies(const RunOptions& o) {
    return (ErrorPolicyByte(o.writeFailurePolicy) << 24) | (ErrorPolicyByte(o.folderFailurePolicy) << 16) |
           (ErrorPolicyByte(o.deleteFailurePolicy) << 8) | (o.confirmOtherErrors ? 1u : 0u);
}

void UnpackConfirmationPolicies(std::uint32_t word, RunOptions& o) {
    o.writeFailurePolicy = ErrorPolicyFromByte((word >> 24) & 0xFF);
    o.folderFailurePolicy = ErrorPolicyFromByte((word >> 16) & 0xFF);
    o.deleteFailurePolicy = ErrorPolicyFromByte((word >> 8) & 0xFF);
    o.confirmOtherErrors = (word & 0xFF) != 0;
}

unsigned ClampTimeTolerance(int stored) {
    return static_cast<unsigned>(CorrectSetting(setting::TimeDelta, stored));
}

void LoadRunOptions(RunOptions& o, const ProfileStore& store) {
    for (const RunSwitch& s : kRunSwitches) o.*s.field = ReadSetting(store, s.value) != 0;
    for (const auto& f : kPolicies) o.*f.field = static_cast<MissingPolicy>(ReadSetting(store, f.setting));
    for (const auto& f : kNumbers) o.*f.field = ReadSetting(store, f.setting);
    UnpackConfirmationPolicies(static_cast<std::uint32_t>(ReadSetting(store, setting::ConfirmationPolicies)), o);
    o.suppressFolderDeleteConfirm = !o.confirmFolderDelete;
}

bool SaveRunOption(ProfileStore& store, const RunOptions& o, SwitchField field) {
    const RunSwitch* s = RunSwitchOf(field);
    return s && WriteSetting(store, s->value, o.*field ? 1 : 0);
}

bool SaveRunOption(ProfileStore& store, const RunOptions& o, MissingPolicy RunOptions::*field) {
    const IntSetting* s = SettingOf(kPolicies, field);
    return s && WriteSetting(store, *s, static_cast<int>(o.*field));
}

bool SaveRunOption(ProfileStore& store, const RunOptions& o, int RunOptions::*field) {
    const IntSetting* s = SettingOf(kNumbers, field);
    return s && WriteSetting(store, *s, o.*field);
}

bool SaveRunOption(ProfileStore& store, const RunOptions& o, unsigned RunOptions::*field) {
    const IntSetting* s = SettingOf(kUnsignedNumbers, field);
    return s && WriteSetting(store, *s, static_cast<int>(o.*field));
}

bool SaveConfirmationPolicies(ProfileStore& store, const RunOptions& o) {
    return WriteSetting(store, setting::ConfirmationPolicies, PackConfirmationPolicies(o));
}

MissingPolicyChange SetMissingInSource(RunOptions& o, MissingPolicy policy, ProfileStore& store,
                                       Prompter& prompter) {
    MissingPolicyChange change;
    change.policy = o.missingInSource != policy;
    o.missingInSource = policy;
    if (!DeletePriorityAllowed(policy) && o.deletePriority) {
        prompter.Information(LoadText(msg::kDeletePriorityOff));
        o.deletePriority = false;
        change.deletePriority = true;
    } else if (DeletePriorityAllowed(policy) && !o.deletePriority &&
               prompter.YesNo(LoadText(msg::kDeletePriorityOnQuestion))) {
        o.deletePriority = true;
        change.deletePriority = true;
    }
    SaveRunOption(store, o, &RunOptions::missingInSource);
    SaveRunOption(store, o, &RunOptions::deletePriority);
    return change;
}

bool SettleDeletePriority(RunOptions& o) {
    if (DeletePriorityAllowed(o.missingInSource) || !o.deletePriority) return false;
    o.deletePriority = false;
    return true;
}

bool SetMissingInDestination(RunOptions& o, MissingPolicy policy, ProfileStore& store) {
    bool changed = o.missingInDestination != policy;
    o.missingInDestination = policy;
    SaveRunOption(store, o, &RunOptions::missingInDestination);
    return changed;
}

}  // namespace mirrant
