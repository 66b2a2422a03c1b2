#include "fileops/file_copy.h"

#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>

#include "fileops/error_text.h"
#include "fileops/fs_edge.h"
#include "fileops/path_rules.h"
#include "fileops/timings.h"
#include "framework/log_sink.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                      FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

DWORD Settable(DWORD attrs) {
    DWORD a = attrs & kSettableAttributes;
    return a ? a : FILE_ATTRIBUTE_NORMAL;
}

FILETIME ToFileTime(FileTime t) { return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)}; }

bool IsLarge(std::uint64_t size) { return size > kFileBlockSize; }

// Shows the percentage behind the status text the operation found, when it
// changed since the last time.
class PercentDisplay {
public:
    PercentDisplay(Progress& progress, std::uint64_t size)
        : progress_(progress), size_(size), large_(IsLarge(size)), status_(progress.StatusText()) {}

    double Update(std::uint64_t done) {
        double percent = 0;
        std::wstring text = FormatPercentText(size_, done, percent);
        if (large_ && text != shown_) {
            shown_ = text;
            progress_.SetStatus(Message(IDS_FILEOPS_STATUS_PERCENT, {status_, text}));
        }
        return percent;
    }
    void Restore() {
        if (large_) progress_.SetStatus(status_);
    }

private:
    Progress& progress_;
    std::uint64_t size_;
    bool large_;
    std::wstring status_;
    std::wstring shown_;
};

// The blocks that copying and comparing read into, one set per thread and
// kept for the thread's life: a block allocated and freed for every file
// costs more than copying a small file itself (the system maps and unmaps
// its pages each time).
struct Blocks {
    std::unique_ptr<char[]> first{new char[kFileBlockSize]};
    std::unique_ptr<char[]> second{new char[kFileBlockSize]};
    // Page-aligned, for reads past the system's cache; made on first use
    // (only verified copies read so), null when the system refuses it.
    char* Aligned() {
        if (!aligned)
            aligned = static_cast<char*>(VirtualAlloc(nullptr, kFileBlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        return aligned;
    }
    ~Blocks() {
        if (aligned) VirtualFree(aligned, 0, MEM_RELEASE);
    }
    char* aligned = nullptr;
};

Blocks& ThreadBlocks() {
    thread_local Blocks blocks;
    return blocks;
}

bool Interrupted(Progress& progress, LogSink& log) {
    if (!StopRequested(progress)) return false;
    log.AppendLine(LoadText(msg::kInterrupted));
    return true;
}

bool NameTaken(DWORD code) { return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS; }

// The end of a copy that replaced or created the destination: the status
// text goes back, and an interrupt asked for meanwhile still counts.
bool FinishCopy(Progress& progress, LogSink& log, PercentDisplay& percent) {
    percent.Restore();
    return !Interrupted(progress, log);
}

// "~mrt" and 8 hex digits: a name no user file takes by accident; the copy
// creates it exclusively and tries another one if it exists.
std::wstring TemporaryName() {
    static std::atomic<unsigned> counter{0};
    unsigned v = static_cast<unsigned>(GetTickCount64()) * 2654435761u ^ (GetCurrentProcessId() << 16) ^
                 (GetCurrentThreadId() << 4) ^ counter.fetch_add(0x9E37u);
    wchar_t hex[9];
    for (int i = 7; i >= 0; --i, v >>= 4) hex[i] = L"0123456789abcdef"[v & 15];
    hex[8] = 0;
    return std::wstring(L"~mrt") + hex + L".tmp";
}

}  // namespace

bool IsCopyTemporaryName(const std::wstring& name) {
    // ASCII only: the wide character classes also take full-width digits
    // and letters, which the copy never writes.
    auto hex = [](wchar_t c) {
        return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    };
    if (name.size() != 16 || !EqualsAsciiNoCase(std::wstring_view(name).substr(0, 4), L"~mrt") ||
        !EqualsAsciiNoCase(std::wstring_view(name).substr(12), L".tmp"))
        return false;
    for (size_t i = 4; i < 12; ++i)
        if (!hex(name[i])) return false;
    return true;
}

LeftoverRemoval RemoveLeftoverCopyTemp(const std::wstring& path, std::wstring& cause) {
    cause.clear();
    const size_t sep = path.find_last_of(L"\\/");
    if (!IsCopyTemporaryName(sep == std::wstring::npos ? path : path.substr(sep + 1)))
        return LeftoverRemoval::NotCopyTemporary;

    auto failure = [&](DWORD code) {
        cause = ReplaceLongPaths(SystemErrorText(code), {path});
        return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ? LeftoverRemoval::InUse
                                                                                : LeftoverRemoval::Failed;
    };
    // No sharing: the open fails while any other handle reads, writes or
    // deletes the file, and keeps everyone else out until it is gone. A link
    // is opened as itself, never followed.
    FileError error;
    fs::Handle file = fs::OpenFile(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT, &error);
    if (!file.valid()) {
        // A folder of that name cannot be opened as a file.
        const DWORD attributes = fs::GetAttributes(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return LeftoverRemoval::NotCopyTemporary;
        return failure(error.code);
    }
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic))
        return failure(GetLastError());
    if (basic.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        return LeftoverRemoval::NotCopyTemporary;

    const DWORD attributes = basic.FileAttributes;
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        FILE_BASIC_INFO writable{};  // zero times: leave them as they are
        writable.FileAttributes = Settable(attributes & ~FILE_ATTRIBUTE_READONLY);
        if (!SetFileInformationByHandle(file.get(), FileBasicInfo, &writable, sizeof writable))
            return failure(GetLastError());
    }
    FILE_DISPOSITION_INFO dispose{TRUE};
    if (!SetFileInformationByHandle(file.get(), FileDispositionInfo, &dispose, sizeof dispose)) {
        const DWORD code = GetLastError();
        if (readOnly) {
            FILE_BASIC_INFO back{};
            back.FileAttributes = Settable(attributes);
            SetFileInformationByHandle(file.get(), FileBasicInfo, &back, sizeof back);
        }
        return failure(code);
    }
    if (!file.Close()) return failure(GetLastError());
    return LeftoverRemoval::Removed;
}

