#include "settings/policy_rules.h"

#include "framework/profile.h"
#include "framework/prompts.h"
#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

namespace {

void WritePolicies(const RunOptions& o, ProfileStore& store) {
    SaveRunOption(store, o, &RunOptions::deletePriority);
    SaveRunOption(store, o, &RunOptions::missingInSource);
    SaveRunOption(store, o, &RunOptions::missingInDestination);
}

}  // namespace

bool ApplyStartupConsistency(RunOptions& o, FilterModes modes, ProfileStore& store) {
    RunOptions before = o;
    if (modes.destinationOnly) o.missingInDestination = MissingPolicy::Ignore;
    if (modes.destinationOnly && modes.protectDestination) o.missingInSource = MissingPolicy::Ignore;
    SettleDeletePriority(o);
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
    MissingPolicy source = o.missingInSource;
    if (modes.destinationOnly && modes.protectDestination) {
        if (source != MissingPolicy::Ignore) {
            prompter.Information(LoadText(IDS_MISSING_SRC_TO_IGNORE));
            source = MissingPolicy::Ignore;
        }
    } else if (source == MissingPolicy::Ignore && prompter.YesNo(LoadText(IDS_MISSING_SRC_ASK_DELETE))) {
        source = MissingPolicy::Delete;
    }
    // Delete priority follows the policy, with its own messages; this also
    // writes both of them.
    SetMissingInSource(o, source, store, prompter);
    SaveRunOption(store, o, &RunOptions::missingInDestination);
}

}  // namespace mirrant
