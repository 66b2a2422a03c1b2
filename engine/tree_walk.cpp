#include "engine/tree_walk.h"

#include <windows.h>

#include <optional>
#include <unordered_set>
#include <vector>

#include "engine/walk_parts.h"
#include "fileops/file_copy.h"
#include "fileops/path_rules.h"
#include "framework/log_sink.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

constexpr unsigned long kErrorFileNotFound = 2;
constexpr unsigned long kErrorAlreadyExists = 183;

// "%s" arguments of msg::kSameTimeDifferentSize: the byte count and the unit in parentheses.
std::wstring ByteCount(std::uint64_t size, std::wstring& unit) {
    std::wstring count = FormatSizeText(size, unit);
    if (!unit.empty()) unit = L"(" + unit + L")";
    return count;
}

std::wstring WithCause(unsigned id, const std::wstring& path, const std::wstring& cause) {
    std::wstring text = Message(id, {path});
    if (!cause.empty()) text += LoadText(IDS_CAUSE) + cause;
    return text;
}

// An item as the unknown items are kept: a folder without its backslash,
// so that a file and a folder of one name are one item.
std::wstring ItemKey(const std::wstring& path) {
    if (!path.empty() && path.back() == L'\\') return path.substr(0, path.size() - 1);
    return path;
}

}  // namespace

TreeWalk::TreeWalk(const WalkContext& context, Progress& progress)
    : ctx_(context), progress_(progress), failures_(context.options, context.prompter, context.log, progress) {}

bool TreeWalk::Interrupted() {
    if (!StopRequested(progress_)) return false;
    ctx_.log.AppendLine(LoadText(msg::kInterrupted));
    return true;
}

void TreeWalk::AfterAction(FolderWalk& walk) {
    progress_.Reset();
    progress_.Show(walk.thisFolder, level::Folder);
}

Next TreeWalk::CompareFolder(const std::wstring& thisFolder, bool thisExists, const std::wstring& otherFolder) {
    if (!thisExists) return Next::Stop;
    if (rootFolder_.empty()) rootFolder_ = thisFolder;  // the pass starts at its root
    return Walk(thisFolder, otherFolder, false);
}

Next TreeWalk::Walk(const std::wstring& thisFolder, const std::wstring& otherFolder, bool otherSeen) {
    // Reported when it was first met; its counterpart stays as it is.
    const PathSet& unknown = ctx_.state.unknownFolders;
    if (unknown.Contains(thisFolder) || unknown.Contains(otherFolder)) return Next::Go;
    progress_.Show(thisFolder, level::Folder);
    // The whole listing comes first: a folder that cannot be listed to its
    // end is unknown, and nothing in it or its counterpart is decided.
    std::vector<ListedEntry> entries;
    unsigned long error = 0;
    std::wstring cause;
    bool listed = ListFolder(ctx_.files, thisFolder, entries, error, cause);
    if (!listed) {
        // An empty drive root has no entries at all, and a folder that is not
        // there (the destination root of a test run) has none either.
        if (error != kErrorFileNotFound &&
            (Forward() || (!Test() && ctx_.options.copyEmptyFolders) || ctx_.files.IsFolder(thisFolder))) {
            ReportUnknown(thisFolder, SideIsSource(true), cause, otherFolder);
        }
        return Next::Go;
    }
    FolderWalk walk{thisFolder, otherFolder};
    walk.otherSeen = otherSeen;
    // The other folder is read before anything in this one is decided, so
    // that a counterpart that cannot be read leaves the whole folder alone.
    if (!entries.empty() && EnsureOtherListed(walk) == OtherListing::Unknown) return Next::Go;
    for (const ListedEntry& entry : entries) {
        Next r = entry.isFolder ? FolderEntry(walk, entry) : FileEntry(walk, entry);
        if (r == Next::Stop || Interrupted()) return Next::Stop;
        if (walk.otherUnknown) break;
    }
    return Next::Go;
}

// A folder that cannot be listed: one error line in the shape of the
// source's listing message with the side named, and one line saying that
// nothing under it or its counterpart is touched for the rest of the run.
void TreeWalk::ReportUnknown(const std::wstring& unknown, bool unknownIsSource, const std::wstring& cause,
                             const std::wstring& counterpart) {
    ctx_.state.unknownFolders.Add(unknown);
    if (unknownIsSource) {
        ctx_.log.AppendError(Message(msg::kListingFailed, {unknown, cause}));
    } else {
        const std::wstring named = LoadText(IDS_FILEOPS_DESTINATION_LABEL) + L"\"" + unknown + L"\"";
        ctx_.log.AppendError(Message(msg::kSearchFailed, {named, cause}));
    }
    ctx_.log.AppendLine(Message(IDS_UNKNOWN_FOLDER_LEFT, {unknown, counterpart}));
}