bool GetFileInfo(const std::wstring& path, FileInfo& info, Progress& progress, LogSink& log) {
    for (int failures = 0;;) {
        fs::FindData found;
        if (fs::GetAttributeData(path, found)) {
            info.creationTime = found.creationTime;
            info.accessTime = found.accessTime;
            info.writeTime = found.writeTime;
            info.size = found.size;
            return true;
        }
        // A name the system can never be given does not come back by waiting.
        const DWORD code = GetLastError();
        if (code == ERROR_NO_UNICODE_TRANSLATION || code == ERROR_FILENAME_EXCED_RANGE || code == ERROR_INVALID_NAME)
            return false;
        if (++failures > 10) return false;
        if (Interrupted(progress, log)) return false;
        Sleep(CurrentFileOpTimings().fileInfoRetryMs);
    }
}

int CompareFileTimes(FileTime a, FileTime b, unsigned toleranceSeconds) {
    if (a == b) return 0;
    const int sign = b > a ? 1 : -1;
    const std::uint64_t d = b > a ? b - a : a - b;
    const std::uint32_t highA = static_cast<std::uint32_t>(a >> 32), highB = static_cast<std::uint32_t>(b >> 32);
    const std::uint32_t highDiff = highA > highB ? highA - highB : highB - highA;
    if (highDiff > 1 || d >= (std::uint64_t(1) << 32)) return sign;
    // The tolerance in 100-ns units, as an unsigned 32-bit product.
    const std::uint32_t tolerance = static_cast<std::uint32_t>(toleranceSeconds * 10000000u);
    return d < tolerance ? 0 : sign;
}

