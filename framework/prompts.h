#pragma once
// The one way the engine and the file operations talk to the user. The
// program shows real message boxes (ui/); tests script the answers and record
// every prompt (tests/support/scripted_prompter.h).
#include <string>

namespace mirrant {

enum class PromptKind { Warning, Information, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Yes, No, Cancel };

class Prompter {
public:
    virtual ~Prompter() = default;
    // A refusal or an error: warning box with OK.
    virtual void Warning(const std::wstring& text) = 0;
    // A notice: information box with OK.
    virtual void Information(const std::wstring& text) = 0;
    // A Yes/No question; defaultNo makes "いいえ" the default button (for
    // questions that stop a notice from showing again).
    virtual bool YesNo(const std::wstring& text, bool defaultNo = false) = 0;
    // A Yes/No/Cancel question; Cancel aborts a run.
    virtual PromptAnswer YesNoCancel(const std::wstring& text) = 0;
};

}  // namespace mirrant
