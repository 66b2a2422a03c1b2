#include "fileops/error_text.h"

#include <windows.h>

#include "fileops/path_rules.h"
#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

namespace {
// The longest message a failed file step produces.
constexpr size_t kMaxExceptionText = 33024;

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    if (from.empty()) return;
    for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}
}  // namespace

std::wstring JoinLines(std::wstring text) {
    while (!text.empty() && iswspace(text.back())) text.pop_back();
    ReplaceAll(text, L"\r\n", L"");
    // A lone CR or LF would still break the line of a log file.
    std::erase_if(text, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    return text;
}

std::wstring SystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = (n && buffer) ? std::wstring(buffer, n) : std::wstring();
    if (buffer) LocalFree(buffer);
    return JoinLines(std::move(text));
}

std::wstring ExceptionText(const FileError& error) {
    unsigned id = IDS_FILEOPS_OPEN_ERROR;
    switch (error.step) {
    case FileStep::Open: id = IDS_FILEOPS_OPEN_ERROR; break;
    case FileStep::Read: id = IDS_FILEOPS_READ_ERROR; break;
    case FileStep::Write:
    case FileStep::Close: id = IDS_FILEOPS_WRITE_ERROR; break;
    case FileStep::Flush: id = IDS_FILEOPS_FLUSH_ERROR; break;
    }
    std::wstring text = Message(id, {error.path, SystemErrorText(error.code)});
    if (text.size() > kMaxExceptionText) text.resize(kMaxExceptionText);
    return text;
}

std::wstring ReplaceLongPaths(std::wstring text, std::initializer_list<std::wstring> plainPaths) {
    for (const std::wstring& plain : plainPaths) {
        if (plain.empty()) continue;
        std::wstring longForm = ToLongPath(plain);
        if (longForm != plain) ReplaceAll(text, longForm, plain);
    }
    return text;
}

}  // namespace mirrant