bool CompareFileContents(const std::wstring& path1, const std::wstring& path2, Progress& progress,
                         LogSink& log, std::wstring& cause) {
    cause.clear();
    FileError error;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    fs::Handle file1 = fs::OpenFile(path1, GENERIC_READ, share, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, &error);
    if (!file1.valid()) {
        cause = ReplaceLongPaths(ExceptionText(error), {path1, path2});
        return false;
    }
    fs::Handle file2 = fs::OpenFile(path2, GENERIC_READ, share, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, &error);
    if (!file2.valid()) {
        cause = ReplaceLongPaths(ExceptionText(error), {path1, path2});
        return false;
    }
    LARGE_INTEGER size1, size2;
    if (!GetFileSizeEx(file1.get(), &size1) || !GetFileSizeEx(file2.get(), &size2)) return false;
    if (size1.QuadPart != size2.QuadPart) return false;
    if (size1.QuadPart == 0) return true;

    const std::uint64_t size = static_cast<std::uint64_t>(size1.QuadPart);
    PercentDisplay percent(progress, size);
    char* block1 = ThreadBlocks().first.get();
    char* block2 = ThreadBlocks().second.get();
    std::uint64_t total = 0;
    bool same = false;
    for (;;) {
        DWORD got1 = 0, got2 = 0;
        if (!fs::Read(file1, block1, kFileBlockSize, got1, path1, error) ||
            !fs::Read(file2, block2, kFileBlockSize, got2, path2, error)) {
            cause = ReplaceLongPaths(ExceptionText(error), {path1, path2});
            break;
        }
        if (Interrupted(progress, log)) break;
        if (got1 != got2) break;
        if (got1 == 0) {
            same = true;
            break;
        }
        if (std::memcmp(block1, block2, got1) != 0) break;
        total += got1;
        percent.Update(total);
    }
    percent.Restore();
    return same;
}

namespace {

ScopedCopyHooks* activeCopyHooks = nullptr;

// What one pass of a copy came to.
enum class Attempt { Copied, Failed, SourceChanged, Differs, NameAppeared };

// The size and times of an open file, as the file system holds them now.
// Two plain queries: GetFileInformationByHandle would also ask for the
// volume's serial number, which costs more than copying a small file.
bool HandleStamp(HANDLE file, FileInfo& info) {
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard))
        return false;
    info.creationTime = static_cast<FileTime>(basic.CreationTime.QuadPart);
    info.accessTime = static_cast<FileTime>(basic.LastAccessTime.QuadPart);
    info.writeTime = static_cast<FileTime>(basic.LastWriteTime.QuadPart);
    info.size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
    return true;
}

// The step that gives the temporary file the destination's name, with the
// test hook that can make it fail.
bool RenameRefused(const std::wstring& destination) {
    const DWORD code = activeCopyHooks && activeCopyHooks->renameError ? activeCopyHooks->renameError(destination) : 0;
    if (code) SetLastError(code);
    return code != 0;
}

enum class ReadBack { Same, Differs, Failed };

// Reads the temporary file back and compares it with the source from its
// start, block by block. The read-back bypasses the system's cache where
// the system allows it (an unbuffered open and aligned whole blocks); where
// the open or the first read is refused, it reads through the cache.
ReadBack ReadBackCompare(const std::wstring& temp, const std::wstring& source, const std::wstring& destination,
                         const fs::Handle& in, Progress& progress, LogSink& log, std::wstring& cause) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    char* sourceBlock = ThreadBlocks().first.get();
    char* copyBlock = ThreadBlocks().Aligned();
    FileError error;
    // Failures name the destination, or the source where reading it failed.
    auto failed = [&](bool sourceSide = false) {
        if (!sourceSide) error.path = fs::SystemForm(destination);
        cause = ReplaceLongPaths(ExceptionText(error), {source, destination});
        return ReadBack::Failed;
    };
    for (bool direct : {true, false}) {
        if (direct && !copyBlock) continue;
        fs::Handle back = fs::OpenFile(temp, GENERIC_READ, share, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN | (direct ? FILE_FLAG_NO_BUFFERING : 0), &error);
        if (!back.valid()) {
            if (direct) continue;
            return failed();
        }
        std::uint64_t position = 0;
        if (!fs::Seek(in, 0, FILE_BEGIN, position)) {
            error = FileError{FileStep::Read, GetLastError(), fs::SystemForm(source)};
            return failed(true);
        }
        char* block = direct ? copyBlock : ThreadBlocks().second.get();
        bool first = true;
        for (;;) {
            DWORD gotCopy = 0, gotSource = 0;
            if (!fs::Read(back, block, kFileBlockSize, gotCopy, temp, error)) {
                // An unbuffered read the volume will not do (a sector size
                // the block does not fit, a share): once more through the cache.
                if (direct && first) break;
                return failed();
            }
            first = false;
            if (!fs::Read(in, sourceBlock, kFileBlockSize, gotSource, source, error)) return failed(true);
            if (gotCopy != gotSource || std::memcmp(block, sourceBlock, gotCopy) != 0) return ReadBack::Differs;
            if (gotCopy == 0) return ReadBack::Same;
            if (Interrupted(progress, log)) return ReadBack::Failed;
        }
    }
    return failed();
}

