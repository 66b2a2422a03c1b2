#include "engine/plan_executor.h"

#include <windows.h>

#include <algorithm>

#include "framework/log_sink.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

bool ForMissingItem(Action a) {
    switch (a) {
    case Action::CopyNew:
    case Action::Delete:
    case Action::AskMissing:
    case Action::Ignore:
    case Action::Descend:
    case Action::CreateFolder:
    case Action::DeleteFolder: return true;
    default: return false;
    }
}

bool SameFacts(const EntryLook& look, std::uint64_t write, std::uint64_t size) {
    return look.found == Found::File && look.stamp.write == write && look.stamp.size == size;
}

// What the per-item choice made of a missing item, as the decision of its policy.
Action ChosenAction(MissingPolicy chosen, bool folder, const RunOptions& options) {
    switch (chosen) {
    case MissingPolicy::Copy:
        if (!folder) return Action::CopyNew;
        return options.copyEmptyFolders ? Action::CreateFolder : Action::Descend;
    case MissingPolicy::Delete: return folder ? Action::DeleteFolder : Action::Delete;
    case MissingPolicy::Ask:
    case MissingPolicy::Ignore: break;
    }
    return Action::Ignore;
}

}  // namespace

PlanExecutor::PlanExecutor(const WalkContext& context, Progress& progress, TreeWalk& decider, const RunPlan& plan)
    : ctx_(context), progress_(progress), decider_(decider), plan_(plan), actions_(context, progress),
      questions_(context), report_(context), totals_(progress) {}

Next PlanExecutor::Run(bool decidedWhole) {
    linesOnly_ = !decidedWhole && !ctx_.state.testMode;
    if (!ctx_.state.testMode && decidedWhole) totals_.Count(plan_);
    if (Steps(plan_, 0, plan_.size()) == Next::Stop || !decidedWhole) return Next::Stop;
    if (!ctx_.state.testMode && acted_ && Interrupted()) return Next::Stop;
    return Next::Go;
}

bool PlanExecutor::Interrupted() {
    if (!StopRequested(progress_)) return false;
    ctx_.log.AppendLine(LoadText(msg::kInterrupted));
    return true;
}

DecisionRules PlanExecutor::Rules() const {
    const PassInfo& pass = plan_.pass(pass_);
    const bool oneWay = pass.single || ctx_.mode == RunMode::Overwrite || ctx_.mode == RunMode::OverwriteTest;
    return {ctx_.options, pass.forward, pass.search, oneWay};
}

void PlanExecutor::BeginPass(std::uint32_t index) {
    pass_ = index;
    const PassInfo& pass = plan_.pass(index);
    if (!pass.title.empty()) progress_.SetTitle(pass.title);
    if (pass.directionId) progress_.SetDirection(LoadText(pass.directionId));
    ExecFrame root{pass.thisRoot, pass.otherRoot};
    root.listLeftovers = pass.single;
    frames_.assign(1, std::move(root));
}

StepPaths PlanExecutor::PathsOf(const Step& s) const {
    const PassInfo& pass = plan_.pass(pass_);
    if (pass.single) return {pass.thisFile, pass.otherFile};
    const ExecFrame& frame = frames_.back();
    const wchar_t* end = s.kind == StepKind::Folder ? L"\\" : L"";
    return {frame.thisFolder + s.text + end, frame.otherFolder + s.text + end};
}

