#include "engine/set_aside.h"

#include <algorithm>
#include <cstdio>

#include "engine/file_access.h"
#include "fileops/error_text.h"
#include "fileops/path_rules.h"
#include "framework/log_sink.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"
#include "settings/run_options.h"

namespace mirrant {

namespace {

constexpr size_t kStampLength = 17;  // "yyyy-mm-dd_hhmmss"

bool Digits(const std::wstring& text, size_t from, size_t count) {
    for (size_t i = from; i < from + count; ++i)
        if (i >= text.size() || text[i] < L'0' || text[i] > L'9') return false;
    return true;
}

unsigned Number(const std::wstring& text, size_t from, size_t count) {
    unsigned n = 0;
    for (size_t i = from; i < from + count; ++i) n = n * 10 + static_cast<unsigned>(text[i] - L'0');
    return n;
}

std::uint64_t Ticks(const SYSTEMTIME& t) {
    FILETIME f{};
    if (!SystemTimeToFileTime(&t, &f)) return 0;
    return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

}  // namespace

bool IsSetAsideFolderName(const std::wstring& name) {
    return SameName(name, kSetAsideFolderName);
}

bool LiesInSetAsideFolder(const std::wstring& path) {
    for (size_t begin = 0; begin < path.size();) {
        size_t end = path.find(L'\\', begin);
        if (end == std::wstring::npos) end = path.size();
        if (IsSetAsideFolderName(path.substr(begin, end - begin))) return true;
        begin = end + 1;
    }
    return false;
}

std::wstring RunFolderName(const SYSTEMTIME& start) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02u_%02u%02u%02u", start.wYear, start.wMonth, start.wDay, start.wHour,
                  start.wMinute, start.wSecond);
    return text;
}

std::optional<SYSTEMTIME> RunFolderStart(const std::wstring& name) {
    if (name.size() < kStampLength || !Digits(name, 0, 4) || name[4] != L'-' || !Digits(name, 5, 2) ||
        name[7] != L'-' || !Digits(name, 8, 2) || name[10] != L'_' || !Digits(name, 11, 6))
        return std::nullopt;
    if (name.size() > kStampLength &&
        (name[kStampLength] != L'_' || name.size() == kStampLength + 1 ||
         !Digits(name, kStampLength + 1, name.size() - kStampLength - 1)))
        return std::nullopt;
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(Number(name, 0, 4));
    t.wMonth = static_cast<WORD>(Number(name, 5, 2));
    t.wDay = static_cast<WORD>(Number(name, 8, 2));
    t.wHour = static_cast<WORD>(Number(name, 11, 2));
    t.wMinute = static_cast<WORD>(Number(name, 13, 2));
    t.wSecond = static_cast<WORD>(Number(name, 15, 2));
    if (Ticks(t) == 0) return std::nullopt;  // not a date
    return t;
}

bool RunFolderExpired(const std::wstring& name, const SYSTEMTIME& now, int days) {
    const std::optional<SYSTEMTIME> start = RunFolderStart(name);
    if (!start) return false;
    const std::uint64_t from = Ticks(*start), to = Ticks(now);
    const std::uint64_t keep = static_cast<std::uint64_t>(days) * 24 * 3600 * 10000000ull;
    return to > from && to - from > keep;
}

// ---- one side -------------------------------------------------------------------

SetAsideSide::SetAsideSide(FileAccess& files, std::wstring root, unsigned labelId, std::wstring runName,
                           bool changes)
    : files_(files), root_(std::move(root)), labelId_(labelId), runName_(std::move(runName)), changes_(changes) {
    if (!root_.empty() && root_.back() != L'\\') root_ += L'\\';
}

bool SetAsideSide::Holds(const std::wstring& path) const {
    return path.size() > root_.size() && StartsWithName(path, root_);
}

std::wstring SetAsideSide::SetAsideFolder() const { return root_ + kSetAsideFolderName + L"\\"; }

std::wstring SetAsideSide::RunFolder() const { return SetAsideFolder() + runName_ + L"\\"; }

// The run folder is made when the first file goes there. A folder of the
// same name (a second run within the same second) gets a number behind it,
// so that each run keeps its own.
bool SetAsideSide::MakeRunFolder(std::wstring& cause) {
    if (runFolderMade_) return true;
    const std::wstring stamp = runName_.substr(0, kStampLength);
    for (int n = 2; files_.IsFolder(RunFolder()) && n < 100; ++n) runName_ = stamp + L"_" + std::to_wstring(n);
    unsigned long error = 0;
    if (!files_.CreateFolderTree(RunFolder(), cause, error)) return false;
    // Out of the user's sight, like the program's other own files.
    files_.MarkFolderHidden(SetAsideFolder());
    runFolderMade_ = true;
    return true;
}

