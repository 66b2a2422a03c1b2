#include "framework/recent_files.h"

#include <windows.h>

#include "framework/profile.h"
#include "framework/text.h"

namespace mirrant {

RecentFileList::RecentFileList(std::wstring section, std::wstring entryFormat, size_t capacity,
                               size_t displayLength)
    : section_(std::move(section)), format_(std::move(entryFormat)), capacity_(capacity),
      displayLength_(displayLength) {}

std::wstring RecentFileList::ValueName(size_t index) const {
    return FormatText(format_, {static_cast<unsigned>(index + 1)});
}

void RecentFileList::Load(const ProfileStore& store) {
    entries_.clear();
    for (size_t i = 0; i < capacity_; ++i) {
        std::wstring path = store.GetString(section_, ValueName(i), L"");
        if (!path.empty()) entries_.push_back(path);
    }
}

void RecentFileList::Save(ProfileStore& store) const {
    for (size_t i = 0; i < capacity_; ++i) {
        if (i < entries_.size()) store.SetString(section_, ValueName(i), entries_[i]);
        else store.DeleteValue(section_, ValueName(i));
    }
}

void RecentFileList::Add(const std::wstring& path) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (CompareStringOrdinal(entries_[i].c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL) {
            entries_.erase(entries_.begin() + static_cast<long>(i));
            break;
        }
    }
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > capacity_) entries_.resize(capacity_);
}

void RecentFileList::Remove(size_t index) {
    if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<long>(index));
}

std::wstring RecentFileList::DisplayName(size_t index) const {
    return index < entries_.size() ? Shorten(entries_[index], displayLength_) : std::wstring();
}

std::wstring RecentFileList::Shorten(const std::wstring& path, size_t limit) {
    if (path.size() <= limit) return path;
    size_t lastSlash = path.find_last_of(L'\\');
    std::wstring name = lastSlash == std::wstring::npos ? path : path.substr(lastSlash + 1);
    if (lastSlash == std::wstring::npos || name.size() + 4 >= limit) return name.substr(0, limit);
    // Root (drive or share) first, then as much of the tail as fits.
    size_t rootEnd = path.find(L'\\', path.rfind(L"\\\\", 0) == 0 ? path.find(L'\\', 2) + 1 : 0);
    std::wstring root = rootEnd == std::wstring::npos ? std::wstring() : path.substr(0, rootEnd + 1);
    std::wstring tail = L"\\" + name;
    size_t cut = lastSlash;
    while (cut > root.size()) {
        size_t prev = path.find_last_of(L'\\', cut - 1);
        if (prev == std::wstring::npos || prev < root.size()) break;
        std::wstring longer = path.substr(prev, lastSlash - prev) + L"\\" + name;
        if (root.size() + 3 + longer.size() > limit) break;
        tail = longer;
        cut = prev;
    }
    std::wstring shortened = root + L"..." + tail;
    return shortened.size() <= limit ? shortened : name.substr(0, limit);
}

}  // namespace mirrant
