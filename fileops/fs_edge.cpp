#include "fileops/fs_edge.h"

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <vector>
#include <direct.h>
#include <string_view>

#include "framework/edition.h"
#include "framework/encoding.h"
#include "fileops/path_rules.h"

namespace mirrant::fs {

namespace {

std::uint64_t Join(DWORD high, DWORD low) { return (std::uint64_t(high) << 32) | low; }
std::uint64_t Join(const FILETIME& t) { return Join(t.dwHighDateTime, t.dwLowDateTime); }

// "*" and "?" would make the system match other names. The "?" of the long
// form's own prefix is not part of the name.
bool HasWildcard(const std::wstring& path) {
    size_t from = IsLongForm(path) ? 4 : 0;
    return path.find_first_of(L"*?", from) != std::wstring::npos;
}

#ifdef MIRRANT_NARROW
// The narrow program: the A functions in the code page they use (932 on a
// Japanese system), no long form.
using SysString = std::string;

unsigned EdgeCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

// The length comes first: a path of megabytes is refused before any
// conversion copies it.
bool ToSystem(const std::wstring& path, SysString& out) {
    if (!WithinPathLimit(path)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (!FitsCodePage(path, EdgeCodePage())) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    out = ToCodePage(path, EdgeCodePage());
    return true;
}
DWORD SysGetAttributes(const SysString& p) { return ::GetFileAttributesA(p.c_str()); }
BOOL SysGetAttributeData(const SysString& p, WIN32_FILE_ATTRIBUTE_DATA& d) {
    return ::GetFileAttributesExA(p.c_str(), GetFileExInfoStandard, &d);
}
BOOL SysSetAttributes(const SysString& p, DWORD a) { return ::SetFileAttributesA(p.c_str(), a); }
BOOL SysDeleteFile(const SysString& p) { return ::DeleteFileA(p.c_str()); }
BOOL SysCreateFolder(const SysString& p) { return ::CreateDirectoryA(p.c_str(), nullptr); }
BOOL SysRemoveFolder(const SysString& p) { return ::RemoveDirectoryA(p.c_str()); }
BOOL SysMove(const SysString& a, const SysString& b, DWORD flags = MOVEFILE_REPLACE_EXISTING) {
    return ::MoveFileExA(a.c_str(), b.c_str(), flags);
}
// Listing is the one call that takes the wide path (checked as above, plain,
// so the system sees what the A call would see): the A calls hand names back
// through the code page's best-fit table, "café" as "cafe" and "a¥b" as "a\b",
// which name a different file or folder. The true name comes back instead, and
// every later call refuses it with error 1113 when the code page cannot hold it.
HANDLE SysFindFirst(const std::wstring& plain, const SysString& p, WIN32_FIND_DATAW& d) {
    if (p.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    return ::FindFirstFileW(plain.c_str(), &d);
}
HANDLE SysCreateFile(const SysString& p, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    return ::CreateFileA(p.c_str(), access, share, nullptr, disposition, flags, nullptr);
}
std::wstring SysDriveFolder(int drive) {
    char buf[MAX_PATH + 1];
    const char* got = _getdcwd(drive, buf, MAX_PATH + 1);
    return got ? FromCodePage(got, EdgeCodePage()) : std::wstring();
}
#else
// The wide program: the W functions with the long form.
using SysString = std::wstring;

bool ToSystem(const std::wstring& path, SysString& out) {
    if (!WithinPathLimit(path)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    out = ToLongPath(path);
    return true;
}
DWORD SysGetAttributes(const SysString& p) { return ::GetFileAttributesW(p.c_str()); }
BOOL SysGetAttributeData(const SysString& p, WIN32_FILE_ATTRIBUTE_DATA& d) {
    return ::GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &d);
}
BOOL SysSetAttributes(const SysString& p, DWORD a) { return ::SetFileAttributesW(p.c_str(), a); }
BOOL SysDeleteFile(const SysString& p) { return ::DeleteFileW(p.c_str()); }
BOOL SysCreateFolder(const SysString& p) { return ::CreateDirectoryW(p.c_str(), nullptr); }
BOOL SysRemoveFolder(const SysString& p) { return ::RemoveDirectoryW(p.c_str()); }
BOOL SysMove(const SysString& a, const SysString& b, DWORD flags = MOVEFILE_REPLACE_EXISTING) {
    return ::MoveFileExW(a.c_str(), b.c_str(), flags);
}
HANDLE SysFindFirst(const std::wstring&, const SysString& p, WIN32_FIND_DATAW& d) {
    return ::FindFirstFileW(p.c_str(), &d);
}
HANDLE SysCreateFile(const SysString& p, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    return ::CreateFileW(p.c_str(), access, share, nullptr, disposition, flags, nullptr);
}
std::wstring SysDriveFolder(int drive) {
    std::wstring buf(32769, L'\0');
    const wchar_t* got = _wgetdcwd(drive, buf.data(), static_cast<int>(buf.size()));
    return got ? std::wstring(got) : std::wstring();
}
#endif

// The path as the system will receive it; false (last error set) when it
// must not reach the system at all.
bool Prepare(const std::wstring& path, SysString& out) {
    if (HasWildcard(path)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return ToSystem(path, out);
}

void Fill(const WIN32_FIND_DATAW& d, FindData& out) {
    out.name = d.cFileName;
    out.attributes = d.dwFileAttributes;
    out.creationTime = Join(d.ftCreationTime);
    out.accessTime = Join(d.ftLastAccessTime);
    out.writeTime = Join(d.ftLastWriteTime);
    out.size = Join(d.nFileSizeHigh, d.nFileSizeLow);
}

FileError MakeError(FileStep step, DWORD code, const std::wstring& path) {
    return FileError{step, code, SystemForm(path)};
}

ScopedAttributeFault* activeFault = nullptr;
ScopedListingFault* activeListingFault = nullptr;

}  // namespace

ScopedListingFault::ScopedListingFault(std::wstring folder, DWORD code, int entriesBefore)
    : folder_(std::move(folder)), code_(code), entriesBefore_(entriesBefore), saved_(activeListingFault) {
    activeListingFault = this;
}

ScopedListingFault::~ScopedListingFault() { activeListingFault = saved_; }

ScopedAttributeFault::ScopedAttributeFault(std::wstring path, DWORD code, int times)
    : path_(std::move(path)), code_(code), times_(times), saved_(activeFault) {
    activeFault = this;
}

ScopedAttributeFault::~ScopedAttributeFault() { activeFault = saved_; }

// True (last error set) when a test wants this query to fail.
bool AttributeFault(const std::wstring& path) {
    for (ScopedAttributeFault* f = activeFault; f; f = f->saved_) {
        if (f->path_ != path || f->times_ == 0) continue;
        if (f->times_ > 0) --f->times_;
        ++f->failed_;
        SetLastError(f->code_);
        return true;
    }
    return false;
}

bool Handle::Close() {
    if (!valid()) return true;
    BOOL ok = ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != FALSE;
}

Search::~Search() {
    if (valid()) ::FindClose(h_);
}

bool Search::Next(FindData& out) {
    if (!valid()) return false;
    if (faultAfter_ == 0) {
        SetLastError(faultCode_);
        return false;
    }
    WIN32_FIND_DATAW d;
    if (!::FindNextFileW(h_, &d)) return false;
    if (faultAfter_ > 0) --faultAfter_;
    Fill(d, out);
    return true;
}

std::wstring SystemForm(const std::wstring& path) {
    if constexpr (kNarrowBuild) return path;
    else return ToLongPath(path);
}

DWORD GetAttributes(const std::wstring& path) {
    if (AttributeFault(path)) return INVALID_FILE_ATTRIBUTES;
    SysString p;
    if (!Prepare(path, p)) return INVALID_FILE_ATTRIBUTES;
    return SysGetAttributes(p);
}

bool GetAttributeData(const std::wstring& path, FindData& out) {
    if (AttributeFault(path)) return false;
    SysString p;
    WIN32_FILE_ATTRIBUTE_DATA d{};
    if (!Prepare(path, p) || !SysGetAttributeData(p, d)) return false;
    out.attributes = d.dwFileAttributes;
    out.creationTime = Join(d.ftCreationTime);
    out.accessTime = Join(d.ftLastAccessTime);
    out.writeTime = Join(d.ftLastWriteTime);
    out.size = Join(d.nFileSizeHigh, d.nFileSizeLow);
    return true;
}

DWORD GetAttributesPlain(const std::wstring& path) {
    if (AttributeFault(path)) return INVALID_FILE_ATTRIBUTES;
    if (HasWildcard(path)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_FILE_ATTRIBUTES;
    }
#ifdef MIRRANT_NARROW
    SysString p;
    if (!ToSystem(path, p)) return INVALID_FILE_ATTRIBUTES;
    return SysGetAttributes(p);
#else
    return SysGetAttributes(path);
#endif
}

bool SetAttributes(const std::wstring& path, DWORD attributes) {
    SysString p;
    return Prepare(path, p) && SysSetAttributes(p, attributes);
}

bool DeleteFile(const std::wstring& path) {
    SysString p;
    return Prepare(path, p) && SysDeleteFile(p);
}

bool CreateFolder(const std::wstring& path) {
    SysString p;
    return Prepare(path, p) && SysCreateFolder(p);
}

bool RemoveFolder(const std::wstring& path) {
    SysString p;
    return Prepare(path, p) && SysRemoveFolder(p);
}

bool ReplaceFile(const std::wstring& from, const std::wstring& to) {
    SysString a, b;
    return Prepare(from, a) && Prepare(to, b) && SysMove(a, b);
}

bool MoveToNewName(const std::wstring& from, const std::wstring& to) {
    SysString a, b;
    return Prepare(from, a) && Prepare(to, b) && SysMove(a, b, 0);
}

bool RenameOpenFile(const Handle& file, const std::wstring& to) {
    SysString checked;
    if (!Prepare(to, checked)) return false;
    // The call takes the system's own form of the name ("\??\C:\..."),
    // which the long form becomes by its prefix alone, in both programs.
    std::wstring name = ToLongPath(to);
    name[1] = L'?';
    name[2] = L'?';
    const size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, name.c_str(), nameBytes + sizeof(wchar_t));
    return ::SetFileInformationByHandle(file.get(), FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

Search FindFirst(const std::wstring& path, const std::wstring* pattern, FindData& first) {
    Search s;
    const ScopedListingFault* fault = nullptr;
    for (const ScopedListingFault* f = activeListingFault; f && pattern; f = f->saved_)
        if (f->folder_ == path) {
            fault = f;
            break;
        }
    if (fault && fault->entriesBefore_ <= 0) {
        SetLastError(fault->code_);
        return s;
    }
    SysString p;
    if (!Prepare(path, p)) return s;
    std::wstring plain = path;
    if (pattern) {
        // The pattern is a name, not a path: it never takes the long form.
#ifdef MIRRANT_NARROW
        SysString pat;
        if (!ToSystem(*pattern, pat)) return s;
#else
        const SysString& pat = *pattern;
#endif
        p += pat;
        plain += *pattern;
    }
    WIN32_FIND_DATAW d;
    s.h_ = SysFindFirst(plain, p, d);
    if (s.valid()) {
        Fill(d, first);
        if (fault) {
            s.faultAfter_ = fault->entriesBefore_ - 1;
            s.faultCode_ = fault->code_;
        }
    }
    return s;
}

Handle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                FileError* error) {
    SysString p;
    if (!Prepare(path, p)) {
        if (error) *error = MakeError(FileStep::Open, GetLastError(), path);
        return Handle();
    }
    Handle h(SysCreateFile(p, access, share, disposition, flags));
    if (!h.valid() && error) *error = MakeError(FileStep::Open, GetLastError(), path);
    return h;
}

bool Read(const Handle& file, void* buffer, DWORD size, DWORD& got, const std::wstring& path, FileError& error) {
    got = 0;
    if (::ReadFile(file.get(), buffer, size, &got, nullptr)) return true;
    error = MakeError(FileStep::Read, GetLastError(), path);
    return false;
}

bool Write(const Handle& file, const void* buffer, DWORD size, const std::wstring& path, FileError& error) {
    DWORD done = 0;
    if (!::WriteFile(file.get(), buffer, size, &done, nullptr)) {
        error = MakeError(FileStep::Write, GetLastError(), path);
        return false;
    }
    if (done != size) {
        error = MakeError(FileStep::Write, ERROR_DISK_FULL, path);
        return false;
    }
    return true;
}

bool Flush(const Handle& file, const std::wstring& path, FileError& error) {
    if (::FlushFileBuffers(file.get())) return true;
    error = MakeError(FileStep::Flush, GetLastError(), path);
    return false;
}

bool Seek(const Handle& file, std::int64_t distance, DWORD method, std::uint64_t& position) {
    LARGE_INTEGER move{}, now{};
    move.QuadPart = distance;
    if (!::SetFilePointerEx(file.get(), move, &now, method)) {
        position = 0;
        return false;
    }
    position = static_cast<std::uint64_t>(now.QuadPart);
    return true;
}

std::wstring DriveCurrentFolder(int drive) {
    // The runtime rejects drive numbers outside A: to Z: by ending the program.
    if (drive < 1 || drive > 26) return {};
    return SysDriveFolder(drive);
}

bool WithinPathLimit(std::wstring_view plainPath) {
#ifdef MIRRANT_NARROW
    // Every character takes at least one byte: a longer text is over the
    // limit without being converted.
    if (plainPath.size() >= MAX_PATH) return false;
    return ToCodePage(plainPath, EdgeCodePage()).size() < MAX_PATH;
#else
    // The system's longest path, the terminating zero included.
    constexpr size_t kLongestPath = 32767;
    // The characters ToLongPath adds: none to a long form, 6 to a share
    // ("\\server" becomes "\\?\UNC\server"), 4 to anything else.
    const std::wstring head(plainPath.substr(0, 4));
    const size_t prefix = IsLongForm(head) ? 0 : head.rfind(L"\\\\", 0) == 0 ? 6 : 4;
    return plainPath.size() + prefix < kLongestPath;
#endif
}

bool CanAddress(const std::wstring& plainPath) {
    if (HasWildcard(plainPath)) return false;
#ifdef MIRRANT_NARROW
    SysString p;
    if (!ToSystem(plainPath, p)) return false;
    for (size_t from = 0; from <= plainPath.size();) {
        const size_t sep = plainPath.find_first_of(L"\\/", from);
        const size_t end = sep == std::wstring::npos ? plainPath.size() : sep;
        const std::wstring_view name(plainPath.data() + from, end - from);
        if (!name.empty() && name != L"." && name != L".." && (name.back() == L'.' || name.back() == L' '))
            return false;
        if (sep == std::wstring::npos) break;
        from = sep + 1;
    }
    return true;
#else
    return WithinPathLimit(plainPath);
#endif
}

bool GetFolderIdentity(const std::wstring& path, FolderIdentity& identity) {
    // Backup semantics let a folder be opened at all; reading attributes is
    // all the identity needs, and full sharing keeps others undisturbed.
    Handle folder = OpenFile(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (!folder.valid()) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(folder.get(), &info)) return false;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_DIRECTORY);
        return false;
    }
    identity.volumeSerial = info.dwVolumeSerialNumber;
    identity.fileIndex = Join(info.nFileIndexHigh, info.nFileIndexLow);
    return true;
}

}  // namespace mirrant::fs
