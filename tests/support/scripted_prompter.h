#pragma once
// A Prompter that records every prompt (kind and exact text) and answers
// from a queue. An empty queue answers Yes/Ok, so a test states only the
// answers that matter: "answer No three times" is three Push(No).
#include <deque>
#include <string>
#include <vector>

#include "framework/prompts.h"

namespace mirrant::testing {

struct RecordedPrompt {
    PromptKind kind;
    std::wstring text;
};

class ScriptedPrompter : public Prompter {
public:
    void Push(PromptAnswer answer) { answers_.push_back(answer); }
    void Push(PromptAnswer answer, int times) { for (int i = 0; i < times; ++i) Push(answer); }

    void Warning(const std::wstring& text) override;
    void Information(const std::wstring& text) override;
    bool YesNo(const std::wstring& text, bool defaultNo = false) override;
    PromptAnswer YesNoCancel(const std::wstring& text) override;

    const std::vector<RecordedPrompt>& prompts() const { return prompts_; }
    size_t Count(PromptKind kind) const;
    size_t CountText(const std::wstring& text) const;
    size_t unusedAnswers() const { return answers_.size(); }
    // Whether the last Yes/No question had No as its default button.
    bool lastDefaultNo() const { return lastDefaultNo_; }

private:
    PromptAnswer Next();
    std::deque<PromptAnswer> answers_;
    std::vector<RecordedPrompt> prompts_;
    bool lastDefaultNo_ = false;
};

}  // namespace mirrant::testing
