#pragma once
// The checks of a run's two roots before its walk starts: each must start
// with a drive or a share, be reachable (a drive or share that is not ready
// yet is waited for, with a countdown), and be a folder or a file; a missing
// destination root folder is created. The file operations only look and
// report; the folder failure policy, the log lines and the questions are
// decided here.
#include <string>

#include "fileops/path_rules.h"

namespace mirrant {

class LogSink;
class Progress;
class Prompter;
struct RunOptions;

enum class RootSide : int { Source = 1, Destination = 2 };

// One root of a run as the search takes it and leaves it.
struct RootRequest {
    RootSide side = RootSide::Source;
    std::wstring path;           // as typed; as found afterwards (a folder ends in a backslash)
    bool isFolder = false;       // found: the root is a folder
    bool otherIsFolder = false;  // the destination's search: the source root is a folder
    bool testMode = false;       // nothing is created
};

// What the root checks work with: the run's options, progress window, log
// and prompts, and where a path they rewrote is shown again (the main
// window's box; may be empty).
struct RootServices {
    const RunOptions& options;
    Progress& progress;
    LogSink& log;
    Prompter& prompter;
    PathDisplay show = {};
};

// True when the path starts with a drive or a share ("C:" becomes "C:\" and
// is shown again). Otherwise logs msg::kAmbiguousPath as an error line,
// shows it as a warning when other errors are confirmed, and returns false.
bool CheckDriveOrShare(std::wstring& path, const RootServices& run);

// Searches a run's root, waiting up to options.rootWaitSeconds for a drive
// or share that is not ready, with a countdown in the progress window.
// Decides folder or file (a folder root gets its trailing backslash), creates
// a missing destination root folder (after resolving a drive-relative path,
// which is shown again), and reports every failure by
// options.folderFailurePolicy: logged as an error line, then skipped,
// aborted, or shown with the question "再試行しますか？". False when the run
// must not go on.
bool SearchRoot(RootRequest& root, const RootServices& run);

}  // namespace mirrant