bool StampChanged(const FileInfo& before, const FileInfo& now) {
    return before.size != now.size || before.writeTime != now.writeTime;
}

// One pass of the copy. given: the source's stamp the caller read; null to
// take it from the source just opened (the pass after a failed check).
Attempt CopyOnce(const std::wstring& source, const FileInfo* given, const std::wstring& destination,
                 Progress& progress, LogSink& log, const CopySettings& options, std::wstring& cause, CopyTarget target,
                 const MoveAsideFn* moveAside, int attempt) {
    cause.clear();
    const bool knownAbsent = target == CopyTarget::Absent;
    const DWORD destAttrs = knownAbsent ? INVALID_FILE_ATTRIBUTES : fs::GetAttributes(destination);
    const DWORD destCode = knownAbsent                           ? ERROR_FILE_NOT_FOUND
                           : destAttrs == INVALID_FILE_ATTRIBUTES ? GetLastError()
                                                                  : ERROR_SUCCESS;
    const DWORD sourceAttrs = fs::GetAttributes(source);
    if (sourceAttrs == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        cause = Message(IDS_FILEOPS_SOURCE_READ_ERROR,
                        {source, ReplaceLongPaths(SystemErrorText(code), {source, destination})});
        return Attempt::Failed;
    }

    // A destination that may exist but could not be looked at is not
    // replaced blindly: its hidden or read-only attribute would go unseen.
    if (destAttrs == INVALID_FILE_ATTRIBUTES && destCode != ERROR_FILE_NOT_FOUND && destCode != ERROR_PATH_NOT_FOUND) {
        cause = ReplaceLongPaths(SystemErrorText(destCode), {source, destination});
        return Attempt::Failed;
    }

    // Refusals come first and leave the destination as it is.
    const bool destExists = destAttrs != INVALID_FILE_ATTRIBUTES;
    DWORD clearAttrs = 0;
    if (destExists) {
        if (destAttrs & FILE_ATTRIBUTE_DIRECTORY) {
            cause = ReplaceLongPaths(SystemErrorText(ERROR_ACCESS_DENIED), {destination});
            return Attempt::Failed;
        }
        if (destAttrs & FILE_ATTRIBUTE_HIDDEN) {
            if (!(sourceAttrs & FILE_ATTRIBUTE_HIDDEN)) {
                cause = Message(msg::kDeniedHiddenDestination, {destination, source});
                return Attempt::Failed;
            }
            clearAttrs |= FILE_ATTRIBUTE_HIDDEN;
        }
        if (destAttrs & FILE_ATTRIBUTE_READONLY) {
            if (!options.updateReadOnly) {
                cause = Message(msg::kDeniedReadOnlyDestination, {destination});
                return Attempt::Failed;
            }
            clearAttrs |= FILE_ATTRIBUTE_READONLY;
        }
    }

    FileError error;
    fs::Handle in = fs::OpenFile(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, &error);
    if (!in.valid()) {
        cause = ReplaceLongPaths(ExceptionText(error), {source, destination});
        return Attempt::Failed;
    }
    FileInfo sourceInfo;
    if (given) {
        sourceInfo = *given;
    } else if (!HandleStamp(in.get(), sourceInfo)) {
        cause = Message(IDS_FILEOPS_SOURCE_READ_ERROR,
                        {source, ReplaceLongPaths(SystemErrorText(GetLastError()), {source, destination})});
        return Attempt::Failed;
    }

    // The new content goes to a temporary file beside the destination, opened
    // without sharing (reading only, for the read-back of a verified copy),
    // and replaces the destination only when it is complete and checked.
    // Failures name the destination: the temporary file means nothing to a user.
    const std::wstring folder = ParentFolder(destination);
    const DWORD tempShare = options.verifyCopies ? FILE_SHARE_READ : 0;
    std::wstring temp;
    fs::Handle out;
    for (int tries = 0; tries < 100; ++tries) {
        temp = folder + TemporaryName();
        out = fs::OpenFile(temp, GENERIC_WRITE | DELETE, tempShare, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, &error);
        if (out.valid() || (error.code != ERROR_FILE_EXISTS && error.code != ERROR_ALREADY_EXISTS)) break;
    }
    if (!out.valid()) {
        error.path = fs::SystemForm(destination);
        cause = ReplaceLongPaths(ExceptionText(error), {source, destination});
        return Attempt::Failed;
    }

    PercentDisplay percent(progress, sourceInfo.size);
    char* block = ThreadBlocks().first.get();
    std::uint64_t total = 0;
    double flushThreshold = 20.0;
    bool complete = false;
    for (;;) {
        DWORD got = 0;
        if (!fs::Read(in, block, kFileBlockSize, got, source, error)) {
            cause = ReplaceLongPaths(ExceptionText(error), {source, destination});
            break;
        }
        if (got == 0) {
            complete = true;
            break;
        }
        if (Interrupted(progress, log)) break;
        total += got;
        const double done = percent.Update(total);
        if (!fs::Write(out, block, got, destination, error)) {
            cause = ReplaceLongPaths(ExceptionText(error), {source, destination});
            break;
        }
        if (done > flushThreshold) {
            flushThreshold = done + 20.0;
            if (!options.delayedWritePriority && !fs::Flush(out, destination, error)) {
                cause = ReplaceLongPaths(ExceptionText(error), {source, destination});
                break;
            }
        }
        if (Interrupted(progress, log)) break;
    }
    Attempt result = Attempt::Failed;
    if (complete) {
        if (activeCopyHooks && activeCopyHooks->afterWrite) activeCopyHooks->afterWrite(source, out.get(), attempt);
        FILETIME c = ToFileTime(sourceInfo.creationTime), a = ToFileTime(sourceInfo.accessTime),
                 w = ToFileTime(sourceInfo.writeTime);
        if (!SetFileTime(out.get(), &c, &a, &w)) {
            cause = ReplaceLongPaths(SystemErrorText(GetLastError()), {source, destination});
            complete = false;
        }
    }
    // A verified copy is read back from the disk: everything written must
    // be there first, whatever the write priority.
    if (complete && options.verifyCopies) {
        if (!fs::Flush(out, destination, error)) {
            cause = ReplaceLongPaths(ExceptionText(error), {source, destination});
            complete = false;
        } else {
            switch (ReadBackCompare(temp, source, destination, in, progress, log, cause)) {
            case ReadBack::Same: break;
            case ReadBack::Differs: result = Attempt::Differs; [[fallthrough]];
            case ReadBack::Failed: complete = false; break;
            }
        }
    }
    // The source as it is now: a write to it while it was copied (or
    // compared) shows in its size or last-write time, and then neither the
    // copy nor its comparison tells what the source held.
    if (complete || result == Attempt::Differs) {
        FileInfo now;
        if (!HandleStamp(in.get(), now)) {
            cause = Message(IDS_FILEOPS_SOURCE_READ_ERROR,
                            {source, ReplaceLongPaths(SystemErrorText(GetLastError()), {source, destination})});
            complete = false;
            result = Attempt::Failed;
        } else if (StampChanged(sourceInfo, now)) {
            complete = false;
            result = Attempt::SourceChanged;
        }
    }
    in.Close();
    // Closing the new content can still fail (a delayed write): named after
    // the destination, like every failure of the copy.
    const auto closeFailed = [&] {
        error = FileError{FileStep::Close, GetLastError(), fs::SystemForm(destination)};
        cause = ReplaceLongPaths(ExceptionText(error), {source, destination});
    };
    // A name that did not exist when the copy started and exists now was
    // made by someone else meanwhile: it is left to the caller to compare.
    const auto nameAppeared = [&](DWORD code) {
        cause = ReplaceLongPaths(SystemErrorText(code), {source, destination});
        result = Attempt::NameAppeared;
        complete = false;
    };
    // A new file whose source carries only the archive bit takes its name
    // while still open: no second open of the temporary file. There is no
    // old destination to lose, so a failure to close it afterwards removes
    // the new file under its final name.
    if (complete && !destExists && Settable(sourceAttrs) == FILE_ATTRIBUTE_ARCHIVE) {
        if (!RenameRefused(destination) && fs::RenameOpenFile(out, destination)) {
            if (out.Close()) return FinishCopy(progress, log, percent) ? Attempt::Copied : Attempt::Failed;
            closeFailed();
            fs::DeleteFile(destination);
            return Attempt::Failed;
        }
        const DWORD code = GetLastError();
        if (NameTaken(code)) nameAppeared(code);
    }
    if (complete && !out.Close()) {
        closeFailed();
        complete = false;
    }
    out.Close();

    // A new file already carries the archive bit, the common attribute of a
    // source; other attributes are set on the temporary file.
    if (complete && Settable(sourceAttrs) != FILE_ATTRIBUTE_ARCHIVE) {
        if (!fs::SetAttributes(temp, Settable(sourceAttrs))) {
            cause = ReplaceLongPaths(SystemErrorText(GetLastError()), {source, destination});
            complete = false;
        }
    }
    if (complete && destExists && moveAside) {
        // The old file goes aside first and keeps its attributes there; the
        // new one then takes the free name. Should it not, the old file
        // comes back to its name, so the name is never left empty.
        std::wstring placedAt;
        if (!moveAside->away(destination, placedAt, cause)) {
            complete = false;
        } else if (RenameRefused(destination) || !fs::MoveToNewName(temp, destination)) {
            cause = ReplaceLongPaths(SystemErrorText(GetLastError()), {source, destination});
            std::wstring backCause;
            if (!moveAside->back || !moveAside->back(placedAt, destination, backCause))
                cause += Message(IDS_FILEOPS_OLD_FILE_AT, {placedAt});
            complete = false;
        }
    } else if (complete) {
        // A read-only destination cannot be replaced; its attributes come
        // back if the replacement fails. A name that was free when the copy
        // started is only ever taken, never replaced.
        if (clearAttrs) fs::SetAttributes(destination, Settable(destAttrs & ~clearAttrs));
        const bool renamed = !RenameRefused(destination) &&
                             (destExists ? fs::ReplaceFile(temp, destination) : fs::MoveToNewName(temp, destination));
        if (!renamed) {
            const DWORD code = GetLastError();
            cause = ReplaceLongPaths(SystemErrorText(code), {source, destination});
            if (clearAttrs) fs::SetAttributes(destination, Settable(destAttrs));
            if (!destExists && NameTaken(code)) nameAppeared(code);
            complete = false;
        }
    }
    if (!complete) {
        fs::SetAttributes(temp, FILE_ATTRIBUTE_NORMAL);
        progress.SetStatus(LoadText(IDS_FILEOPS_DELETING_FILE));
        fs::DeleteFile(temp);
        progress.SetStatus(std::wstring());
        return result;
    }

    // A file system that remembers the creation time of a replaced name may
    // have given it to the new file; the source's creation time wins. A name
    // that did not exist has nothing to remember.
    if (destExists) {
        fs::Handle fix = fs::OpenFile(destination, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      OPEN_EXISTING, 0);
        FILETIME c = ToFileTime(sourceInfo.creationTime);
        if (fix.valid()) SetFileTime(fix.get(), &c, nullptr, nullptr);
    }
    return FinishCopy(progress, log, percent) ? Attempt::Copied : Attempt::Failed;
}

}  // namespace

