#pragma once
// The executor: carries out a run's plan in the order it was decided, asks
// its questions when it reaches them, and retries a failed action under the
// failure policies. Before it replaces, deletes or re-stamps, it looks at
// the entry again; where the facts changed since the walk decided, that
// entry is decided again from the fresh facts. In test mode it logs what
// each decision would do and changes nothing.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/failure_policy.h"
#include "engine/run_plan.h"
#include "engine/tree_walk.h"
#include "engine/walk_context.h"

namespace mirrant {

// A folder pair the executor is in, with what it learnt of it.
struct ExecFrame {
    std::wstring thisFolder;
    std::wstring otherFolder;
    bool otherReady = false;  // the other folder is known to exist
    bool swept = false;       // the other folder's copy leftovers were removed
    bool listLeftovers = false;  // a single file's: its folder is listed for them at the first copy
    std::vector<std::wstring> leftovers;
};

// The two paths of a step and what it was decided on.
struct StepPaths {
    std::wstring t;
    std::wstring o;
    const std::wstring* detail = nullptr;  // the cause of a failed comparison
};

// The file-system side of the executor: each action with its lines and its
// retries.
class FileActions {
public:
    FileActions(const WalkContext& context, Progress& progress);

    enum class Copied { Done, Stop, DecideAgain };
    Copied Copy(ExecFrame& frame, const StepPaths& p, const FileStamp& stamp, bool otherExists, bool single);
    Next SetTimeOfOther(const StepPaths& p, std::uint64_t writeTime);
    Next RemoveFile(ExecFrame& frame, const std::wstring& t);
    Next DeleteFolder(ExecFrame& frame, const std::wstring& t, bool isLink);
    // Makes o (copying a folder with "copy empty folders"); false in
    // `created` when the failure policy skipped it.
    Next CreateFolder(ExecFrame& frame, const std::wstring& o, bool& created);
    void RemoveLeftover(const std::wstring& path);
    void AfterAction(const ExecFrame& frame);

    // One attempt of an action: done, failed with the line to log, or the
    // run is to stop.
    struct Tried {
        enum { Done, Failed, Stop } result = Done;
        std::wstring failure;
    };
    // Attempts until done, skipped or aborted by the policy of cls (asking
    // in `shape` when it confirms); skipped tells which.
    Next Retry(FailureClass cls, PromptShape shape, const std::function<Tried()>& attempt, bool* skipped = nullptr);

private:
    enum class FolderReady { Ready, Skipped, Stop };
    FolderReady EnsureOtherFolder(ExecFrame& frame);
    Tried MakeFolder(const std::wstring& folder);
    bool SweepLeftovers(ExecFrame& frame);
    bool MovesAside() const { return ctx_.setAside && ctx_.setAside->moves(); }
    bool RemoveFolderTree(const std::wstring& t, bool isLink, unsigned& remaining, bool& refused);
    bool ConfirmFolderDelete(const std::wstring& t, bool& stop);

    const WalkContext& ctx_;
    Progress& progress_;
    FailureHandler failures_;
};

// The questions the executor asks when it reaches an item, and their
// unattended answers.
class RunQuestions {
public:
    explicit RunQuestions(const WalkContext& context) : ctx_(context) {}
    // The per-item choice for an item one side lacks: the policy chosen,
    // none when the user interrupted the run.
    std::optional<MissingPolicy> AskMissing(MissingSide side, bool isFolder, const StepPaths& p);
    bool CopySizesDiffer(const StepPaths& p, const Step& s);
    bool OverwriteNewer(const StepPaths& p);
    // A sync: Yes copies, No marks the other file for the reverse pass;
    // unattended, both are kept.
    enum class Answer { Copy, Mark, Keep, Stop };
    Answer OverwriteNewerInSync(const StepPaths& p);

private:
    const WalkContext& ctx_;
};

// Test mode: the lines of what a decision would do, and what it would set
// aside.
class TestReport {
public:
    explicit TestReport(const WalkContext& context) : ctx_(context) {}
    void File(const Step& s, const StepPaths& p, const PassInfo& pass, const std::wstring& detail);
    void Folder(const Step& s, const StepPaths& p, const PassInfo& pass);

private:
    void Pair(const Step& s, const StepPaths& p, const PassInfo& pass, const std::wstring& detail);
    void Missing(const Step& s, const StepPaths& p, const PassInfo& pass);
    void WouldSetAside(const std::wstring& path, bool folder = false);
    void Count(const Step& s, const PassInfo& pass);

    const WalkContext& ctx_;
};

// "%s" arguments of msg::kSameTimeDifferentSize for a step's two files.
std::wstring SizesLine(const StepPaths& p, const Step& s);

// The files and bytes a plan copies, and how far the executor is with them,
// for the progress window: the rate of the first seconds gives the time left.
class CopyTotals {
public:
    explicit CopyTotals(Progress& progress) : progress_(progress) {}
    void Count(const RunPlan& plan);
    void Starting();
    void Done(std::uint64_t bytes);

private:
    Progress& progress_;
    ProgressTotals totals_;
    std::uint64_t firstCopyAt_ = 0;
};

class PlanExecutor {
public:
    PlanExecutor(const WalkContext& context, Progress& progress, TreeWalk& decider, const RunPlan& plan);

    // Carries out the plan. decidedWhole: the walk decided every pass;
    // otherwise (it was interrupted, or a root went) only the plan's lines
    // are logged and nothing is changed.
    Next Run(bool decidedWhole);

private:
    Next Steps(const RunPlan& plan, size_t from, size_t to);
    void BeginPass(std::uint32_t index);
    StepPaths PathsOf(const Step& s) const;
    bool Interrupted();
    Next FileStep(const Step& s, const RunPlan& plan);
    Next Act(const Step& s, const Decision& d, const StepPaths& p);
    std::optional<Action> AnswerMissing(const Step& s, const StepPaths& p, bool folder, Next& r);
    Next Missing(const Step& s, const StepPaths& p);
    Next FolderStep(const Step& s, bool& walkInto);
    bool Unchanged(const Step& s, const StepPaths& p);
    Next DecideAgain(const Step& s);
    Next RunAgain(RunPlan& again, Next decided);
    Next ReadOtherAgain(const Step& s);
    Next CopyStep(const Step& s, const StepPaths& p, bool otherExists);
    DecisionRules Rules() const;

    const WalkContext& ctx_;
    Progress& progress_;
    TreeWalk& decider_;
    const RunPlan& plan_;
    FileActions actions_;
    RunQuestions questions_;
    TestReport report_;
    CopyTotals totals_;
    std::vector<ExecFrame> frames_;
    std::uint32_t pass_ = 0;
    bool acted_ = false;      // an action was carried out
    bool linesOnly_ = false;  // the plan is incomplete: only its lines are logged
    int again_ = 0;           // within a plan decided again just now: its facts are fresh
};

}  // namespace mirrant
