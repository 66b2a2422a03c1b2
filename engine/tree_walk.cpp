#include "engine/tree_walk.h"

#include <windows.h>

#include <unordered_map>
#include <vector>

#include "fileops/path_rules.h"
#include "framework/log_sink.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

constexpr unsigned long kErrorFileNotFound = 2;

DecisionRules RulesOf(const PassInfo& pass, const WalkContext& ctx) {
    const bool oneWay = pass.single || ctx.mode == RunMode::Overwrite || ctx.mode == RunMode::OverwriteTest;
    return {ctx.options, pass.forward, pass.search, oneWay};
}

bool AtRoot(const PassInfo& pass, const std::wstring& folder) { return !pass.single && folder == pass.thisRoot; }
bool SideIsSource(const PassInfo& pass, bool thisSide) { return thisSide == pass.forward; }
// Index 0 the source, 1 the destination.
int SideIndex(const PassInfo& pass, bool thisSide) { return SideIsSource(pass, thisSide) ? 0 : 1; }

// The files below a folder the run deletes without walking into it, as the
// walk would have met them: folder links are not followed, copy leftovers
// and what the filter refuses are not counted. A folder that cannot be
// listed adds nothing.
std::uint64_t CountFilesBelow(FileAccess& access, const EntryFilter& filter, const std::wstring& folder) {
    std::uint64_t files = 0;
    std::vector<std::wstring> folders{folder};
    while (!folders.empty()) {
        const std::wstring current = std::move(folders.back());
        folders.pop_back();
        unsigned long error = 0;
        std::wstring cause;
        ForEachEntry(
            access, current,
            [&](const ListedEntry& e) {
                if (e.copyTemporary || !filter.Accept(e.name, e.isFolder, e.stamp.creation, e.stamp.write))
                    return true;
                if (!e.isFolder) ++files;
                else if (!e.isLink) folders.push_back(current + e.name + L"\\");
                return true;
            },
            error, cause);
    }
    return files;
}

}  // namespace

// One folder pair being walked: the other folder is listed once, before the
// first entry of this one is decided, with each name's kind (names as
// NameKey keeps them). When that listing fails the other folder is unknown
// and this folder is left alone.
struct FolderWalk {
    std::wstring thisFolder;
    std::wstring otherFolder;
    // The other folder was seen as a folder when this one's parent was
    // walked: if it cannot be listed now, it did not simply not exist.
    bool otherSeen = false;
    std::unordered_map<std::wstring, bool> otherKinds;
};

// A file being decided: T on this side, O on the other.
struct FileCase {
    std::wstring name;
    std::wstring t;
    std::wstring o;
    FileStamp thisStamp;
    FileStamp otherStamp;
};

TreeWalk::TreeWalk(const WalkContext& context, Progress& progress, RunPlan& plan)
    : ctx_(context), progress_(progress), plan_(&plan), log_(plan), guards_(ctx_), reports_(ctx_.state, guards_, log_) {}

bool TreeWalk::Interrupted() {
    if (!StopRequested(progress_)) return false;
    log_.AppendLine(LoadText(msg::kInterrupted));
    return true;
}


Next TreeWalk::DecidePass(std::uint32_t pass) {
    pass_ = plan_->pass(pass);
    passFiles_ = 0;
    const Next r = Walk(pass_.thisRoot, pass_.otherRoot, false);
    const int side = SideIndex(pass_, true);
    walked_[side] = true;
    if (passFiles_ > walkedFiles_[side]) walkedFiles_[side] = passFiles_;
    return r;
}

SideFileCounts TreeWalk::FilesAtStart() const {
    const auto side = [&](int i) { return walked_[i] ? walkedFiles_[i] : listedFiles_[i]; };
    return {side(0), side(1)};
}

