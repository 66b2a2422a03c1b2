#include "engine/run_state.h"

#include <windows.h>

#include <utility>

namespace mirrant {

namespace {

std::wstring Key(const std::wstring& path) {
    std::wstring key = path;
    if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

}  // namespace

void PathSet::Add(const std::wstring& path) { set_.insert(Key(path)); }

bool PathSet::Contains(const std::wstring& path) const { return set_.count(Key(path)) != 0; }

}  // namespace mirrant
