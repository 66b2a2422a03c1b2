#include "filter/name_entry.h"

#include "filter/filter_set.h"
#include "framework/edition.h"
#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

bool NormalizeName(std::wstring& name, bool confirm, Prompter& prompter, std::wstring& message) {
    message.clear();
    if (name.empty()) {
        message = LoadText(IDS_FILTER_NAME_EMPTY);
        return false;
    }
    if (name == L"." || name == L"..") {
        message = Message(IDS_FILTER_NAME_UNUSABLE, {name});
        return false;
    }
    if (name.find_first_of(kForbiddenNameChars) != std::wstring::npos) {
        message = Message(IDS_FILTER_NAME_UNUSABLE, {kForbiddenNameChars});
        return false;
    }
    // The system drops trailing dots from names, so a pattern ending in one
    // could never match.
    std::wstring tidy = name;
    while (!tidy.empty() && tidy.back() == L'.') tidy.pop_back();
    if (tidy.empty()) {
        message = Message(IDS_FILTER_NAME_UNUSABLE, {name});
        return false;
    }
    for (std::size_t at = tidy.find(L"**"); at != std::wstring::npos; at = tidy.find(L"**"))
        tidy.replace(at, 2, L"*");
    if (tidy == name) return true;
    name = tidy;
    if (confirm && !prompter.YesNo(name + LoadText(IDS_FILTER_NAME_REPLACE))) return false;
    return true;
}

bool CheckNewName(const std::wstring& name, const std::vector<std::wstring>& own,
                  const std::vector<std::wstring>& other, Prompter& prompter, std::wstring& conflict) {
    conflict.clear();
    if (name.empty()) return false;
    const std::wstring folded = FoldCase(name);
    for (const std::wstring& entry : own) {
        if (FoldCase(entry) == folded) {
            prompter.Warning(name + LoadText(IDS_FILTER_NAME_DUPLICATE));
            return false;
        }
    }
    for (const std::wstring& entry : other) {
        if (FoldCase(entry) == folded) {
            conflict = name;
            return false;
        }
    }
    // The joined text after the addition: every entry with its separator.
    std::size_t joined = name.size();
    for (const std::wstring& entry : own) joined += entry.size() + 1;
    if (joined > kMaxListText) {
        prompter.Warning(LoadText(IDS_FILTER_LIST_FULL));
        return false;
    }
    return true;
}

NameEntryDialog::NameEntryDialog(std::wstring title, std::wstring prompt, std::wstring text, Prompter* prompter)
    : Dialog(IDD_NAME_ENTRY), title_(std::move(title)), prompt_(std::move(prompt)), text_(std::move(text)),
      prompter_(prompter) {}

bool NameEntryDialog::OnInit() {
    boxes_.setOwner(hwnd());
    if (!title_.empty()) SetTitle(title_);
    if (!prompt_.empty()) SetItemText(IDC_NAME_PROMPT, prompt_);
    SendItem(IDC_NAME_EDIT, EM_LIMITTEXT, kMaxNameLength);
    SetItemText(IDC_NAME_EDIT, text_);
    return true;
}

void NameEntryDialog::OnOK() {
    std::wstring name = ItemText(IDC_NAME_EDIT);
    // Only a program can put more into the box than it takes by typing.
    if (name.size() > kMaxNameLength) {
        Refuse();
        return;
    }
    Prompter& prompter = prompter_ ? *prompter_ : boxes_;
    std::wstring message;
    const bool accepted = NormalizeName(name, true, prompter, message);
    SetItemText(IDC_NAME_EDIT, name);
    if (accepted) {
        text_ = name;
        End(IDOK);
        return;
    }
    if (!message.empty()) prompter.Warning(message);
    Refuse();
}

bool NameEntryDialog::Boxes::YesNo(const std::wstring& text, bool defaultNo) {
    const UINT flags = MB_YESNO | MB_ICONINFORMATION | (defaultNo ? MB_DEFBUTTON2 : 0);
    return MessageBoxW(owner(), text.c_str(), ProductName().c_str(), flags) == IDYES;
}

void NameEntryDialog::Refuse() {
    HWND box = Item(IDC_NAME_EDIT);
    SetFocus(box);
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

}  // namespace mirrant