Next PlanExecutor::Steps(const RunPlan& plan, size_t from, size_t to) {
    const bool test = ctx_.state.testMode;
    for (size_t i = from; i < to; ++i) {
        const Step s = plan[i];  // a copy: reading the next step may read another block
        if (plan.broken()) {
            ctx_.log.AppendError(LoadText(IDS_PLAN_UNREADABLE));
            return Next::Stop;
        }
        Next r = Next::Go;
        switch (s.kind) {
        case StepKind::Pass:
            // A pass that follows an interrupted one does not begin.
            if (!test && acted_ && Interrupted()) return Next::Stop;
            BeginPass(s.index);
            break;
        case StepKind::Enter: {
            const ExecFrame& parent = frames_.back();
            frames_.push_back({parent.thisFolder + s.text + L"\\", parent.otherFolder + s.text + L"\\"});
            break;
        }
        case StepKind::Leave: frames_.pop_back(); break;
        case StepKind::Line: {
            const bool ownErrorText = i + 1 < to && plan[i + 1].kind == StepKind::ErrorText;
            ctx_.log.AppendLine(s.text, s.error ? (ownErrorText ? plan[i + 1].text : s.text) : std::wstring());
            break;
        }
        case StepKind::ErrorText: break;
        case StepKind::Leftover: frames_.back().leftovers.push_back(frames_.back().otherFolder + s.text); break;
        case StepKind::OwnLeftover:
            // The program's own, never part of either tree.
            if (!test && !linesOnly_) actions_.RemoveLeftover(frames_.back().thisFolder + s.text);
            break;
        case StepKind::File: r = FileStep(s, plan); break;
        case StepKind::Folder: {
            bool walkInto = true;
            r = FolderStep(s, walkInto);
            if (r == Next::Go && s.subtree && !walkInto) i = plan.EndOfFolder(i + 1);
            break;
        }
        }
        if (r == Next::Stop) return Next::Stop;
    }
    return Next::Go;
}

Next PlanExecutor::FileStep(const Step& s, const RunPlan& plan) {
    StepPaths p = PathsOf(s);
    p.detail = &plan.detail(s.index);
    if (linesOnly_) return Next::Go;
    if (s.readFailed) return ReadOtherAgain(s);
    if (ctx_.state.testMode) {
        report_.File(s, p, plan_.pass(pass_), *p.detail);
        return Next::Go;
    }
    if (Interrupted()) return Next::Stop;
    acted_ = true;
    return Act(s, s.decision, p);
}

Next PlanExecutor::Act(const Step& s, const Decision& d, const StepPaths& p) {
    if (ForMissingItem(d.action)) return Missing(s, p);
    LogSink& log = ctx_.log;
    switch (d.action) {
    case Action::Leave: log.AppendLine(Message(d.lineId, {p.o, p.t})); return Next::Go;
    case Action::CompareFailed: log.AppendError(Message(msg::kCompareReadError, {p.o, p.t, *p.detail})); return Next::Go;
    case Action::MarkReverse: log.AppendLine(Message(msg::kReverseOverwriteNewer, {p.t, p.o})); return Next::Go;
    case Action::CopyIfMarked:
        if (!ctx_.state.reverseMarks.Contains(p.t)) return Next::Go;
        break;
    default: break;
    }
    // Nothing is replaced or re-stamped on the strength of an earlier look.
    if (!Unchanged(s, p)) return DecideAgain(s);
    switch (d.action) {
    case Action::Copy:
        if (d.lineId == msg::kCompareReadError) log.AppendError(Message(d.lineId, {p.o, p.t, *p.detail}));
        else if (d.lineId == msg::kSameTimeDifferentSize) log.AppendLine(SizesLine(p, s));
        else if (d.lineId != 0) log.AppendLine(Message(d.lineId, {p.t, p.o}));
        return CopyStep(s, p, true);
    case Action::CopyIfMarked: return CopyStep(s, p, true);
    case Action::ReStamp: return actions_.SetTimeOfOther(p, s.thisStamp.write);
    case Action::AskSizes:
        log.AppendLine(SizesLine(p, s));
        if (questions_.CopySizesDiffer(p, s)) return CopyStep(s, p, true);
        Tally(ctx_, &RunTally::left);
        return Next::Go;
    case Action::AskNewer:
        if (questions_.OverwriteNewer(p)) return CopyStep(s, p, true);
        Tally(ctx_, &RunTally::left);
        return Next::Go;
    case Action::AskNewerSync:
        switch (questions_.OverwriteNewerInSync(p)) {
        case RunQuestions::Answer::Copy: return CopyStep(s, p, true);
        case RunQuestions::Answer::Mark: ctx_.state.reverseMarks.Add(p.o); return Next::Go;
        case RunQuestions::Answer::Keep: Tally(ctx_, &RunTally::left); return Next::Go;
        case RunQuestions::Answer::Stop: return Next::Stop;
        }
        return Next::Go;
    default: return Next::Go;
    }
}

