#pragma once
// The guard against large changes: before a run changes anything, it counts
// from the run's own plan, for each side, the files the plan would delete
// (those below a folder it deletes included) and the files it would replace
// with other content, against the files that side held at the start. A side
// whose count is more than the limit's share of its files, and at least the
// minimum, trips the guard: unattended, the run stops with nothing changed;
// from the window, the user is asked first; in test mode, the verdict is
// logged. Questions in the plan are not counted (the user answers each), nor
// copies of new files, re-stamps or anything a single-file run does.
#include <cstdint>

#include "engine/engine_prompts.h"
#include "engine/run_plan.h"
#include "engine/run_state.h"
#include "engine/tree_walk.h"
#include "settings/run_options.h"

namespace mirrant {

class LogSink;

struct GuardSide {
    std::uint64_t files = 0;    // the side's files at the start
    std::uint64_t changed = 0;  // the files the plan deletes or replaces there
    bool trips = false;
};

struct GuardVerdict {
    GuardSide source;
    GuardSide destination;
    bool trips() const { return source.trips || destination.trips; }
};

// Whether changed files of a side of `files` trip limits of percent and
// minimum: more than percent % of the side's files, and at least minimum.
bool GuardTrips(std::uint64_t changed, std::uint64_t files, int percent, int minimum);

// The counts of a plan the walk decided to its end; reverseMarks of state as
// they stand after deciding tell which copies back replace a source file.
GuardVerdict JudgePlan(const RunPlan& plan, const RunState& state, const SideFileCounts& files,
                       const RunOptions& options);

enum class GuardOutcome {
    Go,        // carried out as decided: the guard did not trip, the user said Yes, or a test
    Stopped,   // unattended: stopped, an error line says why and how to go on
    Declined,  // the user answered No: ended as interrupted by the user
};

// What a tripped guard does in this run, with its lines and its question
// (Yes/No, No preselected).
GuardOutcome ApplyGuard(const GuardVerdict& verdict, const RunOptions& options, bool unattended, bool testMode,
                        EnginePrompter& prompter, LogSink& log);

}  // namespace mirrant