Next TreeWalk::FileEntry(FolderWalk& walk, const ListedEntry& entry) {
    FileCase f;
    f.t = walk.thisFolder + entry.name;
    f.o = walk.otherFolder + entry.name;
    if (entry.copyTemporary) {
        // The program's own, never part of either tree.
        if (!Test()) RemoveLeftover(f.t);
        return Next::Go;
    }
    if (!Reachable(f.t, f.o)) return Next::Go;
    if (AtRoot(walk) && IsSetAsideFolderName(entry.name)) {
        ReportReservedName(f.t);
        return Next::Go;
    }
    if (IsUnknownItem(f.t, f.o)) return Next::Go;
    if (ctx_.mode == RunMode::SyncDeletePriority && ctx_.state.executePhase) {
        // The search passes chose the files; the filter was asked then.
        if (!ctx_.state.pendingActions.Contains(f.t)) return Next::Go;
    } else if (!ctx_.filter.Accept(entry.name, false, entry.stamp.creation, entry.stamp.write)) {
        return Next::Go;
    }
    progress_.Show(f.t, level::File);
    f.thisStamp = entry.stamp;
    if (entry.isLink) {
        // A link's own times are not its file's: the file it leads to is
        // looked at, and one that cannot be looked at is left alone.
        const EntryLook self = ctx_.files.LookAt(f.t);
        if (self.found != Found::File) return LookFailed(walk, f.t, f.o, self, false);
        f.thisStamp = self.stamp;
    }
    switch (OtherEntry(walk, entry.name)) {
    case Listed::Unknown: return Next::Go;
    case Listed::Folder: return KindsDiffer(f.t, walk.otherFolder + entry.name + L"\\");
    case Listed::File: {
        // Listed there: a look that finds nothing or gets no answer is no
        // absence, and only two files are compared.
        const EntryLook other = ctx_.files.LookAt(f.o);
        if (other.found == Found::Folder) return KindsDiffer(f.t, f.o + L"\\");
        if (other.found != Found::File) return LookFailed(walk, f.o, f.t, other, true);
        f.otherExisted = true;
        return BothFiles(walk, f);
    }
    case Listed::Absent: break;
    }
    f.otherAbsent = true;
    if (!ctx_.filter.DestinationOnly() || (!Forward() && !ctx_.filter.ProtectDestination()))
        return MissingFile(walk, f);
    return Next::Go;
}

TreeWalk::Content TreeWalk::CompareContents(const std::wstring& a, const std::wstring& b, std::wstring& cause) {
    cause.clear();
    if (ctx_.files.CompareFileContents(a, b, progress_, ctx_.log, cause)) return Content::Equal;
    if (!cause.empty()) return Content::Failed;
    if (progress_.CancelRequested()) return Content::Interrupted;
    return Content::Differ;
}

// How two files that both exist compare: by time within the tolerance, then
// by size. Each outcome has its own rules below.
TreeWalk::Pair TreeWalk::ComparePair(const FileCase& f) const {
    switch (CompareTimes(f.thisStamp.write, f.otherStamp.write, ctx_.options.timeToleranceSeconds)) {
    case TimeOrder::ThisNewer: return Pair::ThisNewer;
    case TimeOrder::OtherNewer: return Pair::OtherNewer;
    case TimeOrder::Same: break;
    }
    return f.thisStamp.size == f.otherStamp.size ? Pair::SameTimeSameSize : Pair::SameTimeOtherSize;
}

Next TreeWalk::BothFiles(FolderWalk& walk, FileCase& f) {
    // The other file's times and size.
    for (;;) {
        if (ctx_.files.GetFileInfo(f.o, f.otherStamp, progress_, ctx_.log)) break;
        if (progress_.CancelRequested()) return Next::Stop;  // the interrupt is logged already
        FailureAction a = failures_.Handle(Message(msg::kTimeReadFailed, {f.o}), FailureClass::Write,
                                           PromptShape::SkipRetryAbort);
        if (a == FailureAction::Skip) return Next::Go;
        if (a == FailureAction::Abort) return Next::Stop;
    }
    switch (ComparePair(f)) {
    case Pair::ThisNewer: return ThisNewer(walk, f);
    case Pair::SameTimeOtherSize: return SizesDiffer(walk, f);
    case Pair::SameTimeSameSize:
        if (ctx_.options.sameTimeSameSizeIsSame) return Next::Go;
        return ByContent(walk, f, false);
    case Pair::OtherNewer: return ByContent(walk, f, true);
    }
    return Next::Go;
}

// This side is newer: copied over the other (test mode reports it).
Next TreeWalk::ThisNewer(FolderWalk& walk, FileCase& f) {
    if (!Test()) return Act(walk, f, Pair::ThisNewer);
    if (!Forward()) return Next::Go;
    ctx_.log.AppendLine(Message(msg::kOlderThan, {f.o, f.t}));
    if (ctx_.options.keepIfSameContent) {
        std::wstring cause;
        switch (CompareContents(f.t, f.o, cause)) {
        case Content::Equal: ctx_.log.AppendLine(Message(msg::kSameContent, {f.o, f.t})); return Next::Go;
        case Content::Interrupted: return Next::Stop;
        case Content::Failed: ctx_.log.AppendError(Message(msg::kCompareReadError, {f.o, f.t, cause})); break;
        case Content::Differ: ctx_.log.AppendLine(Message(msg::kDifferentContent, {f.o, f.t})); break;
        }
    }
    WouldSetAside(f.o);
    return Next::Go;
}

