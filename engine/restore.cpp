#include "engine/restore.h"

#include <algorithm>
#include <map>
#include <set>

#include "engine/set_aside.h"
#include "fileops/path_rules.h"
#include "framework/log_sink.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

std::uint64_t Ticks(const SYSTEMTIME& t) {
    FILETIME f{};
    if (!SystemTimeToFileTime(&t, &f)) return 0;
    return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

std::wstring WithBackslash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path;
}

bool Absent(unsigned long error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Every file below folder (a run folder or one of its folders), with its
// path below the run folder. Folder links are not followed: a run never
// sets a folder link aside.
bool CollectFiles(FileAccess& files, const std::wstring& folder, const std::wstring& relative,
                  std::vector<SetAsideFile>& out, std::wstring& cause, std::wstring* failedFolder = nullptr) {
    std::vector<ListedEntry> entries;
    unsigned long error = 0;
    if (!ListFolder(files, folder, entries, error, cause)) {
        if (failedFolder) *failedFolder = folder;
        return false;
    }
    for (const ListedEntry& e : entries) {
        if (e.isFolder) {
            if (!e.isLink &&
                !CollectFiles(files, folder + e.name + L"\\", relative + e.name + L"\\", out, cause, failedFolder))
                return false;
        } else {
            out.push_back({relative + e.name, e.stamp});
        }
    }
    return true;
}

}  // namespace

std::wstring SetAsideFolderOf(const std::wstring& root) { return WithBackslash(root) + kSetAsideFolderName + L"\\"; }

bool ListSetAsideRuns(FileAccess& files, const std::wstring& root, std::vector<SetAsideRun>& runs,
                      std::wstring& cause, std::wstring* failedFolder) {
    runs.clear();
    cause.clear();
    const std::wstring folder = SetAsideFolderOf(root);
    std::vector<ListedEntry> entries;
    unsigned long error = 0;
    if (!ListFolder(files, folder, entries, error, cause)) {
        if (Absent(error)) {
            cause.clear();
            return true;
        }
        if (failedFolder) *failedFolder = folder;
        return false;
    }
    for (const ListedEntry& e : entries) {
        if (!e.isFolder || e.isLink) continue;
        const std::optional<SYSTEMTIME> start = RunFolderStart(e.name);
        if (!start) continue;
        SetAsideRun run{e.name, *start};
        std::vector<SetAsideFile> inside;
        if (!CollectFiles(files, folder + e.name + L"\\", L"", inside, cause, failedFolder)) return false;
        run.files = static_cast<unsigned>(inside.size());
        for (const SetAsideFile& f : inside) run.bytes += f.stamp.size;
        runs.push_back(std::move(run));
    }
    // Newest first; within one second the numbered second folder is newer.
    std::sort(runs.begin(), runs.end(), [](const SetAsideRun& a, const SetAsideRun& b) {
        const std::uint64_t ta = Ticks(a.start), tb = Ticks(b.start);
        if (ta != tb) return ta > tb;
        if (a.name.size() != b.name.size()) return a.name.size() > b.name.size();
        return a.name > b.name;
    });
    return true;
}

bool ListSetAsideFiles(FileAccess& files, const std::wstring& root, const std::wstring& run,
                       std::vector<SetAsideFile>& out, std::wstring& cause) {
    out.clear();
    cause.clear();
    if (!CollectFiles(files, SetAsideFolderOf(root) + run + L"\\", L"", out, cause)) return false;
    std::sort(out.begin(), out.end(),
              [](const SetAsideFile& a, const SetAsideFile& b) { return NameKey(a.relative) < NameKey(b.relative); });
    return true;
}

