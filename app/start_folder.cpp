#include "app/start_folder.h"

#include <windows.h>

namespace mirrant {

std::wstring StartFolderFrom(const std::wstring& currentFolder) {
    if (currentFolder.empty()) return {};
    return currentFolder.back() == L'\\' ? currentFolder : currentFolder + L"\\";
}

std::wstring CurrentStartFolder() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return {};
    std::wstring folder(n, L'\0');
    n = GetCurrentDirectoryW(n, folder.data());
    folder.resize(n);
    return StartFolderFrom(folder);
}

}  // namespace mirrant
