#include "framework/message_box.h"

#include "framework/edition.h"

namespace mirrant {

int MessageBoxPrompter::Show(const std::wstring& text, UINT flags) {
    return MessageBoxW(owner_, text.c_str(), ProductName().c_str(), flags);
}

void MessageBoxPrompter::Warning(const std::wstring& text) { Show(text, MB_OK | MB_ICONEXCLAMATION); }

void MessageBoxPrompter::Information(const std::wstring& text) { Show(text, MB_OK | MB_ICONINFORMATION); }

bool MessageBoxPrompter::YesNo(const std::wstring& text, bool defaultNo) {
    return Show(text, MB_YESNO | MB_ICONQUESTION | (defaultNo ? MB_DEFBUTTON2 : 0)) == IDYES;
}

PromptAnswer MessageBoxPrompter::YesNoCancel(const std::wstring& text) {
    switch (Show(text, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return PromptAnswer::Yes;
    case IDNO: return PromptAnswer::No;
    default: return PromptAnswer::Cancel;
    }
}

}  // namespace mirrant