bool PlanRestore(FileAccess& files, const RestoreRequest& request, const std::vector<SetAsideRun>& runs,
                 std::vector<RestoreItem>& items, std::wstring& failedFolder, std::wstring& cause) {
    items.clear();
    const std::wstring root = WithBackslash(request.root);
    const std::wstring setAside = SetAsideFolderOf(root);
    // Keyed by the place as the file system compares names; the first run
    // folder that offers a place gives its version.
    std::map<std::wstring, RestoreItem> chosen;
    auto offer = [&](const std::wstring& run, const SetAsideFile& file) {
        chosen.emplace(NameKey(file.relative),
                       RestoreItem{setAside + run + L"\\" + file.relative, root + file.relative, run, file.stamp});
    };
    std::vector<SetAsideFile> inside;
    auto list = [&](const std::wstring& run) {
        if (ListSetAsideFiles(files, root, run, inside, cause)) return true;
        failedFolder = setAside + run + L"\\";
        return false;
    };
    switch (request.way) {
    case RestoreWay::Selected: {
        if (!list(request.run)) return false;
        std::set<std::wstring> wanted;
        for (const std::wstring& f : request.files) wanted.insert(NameKey(f));
        for (const SetAsideFile& f : inside)
            if (wanted.contains(NameKey(f.relative))) offer(request.run, f);
        break;
    }
    case RestoreWay::WholeRun:
        if (!list(request.run)) return false;
        for (const SetAsideFile& f : inside) offer(request.run, f);
        break;
    case RestoreWay::AsOf: {
        // The earliest run folder after the moment holds each path's content
        // of that moment: runs is newest first, so it is read backwards.
        const std::uint64_t moment = Ticks(request.asOf);
        for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
            if (Ticks(run->start) <= moment) continue;
            if (!list(run->name)) return false;
            for (const SetAsideFile& f : inside) offer(run->name, f);
        }
        break;
    }
    }
    items.reserve(chosen.size());
    for (auto& [key, item] : chosen) items.push_back(std::move(item));
    return true;
}

std::wstring RestoreCaption(bool testMode) { return LoadText(testMode ? IDS_RESTORE_CAPTION_TEST : IDS_RESTORE_CAPTION); }

namespace {

// The run of a restore: the items one after the other, each logged.
class Restorer {
public:
    Restorer(RestoreContext& context, const SYSTEMTIME& now)
        : c_(context), root_(WithBackslash(context.request.root)),
          side_(context.files, root_, 0, RunFolderName(now), true) {}

    // False when the user interrupted.
    bool Restore(const RestoreItem& item) {
        Progress& progress = c_.progress;
        progress.SetStatus(LoadText(IDS_RESTORE_STATUS));
        progress.Show(item.to, level::Copying);
        if (!c_.files.CanAddress(item.from) || !c_.files.CanAddress(item.to)) {
            c_.log.AppendError(Message(IDS_UNADDRESSABLE_NAME, {c_.files.CanAddress(item.from) ? item.to : item.from}));
            return !StopRequested(progress);
        }
        const EntryLook look = c_.files.LookAt(item.to);
        if (look.found == Found::Folder || look.found == Found::NoAnswer) {
            const std::wstring cause = look.found == Found::Folder ? LoadText(IDS_RESTORE_FOLDER_IN_PLACE) : look.cause;
            Fail(item, cause);
            return !StopRequested(progress);
        }
        const bool replaces = look.found == Found::File;
        if (c_.request.testMode) {
            if (replaces) side_.CountWouldMove();
            c_.log.AppendLine(Message(replaces ? IDS_RESTORE_WOULD_REPLACE : IDS_RESTORE_WOULD, {item.to, item.from}));
            ++restored_;
            return !StopRequested(progress);
        }
        // The current file goes aside first; without that, nothing happens.
        std::wstring cause, placedAt;
        if (replaces && !side_.Move(item.to, c_.options.updateReadOnly, cause, &placedAt)) {
            Fail(item, cause);
            return !StopRequested(progress);
        }
        const std::wstring folder = ParentFolder(item.to);
        unsigned long error = 0;
        bool back = folder == root_ || c_.files.CreateFolderTree(folder, cause, error);
        if (back) back = c_.files.MoveFileAside(item.from, item.to, true, cause);
        if (!back) {
            // The current file takes its name again; should even that fail,
            // the line says where it is.
            std::wstring putBackCause;
            if (replaces && !side_.PutBack(placedAt, item.to, putBackCause))
                cause += Message(IDS_RESTORE_CURRENT_KEPT_AT, {placedAt});
            Fail(item, cause);
            return !StopRequested(progress);
        }
        ++restored_;
        emptied_.insert(ParentFolder(item.from));
        if (replaces) c_.log.AppendLine(Message(IDS_RESTORED_REPLACING, {item.to, item.from, placedAt}));
        else c_.log.AppendLine(Message(IDS_RESTORED, {item.to, item.from}));
        return !StopRequested(progress);
    }

