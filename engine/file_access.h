#pragma once
// The file-system operations a run's walk needs, behind one interface. The
// program uses SystemFileAccess(), which forwards to fileops/; tests wrap it
// to make chosen operations fail. Every path here is plain (no long-path
// form); the operations apply the long form themselves, and every cause text
// names plain paths. The checks of a run's roots before the walk are not
// here (engine/root_search.h), nor the pure rules of paths
// (fileops/path_rules.h), which the engine calls directly.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fileops/file_copy.h"

namespace mirrant {

class LogSink;
class Progress;
struct RunOptions;

// Times (100-ns units since 1601, UTC) and size of a file.
struct FileStamp {
    std::uint64_t creation = 0;
    std::uint64_t access = 0;
    std::uint64_t write = 0;
    std::uint64_t size = 0;
};

struct ListedEntry {
    std::wstring name;
    bool isFolder = false;
    bool isLink = false;          // a link (or other reparse point) to another place, folder or file
    bool copyTemporary = false;   // a temporary file the program's copy left behind
    FileStamp stamp;
};

// What one look at a path found.
enum class Found { File, Folder, Nothing, NoAnswer };
struct EntryLook {
    Found found = Found::Nothing;
    FileStamp stamp;  // a file's
    unsigned long error = 0;
    std::wstring cause;  // the system's text for error (plain paths)
};

// Which folder a path leads to: equal for two paths of one folder.
struct FolderId {
    unsigned long volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FolderId&) const = default;
};

// One file copy: source (with its stamp) over destination, with times and
// attributes. target: CopyTarget::Absent when a listing just showed no entry
// of the destination's name. moveAside (may be null): an existing
// destination is moved there once the new content is complete and checked,
// instead of being replaced, and put back should the new file not take its
// name (fileops/file_copy.h).
struct CopyRequest {
    std::wstring source;
    FileStamp stamp;
    std::wstring destination;
    CopyTarget target = CopyTarget::MayExist;
    const MoveAsideFn* moveAside = nullptr;
};

class FileAccess {
public:
    virtual ~FileAccess() = default;

    // Lists the entries matching pattern (a folder + "*.*", or a file path),
    // in the order the system returns them, "." and ".." included; the copy's
    // temporary files are listed with copyTemporary set. onEntry
    // returns false to end the listing early. false when the listing cannot
    // start or breaks off after some entries: error is the system error
    // code, cause its text (plain paths).
    virtual bool List(const std::wstring& pattern, const std::function<bool(const ListedEntry&)>& onEntry,
                      unsigned long& error, std::wstring& cause) = 0;

    // One look at a path, following a link to what it leads to. A look that
    // gets no answer (denied, a network or device error, a link whose target
    // is gone) is NoAnswer with the system's error and its text: never the
    // same as Nothing, which only a name that is not there gives.
    virtual EntryLook LookAt(const std::wstring& path) = 0;
    virtual bool IsFolder(const std::wstring& path) = 0;

    // Times and size with up to 11 attempts 1 s apart; false when not found
    // or interrupted (the interrupt is logged with msg::kInterrupted).
    virtual bool GetFileInfo(const std::wstring& path, FileStamp& out, Progress& progress, LogSink& log) = 0;

    // true when both files hold the same bytes. false with an empty cause:
    // they differ (or the run was interrupted); with a cause: reading failed.
    virtual bool CompareFileContents(const std::wstring& a, const std::wstring& b, Progress& progress,
                                     LogSink& log, std::wstring& cause) = 0;

    // Copies as requested. A failed or interrupted copy leaves no
    // destination file and the old one as it was. NameAppeared: the
    // destination was absent when the copy started and an entry of its name
    // appeared meanwhile; it was left as it is (cause says so too).
    virtual CopyOutcome CopyFileContents(const CopyRequest& copy, const RunOptions& options, Progress& progress,
                                  LogSink& log, std::wstring& cause) = 0;

    // Gives the file this last-write time, leaving its other times; a
    // read-only attribute is cleared and restored around the change. true
    // when the file could be opened; the times were set when cause is empty.
    virtual bool SetWriteTime(const std::wstring& path, std::uint64_t writeTime, Progress& progress,
                              LogSink& log, std::wstring& cause) = 0;

    // Deletes one file, showing the deletion in the progress window and
    // logging msg::kDeleted or the error line msg::kCannotDelete itself;
    // failureLine gets that line.
    virtual bool DeleteOneFile(const std::wstring& path, const RunOptions& options, Progress& progress,
                               LogSink& log, std::wstring& failureLine) = 0;

    // Deletes folder (trailing backslash) with everything below it, logging
    // each failure itself. remaining counts the folders left; refused is set
    // when the folder itself is read-only and may not be updated.
    virtual bool DeleteFolderTree(const std::wstring& folder, unsigned& remaining, const RunOptions& options,
                                  Progress& progress, LogSink& log, bool& refused) = 0;

    // Moves a file that a run deletes or replaces to `to`, a free name on the
    // same volume (never a copy); a read-only file is refused unless
    // updateReadOnly. False with a cause.
    virtual bool MoveFileAside(const std::wstring& path, const std::wstring& to, bool updateReadOnly,
                               std::wstring& cause) = 0;
    // Gives an existing folder the hidden attribute.
    virtual bool MarkFolderHidden(const std::wstring& folder) = 0;
    // Removes a folder only when it is empty (never anything inside it).
    virtual bool RemoveEmptyFolder(const std::wstring& folder) = 0;

    // Creates folder with all missing parents. error 183 after success means
    // the folder existed already.
    virtual bool CreateFolderTree(const std::wstring& folder, std::wstring& cause, unsigned long& error) = 0;

    // Whether this program reaches exactly the file or folder of this name
    // (the narrow program cannot hold every name the system lists).
    virtual bool CanAddress(const std::wstring& path) = 0;
    // The identity of a folder; false when it cannot be reached.
    virtual bool GetFolderId(const std::wstring& folder, FolderId& id) = 0;
    // Removes a temporary file an interrupted copy left, unless another
    // program holds it; never anything else.
    virtual LeftoverRemoval RemoveLeftoverCopyTemp(const std::wstring& path, std::wstring& cause) = 0;
};

// The program's file access.
FileAccess& SystemFileAccess();

// The entries of folder (with its trailing backslash) in the system's order,
// without "." and "..": onEntry returns false to end early. False as
// FileAccess::List fails.
bool ForEachEntry(FileAccess& files, const std::wstring& folder,
                  const std::function<bool(const ListedEntry&)>& onEntry, unsigned long& error, std::wstring& cause);
// The same, kept: a folder read to its end before any entry is acted on.
bool ListFolder(FileAccess& files, const std::wstring& folder, std::vector<ListedEntry>& entries,
                unsigned long& error, std::wstring& cause);

// Time comparison of this side's file (a) with the other side's (b) within the
// tolerance. A difference of 2^32 units or more always counts as different.
enum class TimeOrder { ThisNewer, Same, OtherNewer };
TimeOrder CompareTimes(std::uint64_t a, std::uint64_t b, unsigned toleranceSeconds);

}  // namespace mirrant
