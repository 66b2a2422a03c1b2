// The executor's actions on the file system: copies, re-stamps, deletions
// and new folders, each with its lines and its retries under the failure
// policies.
#include "engine/plan_executor.h"

#include <utility>

#include "framework/log_sink.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

constexpr unsigned long kErrorAlreadyExists = 183;

std::wstring WithCause(unsigned id, const std::wstring& path, const std::wstring& cause) {
    std::wstring text = Message(id, {path});
    if (!cause.empty()) text += LoadText(IDS_CAUSE) + cause;
    return text;
}

}  // namespace

FileActions::FileActions(const WalkContext& context, Progress& progress)
    : ctx_(context), progress_(progress), failures_(context.options, context.prompter, context.log, progress) {}

Next FileActions::Retry(FailureClass cls, PromptShape shape, const std::function<Tried()>& attempt, bool* skipped) {
    for (;;) {
        const Tried tried = attempt();
        if (tried.result == Tried::Done) return Next::Go;
        if (tried.result == Tried::Stop) return Next::Stop;
        switch (failures_.Handle(tried.failure, cls, shape)) {
        case FailureAction::Skip:
            if (skipped) *skipped = true;
            return Next::Go;
        case FailureAction::Abort: return Next::Stop;
        case FailureAction::Retry: break;
        }
    }
}

void FileActions::AfterAction(const ExecFrame& frame) {
    progress_.Reset();
    progress_.Show(frame.thisFolder, level::Folder);
}

// One attempt at making a folder with its parents; one that is there
// already is no failure and no line.
FileActions::Tried FileActions::MakeFolder(const std::wstring& folder) {
    std::wstring cause;
    unsigned long error = 0;
    if (!ctx_.files.CreateFolderTree(folder, cause, error))
        return {Tried::Failed, Message(msg::kFolderNotCreated, {folder, cause})};
    if (error != kErrorAlreadyExists) {
        ctx_.log.AppendLine(Message(msg::kFolderCreated, {folder}));
        Tally(ctx_, &RunTally::foldersCreated);
    }
    return {};
}

// Makes sure the other folder exists before a file is copied into it.
FileActions::FolderReady FileActions::EnsureOtherFolder(ExecFrame& frame) {
    if (ctx_.files.IsFolder(frame.otherFolder)) {
        frame.otherReady = true;
        return FolderReady::Ready;
    }
    bool skipped = false;
    const Next r = Retry(
        FailureClass::Folder, PromptShape::RetryOrAbort,
        [&]() -> Tried {
            Tried t = MakeFolder(frame.otherFolder);
            if (t.result == Tried::Done) frame.otherReady = true;
            return t;
        },
        &skipped);
    if (r == Next::Stop) return FolderReady::Stop;
    return skipped ? FolderReady::Skipped : FolderReady::Ready;
}