Next TreeWalk::Descend(const std::wstring& name, const std::wstring& t, const std::wstring& o, bool otherSeen,
                       bool keepEmpty) {
    plan_->OpenFolder(name, keepEmpty);
    const Next r = Walk(t, o, otherSeen);
    plan_->CloseFolder();
    return r;
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
    if (!ListFolder(ctx_.files, thisFolder, entries, error, cause)) {
        // An empty drive root has no entries at all, and a folder that is not
        // there (the destination root of a test run) has none either.
        if (error != kErrorFileNotFound && (pass_.forward || (!ctx_.state.testMode && ctx_.options.copyEmptyFolders) ||
                                            ctx_.files.IsFolder(thisFolder))) {
            reports_.UnknownFolder(thisFolder, SideIsSource(pass_, true), cause, otherFolder);
        }
        return Next::Go;
    }
    FolderWalk walk{thisFolder, otherFolder, otherSeen};
    // The other folder is read before anything in this one is decided, so
    // that a counterpart that cannot be read leaves the whole folder alone.
    if (!entries.empty() && !ListOther(walk)) return Next::Go;
    for (const ListedEntry& entry : entries) {
        Next r = entry.isFolder ? FolderEntry(walk, entry) : FileEntry(walk, entry);
        if (r == Next::Stop || Interrupted()) return Next::Stop;
    }
    return Next::Go;
}

// One listing of the other folder tells which of this folder's entries it
// lacks, instead of one lookup per name there. A folder that is not there
// (or a file in its place) lacks all; one that cannot be listed (denied, a
// network or device error, gone since its parent was listed) is unknown,
// never empty. The copy leftovers it holds are kept in the plan, to be
// removed before the first copy into it.
bool TreeWalk::ListOther(FolderWalk& walk) {
    std::vector<std::wstring> leftovers;
    // A side that no pass walks (the destination of an overwrite) is counted
    // from these listings for the guard.
    const bool oneWay = ctx_.mode == RunMode::Overwrite || ctx_.mode == RunMode::OverwriteTest;
    const bool countFiles = ctx_.options.guardOn && oneWay && !pass_.single;
    std::uint64_t filesListed = 0;
    unsigned long error = 0;
    std::wstring cause;
    const bool listed = ForEachEntry(
        ctx_.files, walk.otherFolder,
        [&](const ListedEntry& e) {
            walk.otherKinds.emplace(NameKey(e.name), e.isFolder);
            if (e.copyTemporary) leftovers.push_back(e.name);
            else if (countFiles && !e.isFolder && ctx_.filter.Accept(e.name, false, e.stamp.creation, e.stamp.write))
                ++filesListed;
            return true;
        },
        error, cause);
    if (listed || error == kErrorFileNotFound || (!walk.otherSeen && !ctx_.files.IsFolder(walk.otherFolder))) {
        listedFiles_[SideIndex(pass_, false)] += filesListed;
        for (std::wstring& name : leftovers) plan_->AddLeftover(std::move(name));
        return true;
    }
    walk.otherKinds.clear();
    reports_.UnknownFolder(walk.otherFolder, SideIsSource(pass_, false), cause, walk.thisFolder);
    return false;
}

Next TreeWalk::FileEntry(FolderWalk& walk, const ListedEntry& entry) {
    FileCase f{entry.name, walk.thisFolder + entry.name, walk.otherFolder + entry.name};
    if (entry.copyTemporary) {
        // The program's own, never part of either tree.
        Step own;
        own.kind = StepKind::OwnLeftover;
        own.text = entry.name;
        plan_->Add(std::move(own));
        return Next::Go;
    }
    if (!guards_.Reachable(f.t, f.o, log_)) return Next::Go;
    if (AtRoot(pass_, walk.thisFolder) && IsSetAsideFolderName(entry.name)) {
        reports_.ReservedName(f.t);
        return Next::Go;
    }
    if (guards_.IsUnknownItem(f.t, f.o)) return Next::Go;
    if (ctx_.mode == RunMode::SyncDeletePriority && !pass_.search) {
        // The search passes chose the files; the filter was asked then.
        if (!ctx_.state.pendingActions.Contains(f.t)) return Next::Go;
    } else if (!ctx_.filter.Accept(entry.name, false, entry.stamp.creation, entry.stamp.write)) {
        return Next::Go;
    }
    ++passFiles_;
    progress_.Show(f.t, level::File);
    f.thisStamp = entry.stamp;
    if (entry.isLink) {
        // A link's own times are not its file's: the file it leads to is
        // looked at, and one that cannot be looked at is left alone.
        const EntryLook self = ctx_.files.LookAt(f.t);
        if (self.found != Found::File) return LookFailed(walk, f.t, f.o, self, false);
        f.thisStamp = self.stamp;
    }
    const auto listed = walk.otherKinds.find(NameKey(entry.name));
    if (listed == walk.otherKinds.end()) return FileAgainst(walk, f, Other::Absent);
    return FileAgainst(walk, f, listed->second ? Other::Folder : Other::File);
}