// The same time within the tolerance but other sizes: reported, and copied
// forward (after a question when the options ask for one).
Next TreeWalk::SizesDiffer(FolderWalk& walk, FileCase& f) {
    const RunOptions& o = ctx_.options;
    std::wstring thisUnit, otherUnit;
    std::wstring thisCount = ByteCount(f.thisStamp.size, thisUnit);
    std::wstring otherCount = ByteCount(f.otherStamp.size, otherUnit);
    std::wstring text = Message(msg::kSameTimeDifferentSize, {f.t, thisCount, thisUnit, f.o, otherCount, otherUnit});
    if (Test()) {
        if (Forward()) {
            ctx_.log.AppendLine(text);
            WouldSetAside(f.o);
        }
        return Next::Go;
    }
    if (!ctx_.state.executePhase) return Forward() ? Act(walk, f, Pair::SameTimeOtherSize) : Next::Go;
    if (!Forward()) return Next::Go;
    ctx_.log.AppendLine(text);
    if (o.confirmSameTimeDifferentSize && ctx_.unattended) {
        ctx_.log.AppendLine(Message(IDS_UNATTENDED_NOT_COPIED, {f.t}));
        return Next::Go;
    }
    if (o.confirmSameTimeDifferentSize && !ctx_.prompter.YesNo(text + LoadText(IDS_COPY_FORMER_TO_LATTER)))
        return Next::Go;
    return Act(walk, f, Pair::SameTimeOtherSize);
}

// The other side is newer, or the same time and size leave it to the
// contents: only the forward pass decides.
Next TreeWalk::ByContent(FolderWalk& walk, FileCase& f, bool otherNewer) {
    RunState& st = ctx_.state;
    if (!Forward()) return Next::Go;
    if (!st.executePhase && otherNewer) {
        st.pendingActions.Add(f.t);
        st.workFound = true;
        return Next::Go;
    }
    std::wstring reason;
    Content content = Content::Differ;
    if (f.thisStamp.size == f.otherStamp.size) content = CompareContents(f.t, f.o, reason);
    if (content == Content::Interrupted) return Next::Stop;
    if (Test()) return ReportByContent(walk, f, otherNewer, content, reason);

    switch (content) {
    case Content::Equal: return otherNewer ? SetTimeOfOther(f) : Next::Go;
    case Content::Failed:
        ctx_.log.AppendError(Message(msg::kCompareReadError, {f.o, f.t, reason}));
        return Next::Go;
    case Content::Differ:
    case Content::Interrupted: break;
    }
    if (!otherNewer) return Act(walk, f, Pair::SameTimeSameSize);
    return NewerOtherDiffers(walk, f);
}

// Test mode: what the run would do with two files compared by content.
Next TreeWalk::ReportByContent(const FolderWalk& walk, const FileCase& f, bool otherNewer, Content content,
                               const std::wstring& reason) {
    const RunOptions& o = ctx_.options;
    switch (content) {
    case Content::Equal:
        if (otherNewer) {
            ctx_.log.AppendLine(Message(msg::kNewerThan, {f.o, f.t}));
            ctx_.log.AppendLine(Message(msg::kSameContent, {f.o, f.t}));
        }
        return Next::Go;
    case Content::Failed:
        if (otherNewer) ctx_.log.AppendLine(Message(msg::kNewerThan, {f.o, f.t}));
        ctx_.log.AppendError(Message(msg::kCompareReadError, {f.o, f.t, reason}));
        return Next::Go;
    case Content::Differ:
    case Content::Interrupted: break;
    }
    if (otherNewer && !o.confirmNewerDestination && !walk.singleFile) {
        const bool back = ctx_.mode == RunMode::SyncTest && o.reverseOverwriteNewer;
        ctx_.log.AppendLine(Message(back ? msg::kReverseOverwriteNewer : msg::kOverwriteNewer, {f.t, f.o}));
        WouldSetAside(back ? f.t : f.o);
        return Next::Go;
    }
    if (otherNewer) ctx_.log.AppendLine(Message(msg::kNewerThan, {f.o, f.t}));
    // The same time and size with other bytes: what a check of a backup
    // looks for (a copy damaged on its disk, or torn), so an error.
    if (otherNewer) ctx_.log.AppendLine(Message(msg::kDifferentContent, {f.o, f.t}));
    else ctx_.log.AppendError(Message(msg::kDifferentContent, {f.o, f.t}));
    WouldSetAside(f.o);  // replaced, or asked about first
    return Next::Go;
}