// An item the other side lacks that was to be asked about. An earlier
// answer may have changed the policy for the rest of the run: then the
// policy decides it; otherwise the user answers now, about facts looked at
// again. Empty when there is no action: the entry was decided again or the
// run stops, as r then says.
std::optional<Action> PlanExecutor::AnswerMissing(const Step& s, const StepPaths& p, bool folder, Next& r) {
    if (PolicyOf(Rules()) != MissingPolicy::Ask)
        return folder ? DecideMissingFolder(false, Rules()).action : DecideMissingFile(Rules()).action;
    if (!Unchanged(s, p)) {
        r = DecideAgain(s);
        return std::nullopt;
    }
    const MissingSide side = Rules().forward ? MissingSide::Destination : MissingSide::Source;
    const std::optional<MissingPolicy> chosen = questions_.AskMissing(side, folder, p);
    if (!chosen) {
        r = Next::Stop;
        return std::nullopt;
    }
    const Action action = ChosenAction(*chosen, folder, ctx_.options);
    if (action == Action::Ignore) Tally(ctx_, &RunTally::left);
    return action;
}

// A file the other side lacks.
Next PlanExecutor::Missing(const Step& s, const StepPaths& p) {
    Action action = s.decision.action;
    if (action == Action::AskMissing) {
        Next r = Next::Go;
        const std::optional<Action> answered = AnswerMissing(s, p, false, r);
        if (!answered) return r;
        action = *answered;
    }
    if (action == Action::CopyNew) return CopyStep(s, p, false);
    if (action != Action::Delete) return Next::Go;
    WalkGuards guards(ctx_);
    if (!guards.OtherSideStillThere(frames_.back().otherFolder, !Rules().forward, ctx_.log)) return Next::Stop;
    if (!Unchanged(s, p)) return DecideAgain(s);
    return actions_.RemoveFile(frames_.back(), p.t);
}

Next PlanExecutor::FolderStep(const Step& s, bool& walkInto) {
    const StepPaths p = PathsOf(s);
    if (ctx_.state.testMode) {
        report_.Folder(s, p, plan_.pass(pass_));
        return Next::Go;
    }
    if (linesOnly_) return Next::Go;
    if (Interrupted()) return Next::Stop;
    acted_ = true;
    walkInto = false;
    Action action = s.decision.action;
    if (action == Action::AskMissing) {
        Next r = Next::Go;
        const std::optional<Action> answered = AnswerMissing(s, p, true, r);
        if (!answered) return r;
        action = *answered;
    }
    switch (action) {
    case Action::Descend:
        // Made with the first file copied into it.
        progress_.Reset();
        walkInto = true;
        return Next::Go;
    case Action::CreateFolder: return actions_.CreateFolder(frames_.back(), p.o, walkInto);
    case Action::DeleteFolder: {
        WalkGuards guards(ctx_);
        if (!guards.OtherSideStillThere(frames_.back().otherFolder, !Rules().forward, ctx_.log)) return Next::Stop;
        if (!Unchanged(s, p)) return DecideAgain(s);
        return actions_.DeleteFolder(frames_.back(), p.t, s.isLink);
    }
    default: return Next::Go;
    }
}

// The entry as it is now against the facts it was decided on: this side's
// file (its time and size) or folder, and the other side's file, or the
// absence the decision took for granted.
bool PlanExecutor::Unchanged(const Step& s, const StepPaths& p) {
    if (again_ > 0) return true;  // decided from a look taken just now
    FileAccess& files = ctx_.files;
    if (s.kind == StepKind::Folder) {
        return files.LookAt(ItemKey(p.t)).found == Found::Folder &&
               files.LookAt(ItemKey(p.o)).found == Found::Nothing;
    }
    if (!SameFacts(files.LookAt(p.t), s.thisStamp.write, s.thisStamp.size)) return false;
    const EntryLook other = files.LookAt(p.o);
    if (ForMissingItem(s.decision.action)) return other.found == Found::Nothing;
    return SameFacts(other, s.otherWrite, s.otherSize);
}

Next PlanExecutor::DecideAgain(const Step& s) {
    RunPlan again;
    const ExecFrame& frame = frames_.back();
    const Next decided = decider_.DecideAgain(pass_, frame.thisFolder, frame.otherFolder, s.text, again);
    return RunAgain(again, decided);
}