Next TreeWalk::FileAgainst(FolderWalk& walk, FileCase& f, Other other) {
    switch (other) {
    case Other::Folder: reports_.KindsDiffer(f.t, f.o + L"\\"); return Next::Go;
    case Other::File: {
        // Listed there: a look that finds nothing or gets no answer is no
        // absence, and only two files are compared.
        const EntryLook look = ctx_.files.LookAt(f.o);
        if (look.found == Found::Folder) {
            reports_.KindsDiffer(f.t, f.o + L"\\");
            return Next::Go;
        }
        if (look.found != Found::File) return LookFailed(walk, f.o, f.t, look, true);
        return BothFiles(f);
    }
    case Other::Absent: break;
    }
    if (pass_.single) {
        Keep(f, {Action::CopyNew});  // a single file is copied whatever the policy
    } else if (!ctx_.filter.DestinationOnly() || (!pass_.forward && !ctx_.filter.ProtectDestination())) {
        const Decision d = DecideMissingFile(RulesOf(pass_, ctx_));
        if (d.action == Action::Pending) ctx_.state.workFound = true;
        Keep(f, d);
    }
    return Next::Go;
}

Next TreeWalk::BothFiles(FileCase& f) {
    if (!ctx_.files.GetFileInfo(f.o, f.otherStamp, progress_, log_)) {
        if (progress_.CancelRequested()) return Next::Stop;  // the interrupt is logged already
        // The executor reports it and tries again under the failure policy.
        Step unread;
        unread.kind = StepKind::File;
        unread.readFailed = true;
        unread.text = f.name;
        plan_->Add(std::move(unread));
        return Next::Go;
    }
    const FileStamp& a = f.thisStamp;
    const FileStamp& b = f.otherStamp;
    const PairOrder order = ComparePair(a.write, a.size, b.write, b.size, ctx_.options.timeToleranceSeconds);
    const bool sameSize = a.size == b.size;
    Decision d = DecidePair(order, sameSize, Content::NotCompared, RulesOf(pass_, ctx_));
    std::wstring cause;
    if (d.action == Action::CompareFirst) {
        Content content = Content::Differ;
        if (ctx_.files.CompareFileContents(f.t, f.o, progress_, log_, cause)) content = Content::Equal;
        else if (!cause.empty()) content = Content::Failed;
        else if (progress_.CancelRequested()) return Next::Stop;
        d = DecidePair(order, sameSize, content, RulesOf(pass_, ctx_));
    }
    if (d.action == Action::Pending) ctx_.state.workFound = true;
    Keep(f, d, cause);
    return Next::Go;
}

// What has something to do (or, in test mode, something to say) is kept in
// the plan with the facts it was decided on; the marks of the reverse pass
// are set as they are decided.
void TreeWalk::Keep(const FileCase& f, const Decision& d, const std::wstring& detail) {
    RunState& st = ctx_.state;
    switch (d.action) {
    case Action::Leave:
        if (d.lineId == 0) return;
        break;
    case Action::Pending: st.pendingActions.Add(f.t); return;
    case Action::CopyIfMarked:
        if (!st.reverseMarks.Contains(f.t) && !st.reverseAsks.Contains(f.t)) return;
        break;
    case Action::MarkReverse: st.reverseMarks.Add(f.o); break;
    case Action::AskNewerSync: st.reverseAsks.Add(f.o); break;
    case Action::Ignore:
        if (!st.testMode) return;
        break;
    default: break;
    }
    Step step;
    step.kind = StepKind::File;
    step.decision = d;
    step.text = f.name;
    step.thisStamp = f.thisStamp;
    step.otherWrite = f.otherStamp.write;
    step.otherSize = f.otherStamp.size;
    if (!detail.empty()) step.index = plan_->AddDetail(detail);
    plan_->Add(std::move(step));
}