bool SetAsideSide::Move(const std::wstring& path, bool updateReadOnly, std::wstring& cause, std::wstring* placedAt) {
    cause.clear();
    const std::wstring relative = path.substr(root_.size());
    std::wstring target;
    auto failed = [&] {
        if (target.empty()) target = RunFolder() + relative;
        cause = Message(IDS_SET_ASIDE_MOVE_FAILED, {target, cause});
        return false;
    };
    if (!MakeRunFolder(cause)) return failed();
    target = RunFolder() + relative;
    const std::wstring folder = ParentFolder(target);
    if (folder != RunFolder() && !madeFolders_.contains(folder)) {
        unsigned long error = 0;
        if (!files_.CreateFolderTree(folder, cause, error)) return failed();
        madeFolders_.insert(folder);
    }
    if (!files_.MoveFileAside(path, target, updateReadOnly, cause)) {
        // A read-only file that may not be updated is refused as a deletion
        // would refuse it, with the same reason.
        if (cause == Message(msg::kDeniedReadOnly, {path})) return false;
        return failed();
    }
    ++count_;
    if (placedAt) *placedAt = target;
    return true;
}

bool SetAsideSide::PutBack(const std::wstring& placedAt, const std::wstring& path, std::wstring& cause) {
    if (!files_.MoveFileAside(placedAt, path, true, cause)) return false;
    if (count_ > 0) --count_;
    return true;
}

// The run folders of this side, newest first, with the start their names
// tell (other names are left alone).
std::vector<SetAsideSide::RunFolderEntry> SetAsideSide::ListRunFolders() {
    std::vector<RunFolderEntry> runs;
    unsigned long error = 0;
    std::wstring cause;
    ForEachEntry(
        files_, SetAsideFolder(),
        [&](const ListedEntry& e) {
            if (!e.isFolder || e.isLink) return true;
            if (const std::optional<SYSTEMTIME> start = RunFolderStart(e.name)) runs.push_back({e.name, Ticks(*start)});
            return true;
        },
        error, cause);
    std::sort(runs.begin(), runs.end(), [](const RunFolderEntry& a, const RunFolderEntry& b) {
        return a.start != b.start ? a.start > b.start : a.name > b.name;
    });
    return runs;
}

void SetAsideSide::RemoveExpired(int days, const SYSTEMTIME& now, const RunOptions& options, Progress& progress,
                                 LogSink& log) {
    const std::wstring folder = SetAsideFolder();
    const std::vector<RunFolderEntry> runs = ListRunFolders();
    // A newest run folder dated after this run's start means the clock went
    // back (or was ahead then): dates cannot be trusted, nothing goes.
    if (!runs.empty() && runs.front().start > Ticks(now)) {
        log.AppendLine(Message(IDS_SET_ASIDE_CLOCK_BACK, {folder + runs.front().name + L"\\"}));
        return;
    }
    // Whatever the set-aside files' attributes, they are the program's own.
    RunOptions removal = options;
    removal.updateReadOnly = true;
    // The newest run folders stay whatever their dates: a clock set far ahead
    // for one run must not take every kept version at once.
    for (size_t i = kRunFoldersAlwaysKept; i < runs.size(); ++i) {
        if (!RunFolderExpired(runs[i].name, now, days)) continue;
        const std::wstring run = folder + runs[i].name + L"\\";
        unsigned remaining = 0;
        bool refused = false;
        if (files_.DeleteFolderTree(run, remaining, removal, progress, log, refused))
            log.AppendLine(Message(IDS_SET_ASIDE_EXPIRED_REMOVED, {static_cast<unsigned>(days), run}));
        else
            log.AppendError(Message(IDS_SET_ASIDE_EXPIRED_NOT_REMOVED, {static_cast<unsigned>(days), run}));
        if (StopRequested(progress)) return;
    }
}

void SetAsideSide::Report(LogSink& log, bool testMode) const {
    if (count_ == 0) return;
    log.AppendLine(Message(testMode ? IDS_SET_ASIDE_TEST_REPORT : IDS_SET_ASIDE_REPORT,
                           {LoadText(labelId_), count_, RunFolder()}));
}

// ---- both sides -----------------------------------------------------------------

