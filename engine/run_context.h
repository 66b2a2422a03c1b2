#pragma once
// Everything one run works with, handed to the worker as one value when the
// run starts: the request (mode, paths, batch position, schedule mode), the
// options it runs with (its own copy), the filter, the file system, the
// prompts, the progress display and the log. The worker reaches the user only
// through the prompts and the progress display; it keeps no window handle.
// When it is done it hands back a RunOutcome, and the end of the run (log
// file, result window, batch continuation) happens on the user-interface
// thread.
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "engine/engine_prompts.h"
#include "engine/entry_filter.h"
#include "engine/run_tally.h"
#include "settings/run_options.h"

namespace mirrant {

class FileAccess;
class LogSink;
class Progress;

enum class RunMode : int {
    OverwriteTest = 0,
    Overwrite = 1,
    SyncTest = 2,
    Sync = 3,
    SyncDeletePriority = 4,
};

struct RunRequest {
    RunMode mode = RunMode::Overwrite;
    std::wstring sourcePath;
    std::wstring destinationPath;
    int rowsAfter = 0;       // batch rows still waiting after this run
    bool scheduled = false;  // unattended (schedule) mode
};

// The three policies the per-item choice can change for good while a run is
// under way ("以後、…を、上の設定に変更する"). The worker records a change
// here (the settings module has stored it); the window takes it over into its own
// options when the run has ended. The one path by which a running worker
// changes a setting, safe from any thread.
struct MissingPolicies {
    MissingPolicy missingInDestination = MissingPolicy::Copy;
    MissingPolicy missingInSource = MissingPolicy::Delete;
    bool deletePriority = true;
    bool operator==(const MissingPolicies&) const = default;
    static MissingPolicies Of(const RunOptions& options);
};

class PolicyChanges {
public:
    // Worker thread: the run's options after the change (already stored).
    void Record(const RunOptions& changed);
    // User-interface thread: applies the last recorded change to options;
    // false when there was none.
    bool TakeInto(RunOptions& options);

private:
    std::mutex mutex_;
    std::optional<MissingPolicies> pending_;
};

struct RunContext {
    RunContext(RunRequest request, const RunOptions& options, std::shared_ptr<const EntryFilter> filter,
               FileAccess& files, EnginePrompter& prompts, Progress& progress, LogSink& log,
               PolicyChanges* policyChanges = nullptr)
        : request(std::move(request)), options(options), filter(std::move(filter)), files(files),
          prompts(prompts), progress(progress), log(log), policyChanges(policyChanges) {}

    RunRequest request;
    RunOptions options;  // the run's own copy; the per-item choice may change it
    std::shared_ptr<const EntryFilter> filter;
    FileAccess& files;
    EnginePrompter& prompts;
    Progress& progress;
    LogSink& log;
    PolicyChanges* policyChanges;  // null: changes stay within this run
};

// How a run ended, handed from the worker to the user-interface thread.
struct RunOutcome {
    bool completed = false;
    // The user was already told in a box why the run could not go on (an
    // empty box, a folder onto a file): the log file is written, but no
    // result window follows.
    bool toldInBox = false;
    // The run logged at least one line.
    bool loggedAnything = false;
    // Unattended, the guard against large changes stopped the run before it
    // changed anything (completed is false); a batch goes on with its next row.
    bool stoppedByGuard = false;
    // The paths as the run checked and resolved them, for the boxes; empty
    // when the run ended before its root checks.
    std::wstring sourcePath;
    std::wstring destinationPath;
    // What the run did, and whether its summary was logged.
    RunTally tally;
    bool summarized = false;
};

}  // namespace mirrant