ScopedCopyHooks::ScopedCopyHooks() : saved_(activeCopyHooks) { activeCopyHooks = this; }
ScopedCopyHooks::~ScopedCopyHooks() { activeCopyHooks = saved_; }

bool CopyFileContents(const std::wstring& source, const FileInfo& sourceInfo, const std::wstring& destination,
                      Progress& progress, LogSink& log, const CopySettings& options, std::wstring& cause,
                      CopyTarget target, const MoveAsideFn* moveAside, CopyOutcome* outcome) {
    CopyOutcome unused;
    CopyOutcome& result = outcome ? *outcome : unused;
    result = CopyOutcome::Failed;
    const std::wstring status = progress.StatusText();
    // A failed check is tried once more from the start: a source saved once
    // while it was copied is copied whole the second time.
    for (int attempt = 0;; ++attempt) {
        const Attempt r = CopyOnce(source, attempt == 0 ? &sourceInfo : nullptr, destination, progress, log, options,
                                   cause, target, moveAside, attempt);
        switch (r) {
        case Attempt::Copied: result = CopyOutcome::Copied; return true;
        case Attempt::Failed: return false;
        case Attempt::NameAppeared: result = CopyOutcome::NameAppeared; return false;
        case Attempt::SourceChanged:
        case Attempt::Differs: break;
        }
        const bool changed = r == Attempt::SourceChanged;
        if (attempt > 0) {
            cause = changed ? Message(IDS_FILEOPS_SOURCE_CHANGED, {source})
                            : Message(IDS_FILEOPS_COPY_DIFFERS, {destination, source});
            return false;
        }
        if (Interrupted(progress, log)) return false;
        log.AppendLine(changed ? Message(IDS_FILEOPS_RETRY_CHANGED, {source})
                               : Message(IDS_FILEOPS_RETRY_DIFFERS, {destination, source}));
        progress.SetStatus(status);
    }
}