// The other file is newer and its content differs: an overwrite replaces it
// (after a question when the options ask for one); a sync may instead copy
// it back in the reverse pass. Unattended, both stay as they are.
Next TreeWalk::NewerOtherDiffers(FolderWalk& walk, FileCase& f) {
    const RunOptions& o = ctx_.options;
    RunState& st = ctx_.state;
    if (o.confirmNewerDestination && ctx_.unattended) {
        ctx_.log.AppendLine(Message(IDS_UNATTENDED_KEEP_BOTH, {f.t, f.o}));
        return Next::Go;
    }
    const bool overwriteRules =
        walk.singleFile || ctx_.mode == RunMode::Overwrite || ctx_.mode == RunMode::OverwriteTest;
    if (overwriteRules) {
        if (!o.confirmNewerDestination) {
            ctx_.log.AppendLine(Message(msg::kOverwriteNewer, {f.t, f.o}));
            return Act(walk, f, Pair::OtherNewer);
        }
        if (ctx_.prompter.YesNo(Message(msg::kOverwriteNewerQuestion, {f.t, f.o})))
            return Act(walk, f, Pair::OtherNewer);
        return Next::Go;
    }
    if (o.confirmNewerDestination) {
        PromptAnswer a = ctx_.prompter.YesNoCancel(Message(msg::kOverwriteNewerQuestion, {f.t, f.o}) +
                                                   LoadText(msg::kReverseNotice));
        if (a == PromptAnswer::Yes || a == PromptAnswer::Ok) return Act(walk, f, Pair::OtherNewer);
        if (a == PromptAnswer::No) {
            st.reverseMarks.Add(f.o);
            return Next::Go;
        }
        ctx_.log.AppendLine(LoadText(msg::kInterrupted));
        return Next::Stop;
    }
    if (!o.reverseOverwriteNewer) {
        ctx_.log.AppendLine(Message(msg::kOverwriteNewer, {f.t, f.o}));
        return Act(walk, f, Pair::OtherNewer);
    }
    ctx_.log.AppendLine(Message(msg::kReverseOverwriteNewer, {f.t, f.o}));
    st.reverseMarks.Add(f.o);
    return Next::Go;
}

Next TreeWalk::SetTimeOfOther(FileCase& f) {
    for (;;) {
        std::wstring cause;
        bool opened = ctx_.files.SetWriteTime(f.o, f.thisStamp.write, progress_, ctx_.log, cause);
        if (opened && cause.empty()) {
            ctx_.log.AppendLine(Message(msg::kTimesMatched, {f.o}));
            return Next::Go;
        }
        if (!opened && progress_.CancelRequested()) return Next::Stop;
        FailureAction a = failures_.Handle(WithCause(msg::kTimeSetFailed, f.o, cause), FailureClass::Write,
                                           PromptShape::SkipRetryAbort);
        if (a == FailureAction::Skip) return Next::Go;
        if (a == FailureAction::Abort) return Next::Stop;
    }
}

Next TreeWalk::Act(FolderWalk& walk, FileCase& f, Pair pair) {
    RunState& st = ctx_.state;
    if (!st.executePhase) {
        st.pendingActions.Add(f.t);
        st.workFound = true;
        return Next::Go;
    }
    if (Forward()) {
        if (ctx_.options.keepIfSameContent && pair == Pair::ThisNewer) {
            std::wstring cause;
            switch (CompareContents(f.t, f.o, cause)) {
            case Content::Equal:
                ctx_.log.AppendLine(Message(msg::kOlderSameContentKept, {f.o, f.t}));
                return Next::Go;
            case Content::Interrupted: return Next::Stop;
            case Content::Failed:
                ctx_.log.AppendError(Message(msg::kCompareReadError, {f.o, f.t, cause}));
                break;
            case Content::Differ: break;
            }
        }
        return Copy(walk, f);
    }
    if (st.reverseMarks.Contains(f.t)) return Copy(walk, f);
    return Next::Go;
}

// Makes sure the other folder exists before a file is copied into it.
TreeWalk::FolderReady TreeWalk::EnsureOtherFolder(FolderWalk& walk) {
    if (ctx_.files.IsFolder(walk.otherFolder)) {
        walk.otherFolderReady = true;
        return FolderReady::Ready;
    }
    for (;;) {
        std::wstring cause;
        unsigned long error = 0;
        if (ctx_.files.CreateFolderTree(walk.otherFolder, cause, error)) {
            if (error != kErrorAlreadyExists) ctx_.log.AppendLine(Message(msg::kFolderCreated, {walk.otherFolder}));
            walk.otherFolderReady = true;
            return FolderReady::Ready;
        }
        FailureAction a = failures_.Handle(Message(msg::kFolderNotCreated, {walk.otherFolder, cause}),
                                           FailureClass::Folder, PromptShape::RetryOrAbort);
        if (a == FailureAction::Skip) return FolderReady::Skipped;
        if (a == FailureAction::Abort) return FolderReady::Stop;
    }
}

