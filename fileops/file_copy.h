#pragma once
// Per-file operations of a run: times and size, time comparison within the
// tolerance, byte comparison, the copy with times and attributes, setting
// times, and the texts of sizes and percentages. Paths are plain; every
// operation applies the long form itself. Failures come back as false and a
// one-line cause text with plain paths; nothing is thrown.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace mirrant {

class Progress;
class LogSink;

// 100-nanosecond units since 1601-01-01 UTC.
using FileTime = std::uint64_t;

struct FileInfo {
    FileTime creationTime = 0;
    FileTime accessTime = 0;
    FileTime writeTime = 0;
    std::uint64_t size = 0;
};

// Reads the times and size, trying up to 11 times a second apart. False when
// the file is not found, or when the user interrupts (then "ﾕｰｻﾞの指示により
// 中断しました。" is logged). A path the system cannot be given at all (a
// name outside the narrow program's code page, too long, a wildcard) fails
// at once.
bool GetFileInfo(const std::wstring& path, FileInfo& info, Progress& progress, LogSink& log);

// 0 when a and b are within the tolerance, 1 when b is later, -1 when a is
// later. Differences of 2^32 units (about 429.5 s) or more never count as
// equal.
int CompareFileTimes(FileTime a, FileTime b, unsigned toleranceSeconds);

// True when both files hold the same bytes. False with an empty cause when
// they differ (or the user interrupted: check progress.CancelRequested()),
// with a cause when a file could not be opened or read.
bool CompareFileContents(const std::wstring& path1, const std::wstring& path2, Progress& progress,
                         LogSink& log, std::wstring& cause);

// Copies source over destination with the source's times and attributes.
// A hidden destination is refused unless the source is hidden too; a
// read-only one unless options.updateReadOnly. The new content is written to
// a temporary file beside the destination and replaces it in one step, so a
// failed or interrupted copy leaves the old destination exactly as it was
// and no partial file. The destination is flushed about every 20 percent
// unless options.delayedWritePriority.
//
// Before the temporary file takes the destination's name, two checks:
// - the source's size and last-write time are read again from the open
//   source; when they differ from sourceInfo (the source was written while
//   it was copied), the temporary file goes;
// - with options.verifyCopies, the temporary file is flushed and read back
//   (past the system's cache where the system allows it) and compared with
//   the source block by block; when they differ, the temporary file goes.
// Either way the copy starts once more from the beginning with the source's
// size and times read afresh (the new file gets those times), logging one
// line that it does; a second failed check fails the copy with its own
// cause. Nothing old is moved aside or replaced before the checks passed.
//
// CopyTarget::Absent: the caller has just seen that no entry of the
// destination's name exists (a listing of its folder). The destination is
// then not looked up again. A copy never replaces an entry that was not
// there when it started: should one of that name have appeared meanwhile,
// it is left as it is, the temporary file goes, and outcome (when given)
// says CopyOutcome::NameAppeared, so the caller can compare the two files
// before anything replaces it.
//
// moveAside: where a run keeps what it replaces. Given, an existing
// destination is not replaced in one step: once the new content is complete
// in the temporary file (and passed the checks), moveAside.away moves the
// old file out of the way, and the temporary file then takes the free name.
// When away fails (its cause becomes the copy's), the old destination stays
// as it was. When the temporary file then cannot take the name, the old file
// is put back with moveAside.back; should that fail too, the cause says
// where the old file is.
enum class CopyTarget { MayExist, Absent };
enum class CopyOutcome { Copied, Failed, NameAppeared };
struct MoveAsideFn {
    // Moves the file at path away; placedAt gets where it went.
    std::function<bool(const std::wstring& path, std::wstring& placedAt, std::wstring& cause)> away;
    // Moves it from placedAt back to path.
    std::function<bool(const std::wstring& placedAt, const std::wstring& path, std::wstring& cause)> back;
};
// What a copy takes from the run's options.
struct CopySettings {
    bool updateReadOnly = true;        // a read-only destination may be replaced
    bool verifyCopies = false;         // read back and compared before it takes the name
    bool delayedWritePriority = true;  // no flush of the new content before the rename
};
bool CopyFileContents(const std::wstring& source, const FileInfo& sourceInfo, const std::wstring& destination,
                      Progress& progress, LogSink& log, const CopySettings& options, std::wstring& cause,
                      CopyTarget target = CopyTarget::MayExist, const MoveAsideFn* moveAside = nullptr,
                      CopyOutcome* outcome = nullptr);

