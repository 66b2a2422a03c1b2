#include "app/command_line.h"

#include <windows.h>
#include <shlobj.h>

#include "batch/batch_file.h"

namespace mirrant {

std::vector<std::wstring> TokenizeCommandLine(const std::wstring& text) {
    std::vector<std::wstring> tokens;
    std::wstring current;
    bool quoted = false;
    auto endToken = [&] {
        if (!current.empty()) tokens.push_back(current);
        current.clear();
    };
    for (wchar_t c : text) {
        if (c == L'"') {
            if (quoted) endToken();
            else current.clear();
            quoted = !quoted;
        } else if (c == L' ' && !quoted) {
            endToken();
        } else {
            current.push_back(c);
        }
    }
    endToken();
    return tokens;
}

CommandLine ParseCommandLine(const std::wstring& text) {
    CommandLine cl;
    cl.tokens = TokenizeCommandLine(text);
    if (!cl.tokens.empty()) {
        const std::wstring& first = cl.tokens.front();
        if (first == L"/S" || first == L"/s") {
            cl.unattended = true;
            cl.overwriteScheduleLog = first == L"/s";
            cl.tokens.erase(cl.tokens.begin());
            if (!cl.tokens.empty() && (cl.tokens.front() == L"/T" || cl.tokens.front() == L"/t")) {
                cl.testMode = true;
                cl.tokens.erase(cl.tokens.begin());
            }
        }
    }
    return cl;
}

bool HasBatchExtension(const std::wstring& token) { return FormatOfPath(token) != BatchFormat::Unknown; }

bool IsTextBatchExtension(const std::wstring& token) { return TextDefaultForPath(token); }

std::wstring ProcessArguments() {
    // Skip the program name the way the system's own parser does: a quoted
    // first token ends at the closing quote, else at the first space or tab.
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

std::wstring ShellResolvePath(const std::wstring& token) {
    HRESULT co = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring result = token;
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (SUCCEEDED(SHParseDisplayName(token.c_str(), nullptr, &pidl, 0, nullptr)) && pidl) {
        wchar_t path[MAX_PATH * 4] = {};
        if (SHGetPathFromIDListW(pidl, path) && path[0]) result = path;
        CoTaskMemFree(pidl);
    }
    if (SUCCEEDED(co)) CoUninitialize();
    return result;
}

}  // namespace mirrant