Next TreeWalk::Copy(FolderWalk& walk, FileCase& f) {
    const bool checkFolder = walk.singleFile || !ctx_.options.copyEmptyFolders;
    if (checkFolder && !walk.otherFolderReady) {
        switch (EnsureOtherFolder(walk)) {
        case FolderReady::Ready: break;
        case FolderReady::Skipped: return Next::Go;
        case FolderReady::Stop: return Next::Stop;
        }
    }
    if (!walk.leftoversSwept) SweepLeftovers(walk);
    if (walk.otherUnknown) return Next::Go;  // never written blind
    progress_.SetStatus(LoadText(IDS_STATUS_COPYING_FILE));
    progress_.Show(f.t + LoadText(IDS_SUFFIX_COPYING), level::Copying);
    for (;;) {
        std::wstring cause;
        const CopyTarget target = f.otherAbsent ? CopyTarget::Absent : CopyTarget::MayExist;
        // What the copy replaces is set aside first (the copy refused a
        // read-only file already when it may not be updated), and comes
        // back should the new file not take its name.
        const MoveAsideFn moveAside{
            [this](const std::wstring& old, std::wstring& placedAt, std::wstring& why) {
                return ctx_.setAside->Move(old, true, why, &placedAt);
            },
            [this](const std::wstring& placedAt, const std::wstring& old, std::wstring& why) {
                return ctx_.setAside->PutBack(placedAt, old, why);
            }};
        const CopyRequest copy{f.t, f.thisStamp, f.o, target, MovesAside() ? &moveAside : nullptr};
        const CopyOutcome outcome = ctx_.files.CopyFileContents(copy, ctx_.options, progress_, ctx_.log, cause);
        if (outcome == CopyOutcome::Copied) {
            ctx_.log.AppendLine(Message(f.otherExisted ? msg::kUpdated : msg::kNewlyStored, {f.o}));
            break;
        }
        if (progress_.CancelRequested()) return Next::Stop;  // the copy logged the interrupt
        // Someone made a file of that name while this one was copied: it is
        // decided by the rules of two files (times, the newer-destination
        // question), never simply replaced. Once only: a name that comes and
        // goes again is a failure.
        if (outcome == CopyOutcome::NameAppeared && !f.otherExisted) {
            ctx_.log.AppendLine(Message(IDS_NAME_APPEARED_DURING_COPY, {f.o}));
            f.otherAbsent = false;
            f.otherExisted = true;
            if (ctx_.files.LookAt(f.o).found == Found::File) return BothFiles(walk, f);
        }
        FailureAction a = failures_.Handle(WithCause(msg::kNotUpdated, f.o, cause), FailureClass::Write,
                                           PromptShape::SkipRetryAbort);
        if (a == FailureAction::Skip) break;
        if (a == FailureAction::Abort) return Next::Stop;
        // A retry first brings back a folder that vanished meanwhile.
        if (!ctx_.files.IsFolder(walk.otherFolder)) {
            walk.otherFolderReady = false;
            FolderReady r = EnsureOtherFolder(walk);
            if (r == FolderReady::Stop) return Next::Stop;
            if (r == FolderReady::Skipped) break;
        }
    }
    AfterAction(walk);
    return Next::Go;
}

Next TreeWalk::FolderEntry(FolderWalk& walk, const ListedEntry& entry) {
    // The program's own at a root, on either side; deeper, an ordinary folder.
    if (AtRoot(walk) && IsSetAsideFolderName(entry.name)) return Next::Go;
    if (!ctx_.filter.Accept(entry.name, true, entry.stamp.creation, entry.stamp.write)) return Next::Go;
    std::wstring t = walk.thisFolder + entry.name + L"\\";
    std::wstring o = walk.otherFolder + entry.name + L"\\";
    if (!Reachable(t, o)) return Next::Go;
    if (Forward() && ctx_.roots && !ctx_.roots->skipInSource.empty() &&
        SameName(t, ctx_.roots->skipInSource))
        return Next::Go;  // the destination inside the source: logged at the start
    if (entry.isLink && LinkLoopsBack(walk, t)) {
        ctx_.log.AppendLine(Message(IDS_FOLDER_LINK_LOOP, {t}));
        return Next::Go;
    }
    const PathSet& unknown = ctx_.state.unknownFolders;
    if (unknown.Contains(t) || unknown.Contains(o) || IsUnknownItem(t, o)) return Next::Go;
    // Missing on the other side only if the other folder's listing says so.
    switch (OtherEntry(walk, entry.name)) {
    case Listed::Unknown: return Next::Go;
    case Listed::File: return KindsDiffer(t, walk.otherFolder + entry.name);
    case Listed::Folder: {
        const EntryLook other = ctx_.files.LookAt(o);
        if (other.found == Found::Folder) return Walk(t, o, true);
        if (other.found == Found::File) return KindsDiffer(t, walk.otherFolder + entry.name);
        // A folder that cannot be looked at is as unknown as one that
        // cannot be listed.
        if (!OtherSideStillThere(walk)) return Next::Stop;
        ReportUnknown(o, SideIsSource(false), other.cause, t);
        return Next::Go;
    }
    case Listed::Absent: break;
    }
    progress_.Show(t, level::Folder);
    if (!ctx_.filter.DestinationOnly() || (!Forward() && !ctx_.filter.ProtectDestination()))
        return MissingFolder(walk, t, o, entry.isLink);
    return Next::Go;
}