Next PlanExecutor::RunAgain(RunPlan& again, Next decided) {
    const bool linesOnly = linesOnly_;
    linesOnly_ = linesOnly || decided == Next::Stop;
    ++again_;
    Next r = Steps(again, 0, again.size());
    --again_;
    linesOnly_ = linesOnly;
    return decided == Next::Stop ? Next::Stop : r;
}

// The other file's times could not be read when the walk decided: the
// failure is reported, and a retry decides the entry again.
Next PlanExecutor::ReadOtherAgain(const Step& s) {
    const StepPaths p = PathsOf(s);
    RunPlan again;
    Next decided = Next::Go;
    bool retried = false, skipped = false;
    const Next r = actions_.Retry(
        FailureClass::Write, PromptShape::SkipRetryAbort,
        [&]() -> FileActions::Tried {
            if (retried) {
                again = RunPlan();
                const ExecFrame& frame = frames_.back();
                decided = decider_.DecideAgain(pass_, frame.thisFolder, frame.otherFolder, s.text, again);
                const bool unread = again.size() == 1 && again[0].kind == StepKind::File && again[0].readFailed;
                if (decided == Next::Stop || !unread) return {FileActions::Tried::Done};
            }
            retried = true;
            return {FileActions::Tried::Failed, Message(msg::kTimeReadFailed, {p.o})};
        },
        &skipped);
    if (r == Next::Stop) return Next::Stop;
    if (skipped) return Next::Go;
    return RunAgain(again, decided);
}

Next PlanExecutor::CopyStep(const Step& s, const StepPaths& p, bool otherExists) {
    const bool single = plan_.pass(pass_).single;
    totals_.Starting();
    const FileActions::Copied copied = actions_.Copy(frames_.back(), p, s.thisStamp, otherExists, single);
    totals_.Done(s.thisStamp.size);
    switch (copied) {
    case FileActions::Copied::Done: return Next::Go;
    case FileActions::Copied::Stop: return Next::Stop;
    case FileActions::Copied::DecideAgain: break;
    }
    // Someone made a file of that name while this one was copied: it is
    // decided by the rules of two files, never simply replaced.
    RunPlan again;
    const ExecFrame& frame = frames_.back();
    const Next decided = decider_.DecideAgain(pass_, frame.thisFolder, frame.otherFolder, s.text, again);
    return RunAgain(again, decided);
}

namespace {

// What may copy a file when the executor reaches it.
bool MayCopy(Action a) {
    switch (a) {
    case Action::Copy:
    case Action::CopyIfMarked:
    case Action::CopyNew:
    case Action::AskSizes:
    case Action::AskNewer:
    case Action::AskNewerSync: return true;
    default: return false;
    }
}

}  // namespace

void CopyTotals::Count(const RunPlan& plan) {
    for (size_t i = 0; i < plan.size(); ++i) {
        const Step& s = plan[i];
        if (s.kind != StepKind::File || s.readFailed || !MayCopy(s.decision.action)) continue;
        ++totals_.filesTotal;
        totals_.bytesTotal += s.thisStamp.size;
    }
    if (totals_.filesTotal > 0) progress_.SetTotals(totals_);
}

void CopyTotals::Starting() {
    if (firstCopyAt_ == 0) firstCopyAt_ = GetTickCount64();
}

// After a few seconds of copying, the rate so far gives the time left: by
// bytes, or by files when the files are empty.
void CopyTotals::Done(std::uint64_t bytes) {
    if (totals_.filesTotal == 0) return;
    totals_.filesDone = std::min(totals_.filesDone + 1, totals_.filesTotal);
    totals_.bytesDone = std::min(totals_.bytesDone + bytes, totals_.bytesTotal);
    constexpr std::uint64_t kMeasureMs = 3000;
    const std::uint64_t elapsed = GetTickCount64() - firstCopyAt_;
    if (elapsed >= kMeasureMs) {
        const bool byBytes = totals_.bytesTotal > 0 && totals_.bytesDone > 0;
        const double done = static_cast<double>(byBytes ? totals_.bytesDone : totals_.filesDone);
        const double all = static_cast<double>(byBytes ? totals_.bytesTotal : totals_.filesTotal);
        totals_.secondsLeft = static_cast<long long>((all - done) * static_cast<double>(elapsed) / done / 1000.0);
    }
    progress_.SetTotals(totals_);
}

}  // namespace mirrant
