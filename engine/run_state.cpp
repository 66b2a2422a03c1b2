#include "engine/run_state.h"

#include <windows.h>

#include <utility>

#include "fileops/path_rules.h"

namespace mirrant {

namespace {

// One key for the paths the file system takes for one.
std::wstring Key(const std::wstring& path) { return NameKey(path); }

}  // namespace

void PathSet::Add(const std::wstring& path) { set_.insert(Key(path)); }

bool PathSet::Contains(const std::wstring& path) const { return set_.count(Key(path)) != 0; }

bool PathSet::AnyUnder(const std::wstring& folder) const {
    std::wstring key = Key(folder);
    if (!key.empty() && key.back() != L'\\') key += L'\\';
    for (const std::wstring& path : set_)
        if (path.size() + 1 >= key.size() && path.compare(0, key.size() - 1, key, 0, key.size() - 1) == 0 &&
            (path.size() + 1 == key.size() || path[key.size() - 1] == L'\\'))
            return true;
    return false;
}

}  // namespace mirrant