Next TreeWalk::CreateFolderAndDescend(FolderWalk& walk, const std::wstring& t, const std::wstring& o) {
    if (!ctx_.options.copyEmptyFolders) {
        // Created with the first file copied into it.
        progress_.Reset();
        return CompareFolder(t, true, o);
    }
    progress_.SetStatus(LoadText(IDS_STATUS_CREATING_FOLDER));
    progress_.Show(o + LoadText(IDS_SUFFIX_CREATING), level::CreatingFolder);
    for (;;) {
        std::wstring cause;
        unsigned long error = 0;
        if (ctx_.files.CreateFolderTree(o, cause, error)) {
            if (error != kErrorAlreadyExists) ctx_.log.AppendLine(Message(msg::kFolderCreated, {o}));
            progress_.Reset();
            return CompareFolder(t, true, o);
        }
        FailureAction a = failures_.Handle(Message(msg::kFolderNotCreated, {o, cause}), FailureClass::Folder,
                                           PromptShape::SkipRetryAbort);
        if (a == FailureAction::Abort) return Next::Stop;
        if (a == FailureAction::Skip) {
            AfterAction(walk);
            return Next::Go;
        }
    }
}

Next TreeWalk::DeleteFolder(FolderWalk& walk, const std::wstring& t, bool isLink) {
    RunOptions& o = ctx_.options;
    RunState& st = ctx_.state;
    if (o.confirmFolderDelete && !o.suppressFolderDeleteConfirm) {
        if (st.declinedFolders.Contains(t)) return Next::Go;
        if (ctx_.unattended) {
            st.declinedFolders.Add(t);
            ctx_.log.AppendLine(Message(IDS_UNATTENDED_FOLDER_KEPT, {t}));
            return Next::Go;
        }
        progress_.SetVisible(false);
        FolderDeleteAnswer answer = ctx_.prompter.ConfirmFolderDelete(t);
        if (answer.button == FolderDeleteButton::Yes) {
            if (answer.dontAskAgain) {
                o.suppressFolderDeleteConfirm = true;
                ctx_.prompter.Information(LoadText(msg::kFolderDeleteHint));
            }
            progress_.SetVisible(true);
        } else {
            st.declinedFolders.Add(t);
            bool stop = answer.button == FolderDeleteButton::Interrupt &&
                        ctx_.prompter.YesNo(LoadText(msg::kInterruptQuestion));
            if (stop) ctx_.log.AppendLine(LoadText(msg::kInterrupted));
            progress_.SetVisible(true);
            return stop ? Next::Stop : Next::Go;
        }
    }
    progress_.SetStatus(LoadText(IDS_STATUS_DELETING_FOLDER));
    progress_.Show(t + LoadText(IDS_FILEOPS_DELETING_SUFFIX), level::DeletingFolder);
    unsigned remaining = 0;
    bool refused = false;
    bool gone = RemoveFolderTree(t, isLink, remaining, refused);
    // An interrupted deletion has logged the interrupt; one that ended before
    // the flag was raised is reported, and the walk stops after this entry.
    if (!gone && progress_.CancelRequested()) return Next::Stop;
    if (!refused) {
        if (remaining > 0) ctx_.log.AppendError(Message(msg::kFolderNotDeleted, {t, remaining}));
        else ctx_.log.AppendLine(Message(msg::kFolderDeleted, {t}));
    }
    AfterAction(walk);
    return Next::Go;
}

// Test mode: a file (or every file below a folder) that the run would set
// aside before deleting or replacing it, counted for the test line.
void TreeWalk::WouldSetAside(const std::wstring& path, bool folder) {
    if (!ctx_.setAside || !ctx_.setAside->on()) return;
    if (folder) ctx_.setAside->CountTree(path);
    else ctx_.setAside->Count(path);
}

// A file deleted because the other side lacks it: set aside when the run
// keeps what it deletes, logged as a deletion either way.
bool TreeWalk::RemoveFile(const std::wstring& t, std::wstring& failureLine) {
    if (MovesAside()) return ctx_.setAside->DeleteFile(t, ctx_.options, progress_, ctx_.log, failureLine);
    return ctx_.files.DeleteOneFile(t, ctx_.options, progress_, ctx_.log, failureLine);
}

// A folder tree deleted because the other side lacks it. When the run keeps
// what it deletes, every file below goes aside first; only a tree whose
// files have all gone is then removed, so nothing that stayed is deleted.
// A folder that is a link is removed as a link, never emptied.
bool TreeWalk::RemoveFolderTree(const std::wstring& t, bool isLink, unsigned& remaining, bool& refused) {
    // A folder link goes by itself: what it leads to lies outside the tree.
    if (MovesAside() && !isLink) {
        unsigned failed = 0;
        bool interrupted = false;
        ctx_.setAside->MoveTree(t, ctx_.options, progress_, ctx_.log, failed, interrupted);
        if (interrupted) return false;
        if (failed > 0) {
            remaining = failed;
            return false;
        }
    }
    return ctx_.files.DeleteFolderTree(t, remaining, ctx_.options, progress_, ctx_.log, refused);
}

