#pragma once
// The one place where the two programs differ in how they call the file
// system. Every function takes a plain path.
//   Mirrant_U (wide): the W functions with the long form (ToLongPath); a
//   path whose long form passes the system's limit fails with error 206.
//   Mirrant (narrow): the A functions with the path in the code page of the
//   A functions (932 on a Japanese system), no long form. A path that is 260
//   bytes or longer, or that the code page cannot hold, fails with error 206
//   or 1113 before the system sees it, so a lossy conversion can never reach
//   a different file. Listings come back with the true names (see
//   FindFirst), never with the code page's best-fit stand-ins.
// In both programs a path holding "*" or "?" fails with error 123: those are
// wildcards to the system, and a name read back through the code page may
// hold "?" for a character it could not carry.
// Failures set the thread's last error, like the system calls.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
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
    Search(Search&& o) noexcept
        : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)), faultAfter_(o.faultAfter_), faultCode_(o.faultCode_) {}
    Search& operator=(Search&&) = delete;
    Search(const Search&) = delete;

    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    // The next entry; false at the end (last error 18) or on failure.
    bool Next(FindData& out);

private:
    friend Search FindFirst(const std::wstring&, const std::wstring*, FindData&);
    HANDLE h_ = INVALID_HANDLE_VALUE;
    // A test's listing fault: entries left before Next fails with faultCode_.
    int faultAfter_ = -1;
    DWORD faultCode_ = 0;
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
// Renames from to a name that must not exist yet.
bool MoveToNewName(const std::wstring& from, const std::wstring& to);
// Gives a file this program holds open (with DELETE access) the name to,
// in the same folder tree of one volume, without opening it again; fails
// (last error set) when a file or folder of that name exists.
bool RenameOpenFile(const Handle& file, const std::wstring& to);

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

// Whether the plain path is no longer than the longest path this program can
// ever hand to the system: narrow, 259 bytes in the code page of the A calls
// (932); wide, a long form of fewer than 32767 characters. Every call above
// refuses a longer path with error 206 before it converts or copies it.
// Costs no more than its first few hundred characters, however long the path.
bool WithinPathLimit(std::wstring_view plainPath);

// Whether this program can reach exactly the file or folder that the plain
// path names, with every call above. The listings hand both programs the true
// names, so a walk can meet names that the other calls would miss or mistake:
//   narrow: false when the path holds a character that code page 932 cannot
//     carry, when it is 260 bytes or longer in that code page, or when a name
//     in it ends in a dot or a space (the A calls strip those, so "x." would
//     reach a file "x");
//   wide: the long form reaches every name the file system holds, trailing
//     dots and spaces included; false only for a path longer than the long
//     form's limit of 32767 characters.
// Both: false when the path holds "*" or "?" (refused with error 123 above).
// The path is one this program built from a root and listed names, so "."
// and ".." are not looked at as names. Looks at the text only; whether the
// entry exists is not asked.
bool CanAddress(const std::wstring& plainPath);

// Which folder a path leads to, as the file system tells it: the volume's
// serial number and the folder's file index on that volume. Two paths lead
// to the same folder exactly when their identities are equal, whatever their
// spelling (letter case, short names, another drive letter, a folder link
// followed). A folder that is removed and made again under the same name
// may get its old index back (Wine on ext4 does), so equal identities mean
// the same folder only among folders that exist at the same time.
struct FolderIdentity {
    DWORD volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    bool operator==(const FolderIdentity&) const = default;
};

// The identity of the folder the path leads to (a trailing backslash is
// allowed; a folder link is followed to its target). False with the last
// error set when the folder cannot be opened, or error 267 when the path
// names a file. Opens the folder only to read its attributes, sharing
// everything, so it never disturbs another program. The index is the 64-bit
// one: unique on NTFS and FAT, not guaranteed on ReFS.
bool GetFolderIdentity(const std::wstring& path, FolderIdentity& identity);

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

// Test-only: while it lives, listing exactly this folder (the path given to
// FindFirst with a pattern) fails with the given code: at once when
// entriesBefore is 0, else after that many entries ("." and ".." count) as
// if the listing broke off. Lets tests reproduce folders that cannot be
// listed, which Wine run by an administrator cannot make.
class ScopedListingFault {
public:
    ScopedListingFault(std::wstring folder, DWORD code, int entriesBefore = 0);
    ~ScopedListingFault();
    ScopedListingFault(const ScopedListingFault&) = delete;
    ScopedListingFault& operator=(const ScopedListingFault&) = delete;

private:
    friend Search FindFirst(const std::wstring&, const std::wstring*, FindData&);
    std::wstring folder_;
    DWORD code_;
    int entriesBefore_;
    ScopedListingFault* saved_;
};

}  // namespace mirrant::fs
