#pragma once
// The recursive walk that compares one folder with its counterpart and
// decides per entry: copy, re-stamp, record for a later pass, mark for
// copying back, hand to the missing-item policies, or leave. One walk per
// pass; the run driver sets the pass flags in the engine state.
#include <optional>
#include <string>

#include "engine/engine_prompts.h"
#include "engine/entry_filter.h"
#include "engine/failure_policy.h"
#include "engine/file_access.h"
#include "engine/run_context.h"
#include "engine/run_state.h"
#include "engine/set_aside.h"

namespace mirrant {

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
};

// The per-process memory of the per-item choice: the last radio choice per
// side (initially copy for the destination side, delete for the source side).
int RememberedItemChoice(MissingSide side);
void RememberItemChoice(MissingSide side, int choice);
void ResetItemChoiceMemory();  // program start (and tests)

// What a walk step tells its caller: go on, or stop the run (interrupted by
// the user, aborted by a failure policy or a prompt).
enum class Next { Stop, Go };

class TreeWalk {
public:
    TreeWalk(const WalkContext& context, Progress& progress);

    // Walks thisFolder against otherFolder (both with a trailing backslash).
    Next CompareFolder(const std::wstring& thisFolder, bool thisExists, const std::wstring& otherFolder);

    // The source is a file: copies it into destination (a folder when
    // destinationIsFolder) by the overwrite rules.
    Next RunSingleFile(const std::wstring& source, const std::wstring& destination, bool destinationIsFolder);

    // The per-item choice for an item one side lacks: the policy chosen
    // (copy, delete or leave), none when the user interrupted the run
    // (missing_items.cpp, beside MissingFile and MissingFolder).
    std::optional<MissingPolicy> AskMissing(MissingSide side, bool isFolder, const std::wstring& thisPath, const std::wstring& otherPath);

private:
    struct FolderWalk;
    struct FileCase;
    enum class Content { Equal, Differ, Failed, Interrupted };
    enum class Pair { ThisNewer, SameTimeOtherSize, SameTimeSameSize, OtherNewer };
    enum class FolderReady { Ready, Skipped, Stop };

    enum class OtherListing { Known, Unknown };
    // What the other folder's listing holds under a name.
    enum class Listed { Absent, File, Folder, Unknown };

    Next Walk(const std::wstring& thisFolder, const std::wstring& otherFolder, bool otherSeen);
    bool Interrupted();
    bool Forward() const { return ctx_.state.forwardPass; }
    bool Test() const { return ctx_.state.testMode; }

    Content CompareContents(const std::wstring& a, const std::wstring& b, std::wstring& cause);
    Next FileEntry(FolderWalk& walk, const ListedEntry& entry);
    Pair ComparePair(const FileCase& f) const;
    Next BothFiles(FolderWalk& walk, FileCase& f);
    Next ThisNewer(FolderWalk& walk, FileCase& f);
    Next SizesDiffer(FolderWalk& walk, FileCase& f);
    Next ByContent(FolderWalk& walk, FileCase& f, bool otherNewer);
    Next ReportByContent(const FolderWalk& walk, const FileCase& f, bool otherNewer, Content content,
                         const std::wstring& reason);
    Next NewerOtherDiffers(FolderWalk& walk, FileCase& f);
    Next Act(FolderWalk& walk, FileCase& f, Pair pair);
    Next Copy(FolderWalk& walk, FileCase& f);
    FolderReady EnsureOtherFolder(FolderWalk& walk);
    Next SetTimeOfOther(FileCase& f);
    Next FolderEntry(FolderWalk& walk, const ListedEntry& entry);
    // An item the other side lacks, by the missing-item policies.
    Next MissingFile(FolderWalk& walk, FileCase& f);
    Next MissingFolder(FolderWalk& walk, const std::wstring& t, const std::wstring& o, bool isLink);
    Next CreateFolderAndDescend(FolderWalk& walk, const std::wstring& t, const std::wstring& o);
    Next DeleteFolder(FolderWalk& walk, const std::wstring& t, bool isLink);
    bool MovesAside() const { return ctx_.setAside && ctx_.setAside->moves(); }
    bool RemoveFile(const std::wstring& t, std::wstring& failureLine);
    bool RemoveFolderTree(const std::wstring& t, bool isLink, unsigned& remaining, bool& refused);
    void WouldSetAside(const std::wstring& path, bool folder = false);
    void AfterAction(FolderWalk& walk);
    bool OtherSideStillThere(const FolderWalk& walk);
    bool Reachable(const std::wstring& t, const std::wstring& o);
    void RemoveLeftover(const std::wstring& path);
    void SweepLeftovers(FolderWalk& walk);
    OtherListing ListOtherFolder(FolderWalk& walk);
    OtherListing EnsureOtherListed(FolderWalk& walk);
    Listed OtherEntry(FolderWalk& walk, const std::wstring& name);
    bool AtRoot(const FolderWalk& walk) const;
    bool IsUnknownItem(const std::wstring& t, const std::wstring& o) const;
    void LeaveAlone(const std::wstring& t, const std::wstring& o);
    Next LookFailed(FolderWalk& walk, const std::wstring& path, const std::wstring& counterpart,
                    const EntryLook& look, bool otherSide);
    Next KindsDiffer(const std::wstring& t, const std::wstring& o);
    void ReportReservedName(const std::wstring& path);
    bool HoldsARoot(const std::wstring& folder) const;
    bool HoldsUnknown(const std::wstring& folder) const;
    bool SideIsSource(bool thisSide) const { return thisSide == Forward(); }
    void ReportUnknown(const std::wstring& unknown, bool unknownIsSource, const std::wstring& cause,
                       const std::wstring& counterpart);
    bool LinkLoopsBack(const FolderWalk& walk, const std::wstring& link);

    WalkContext ctx_;
    Progress& progress_;
    FailureHandler failures_;
    std::wstring rootFolder_;  // where this pass's walk started
};

}  // namespace mirrant
