#pragma once
// Helpers shared by the file operation tests: attributes, times, temporary
// files left behind, a file held open without sharing, short waits.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fileops/file_copy.h"
#include "fileops/timings.h"
#include "framework/edition.h"
#include "settings/run_options.h"

namespace mirrant::testing {

inline DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

inline void SetAttributes(const std::wstring& path, DWORD attributes) {
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes));
}

// The three times of a file as the system reports them.
inline FileInfo TimesOf(const std::wstring& path) {
    FileInfo info;
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return info;
    auto join = [](const FILETIME& t) { return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    info.creationTime = join(d.ftCreationTime);
    info.accessTime = join(d.ftLastAccessTime);
    info.writeTime = join(d.ftLastWriteTime);
    info.size = (std::uint64_t(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    return info;
}

inline void SetTimes(const std::wstring& path, std::uint64_t creation, std::uint64_t access, std::uint64_t write) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME c{DWORD(creation), DWORD(creation >> 32)}, a{DWORD(access), DWORD(access >> 32)},
        w{DWORD(write), DWORD(write >> 32)};
    SetFileTime(h, &c, &a, &w);
    CloseHandle(h);
}

// Whether the file system keeps a creation time that is set (Wine on a
// Unix file system reports one derived from the other times instead).
inline bool CreationTimeKept() {
    static const bool kept = [] {
        wchar_t tmp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, tmp);
        std::wstring probe = std::wstring(tmp) + L"mrt_creation_probe_" + std::to_wstring(GetCurrentProcessId());
        HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const std::uint64_t t = 132223104000000000ULL;
        FILETIME c{DWORD(t), DWORD(t >> 32)};
        SetFileTime(h, &c, nullptr, nullptr);
        CloseHandle(h);
        const bool same = TimesOf(probe).creationTime == t;
        DeleteFileW(probe.c_str());
        return same;
    }();
    return kept;
}

// Names in a folder (without "." and "..").
inline std::vector<std::wstring> Names(const std::wstring& folder) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        std::wstring n = fd.cFileName;
        if (n != L"." && n != L"..") out.push_back(n);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}

// The copy's temporary files left in a folder.
inline int TemporaryFiles(const std::wstring& folder) {
    int n = 0;
    for (const std::wstring& name : Names(folder))
        if (IsCopyTemporaryName(name)) ++n;
    return n;
}

// Holds a file open without sharing for its lifetime, as another program might.
class LockedFile {
public:
    explicit LockedFile(const std::wstring& path)
        : h_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
        EXPECT_NE(h_, INVALID_HANDLE_VALUE) << "cannot lock the test file";
    }
    ~LockedFile() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

private:
    HANDLE h_;
};

// Content that differs from block to block, so a misplaced block shows.
inline std::string Pattern(size_t size, char seed = 0) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + i / 131072 * 7 + seed) & 0xFF);
    return s;
}

// Every wait of the file operations shortened to a few milliseconds.
inline FileOpTimings ShortTimings() {
    FileOpTimings t;
    t.fileInfoRetryMs = 5;
    t.setTimesRetryMs = 5;
    t.rootRetryMs = 50;
    t.rootSettleMs = 20;
    return t;
}

inline bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

inline bool AnyContains(const std::vector<std::wstring>& lines, const std::wstring& part) {
    for (const std::wstring& l : lines)
        if (Contains(l, part)) return true;
    return false;
}

}  // namespace mirrant::testing