// Test-only: while it lives, the copies of every thread call these at their
// steps, as a disk, another program or a scanner would interfere there.
// A test cannot otherwise reach inside a copy between its steps.
class ScopedCopyHooks {
public:
    // After the content is in the temporary file (still open, flushed) and
    // before the checks. file is the temporary file's handle (a HANDLE),
    // open for writing; attempt counts from 0.
    std::function<void(const std::wstring& source, void* file, int attempt)> afterWrite;
    // Before the temporary file takes the destination's name: a nonzero
    // result makes that step fail with this system error code.
    std::function<unsigned long(const std::wstring& destination)> renameError;

    ScopedCopyHooks();
    ~ScopedCopyHooks();
    ScopedCopyHooks(const ScopedCopyHooks&) = delete;
    ScopedCopyHooks& operator=(const ScopedCopyHooks&) = delete;

private:
    ScopedCopyHooks* saved_;
};

// True for the names of the copy's temporary files: exactly "~mrt", 8 hex
// digits and ".tmp", 16 characters, ASCII only. The copy writes them in lower
// case; upper case letters are taken too, because the file system compares
// names without case (the copy's exclusive creation collides with them just
// the same) and because a walk that hides these files must also be able to
// clear them away, or a hidden one would stay for ever.
bool IsCopyTemporaryName(const std::wstring& name);

// What RemoveLeftoverCopyTemp did.
enum class LeftoverRemoval {
    Removed,           // it was a leftover of the copy and is gone
    NotCopyTemporary,  // the name, or what the name stands for (a folder, a
                       // link), is not the copy's: nothing was touched
    InUse,             // another program has it open: left as it is
    Failed,            // it stays; cause says why
};

// Removes a temporary file that an interrupted copy left beside its
// destination (a run killed or a power cut while copying). path is the
// file's plain path; its last name must pass IsCopyTemporaryName, and it must
// be a plain file, not a folder or link. The file is opened without sharing
// first, so a file that any other handle holds (a copy still running in
// another process) is reported InUse and left alone; while it is open
// nobody else can open it, and it is marked for deletion through that same
// handle. A read-only attribute (the copy gives the file the source's
// attributes) is cleared on the handle first and put back if the deletion
// fails. cause: the system's text with the plain path for InUse and Failed,
// empty otherwise.
LeftoverRemoval RemoveLeftoverCopyTemp(const std::wstring& path, std::wstring& cause);

// Sets the given times (absent ones are left as they are), clearing a
// read-only attribute for the time and putting it back. True when the file
// could be opened; the cause is empty when the times were set.
bool SetFileTimes(const std::wstring& path, std::optional<FileTime> creation, std::optional<FileTime> access,
                  std::optional<FileTime> write, Progress& progress, LogSink& log, std::wstring& cause);

// "1,234,567"; unit becomes "" below 1,024,000 bytes, "1.0ﾒｶﾞ" style below
// 1,048,576,000, else "0.98ｷﾞｶﾞ" style.
std::wstring FormatSizeText(std::uint64_t size, std::wstring& unit);

// The done share of size with one decimal, truncated ("12.3"); percent gets
// the same value.
std::wstring FormatPercentText(std::uint64_t size, std::uint64_t done, double& percent);

// Block size of copy and comparison; larger files show a percentage.
inline constexpr std::uint32_t kFileBlockSize = 131072;

}  // namespace mirrant
