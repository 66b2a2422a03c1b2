#include "framework/edition.h"

#include <windows.h>

#include "framework/text.h"
#include "res/resource.h"
#include "res/version.h"

namespace mirrant {

std::wstring ProductName() {
    return LoadText(kNarrowBuild ? IDS_PRODUCT_NAME_NARROW : IDS_PRODUCT_NAME_WIDE);
}

namespace {
std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
}  // namespace

std::wstring ProgramVersionText() {
    const char* text = MIRRANT_VERSION_DISPLAY_TEXT;
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

std::wstring ProgramName() {
    std::wstring path = ModulePath();
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return name;
}

std::wstring ProgramFolder() {
    std::wstring path = ModulePath();
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring RegistryRootFor(const std::wstring& programName) {
    return L"Software\\" + LoadText(IDS_REGISTRY_COMPANY) + L"\\" + programName;
}

}  // namespace mirrant
