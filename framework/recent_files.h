#pragma once
// The recent-file list: most recent first, stored as "File1".."FileN" in
// its own registry section; display names are shortened to a limit.
#include <string>
#include <vector>

namespace mirrant {

class ProfileStore;

class RecentFileList {
public:
    RecentFileList(std::wstring section, std::wstring entryFormat, size_t capacity, size_t displayLength);

    void Load(const ProfileStore& store);
    void Save(ProfileStore& store) const;

    // Puts the path first; an equal path (ignoring case) already listed moves up.
    void Add(const std::wstring& path);
    void Remove(size_t index);
    void Clear() { entries_.clear(); }

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const std::wstring& operator[](size_t i) const { return entries_[i]; }
    const std::vector<std::wstring>& entries() const { return entries_; }

    // The path shortened to the display length: the file name is always
    // kept; leading folders are kept while they fit and the middle becomes
    // "...".
    std::wstring DisplayName(size_t index) const;
    static std::wstring Shorten(const std::wstring& path, size_t limit);

private:
    std::wstring ValueName(size_t index) const;
    std::wstring section_;
    std::wstring format_;
    size_t capacity_;
    size_t displayLength_;
    std::vector<std::wstring> entries_;
};

}  // namespace mirrant