void FileActions::RemoveLeftover(const std::wstring& path) {
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

// Before the first copy into a folder: temporary files that an interrupted
// copy left there are removed. A single file's folder is listed for them
// now; one that cannot be listed is not written to blind.
bool FileActions::SweepLeftovers(ExecFrame& frame) {
    frame.swept = true;
    if (frame.listLeftovers) {
        unsigned long error = 0;
        std::wstring cause;
        const bool listed = ForEachEntry(
            ctx_.files, frame.otherFolder,
            [&](const ListedEntry& e) {
                if (e.copyTemporary) frame.leftovers.push_back(frame.otherFolder + e.name);
                return true;
            },
            error, cause);
        if (!listed && error != 2 && ctx_.files.IsFolder(frame.otherFolder)) {
            ctx_.state.unknownFolders.Add(frame.otherFolder);
            const std::wstring named = LoadText(IDS_FILEOPS_DESTINATION_LABEL) + L"\"" + frame.otherFolder + L"\"";
            ctx_.log.AppendError(Message(msg::kSearchFailed, {named, cause}));
            ctx_.log.AppendLine(Message(IDS_UNKNOWN_FOLDER_LEFT, {frame.otherFolder, frame.thisFolder}));
            return false;
        }
    }
    for (const std::wstring& path : frame.leftovers) RemoveLeftover(path);
    frame.leftovers.clear();
    return true;
}

FileActions::Copied FileActions::Copy(ExecFrame& frame, const StepPaths& p, const FileStamp& stamp, bool otherExists,
                                      bool single) {
    const bool checkFolder = single || !ctx_.options.copyEmptyFolders;
    if (checkFolder && !frame.otherReady) {
        switch (EnsureOtherFolder(frame)) {
        case FolderReady::Ready: break;
        case FolderReady::Skipped: return Copied::Done;
        case FolderReady::Stop: return Copied::Stop;
        }
    }
    if (!frame.swept && !SweepLeftovers(frame)) return Copied::Done;
    progress_.SetStatus(LoadText(IDS_STATUS_COPYING_FILE));
    progress_.Show(p.t + LoadText(IDS_SUFFIX_COPYING), level::Copying);
    // What the copy replaces is set aside first (the copy refused a
    // read-only file already when it may not be updated), and comes back
    // should the new file not take its name.
    const MoveAsideFn moveAside{[this](const std::wstring& old, std::wstring& placedAt, std::wstring& why) {
                                    return ctx_.setAside->Move(old, true, why, &placedAt);
                                },
                                [this](const std::wstring& placedAt, const std::wstring& old, std::wstring& why) {
                                    return ctx_.setAside->PutBack(placedAt, old, why);
                                }};
    bool exists = otherExists, appeared = false, tried = false;
    const Next r = Retry(FailureClass::Write, PromptShape::SkipRetryAbort, [&]() -> Tried {
        // A retry first brings back a folder that vanished meanwhile.
        if (std::exchange(tried, true) && !ctx_.files.IsFolder(frame.otherFolder)) {
            frame.otherReady = false;
            switch (EnsureOtherFolder(frame)) {
            case FolderReady::Stop: return {Tried::Stop};
            case FolderReady::Skipped: return {};
            case FolderReady::Ready: break;
            }
        }
        std::wstring cause;
        const CopyRequest copy{p.t, stamp, p.o, exists ? CopyTarget::MayExist : CopyTarget::Absent,
                               MovesAside() ? &moveAside : nullptr};
        const CopyOutcome outcome = ctx_.files.CopyFileContents(copy, ctx_.options, progress_, ctx_.log, cause);
        if (outcome == CopyOutcome::Copied) {
            ctx_.log.AppendLine(Message(exists ? msg::kUpdated : msg::kNewlyStored, {p.o}));
            Tally(ctx_, exists ? &RunTally::replaced : &RunTally::newFiles);
            Tally(ctx_, &RunTally::bytes, stamp.size);
            return {};
        }
        if (progress_.CancelRequested()) return {Tried::Stop};  // the copy logged the interrupt
        // Someone made a file of that name while this one was copied: it is
        // decided again as two files. Once only: a name that comes and goes
        // again is a failure.
        if (outcome == CopyOutcome::NameAppeared && !exists) {
            ctx_.log.AppendLine(Message(IDS_NAME_APPEARED_DURING_COPY, {p.o}));
            exists = true;
            if (ctx_.files.LookAt(p.o).found == Found::File) {
                appeared = true;
                return {};
            }
        }
        return {Tried::Failed, WithCause(msg::kNotUpdated, p.o, cause)};
    });
    if (r == Next::Stop) return Copied::Stop;
    if (appeared) return Copied::DecideAgain;
    AfterAction(frame);
    return Copied::Done;
}

Next FileActions::SetTimeOfOther(const StepPaths& p, std::uint64_t writeTime) {
    return Retry(FailureClass::Write, PromptShape::SkipRetryAbort, [&]() -> Tried {
        std::wstring cause;
        const bool opened = ctx_.files.SetWriteTime(p.o, writeTime, progress_, ctx_.log, cause);
        if (opened && cause.empty()) {
            ctx_.log.AppendLine(Message(msg::kTimesMatched, {p.o}));
            Tally(ctx_, &RunTally::restamped);
            return {};
        }
        if (!opened && progress_.CancelRequested()) return {Tried::Stop};
        return {Tried::Failed, WithCause(msg::kTimeSetFailed, p.o, cause)};
    });
}

// A file deleted because the other side lacks it: set aside when the run
// keeps what it deletes, logged as a deletion either way.
Next FileActions::RemoveFile(ExecFrame& frame, const std::wstring& t) {
    std::wstring failureLine;
    const bool deleted = MovesAside()
                             ? ctx_.setAside->DeleteFile(t, ctx_.options, progress_, ctx_.log, failureLine)
                             : ctx_.files.DeleteOneFile(t, ctx_.options, progress_, ctx_.log, failureLine);
    if (deleted) Tally(ctx_, &RunTally::deleted);
    else if (failures_.HandleLogged(failureLine, FailureClass::Delete, PromptShape::DeleteNotice) == FailureAction::Abort)
        return Next::Stop;
    AfterAction(frame);
    return Next::Go;
}

Next FileActions::CreateFolder(ExecFrame& frame, const std::wstring& o, bool& created) {
    created = false;
    progress_.SetStatus(LoadText(IDS_STATUS_CREATING_FOLDER));
    progress_.Show(o + LoadText(IDS_SUFFIX_CREATING), level::CreatingFolder);
    bool skipped = false;
    const Next r = Retry(
        FailureClass::Folder, PromptShape::SkipRetryAbort,
        [&]() -> Tried {
            Tried t = MakeFolder(o);
            if (t.result == Tried::Done) progress_.Reset();
            return t;
        },
        &skipped);
    if (skipped) AfterAction(frame);
    created = r == Next::Go && !skipped;
    return r;
}

// The folder-delete question, when the options ask for it; stop: the user
// chose to interrupt the run.
bool FileActions::ConfirmFolderDelete(const std::wstring& t, bool& stop) {
    RunOptions& o = ctx_.options;
    RunState& st = ctx_.state;
    stop = false;
    if (!o.confirmFolderDelete || o.suppressFolderDeleteConfirm) return true;
    if (st.declinedFolders.Contains(t)) return false;
    if (ctx_.unattended) {
        st.declinedFolders.Add(t);
        ctx_.log.AppendLine(Message(IDS_UNATTENDED_FOLDER_KEPT, {t}));
        Tally(ctx_, &RunTally::left);
        return false;
    }
    progress_.SetVisible(false);
    const FolderDeleteAnswer answer = ctx_.prompter.ConfirmFolderDelete(t);
    if (answer.button == FolderDeleteButton::Yes) {
        if (answer.dontAskAgain) {
            o.suppressFolderDeleteConfirm = true;
            ctx_.prompter.Information(LoadText(msg::kFolderDeleteHint));
        }
        progress_.SetVisible(true);
        return true;
    }
    st.declinedFolders.Add(t);
    Tally(ctx_, &RunTally::left);
    stop = answer.button == FolderDeleteButton::Interrupt && ctx_.prompter.YesNo(LoadText(msg::kInterruptQuestion));
    if (stop) ctx_.log.AppendLine(LoadText(msg::kInterrupted));
    progress_.SetVisible(true);
    return false;
}

Next FileActions::DeleteFolder(ExecFrame& frame, const std::wstring& t, bool isLink) {
    bool stop = false;
    if (!ConfirmFolderDelete(t, stop)) return stop ? Next::Stop : Next::Go;
    progress_.SetStatus(LoadText(IDS_STATUS_DELETING_FOLDER));
    progress_.Show(t + LoadText(IDS_FILEOPS_DELETING_SUFFIX), level::DeletingFolder);
    unsigned remaining = 0;
    bool refused = false;
    const bool gone = RemoveFolderTree(t, isLink, remaining, refused);
    // An interrupted deletion has logged the interrupt; one that ended before
    // the flag was raised is reported, and the run stops after this entry.
    if (!gone && progress_.CancelRequested()) return Next::Stop;
    if (!refused) {
        if (remaining > 0) ctx_.log.AppendError(Message(msg::kFolderNotDeleted, {t, remaining}));
        else {
            ctx_.log.AppendLine(Message(msg::kFolderDeleted, {t}));
            Tally(ctx_, &RunTally::foldersDeleted);
        }
    }
    AfterAction(frame);
    return Next::Go;
}

// When the run keeps what it deletes, every file below goes aside first;
// only a tree whose files have all gone is then removed, so nothing that
// stayed is deleted. A folder that is a link is removed as a link, never
// emptied: what it leads to lies outside the tree.
bool FileActions::RemoveFolderTree(const std::wstring& t, bool isLink, unsigned& remaining, bool& refused) {
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

}  // namespace mirrant