bool SetFileTimes(const std::wstring& path, std::optional<FileTime> creation, std::optional<FileTime> access,
                  std::optional<FileTime> write, Progress& progress, LogSink& log, std::wstring& cause) {
    cause.clear();
    const DWORD attrs = fs::GetAttributes(path);
    const bool clearedReadOnly = attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) &&
                                 fs::SetAttributes(path, Settable(attrs & ~FILE_ATTRIBUTE_READONLY));
    FILETIME c = ToFileTime(creation.value_or(0)), a = ToFileTime(access.value_or(0)),
             w = ToFileTime(write.value_or(0));
    bool opened = false;
    for (int failures = 0;;) {
        FileError error;
        fs::Handle file = fs::OpenFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       OPEN_EXISTING, 0, &error);
        if (file.valid()) {
            if (SetFileTime(file.get(), creation ? &c : nullptr, access ? &a : nullptr, write ? &w : nullptr))
                cause.clear();
            else
                cause = ReplaceLongPaths(SystemErrorText(GetLastError()), {path});
            opened = true;
            break;
        }
        cause = ReplaceLongPaths(ExceptionText(error), {path});
        if (++failures > 10) break;
        if (Interrupted(progress, log)) {
            if (clearedReadOnly) fs::SetAttributes(path, Settable(attrs));
            return false;
        }
        Sleep(CurrentFileOpTimings().setTimesRetryMs);
    }
    if (clearedReadOnly) fs::SetAttributes(path, Settable(attrs));
    return opened;
}

std::wstring FormatSizeText(std::uint64_t size, std::wstring& unit) {
    if (size < 1024000) unit.clear();
    else if (size < 1048576000) unit = Message(msg::kMegaUnit, {static_cast<double>(size) / 1048576.0});
    else unit = Message(msg::kGigaUnit, {static_cast<double>(size) / 1073741824.0});

    std::wstring digits = std::to_wstring(size);
    std::wstring text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += L',';
        text += digits[i];
    }
    return text;
}

std::wstring FormatPercentText(std::uint64_t size, std::uint64_t done, double& percent) {
    percent = 0.0;
    if (done != 0 && size != 0)
        percent = std::floor(static_cast<double>(done) * 1000.0 / static_cast<double>(size)) / 10.0;
    return Message(msg::kPercent, {percent});
}

}  // namespace mirrant
