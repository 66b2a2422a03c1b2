#pragma once
// A fresh folder under the Wine prefix's temporary folder, removed with all
// its contents (read-only and hidden entries included) when the test ends.
#include <cstdint>
#include <string>
#include <string_view>

namespace mirrant::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending in a backslash.
    const std::wstring& path() const { return path_; }
    std::wstring operator/(std::wstring_view name) const { return path_ + std::wstring(name); }

private:
    std::wstring path_;
};

// Small file helpers for arranging trees; they use the wide API directly and
// abort the test on failure.
void WriteFile(const std::wstring& path, std::string_view content);
std::string ReadFile(const std::wstring& path);
bool Exists(const std::wstring& path);
void MakeFolder(const std::wstring& path);
// Sets the last-write time (UTC) as 100-ns units since 1601.
void SetWriteTime(const std::wstring& path, std::uint64_t fileTime);
std::uint64_t GetWriteTime(const std::wstring& path);
// 2020-01-01 00:00:00 UTC in file time units, a convenient base.
inline constexpr std::uint64_t kBaseTime = 132223104000000000ULL;
inline constexpr std::uint64_t kSecond = 10000000ULL;
void RemoveTree(const std::wstring& path);
// How many files (not folders) a wildcard pattern matches, such as
// folder + L"*".
int FilesMatching(const std::wstring& pattern);
// A UTC date and time in file time units.
std::uint64_t Utc(int year, int month, int day, int hour, int minute, int second);

}  // namespace mirrant::testing
