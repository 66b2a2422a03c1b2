#pragma once
// Bringing set-aside files back. A folder's set-aside folder
// (<root>\_Mirrant退避\) holds one dated run folder per run that deleted or
// replaced files there; a restore moves files of those run folders back to
// their places below the root:
//   - chosen files of one run folder, or all of its files;
//   - or the folder "as of" a moment: for each path, the version in the
//     earliest run folder dated after that moment. Paths that no run folder
//     after it holds are left alone, and nothing else changes.
// A restore never deletes anything and never loses the current file: a file
// it would replace is first moved aside itself, by the same code a run uses,
// into a new dated run folder, so that restoring that folder undoes the
// restore. A restored file comes back by a rename, with its set-aside time
// stamp; the folders of a run folder that a restore leaves empty are removed.
// A restore is a run of its own kind: it runs on a worker with the progress
// window, the run log and the result window; in test mode it only logs what
// it would restore.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/file_access.h"
#include "engine/run_context.h"
#include "engine/run_driver.h"
#include "settings/run_options.h"

namespace mirrant {

class LogSink;
class Progress;

// One dated run folder of a root's set-aside folder.
struct SetAsideRun {
    std::wstring name;   // "2026-12-07_230000" (or with "_2" behind it)
    SYSTEMTIME start{};  // the local time its name tells
    unsigned files = 0;
    std::uint64_t bytes = 0;
};

// One file of a run folder: its path below the root and its stamp.
struct SetAsideFile {
    std::wstring relative;
    FileStamp stamp;
};

// <root>\_Mirrant退避\ (root with its trailing backslash).
std::wstring SetAsideFolderOf(const std::wstring& root);

// The run folders of root's set-aside folder, newest first, each with its
// files counted and sized; names that are not dated are not run folders.
// False with the system's cause when the set-aside folder is there but
// cannot be listed, or one of its run folders (failedFolder, when given,
// names the folder); true with no runs when there is none.
bool ListSetAsideRuns(FileAccess& files, const std::wstring& root, std::vector<SetAsideRun>& runs,
                      std::wstring& cause, std::wstring* failedFolder = nullptr);
// The files of one run folder in order of their paths.
bool ListSetAsideFiles(FileAccess& files, const std::wstring& root, const std::wstring& run,
                       std::vector<SetAsideFile>& out, std::wstring& cause);

enum class RestoreWay {
    Selected,  // the chosen files of one run folder
    WholeRun,  // every file of one run folder
    AsOf,      // the whole folder as it was at a moment
};

struct RestoreRequest {
    RestoreWay way = RestoreWay::Selected;
    std::wstring root;                // the folder below which files come back
    std::wstring run;                 // the run folder's name (Selected, WholeRun)
    std::vector<std::wstring> files;  // paths below the root (Selected)
    SYSTEMTIME asOf{};                // local time (AsOf)
    bool testMode = false;            // logs what it would restore, moves nothing
};

// One file to bring back: where it lies in its run folder, and its place.
struct RestoreItem {
    std::wstring from;    // the set-aside file
    std::wstring to;      // its place below the root
    std::wstring run;     // the run folder it comes from
    FileStamp stamp;
};

// What a restore of this request brings back, in order of the places.
// runs: the root's run folders as ListSetAsideRuns gives them. False when a
// run folder it needs cannot be listed (failedFolder and cause say which
// and why): "as of" never takes a later version for one it could not read.
bool PlanRestore(FileAccess& files, const RestoreRequest& request, const std::vector<SetAsideRun>& runs,
                 std::vector<RestoreItem>& items, std::wstring& failedFolder, std::wstring& cause);

struct RestoreContext {
    RestoreContext(RestoreRequest request, const RunOptions& options, FileAccess& files, Progress& progress,
                   LogSink& log)
        : request(std::move(request)), options(options), files(files), progress(progress), log(log) {}
    RestoreRequest request;
    RunOptions options;
    FileAccess& files;
    Progress& progress;
    LogSink& log;
};

// The progress window's title of a restore.
std::wstring RestoreCaption(bool testMode);

// The restore itself, on the worker thread (tests call it directly). A root
// without run folders is refused with an error line; a file that cannot come
// back is an error line and the rest go on.
RunOutcome PerformRestore(RestoreContext& context);

// Starts the worker of a restore, as StartWorker does for a run; onEnd gets
// the outcome on the worker thread.
bool StartRestoreWorker(std::unique_ptr<RestoreContext> context, RunEndHandler onEnd, unsigned long& error);

}  // namespace mirrant
