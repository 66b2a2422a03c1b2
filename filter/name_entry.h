#pragma once
// Entering one name for a name list: the rules a name must follow, the
// checks against the lists of its page, and the small dialog (139) that asks
// for it.
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/message_box.h"

namespace mirrant {

// The longest name the dialog takes (also the capacity of a whole list).
inline constexpr std::size_t kMaxNameLength = 250;
// Characters a name may not hold, in the order the refusal names them.
inline constexpr wchar_t kForbiddenNameChars[] = L"\\/:\"<>|";

// Checks and tidies a typed name: trailing dots go and "**" becomes "*".
// With confirm, a changed name is offered to the user first (declining
// rejects it with an empty message; name keeps the changed text). False:
// rejected, message says why (empty when nothing is to be shown).
bool NormalizeName(std::wstring& name, bool confirm, Prompter& prompter, std::wstring& message);

// Whether name may enter the list `own` while `other` is the opposite list
// of the same page. Shows the duplicate and capacity refusals itself; a name
// the other list holds (ignoring case) is rejected and returned in
// `conflict` for the page to report.
bool CheckNewName(const std::wstring& name, const std::vector<std::wstring>& own,
                  const std::vector<std::wstring>& other, Prompter& prompter, std::wstring& conflict);

class NameEntryDialog : public Dialog {
public:
    // prompter null: real message boxes owned by the dialog.
    NameEntryDialog(std::wstring title, std::wstring prompt, std::wstring text, Prompter* prompter);
    const std::wstring& text() const { return text_; }

protected:
    bool OnInit() override;
    void OnOK() override;

private:
    // The replacement question is a notice the user confirms: it carries the
    // information icon, not the question mark.
    class Boxes : public MessageBoxPrompter {
    public:
        using MessageBoxPrompter::MessageBoxPrompter;
        bool YesNo(const std::wstring& text, bool defaultNo = false) override;
    };

    void Refuse();
    std::wstring title_;
    std::wstring prompt_;
    std::wstring text_;
    Prompter* prompter_;
    Boxes boxes_{nullptr};
};

}  // namespace mirrant
