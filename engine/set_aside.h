#pragma once
// Keeping what a run deletes or replaces. With the option on, every file a
// run would delete or overwrite is first moved, by a rename on its own
// volume (never a copy), into
//   <root>\_Mirrant退避\<yyyy-mm-dd_hhmmss>\<its path below the root>
// on the side where it lies: one dated folder per run and side, made when
// the first file goes there. A file that cannot be moved is neither deleted
// nor replaced. The set-aside folder is the program's own at a root (deeper,
// a folder of that name is the user's): the walks pass it by on both sides,
// and every run that is not a test first removes the dated folders older
// than the days to keep, never the newest three.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace mirrant {

class FileAccess;
class LogSink;
class Progress;
struct RunOptions;

// "_Mirrant退避": no one names a folder so by chance, and code page 932
// holds every character, so the narrow program reaches it too.
inline constexpr wchar_t kSetAsideFolderName[] = L"_Mirrant退避";
// Compared as the file system compares names: without regard to case.
bool IsSetAsideFolderName(const std::wstring& name);
// Whether a path passes through a folder of that name (a root there would
// walk, or delete, the kept files).
bool LiesInSetAsideFolder(const std::wstring& path);

// The dated folder of a run started at local time `start`: "2026-12-07_230000".
std::wstring RunFolderName(const SYSTEMTIME& start);
// The local start time a run folder's name tells: "yyyy-mm-dd_hhmmss",
// alone or followed by "_" and a number (a second run in the same second).
// None for every other name, which the retention then leaves alone.
std::optional<SYSTEMTIME> RunFolderStart(const std::wstring& name);
// A run folder that started more than `days` days before `now`.
bool RunFolderExpired(const std::wstring& name, const SYSTEMTIME& now, int days);

// One side of one run: its root (trailing backslash) and the files set
// aside there.
class SetAsideSide {
public:
    SetAsideSide(FileAccess& files, std::wstring root, unsigned labelId, std::wstring runName, bool changes);

    const std::wstring& root() const { return root_; }
    bool changes() const { return changes_; }  // the run may delete or replace files on this side
    bool Holds(const std::wstring& path) const;
    std::wstring SetAsideFolder() const;  // <root>\_Mirrant退避\ (trailing backslash)
    std::wstring RunFolder() const;       // the dated folder (trailing backslash)
    unsigned count() const { return count_; }

    // Test mode: one more file that the run would set aside.
    void CountWouldMove() { ++count_; }
    // Moves a file below the root to the same place below the run folder.
    // False with a cause that names where it was to go; placedAt (when
    // given) gets where it went.
    bool Move(const std::wstring& path, bool updateReadOnly, std::wstring& cause, std::wstring* placedAt = nullptr);
    // Moves a file this run set aside back to its name (a replacement that
    // could not give the new file the name); it no longer counts.
    bool PutBack(const std::wstring& placedAt, const std::wstring& path, std::wstring& cause);
    // Removes the run folders older than `days` (one line each), except the
    // newest three; nothing when the newest is dated after `now`.
    void RemoveExpired(int days, const SYSTEMTIME& now, const RunOptions& options, Progress& progress,
                       LogSink& log);
    // The line after the run: where the files went (test mode: would go)
    // and how many; none when there were none.
    void Report(LogSink& log, bool testMode) const;

private:
    struct RunFolderEntry {
        std::wstring name;
        std::uint64_t start;  // 100-ns units, local time as named
    };
    // The newest run folders of a side are never removed by their dates.
    static constexpr size_t kRunFoldersAlwaysKept = 3;
    std::vector<RunFolderEntry> ListRunFolders();
    bool MakeRunFolder(std::wstring& cause);

    FileAccess& files_;
    std::wstring root_;
    unsigned labelId_;
    std::wstring runName_;
    bool changes_;
    bool runFolderMade_ = false;
    std::unordered_set<std::wstring> madeFolders_;  // below the run folder
    unsigned count_ = 0;
};

// Both sides of one run.
class SetAside {
public:
    // Off unless the options ask for it; in test mode it only reports.
    SetAside(FileAccess& files, const RunOptions& options, bool testMode, const SYSTEMTIME& start);

    // A side the run reaches; changes: the run may delete or replace there.
    void AddSide(const std::wstring& root, unsigned labelId, bool changes);
    // Files are moved aside instead of being deleted or replaced.
    bool moves() const { return on_ && !testMode_; }
    bool on() const { return on_; }

    // Moves one file aside (the side is the one whose root holds it);
    // placedAt (when given) gets where it went.
    bool Move(const std::wstring& path, bool updateReadOnly, std::wstring& cause, std::wstring* placedAt = nullptr);
    // Puts a file that Move set aside back to its name.
    bool PutBack(const std::wstring& placedAt, const std::wstring& path, std::wstring& cause);
    // Deleting one file: shown and logged as a deletion ("削除されました" or
    // the error line msg::kCannotDelete, which failureLine gets).
    bool DeleteFile(const std::wstring& path, const RunOptions& options, Progress& progress, LogSink& log,
                    std::wstring& failureLine);
    // Deleting a folder tree, first part: every file below folder is moved
    // aside (folder links are not followed). failed counts the files that
    // stay (each logged with msg::kCannotDelete) and the folders that could not be
    // listed; interrupted when the user stopped the run (logged).
    void MoveTree(const std::wstring& folder, const RunOptions& options, Progress& progress, LogSink& log,
                  unsigned& failed, bool& interrupted);

    // Test mode: the file, or every file below the folder, that a run would
    // set aside.
    void Count(const std::wstring& path);
    void CountTree(const std::wstring& folder);

    // At the start of every run that is not a test, with the option on.
    void RemoveExpired(const RunOptions& options, Progress& progress, LogSink& log);
    // After the run's lines.
    void Report(LogSink& log) const;
    // The files set aside (test mode: that would be), on every side.
    std::uint64_t total() const;

private:
    SetAsideSide* SideOf(const std::wstring& path);

    FileAccess& files_;
    bool on_;
    bool testMode_;
    int days_;
    SYSTEMTIME start_;
    std::wstring runName_;
    std::vector<SetAsideSide> sides_;  // the first that holds a path takes it
};

}  // namespace mirrant