    // The folders of the run folders that the restore emptied, deepest first,
    // up to and with the run folder itself; a folder still holding anything
    // stays (removing an empty folder never takes a file with it).
    void RemoveEmptiedFolders() {
        const std::wstring setAside = SetAsideFolderOf(root_);
        std::set<std::wstring> folders;
        for (const std::wstring& f : emptied_)
            for (std::wstring up = f; up.size() > setAside.size() && StartsWithName(up, setAside);
                 up = ParentFolder(up.substr(0, up.size() - 1)))
                folders.insert(up);
        std::vector<std::wstring> deepestFirst(folders.begin(), folders.end());
        std::sort(deepestFirst.begin(), deepestFirst.end(),
                  [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
        for (const std::wstring& folder : deepestFirst) c_.files.RemoveEmptyFolder(folder);
        // A run folder made for a current file that then could not go there
        // holds nothing.
        if (side_.count() == 0) c_.files.RemoveEmptyFolder(side_.RunFolder());
    }

    void Report() {
        if (c_.request.testMode) {
            c_.log.AppendLine(Message(IDS_RESTORE_TEST_REPORT, {restored_, side_.count(), side_.RunFolder()}));
            return;
        }
        c_.log.AppendLine(Message(IDS_RESTORE_REPORT, {restored_}));
        if (side_.count() > 0) c_.log.AppendLine(Message(IDS_RESTORE_SET_ASIDE_REPORT, {side_.count(), side_.RunFolder()}));
    }

private:
    void Fail(const RestoreItem& item, const std::wstring& cause) {
        c_.log.AppendError(Message(IDS_RESTORE_FAILED, {item.to, cause}));
    }

    RestoreContext& c_;
    std::wstring root_;
    SetAsideSide side_;  // where the files a restore replaces go
    std::set<std::wstring> emptied_;
    unsigned restored_ = 0;
};

}  // namespace

RunOutcome PerformRestore(RestoreContext& context) {
    RunOutcome outcome;
    RestoreRequest& request = context.request;
    request.root = WithBackslash(request.root);
    Progress& progress = context.progress;
    LogSink& log = context.log;
    progress.SetTitle(RestoreCaption(request.testMode));
    progress.SetVisible(true);
    auto end = [&](bool completed) {
        outcome.completed = completed;
        outcome.loggedAnything = true;
        return outcome;
    };

    std::vector<SetAsideRun> runs;
    std::wstring cause;
    std::wstring unreadable;
    if (!ListSetAsideRuns(context.files, request.root, runs, cause, &unreadable)) {
        log.AppendError(Message(IDS_RESTORE_LISTING_FAILED, {unreadable, cause}));
        return end(false);
    }
    if (runs.empty()) {
        log.AppendError(Message(IDS_RESTORE_NOTHING_SET_ASIDE, {request.root}));
        return end(false);
    }
    std::vector<RestoreItem> items;
    if (!PlanRestore(context.files, request, runs, items, unreadable, cause)) {
        log.AppendError(Message(IDS_RESTORE_LISTING_FAILED, {unreadable, cause}));
        return end(false);
    }
    if (items.empty()) {
        if (request.way == RestoreWay::AsOf) {
            const SYSTEMTIME& t = request.asOf;
            log.AppendLine(Message(IDS_RESTORE_NOTHING_AFTER,
                                   {request.root, unsigned{t.wYear}, unsigned{t.wMonth}, unsigned{t.wDay},
                                    unsigned{t.wHour}, unsigned{t.wMinute}, unsigned{t.wSecond}}));
            return end(true);
        }
        log.AppendError(Message(IDS_RESTORE_NOTHING_FOUND, {SetAsideFolderOf(request.root) + request.run + L"\\"}));
        return end(false);
    }

    SYSTEMTIME now;
    GetLocalTime(&now);
    Restorer restorer(context, now);
    bool interrupted = false;
    for (const RestoreItem& item : items) {
        if (!restorer.Restore(item)) {
            log.AppendLine(LoadText(msg::kInterrupted));
            interrupted = true;
            break;
        }
    }
    if (!request.testMode) restorer.RemoveEmptiedFolders();
    restorer.Report();
    return end(!interrupted);
}

// As a run's worker, with the default stack: a restore does not recurse.
bool StartRestoreWorker(std::unique_ptr<RestoreContext> context, RunEndHandler onEnd, unsigned long& error) {
    std::shared_ptr<RestoreContext> restore(std::move(context));
    WorkerJob job{[restore]() { return PerformRestore(*restore); }, restore->options.runPriority, &restore->progress, 0};
    return StartWorkerThread(std::move(job), std::move(onEnd), error);
}

}  // namespace mirrant
