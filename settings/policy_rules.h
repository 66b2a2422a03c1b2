#pragma once
// The rules that keep the missing-item policies in step with the filter's
// destination modes: silently at start-up, with their messages after the
// filter settings changed.
#include "settings/run_options.h"

namespace mirrant {

class ProfileStore;
class Prompter;

// The filter modes that the option rules depend on.
struct FilterModes {
    bool destinationOnly = false;
    bool protectDestination = false;
};

// The silent start-up rules: forces Ignore where the filter modes demand it
// and switches delete priority off unless missingInSource is Delete; writes
// back what changed. True when something changed.
bool ApplyStartupConsistency(RunOptions& o, FilterModes modes, ProfileStore& store);
// The rules after the filter sheet closed with OK, with their messages.
void ApplyFilterConsistency(RunOptions& o, FilterModes modes, ProfileStore& store, Prompter& prompter);

}  // namespace mirrant
