#pragma once
// The program's prompts as real message boxes, owned by a window. Usable
// from the worker thread: the box is modal to the owner while the owner's
// thread keeps dispatching its messages.
#include <windows.h>

#include "framework/prompts.h"

namespace mirrant {

class MessageBoxPrompter : public Prompter {
public:
    explicit MessageBoxPrompter(HWND owner) : owner_(owner) {}
    void setOwner(HWND owner) { owner_ = owner; }
    HWND owner() const { return owner_; }

    void Warning(const std::wstring& text) override;
    void Information(const std::wstring& text) override;
    bool YesNo(const std::wstring& text, bool defaultNo = false) override;
    PromptAnswer YesNoCancel(const std::wstring& text) override;

private:
    int Show(const std::wstring& text, UINT flags);
    HWND owner_;
};

}  // namespace mirrant
