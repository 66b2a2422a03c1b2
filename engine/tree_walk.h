#pragma once
// The walk that decides: it lists a folder and its counterpart, looks at
// each entry, compares the two files (their bytes where the decision needs
// them) and keeps in the run's plan what is to be done with each, in walk
// order, with every line it logs. It changes nothing and asks nothing; the
// executor (engine/plan_executor.h) carries the plan out. One walk per pass.
#include <cstdint>
#include <string>

#include "engine/decision.h"
#include "engine/engine_prompts.h"
#include "engine/entry_filter.h"
#include "engine/file_access.h"
#include "engine/run_context.h"
#include "engine/run_plan.h"
#include "engine/run_state.h"
#include "engine/set_aside.h"
#include "engine/walk_context.h"

namespace mirrant {

// What a walk step tells its caller: go on, or stop the run (interrupted by
// the user, aborted by a failure policy or a prompt, a root gone).
enum class Next { Stop, Go };

struct FolderWalk;
struct FileCase;

// How many files each side held at the start of a run, as the walk met them
// (the files the filter accepted; copy leftovers and the set-aside folder at
// a root are not counted), for the guard against large changes.
struct SideFileCounts {
    std::uint64_t source = 0;
    std::uint64_t destination = 0;
};

class TreeWalk {
public:
    // ctx.log is not used: what the walk logs goes into plan.
    TreeWalk(const WalkContext& context, Progress& progress, RunPlan& plan);

    // Walks the pass's two roots; Stop when the run is to end here (the
    // plan then holds the lines up to that point).
    Next DecidePass(std::uint32_t pass);
    // The source is a file: decided against destination (a folder when
    // destinationIsFolder) by the overwrite rules, as pass `pass`.
    Next DecideSingleFile(std::uint32_t pass, const std::wstring& source, const std::wstring& destination,
                          bool destinationIsFolder);
    // One entry of a folder pair decided again from fresh looks at both
    // sides, into `into` (the executor's, when the facts of an action changed);
    // Stop when the run is to end.
    Next DecideAgain(std::uint32_t pass, const std::wstring& thisFolder, const std::wstring& otherFolder,
                     const std::wstring& name, RunPlan& into);

    // Each side's files: the most that one pass walking that side met
    // (the files below a folder deleted without being walked into
    // included); for a side no pass walks, the files of the other folders'
    // listings (those only while the guard is on).
    SideFileCounts FilesAtStart() const;

private:
    // What the other folder's listing (or a fresh look) holds under a name.
    enum class Other { Absent, File, Folder };

    Next Walk(const std::wstring& thisFolder, const std::wstring& otherFolder, bool otherSeen);
    Next Descend(const std::wstring& name, const std::wstring& t, const std::wstring& o, bool otherSeen,
                 bool keepEmpty);
    bool Interrupted();
    bool ListOther(FolderWalk& walk);
    Next FileEntry(FolderWalk& walk, const ListedEntry& entry);
    Next FileAgainst(FolderWalk& walk, FileCase& f, Other other);
    Next FolderEntry(FolderWalk& walk, const ListedEntry& entry);
    Next FolderAgainst(FolderWalk& walk, const ListedEntry& entry, Other other);
    Next BothFiles(FileCase& f);
    Next MissingFolder(const ListedEntry& entry, const std::wstring& t, const std::wstring& o);
    void Keep(const FileCase& f, const Decision& d, const std::wstring& detail = {});
    Next LookFailed(FolderWalk& walk, const std::wstring& path, const std::wstring& counterpart,
                    const EntryLook& look, bool otherSide);

    WalkContext ctx_;
    Progress& progress_;
    RunPlan* plan_;
    PlanLog log_;
    WalkGuards guards_;
    WalkReports reports_;
    PassInfo pass_;  // the pass being decided
    // What the walk met of each side, for FilesAtStart.
    std::uint64_t passFiles_ = 0;  // this side's files in the pass being decided
    std::uint64_t walkedFiles_[2] = {0, 0};
    bool walked_[2] = {false, false};
    std::uint64_t listedFiles_[2] = {0, 0};
};

}  // namespace mirrant
