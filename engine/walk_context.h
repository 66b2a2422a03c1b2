#pragma once
// What the walk that decides and the executor that acts share: the run's
// context, its two roots, and the guards both check, the walk when it
// decides and the executor again before it deletes.
#include <string>

#include "engine/engine_prompts.h"
#include "engine/entry_filter.h"
#include "engine/file_access.h"
#include "engine/run_context.h"
#include "engine/run_tally.h"
#include "engine/run_state.h"
#include "engine/set_aside.h"

namespace mirrant {

class LogSink;

// What a run knows of its two roots, for the checks that keep a walk from
// deleting on the word of a root that is gone and from walking into itself.
struct RunRoots {
    std::wstring source;
    std::wstring destination;
    FolderId sourceId;
    FolderId destinationId;
    bool idsKnown = false;
    // The destination root when it lies inside the source: the forward walk
    // passes it by.
    std::wstring skipInSource;
};

struct WalkContext {
    RunMode mode;
    RunOptions& options;  // the run's own copy
    RunState& state;
    const EntryFilter& filter;
    FileAccess& files;
    EnginePrompter& prompter;
    LogSink& log;
    PolicyChanges* policyChanges = nullptr;  // where a lasting policy change goes
    bool unattended = false;                 // no one answers: questions get their safe answer
    const RunRoots* roots = nullptr;         // null: the root checks are off
    SetAside* setAside = nullptr;            // null: what the run deletes or replaces is gone
    RunTally* tally = nullptr;               // what the run did (test mode: would do); null: not counted
};

// One more of what field counts, when the run counts.
inline void Tally(const WalkContext& context, std::uint64_t RunTally::*field, std::uint64_t n = 1) {
    if (context.tally) context.tally->*field += n;
}

class WalkGuards {
public:
    explicit WalkGuards(const WalkContext& context) : ctx_(context) {}

    // A folder that holds one of the run's roots (the destination nested
    // deeper inside the source) is never deleted, moved aside or taken as
    // missing.
    bool HoldsARoot(const std::wstring& folder) const;
    // A folder tree that holds a folder or an item whose contents are
    // unknown is not deleted: it may hold what the run could not see.
    bool HoldsUnknown(const std::wstring& folder) const;
    // Entries left alone with their counterparts for the rest of the run.
    bool IsUnknownItem(const std::wstring& t, const std::wstring& o) const;
    void LeaveAlone(const std::wstring& t, const std::wstring& o);
    // Before an item is deleted because the other side lacks it: the other
    // side's root must still be the folder the run started with, and
    // otherFolder must still be there; otherwise the vanished-root line.
    bool OtherSideStillThere(const std::wstring& otherFolder, bool sourceIsOther, LogSink& log);
    // A name this program cannot reach on either side: reported, left alone.
    bool Reachable(const std::wstring& t, const std::wstring& o, LogSink& log);
    // A folder link that leads to thisFolder or one of its parents.
    bool LinkLoopsBack(const std::wstring& thisFolder, const std::wstring& link);

private:
    const WalkContext& ctx_;
};

// The lines of the walk for what it cannot decide, each leaving what it
// names alone for the rest of the run: a folder that cannot be listed, an
// entry whose look fails, a file against a folder of one name, the
// set-aside folder's name at a root.
class WalkReports {
public:
    WalkReports(RunState& state, WalkGuards& guards, LogSink& log) : state_(state), guards_(guards), log_(log) {}
    void UnknownFolder(const std::wstring& unknown, bool unknownIsSource, const std::wstring& cause,
                       const std::wstring& counterpart);
    void LookFailed(const std::wstring& path, const std::wstring& counterpart, const std::wstring& cause);
    void KindsDiffer(const std::wstring& t, const std::wstring& o);
    void ReservedName(const std::wstring& path);

private:
    RunState& state_;
    WalkGuards& guards_;
    LogSink& log_;
};

// An item as the unknown items are kept: a folder without its backslash,
// so that a file and a folder of one name are one item.
std::wstring ItemKey(const std::wstring& path);

}  // namespace mirrant