SetAside::SetAside(FileAccess& files, const RunOptions& options, bool testMode, const SYSTEMTIME& start)
    : files_(files), on_(options.setAsideFiles), testMode_(testMode), days_(options.setAsideDays), start_(start),
      runName_(RunFolderName(start)) {}

void SetAside::AddSide(const std::wstring& root, unsigned labelId, bool changes) {
    if (on_) sides_.emplace_back(files_, root, labelId, runName_, changes);
}

SetAsideSide* SetAside::SideOf(const std::wstring& path) {
    for (SetAsideSide& side : sides_)
        if (side.Holds(path)) return &side;
    return nullptr;
}

bool SetAside::Move(const std::wstring& path, bool updateReadOnly, std::wstring& cause, std::wstring* placedAt) {
    if (SetAsideSide* side = SideOf(path)) return side->Move(path, updateReadOnly, cause, placedAt);
    cause = SystemErrorText(ERROR_PATH_NOT_FOUND);
    return false;
}

bool SetAside::PutBack(const std::wstring& placedAt, const std::wstring& path, std::wstring& cause) {
    if (SetAsideSide* side = SideOf(path)) return side->PutBack(placedAt, path, cause);
    cause = SystemErrorText(ERROR_PATH_NOT_FOUND);
    return false;
}

bool SetAside::DeleteFile(const std::wstring& path, const RunOptions& options, Progress& progress, LogSink& log,
                          std::wstring& failureLine) {
    progress.SetStatus(LoadText(IDS_FILEOPS_DELETING_FILE));
    progress.Show(path + LoadText(IDS_FILEOPS_DELETING_SUFFIX), level::DeletingFile);
    std::wstring cause;
    if (Move(path, options.updateReadOnly, cause)) {
        log.AppendLine(Message(msg::kDeleted, {path}));
        return true;
    }
    failureLine = Message(msg::kCannotDelete, {path, cause});
    log.AppendError(failureLine);
    return false;
}

void SetAside::MoveTree(const std::wstring& folder, const RunOptions& options, Progress& progress, LogSink& log,
                        unsigned& failed, bool& interrupted) {
    // The entries are read first: the folder is not listed while its files
    // move out of it.
    std::vector<ListedEntry> entries;
    unsigned long error = 0;
    std::wstring cause;
    const bool listed = ListFolder(files_, folder, entries, error, cause);
    if (!listed && error != ERROR_FILE_NOT_FOUND) {
        ++failed;
        log.AppendError(Message(msg::kListingFailed, {folder, cause}));
        return;
    }
    for (const ListedEntry& e : entries) {
        // A folder link leads out of the tree: the deletion removes the link.
        // The copy's leftovers are the program's own and simply deleted.
        if (e.isFolder && !e.isLink) {
            MoveTree(folder + e.name + L"\\", options, progress, log, failed, interrupted);
            if (interrupted) return;
        } else if (!e.isFolder && !e.copyTemporary) {
            const std::wstring path = folder + e.name;
            if (!Move(path, options.updateReadOnly, cause)) {
                ++failed;
                log.AppendError(Message(msg::kCannotDelete, {path, cause}));
            }
        }
        if (StopRequested(progress)) {
            log.AppendLine(LoadText(msg::kInterrupted));
            interrupted = true;
            return;
        }
    }
}

void SetAside::Count(const std::wstring& path) {
    if (SetAsideSide* side = SideOf(path)) side->CountWouldMove();
}

void SetAside::CountTree(const std::wstring& folder) {
    std::vector<ListedEntry> entries;
    unsigned long error = 0;
    std::wstring cause;
    ListFolder(files_, folder, entries, error, cause);
    for (const ListedEntry& e : entries) {
        if (e.isFolder && !e.isLink) CountTree(folder + e.name + L"\\");
        else if (!e.isFolder && !e.copyTemporary) Count(folder + e.name);
    }
}

void SetAside::RemoveExpired(const RunOptions& options, Progress& progress, LogSink& log) {
    if (!moves()) return;
    SYSTEMTIME now = start_;
    for (SetAsideSide& side : sides_)
        if (side.changes()) side.RemoveExpired(days_, now, options, progress, log);
}

void SetAside::Report(LogSink& log) const {
    for (const SetAsideSide& side : sides_) side.Report(log, testMode_);
}

std::uint64_t SetAside::total() const {
    std::uint64_t n = 0;
    for (const SetAsideSide& side : sides_) n += side.count();
    return n;
}

}  // namespace mirrant
