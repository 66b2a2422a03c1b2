#include "engine/run_plan.h"

namespace mirrant {

std::uint32_t RunPlan::AddPass(PassInfo pass) {
    passes_.push_back(std::move(pass));
    const auto index = static_cast<std::uint32_t>(passes_.size() - 1);
    Step step;
    step.kind = StepKind::Pass;
    step.index = index;
    steps_.push_back(std::move(step));
    return index;
}

std::uint32_t RunPlan::AddDetail(std::wstring text) {
    details_.push_back(std::move(text));
    return static_cast<std::uint32_t>(details_.size() - 1);
}

void RunPlan::CloseFolder(size_t mark, bool keepEmpty) {
    bool holdsWork = keepEmpty;
    for (size_t i = mark + 1; i < steps_.size() && !holdsWork; ++i) holdsWork = steps_[i].kind != StepKind::Leftover;
    if (!holdsWork) {
        steps_.resize(mark);
        return;
    }
    Step leave;
    leave.kind = StepKind::Leave;
    steps_.push_back(std::move(leave));
}

size_t RunPlan::EndOfFolder(size_t enter) const {
    int depth = 0;
    for (size_t i = enter; i < steps_.size(); ++i) {
        if (steps_[i].kind == StepKind::Enter) ++depth;
        else if (steps_[i].kind == StepKind::Leave && --depth == 0) return i;
    }
    return steps_.size();
}

void PlanLog::AppendLine(const std::wstring& text, const std::wstring& errorText) {
    const bool error = !errorText.empty();
    Step line;
    line.kind = StepKind::Line;
    line.error = error;
    line.text = text;
    plan_->Add(std::move(line));
    if (error && errorText != text) {
        Step extra;
        extra.kind = StepKind::ErrorText;
        extra.text = errorText;
        plan_->Add(std::move(extra));
    }
}

}  // namespace mirrant