// Before an item is deleted because the other side lacks it: the other
// side's root must still be the folder the run started with, and the folder
// the item was compared against must still be there. A share that dropped
// or a drive that was pulled would otherwise make everything look missing.
bool TreeWalk::OtherSideStillThere(const FolderWalk& walk) {
    const RunRoots* roots = ctx_.roots;
    if (!roots) return true;
    const bool sourceIsOther = !Forward();
    const std::wstring& root = sourceIsOther ? roots->source : roots->destination;
    bool there = ctx_.files.IsFolder(walk.otherFolder);
    if (there && roots->idsKnown) {
        FolderId now;
        there = ctx_.files.GetFolderId(root, now) && now == (sourceIsOther ? roots->sourceId : roots->destinationId);
    }
    if (there) return true;
    const unsigned side = sourceIsOther ? IDS_FILEOPS_SOURCE_LABEL : IDS_FILEOPS_DESTINATION_LABEL;
    ctx_.log.AppendError(Message(IDS_ROOT_GONE, {LoadText(side), root}));
    return false;
}

// A name this program cannot reach on either side is reported where it was
// met and left alone: it is never taken as missing on the other side, and
// nothing is written under another name.
bool TreeWalk::Reachable(const std::wstring& t, const std::wstring& o) {
    const bool thisReachable = ctx_.files.CanAddress(t);
    if (thisReachable && ctx_.files.CanAddress(o)) return true;
    ctx_.log.AppendError(Message(IDS_UNADDRESSABLE_NAME, {thisReachable ? o : t}));
    return false;
}

// Before the first copy into a folder: temporary files that an interrupted
// copy left there are removed (a run that only copies one way never lists
// the folder it writes to otherwise).
void TreeWalk::SweepLeftovers(FolderWalk& walk) {
    walk.leftoversSwept = true;
    if (EnsureOtherListed(walk) == OtherListing::Unknown) return;
    for (const std::wstring& path : walk.otherLeftovers) RemoveLeftover(path);
}

// One listing of the other folder tells which of this folder's files it
// lacks, instead of one lookup per file there (each costs as much as a
// listing when the name is missing). A folder that is not there (or a file
// in its place) lacks all; one that cannot be listed (denied, a network or
// device error, gone since its parent was listed) is unknown, never empty.
TreeWalk::OtherListing TreeWalk::ListOtherFolder(FolderWalk& walk) {
    walk.otherListed = true;
    walk.otherLeftovers.clear();
    std::unordered_map<std::wstring, bool> names;
    unsigned long error = 0;
    std::wstring cause;
    const bool listed = ForEachEntry(
        ctx_.files, walk.otherFolder,
        [&](const ListedEntry& e) {
            names.emplace(NameKey(e.name), e.isFolder);
            if (e.copyTemporary) walk.otherLeftovers.push_back(walk.otherFolder + e.name);
            return true;
        },
        error, cause);
    if (listed || error == kErrorFileNotFound || (!walk.otherSeen && !ctx_.files.IsFolder(walk.otherFolder))) {
        walk.otherKinds = std::move(names);
        return OtherListing::Known;
    }
    walk.otherUnknown = true;
    walk.otherLeftovers.clear();
    ReportUnknown(walk.otherFolder, SideIsSource(false), cause, walk.thisFolder);
    return OtherListing::Unknown;
}

TreeWalk::OtherListing TreeWalk::EnsureOtherListed(FolderWalk& walk) {
    if (!walk.otherListed) return ListOtherFolder(walk);
    return walk.otherUnknown ? OtherListing::Unknown : OtherListing::Known;
}

TreeWalk::Listed TreeWalk::OtherEntry(FolderWalk& walk, const std::wstring& name) {
    if (EnsureOtherListed(walk) == OtherListing::Unknown) return Listed::Unknown;
    const auto found = walk.otherKinds->find(NameKey(name));
    if (found == walk.otherKinds->end()) return Listed::Absent;
    return found->second ? Listed::Folder : Listed::File;
}

bool TreeWalk::AtRoot(const FolderWalk& walk) const { return !walk.singleFile && walk.thisFolder == rootFolder_; }

bool TreeWalk::IsUnknownItem(const std::wstring& t, const std::wstring& o) const {
    const PathSet& items = ctx_.state.unknownItems;
    return items.Contains(ItemKey(t)) || items.Contains(ItemKey(o));
}

void TreeWalk::LeaveAlone(const std::wstring& t, const std::wstring& o) {
    ctx_.state.unknownItems.Add(ItemKey(t));
    ctx_.state.unknownItems.Add(ItemKey(o));
}

// A listed entry that a look cannot reach (a dropped share, a busy server, a
// link whose target is offline): one error line with the system's cause, and
// neither it nor its counterpart is touched in any pass. A look that failed
// because the other side's root is gone ends the run as a vanished root does.
Next TreeWalk::LookFailed(FolderWalk& walk, const std::wstring& path, const std::wstring& counterpart,
                          const EntryLook& look, bool otherSide) {
    if (otherSide && !OtherSideStillThere(walk)) return Next::Stop;
    LeaveAlone(path, counterpart);
    ctx_.log.AppendError(Message(IDS_LOOK_FAILED, {path, counterpart, look.cause}));
    return Next::Go;
}

