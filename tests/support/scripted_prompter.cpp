#include "support/scripted_prompter.h"

#include <algorithm>

namespace mirrant::testing {

PromptAnswer ScriptedPrompter::Next() {
    if (answers_.empty()) return PromptAnswer::Yes;
    PromptAnswer a = answers_.front();
    answers_.pop_front();
    return a;
}

void ScriptedPrompter::Warning(const std::wstring& text) {
    prompts_.push_back({PromptKind::Warning, text});
}

void ScriptedPrompter::Information(const std::wstring& text) {
    prompts_.push_back({PromptKind::Information, text});
}

bool ScriptedPrompter::YesNo(const std::wstring& text, bool defaultNo) {
    prompts_.push_back({PromptKind::YesNo, text});
    lastDefaultNo_ = defaultNo;
    return Next() == PromptAnswer::Yes;
}

PromptAnswer ScriptedPrompter::YesNoCancel(const std::wstring& text) {
    prompts_.push_back({PromptKind::YesNoCancel, text});
    PromptAnswer a = Next();
    return a == PromptAnswer::Ok ? PromptAnswer::Yes : a;
}

size_t ScriptedPrompter::Count(PromptKind kind) const {
    return static_cast<size_t>(std::count_if(prompts_.begin(), prompts_.end(),
                                             [&](const RecordedPrompt& p) { return p.kind == kind; }));
}

size_t ScriptedPrompter::CountText(const std::wstring& text) const {
    return static_cast<size_t>(std::count_if(prompts_.begin(), prompts_.end(),
                                             [&](const RecordedPrompt& p) { return p.text == text; }));
}

}  // namespace mirrant::testing