Next TreeWalk::FolderEntry(FolderWalk& walk, const ListedEntry& entry) {
    // The program's own at a root, on either side; deeper, an ordinary folder.
    if (AtRoot(pass_, walk.thisFolder) && IsSetAsideFolderName(entry.name)) return Next::Go;
    if (!ctx_.filter.Accept(entry.name, true, entry.stamp.creation, entry.stamp.write)) return Next::Go;
    const std::wstring t = walk.thisFolder + entry.name + L"\\";
    const std::wstring o = walk.otherFolder + entry.name + L"\\";
    if (!guards_.Reachable(t, o, log_)) return Next::Go;
    if (pass_.forward && ctx_.roots && !ctx_.roots->skipInSource.empty() && SameName(t, ctx_.roots->skipInSource))
        return Next::Go;  // the destination inside the source: logged at the start
    if (entry.isLink && guards_.LinkLoopsBack(walk.thisFolder, t)) {
        log_.AppendLine(Message(IDS_FOLDER_LINK_LOOP, {t}));
        return Next::Go;
    }
    const PathSet& unknown = ctx_.state.unknownFolders;
    if (unknown.Contains(t) || unknown.Contains(o) || guards_.IsUnknownItem(t, o)) return Next::Go;
    // Missing on the other side only if the other folder's listing says so.
    const auto listed = walk.otherKinds.find(NameKey(entry.name));
    if (listed == walk.otherKinds.end()) return FolderAgainst(walk, entry, Other::Absent);
    return FolderAgainst(walk, entry, listed->second ? Other::Folder : Other::File);
}

Next TreeWalk::FolderAgainst(FolderWalk& walk, const ListedEntry& entry, Other other) {
    const std::wstring t = walk.thisFolder + entry.name + L"\\";
    const std::wstring o = walk.otherFolder + entry.name + L"\\";
    switch (other) {
    case Other::File: reports_.KindsDiffer(t, walk.otherFolder + entry.name); return Next::Go;
    case Other::Folder: {
        const EntryLook look = ctx_.files.LookAt(o);
        if (look.found == Found::Folder) return Descend(entry.name, t, o, true, false);
        if (look.found == Found::File) {
            reports_.KindsDiffer(t, walk.otherFolder + entry.name);
            return Next::Go;
        }
        // A folder that cannot be looked at is as unknown as one that
        // cannot be listed.
        if (!guards_.OtherSideStillThere(walk.otherFolder, !pass_.forward, log_)) return Next::Stop;
        reports_.UnknownFolder(o, SideIsSource(pass_, false), look.cause, t);
        return Next::Go;
    }
    case Other::Absent: break;
    }
    progress_.Show(t, level::Folder);
    if (!ctx_.filter.DestinationOnly() || (!pass_.forward && !ctx_.filter.ProtectDestination()))
        return MissingFolder(entry, t, o);
    return Next::Go;
}

// A folder the other side lacks. What is walked into: in a run, the folder
// to be copied (and one whose answer may copy it); in test mode, every
// folder of the forward pass, so that each file inside is reported, except
// a link to be deleted (only the link would go) and, in the reverse pass,
// only a folder copied with its first file.
Next TreeWalk::MissingFolder(const ListedEntry& entry, const std::wstring& t, const std::wstring& o) {
    // A folder that holds one of the roots, or something the run could not
    // see, is only ever copied: never deleted, asked about or left as missing.
    const bool guarded = guards_.HoldsARoot(t) || guards_.HoldsUnknown(t);
    const Decision d = DecideMissingFolder(guarded, RulesOf(pass_, ctx_));
    if (d.action == Action::Leave) return Next::Go;
    const bool test = ctx_.state.testMode;
    if (d.action == Action::Ignore && !test) return Next::Go;
    if (pass_.search && pass_.forward) ctx_.state.workFound = true;
    bool descends = d.action == Action::Descend || d.action == Action::CreateFolder || d.action == Action::AskMissing;
    if (test) descends = pass_.forward ? !(entry.isLink && d.action == Action::DeleteFolder) : d.action == Action::Descend;
    const bool answerMayCopy = !test && d.action != Action::Descend;
    if (d.action != Action::Descend) {
        Step step;
        step.kind = StepKind::Folder;
        step.decision = d;
        step.isLink = entry.isLink;
        step.subtree = descends;
        step.text = entry.name;
        // The guard counts what a folder deletion takes with it; the walk
        // does not go in, so the files are counted here, only when needed.
        if (ctx_.options.guardOn && d.action == Action::DeleteFolder && !descends && !entry.isLink) {
            step.filesBelow = CountFilesBelow(ctx_.files, ctx_.filter, t);
            passFiles_ += step.filesBelow;
        }
        plan_->Add(std::move(step));
    }
    if (!descends) return Next::Go;
    return Descend(entry.name, t, o, false, answerMayCopy);
}