// A file on one side where the other has a folder of the same name: neither
// is what the other lacks, and neither replaces the other.
Next TreeWalk::KindsDiffer(const std::wstring& t, const std::wstring& o) {
    LeaveAlone(t, o);
    ctx_.log.AppendError(Message(IDS_KINDS_DIFFER, {t, o}));
    return Next::Go;
}

// An entry with the set-aside folder's name at a root is never copied: at
// the destination it would take the place of the program's own folder.
void TreeWalk::ReportReservedName(const std::wstring& path) {
    if (ctx_.state.unknownItems.Contains(path)) return;
    ctx_.state.unknownItems.Add(path);
    ctx_.log.AppendLine(Message(IDS_RESERVED_NAME_NOT_COPIED, {path}));
}

// A folder that holds one of the run's roots (the destination nested deeper
// inside the source) is never deleted, moved aside or taken as missing.
bool TreeWalk::HoldsARoot(const std::wstring& folder) const {
    const RunRoots* roots = ctx_.roots;
    return roots && (StartsWithName(roots->destination, folder) || StartsWithName(roots->source, folder));
}

// A folder tree that holds a folder or an item whose contents are unknown
// is not deleted: it may hold what the run could not see.
bool TreeWalk::HoldsUnknown(const std::wstring& folder) const {
    return ctx_.state.unknownFolders.AnyUnder(folder) || ctx_.state.unknownItems.AnyUnder(folder);
}

void TreeWalk::RemoveLeftover(const std::wstring& path) {
    if (ctx_.state.leftoversMet.Contains(path)) return;
    ctx_.state.leftoversMet.Add(path);
    std::wstring cause;
    switch (ctx_.files.RemoveLeftoverCopyTemp(path, cause)) {
    case LeftoverRemoval::Removed: ctx_.log.AppendLine(Message(IDS_LEFTOVER_REMOVED, {path})); break;
    case LeftoverRemoval::InUse:
    case LeftoverRemoval::Failed: ctx_.log.AppendError(Message(IDS_LEFTOVER_NOT_REMOVED, {path, cause})); break;
    case LeftoverRemoval::NotCopyTemporary: break;
    }
}

// A folder link that leads to this folder or one of its parents would make
// the walk go round until the paths grow too long.
bool TreeWalk::LinkLoopsBack(const FolderWalk& walk, const std::wstring& link) {
    FolderId target;
    if (!ctx_.files.GetFolderId(link, target)) return false;
    const std::wstring& folder = walk.thisFolder;
    for (size_t end = folder.find(L'\\', 3); end != std::wstring::npos; end = folder.find(L'\\', end + 1)) {
        FolderId parent;
        if (ctx_.files.GetFolderId(folder.substr(0, end + 1), parent) && parent == target) return true;
    }
    return false;
}

Next TreeWalk::RunSingleFile(const std::wstring& source, const std::wstring& destination,
                            bool destinationIsFolder) {
    ListedEntry found;
    bool have = false, interrupted = false;
    unsigned long error = 0;
    std::wstring cause;
    bool listed = ctx_.files.List(
        source,
        [&](const ListedEntry& e) {
            if (e.isFolder) return true;
            if (!ctx_.filter.Accept(e.name, false, e.stamp.creation, e.stamp.write)) {
                ctx_.log.AppendLine(Message(IDS_EXCLUDED_SINGLE_FILE, {e.name}));
                if (Interrupted()) {
                    interrupted = true;
                    return false;
                }
                return true;
            }
            found = e;
            have = true;
            return false;
        },
        error, cause);
    if (!listed) {
        ctx_.log.AppendError(Message(msg::kFileSearchFailed, {source, cause}));
        return Next::Go;
    }
    if (interrupted) return Next::Stop;
    if (!have) return Next::Go;

    FileCase f;
    f.t = source;
    f.o = destinationIsFolder ? destination + found.name : destination;
    f.thisStamp = found.stamp;
    FolderWalk walk{ParentFolder(source), destinationIsFolder ? destination : ParentFolder(f.o)};
    walk.singleFile = true;
    progress_.Show(source, level::File);
    const EntryLook other = ctx_.files.LookAt(f.o);
    if (other.found == Found::Folder) return KindsDiffer(f.t, f.o + L"\\");
    if (other.found == Found::NoAnswer) {
        ctx_.log.AppendError(Message(IDS_LOOK_FAILED, {f.o, f.t, other.cause}));
        return Next::Go;
    }
    if (other.found == Found::File) {
        f.otherExisted = true;
        return BothFiles(walk, f);
    }
    if (Test()) {
        std::wstring line = Message(msg::kMissingAtDestination, {f.o});
        if (ctx_.options.missingInDestination != MissingPolicy::Copy) line += LoadText(IDS_SINGLE_FILE_COPIED_ANYWAY);
        ctx_.log.AppendLine(line);
        return Next::Go;
    }
    return Copy(walk, f);
}

}  // namespace mirrant
