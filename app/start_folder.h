#pragma once
#include <string>

namespace mirrant {

// The process's current folder when the program starts, always ending in a
// backslash (empty when it cannot be obtained). The default log paths are
// built on it.
std::wstring StartFolderFrom(const std::wstring& currentFolder);
std::wstring CurrentStartFolder();

}  // namespace mirrant
