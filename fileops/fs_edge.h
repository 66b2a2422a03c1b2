#pragma once
// The one place where the two programs differ in how they call the file
// system. Every function takes a plain path.
//   Mirrant_U (wide): the W functions with the long form (ToLongPath).
//   Mirrant (narrow): the A functions with the path in the code page of the
//   A functions (932 on a Japanese system), no long form. A path that the
//   code page cannot hold, or that is 260 bytes or longer, fails with error
//   1113 or 206 before the system sees it, so a lossy conversion can never
//   reach a different file. Listings come back with the true names (see
//   FindFirst), never with the code page's best-fit stand-ins.
// In both programs a path holding "*" or "?" fails with error 123: those are
// wildcards to the system, and a name read back through the code page may
// hold "?" for a character it could not carry.
// Failures set the thread's last error, like the system calls.
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "fileops/error_text.h"

namespace mirrant::fs {

// Owns a file handle; closes it when it goes.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Close(); }
    Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) {
            Close();
            h_ = std::exchange(o.h_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }
    // False (with the last error) when closing reported a failure.
    bool Close();

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// One entry of a folder listing.
struct FindData {
    std::wstring name;
    DWORD attributes = 0;
    std::uint64_t creationTime = 0, accessTime = 0, writeTime = 0;
    std::uint64_t size = 0;
    bool isFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// An open search; closes it when it goes.
class Search {
public:
    Search() = default;
    ~Search();
    Search(Search&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
    Search& operator=(Search&&) = delete;
    Search(const Search&) = delete;

    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    // The next entry; false at the end (last error 18) or on failure.
    bool Next(FindData& out);

private:
    friend Search FindFirst(const std::wstring&, const std::wstring*, FindData&);
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// The form of a path as the system receives it (for tests and messages).
std::wstring SystemForm(const std::wstring& path);

// Attributes, or INVALID_FILE_ATTRIBUTES with the last error set.
DWORD GetAttributes(const std::wstring& path);
// Attributes, times and size of one file or folder in one lookup (the name
// stays empty); false with the last error set.
bool GetAttributeData(const std::wstring& path, FindData& out);
// Like GetAttributes, but the path goes to the system as it is, without the
// long form (a drive root "C:\" when the search checks the drive first).
DWORD GetAttributesPlain(const std::wstring& path);
bool SetAttributes(const std::wstring& path, DWORD attributes);
bool DeleteFile(const std::wstring& path);
bool CreateFolder(const std::wstring& path);
bool RemoveFolder(const std::wstring& path);
// Renames from over to, replacing an existing file in one step.
bool ReplaceFile(const std::wstring& from, const std::wstring& to);

// Searches folder + pattern ("*.*") when pattern is given, else the path
// itself (a single entry: the wildcard check applies to the whole path).
// On failure the search is not valid and the last error is set. Names are
// the true names in both programs; in the narrow one a name the code page
// cannot hold is refused by every later call (error 1113).
Search FindFirst(const std::wstring& path, const std::wstring* pattern, FindData& first);

// Opens or creates a file (CreateFile arguments). On failure the handle is
// not valid and error holds the step, code and path as opened.
Handle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                FileError* error = nullptr);

// Reads up to size bytes; false with error set on failure.
bool Read(const Handle& file, void* buffer, DWORD size, DWORD& got, const std::wstring& path, FileError& error);
// Writes all bytes; false with error set on failure (a short write is a
// failure: the disk is full).
bool Write(const Handle& file, const void* buffer, DWORD size, const std::wstring& path, FileError& error);
bool Flush(const Handle& file, const std::wstring& path, FileError& error);
// Moves the file pointer distance bytes from method's origin (FILE_BEGIN,
// FILE_CURRENT or FILE_END); position is where it lands (0 on failure).
// False with the last error set on failure.
bool Seek(const Handle& file, std::int64_t distance, DWORD method, std::uint64_t& position);

// The current folder of a drive (1 = A:), empty when the drive has none.
std::wstring DriveCurrentFolder(int drive);

// Test-only: while it lives, attribute queries of exactly this plain path
// fail with the given code, the first `times` queries (all of them when
// times is negative). Lets tests reproduce drives and shares that are not
// ready, which a test machine cannot produce on demand.
class ScopedAttributeFault {
public:
    ScopedAttributeFault(std::wstring path, DWORD code, int times = -1);
    ~ScopedAttributeFault();
    ScopedAttributeFault(const ScopedAttributeFault&) = delete;
    ScopedAttributeFault& operator=(const ScopedAttributeFault&) = delete;
    // How many queries it failed so far.
    int failed() const { return failed_; }

private:
    friend bool AttributeFault(const std::wstring& path);
    std::wstring path_;
    DWORD code_;
    int times_;
    int failed_ = 0;
    ScopedAttributeFault* saved_;
};

}  // namespace mirrant::fs
