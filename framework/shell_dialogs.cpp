#include "framework/shell_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

namespace mirrant {

std::wstring WithTrailingBackslash(const std::wstring& path) {
    size_t last = path.find_last_of(L'\\');
    if (last == std::wstring::npos || last + 1 < path.size()) return path + L"\\";
    return path;
}

std::wstring FolderChooser::RememberedFormOf(const std::wstring& chosen) {
    if (chosen.size() > 2 && chosen[0] == L'\\' && chosen[1] == L'\\') {
        size_t server = chosen.find(L'\\', 2);
        if (server != std::wstring::npos && chosen.find(L'\\', server + 1) == std::wstring::npos)
            return chosen + L"\\";
    }
    return chosen;
}

namespace {

struct BrowseContext {
    const std::wstring* caption;
    const std::wstring* initial;
};

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg != BFFM_INITIALIZED) return 0;
    auto* ctx = reinterpret_cast<BrowseContext*>(data);
    if (!ctx->caption->empty()) SetWindowTextW(hwnd, ctx->caption->c_str());
    if (!ctx->initial->empty())
        SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(ctx->initial->c_str()));
    return 0;
}

}  // namespace

std::wstring FolderChooser::Choose(HWND owner, const std::wstring& prompt, const std::wstring& caption,
                                   const std::wstring& initialFolder) {
    HRESULT co = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BrowseContext ctx{&caption, &initialFolder};
    BROWSEINFOW bi{};
    bi.hwndOwner = owner;
    bi.lpszTitle = prompt.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lpfn = BrowseCallback;
    bi.lParam = reinterpret_cast<LPARAM>(&ctx);
    std::wstring result;
    if (PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi)) {
        wchar_t path[MAX_PATH * 4] = {};
        if (SHGetPathFromIDListW(pidl, path) && path[0]) {
            remembered_ = RememberedFormOf(path);
            result = WithTrailingBackslash(path);
        }
        CoTaskMemFree(pidl);
    }
    if (SUCCEEDED(co)) CoUninitialize();
    return result;
}

namespace {

std::vector<std::wstring> RunFileDialog(HWND owner, const FileDialogRequest& request, int* filterIndex, bool save,
                                        bool several) {
    std::wstring filter = request.filter;
    for (auto& c : filter)
        if (c == L'|') c = L'\0';
    filter.push_back(L'\0');
    std::vector<wchar_t> name(32768, L'\0');
    request.initialName.copy(name.data(), name.size() - 1);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = filterIndex && *filterIndex > 0 ? static_cast<DWORD>(*filterIndex) : 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrInitialDir = request.initialFolder.empty() ? nullptr : request.initialFolder.c_str();
    ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    ofn.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER |
                (save ? (request.askOverwrite ? OFN_OVERWRITEPROMPT : 0) : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST) |
                (several ? OFN_ALLOWMULTISELECT : 0);
    BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) return {};
    if (filterIndex) *filterIndex = static_cast<int>(ofn.nFilterIndex);
    // Several files come as the folder and then each name, every one ended
    // by a zero; a single file comes as its whole path.
    std::vector<std::wstring> parts;
    for (const wchar_t* p = name.data(); p < name.data() + name.size() && *p; p += parts.back().size() + 1)
        parts.emplace_back(p);
    if (parts.size() <= 1) return parts;
    std::wstring folder = parts.front();
    if (folder.back() != L'\\') folder += L'\\';
    std::vector<std::wstring> files;
    for (size_t i = 1; i < parts.size(); ++i) files.push_back(folder + parts[i]);
    return files;
}

}  // namespace

std::wstring ChooseOpenFile(HWND owner, const FileDialogRequest& request, int* filterIndex) {
    std::vector<std::wstring> chosen = RunFileDialog(owner, request, filterIndex, false, false);
    return chosen.empty() ? std::wstring() : chosen.front();
}

std::vector<std::wstring> ChooseOpenFiles(HWND owner, const FileDialogRequest& request) {
    return RunFileDialog(owner, request, nullptr, false, true);
}

std::wstring ChooseSaveFile(HWND owner, const FileDialogRequest& request, int* filterIndex) {
    std::vector<std::wstring> chosen = RunFileDialog(owner, request, filterIndex, true, false);
    return chosen.empty() ? std::wstring() : chosen.front();
}

}  // namespace mirrant
