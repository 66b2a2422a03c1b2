#include "engine/run_guard.h"

#include <string>
#include <vector>

#include "framework/log_sink.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

bool GuardTrips(std::uint64_t changed, std::uint64_t files, int percent, int minimum) {
    if (minimum < 1) minimum = 1;
    return changed >= static_cast<std::uint64_t>(minimum) &&
           changed * 100 > static_cast<std::uint64_t>(percent < 0 ? 0 : percent) * files;
}

GuardVerdict JudgePlan(const RunPlan& plan, const RunState& state, const SideFileCounts& files,
                       const RunOptions& options) {
    GuardVerdict v;
    v.source.files = files.source;
    v.destination.files = files.destination;
    // Each path is counted once, whichever passes decided it.
    PathSet counted;
    std::vector<std::wstring> folders;  // this side's folder of each level of the pass
    bool forward = true;
    auto count = [&](GuardSide& side, const std::wstring& path, std::uint64_t n) {
        if (n == 0 || counted.Contains(path)) return;
        counted.Add(path);
        side.changed += n;
    };
    for (size_t i = 0; i < plan.size(); ++i) {
        const Step& s = plan[i];
        GuardSide& thisSide = forward ? v.source : v.destination;
        GuardSide& otherSide = forward ? v.destination : v.source;
        switch (s.kind) {
        case StepKind::Pass: {
            const PassInfo& pass = plan.pass(s.index);
            if (pass.single) return v;  // one file: never guarded
            forward = pass.forward;
            folders.assign(1, pass.thisRoot);
            break;
        }
        case StepKind::Enter: folders.push_back(folders.back() + s.text + L"\\"); break;
        case StepKind::Leave:
            if (folders.size() > 1) folders.pop_back();
            break;
        case StepKind::File:
            if (s.readFailed) break;
            switch (s.decision.action) {
            // Keyed by the walked side's path: a deletion there, or the
            // replacement of its counterpart.
            case Action::Delete: count(thisSide, L"D" + folders.back() + s.text, 1); break;
            case Action::Copy: count(otherSide, L"R" + folders.back() + s.text, 1); break;
            case Action::CopyIfMarked: {
                const std::wstring path = folders.back() + s.text;
                if (state.reverseMarks.Contains(path)) count(otherSide, L"R" + path, 1);
                break;
            }
            default: break;
            }
            break;
        case StepKind::Folder:
            if (s.decision.action == Action::DeleteFolder) count(thisSide, L"D" + folders.back() + s.text + L"\\", s.filesBelow);
            break;
        default: break;
        }
    }
    v.source.trips = GuardTrips(v.source.changed, v.source.files, options.guardPercent, options.guardMinimum);
    v.destination.trips =
        GuardTrips(v.destination.changed, v.destination.files, options.guardPercent, options.guardMinimum);
    return v;
}

GuardOutcome ApplyGuard(const GuardVerdict& verdict, const RunOptions& options, bool unattended, bool testMode,
                        EnginePrompter& prompter, LogSink& log) {
    if (!verdict.trips()) return GuardOutcome::Go;
    struct Side {
        const GuardSide& counts;
        unsigned labelId;
    };
    // The destination first: it is what a backup keeps.
    const Side sides[] = {{verdict.destination, IDS_FILEOPS_DESTINATION_LABEL},
                          {verdict.source, IDS_FILEOPS_SOURCE_LABEL}};
    const unsigned percent = static_cast<unsigned>(options.guardPercent);
    auto text = [&](unsigned id, const Side& side) {
        return Message(id, {LoadText(side.labelId), side.counts.files, side.counts.changed, percent});
    };
    if (testMode) {
        for (const Side& side : sides)
            if (side.counts.trips) log.AppendLine(text(IDS_GUARD_TEST_VERDICT, side));
        return GuardOutcome::Go;
    }
    if (unattended) {
        for (const Side& side : sides)
            if (side.counts.trips) log.AppendError(text(IDS_GUARD_STOPPED, side));
        log.AppendLine(LoadText(IDS_GUARD_HOW_TO_GO_ON));
        return GuardOutcome::Stopped;
    }
    std::wstring counts;
    for (const Side& side : sides) {
        if (!side.counts.trips) continue;
        if (!counts.empty()) counts += L"\n";
        counts += text(IDS_GUARD_SIDE_COUNTS, side);
    }
    if (prompter.YesNo(Message(IDS_GUARD_QUESTION, {counts}), true)) return GuardOutcome::Go;
    log.AppendLine(LoadText(msg::kInterrupted));
    return GuardOutcome::Declined;
}

}  // namespace mirrant