// A listed entry that a look cannot reach (a dropped share, a busy server, a
// link whose target is offline): one error line with the system's cause, and
// neither it nor its counterpart is touched in any pass. A look that failed
// because the other side's root is gone ends the run as a vanished root does.
Next TreeWalk::LookFailed(FolderWalk& walk, const std::wstring& path, const std::wstring& counterpart,
                          const EntryLook& look, bool otherSide) {
    if (otherSide && !guards_.OtherSideStillThere(walk.otherFolder, !pass_.forward, log_)) return Next::Stop;
    reports_.LookFailed(path, counterpart, look.cause);
    return Next::Go;
}

Next TreeWalk::DecideAgain(std::uint32_t pass, const std::wstring& thisFolder, const std::wstring& otherFolder,
                           const std::wstring& name, RunPlan& into) {
    RunPlan* const saved = plan_;
    pass_ = saved->pass(pass);
    plan_ = &into;
    log_.Into(into);
    FolderWalk walk{thisFolder, otherFolder, true};
    const std::wstring t = pass_.single ? pass_.thisFile : thisFolder + name;
    const std::wstring o = pass_.single ? pass_.otherFile : otherFolder + name;
    const EntryLook self = ctx_.files.LookAt(t);
    const EntryLook other = ctx_.files.LookAt(o);
    const Other kind = other.found == Found::Folder ? Other::Folder
                       : other.found == Found::Nothing ? Other::Absent
                                                      : Other::File;  // a look with no answer is no absence
    Next r = Next::Go;
    if (self.found == Found::File && !guards_.IsUnknownItem(t, o)) {
        FileCase f{name, t, o, self.stamp};
        r = FileAgainst(walk, f, kind);
    } else if (self.found == Found::Folder && !guards_.IsUnknownItem(t, o)) {
        ListedEntry entry;
        entry.name = name;
        entry.isFolder = true;
        r = FolderAgainst(walk, entry, kind);
    } else if (self.found == Found::NoAnswer) {
        r = LookFailed(walk, t, o, self, false);
    }
    plan_ = saved;
    log_.Into(*saved);
    return r;
}

Next TreeWalk::DecideSingleFile(std::uint32_t pass, const std::wstring& source, const std::wstring& destination,
                                bool destinationIsFolder) {
    pass_ = plan_->pass(pass);
    ListedEntry found;
    bool have = false, interrupted = false;
    unsigned long error = 0;
    std::wstring cause;
    bool listed = ctx_.files.List(
        source,
        [&](const ListedEntry& e) {
            if (e.isFolder) return true;
            if (!ctx_.filter.Accept(e.name, false, e.stamp.creation, e.stamp.write)) {
                log_.AppendLine(Message(IDS_EXCLUDED_SINGLE_FILE, {e.name}));
                interrupted = Interrupted();
                return !interrupted;
            }
            found = e;
            have = true;
            return false;
        },
        error, cause);
    if (!listed) {
        log_.AppendError(Message(msg::kFileSearchFailed, {source, cause}));
        return Next::Go;
    }
    if (interrupted) return Next::Stop;
    if (!have) return Next::Go;

    FileCase f{found.name, source, destinationIsFolder ? destination + found.name : destination, found.stamp};
    PassInfo& single = plan_->EditPass(pass);
    single.thisFile = f.t;
    single.otherFile = f.o;
    single.thisRoot = ParentFolder(source);
    single.otherRoot = destinationIsFolder ? destination : ParentFolder(f.o);
    pass_ = single;
    FolderWalk walk{single.thisRoot, single.otherRoot};
    progress_.Show(source, level::File);
    const EntryLook other = ctx_.files.LookAt(f.o);
    switch (other.found) {
    case Found::Folder: reports_.KindsDiffer(f.t, f.o + L"\\"); return Next::Go;
    case Found::NoAnswer: log_.AppendError(Message(IDS_LOOK_FAILED, {f.o, f.t, other.cause})); return Next::Go;
    case Found::File: return BothFiles(f);
    case Found::Nothing: break;
    }
    return FileAgainst(walk, f, Other::Absent);
}

}  // namespace mirrant
