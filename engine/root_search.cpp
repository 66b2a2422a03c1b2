#include "engine/root_search.h"

#include <windows.h>

#include <cstdint>

#include "fileops/timings.h"
#include "framework/log_sink.h"
#include "framework/progress.h"
#include "framework/prompts.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"
#include "settings/run_options.h"

namespace mirrant {

namespace {

std::uint64_t NowSeconds() { return GetTickCount64() / 1000; }

// One search for one root. Looks are repeated until the root is found or
// decided missing; a drive that is not ready is looked at again until the
// wait is over. A search that starts again (the drive came back, a folder
// was created, the user chose to retry) waits its full time again.
class RootSearch {
public:
    RootSearch(RootRequest& root, const RootServices& run)
        : root_(root), run_(run), destination_(root.side == RootSide::Destination),
          policy_(run.options.folderFailurePolicy), waitText_(LoadText(msg::kPleaseWait)),
          searching_(LoadText(destination_ ? IDS_FILEOPS_DESTINATION_LABEL : IDS_FILEOPS_SOURCE_LABEL) +
                     LoadText(IDS_FILEOPS_SEARCHING)),
          // A destination typed with a trailing backslash is a folder to come.
          otherIsFolder_(root.otherIsFolder ||
                         (destination_ && !root.path.empty() && root.path.back() == L'\\')) {}

    bool Run() {
        for (;;) {
            run_.progress.Show(waitText_, level::RootWait);
            std::wstring failure;
            Step step = Look(NowSeconds() + run_.options.rootWaitSeconds, failure);
            if (step == Step::Found || step == Step::Absent) {
                ShowSearching();
                if (step == Step::Absent) step = Absent(failure);
            }
            switch (step) {
            case Step::Found: return true;
            case Step::Stop: return false;
            case Step::SearchAgain: continue;
            case Step::Absent:
            case Step::Failed: break;
            }
            if (!Report(failure)) return false;
        }
    }

private:
    enum class Step { Found, Absent, SearchAgain, Failed, Stop };

    // Looks until the root is found, decided absent or failed for good;
    // failure gets the message of a failure.
    Step Look(std::uint64_t deadline, std::wstring& failure) {
        for (;;) {
            run_.progress.SetStatus(searching_);
            cause_.clear();
            const bool checkingDrive = checkDriveFirst_ && root_.path.size() >= 3 && IsDriveForm(root_.path);
            if (!checkingDrive) checkDriveFirst_ = false;
            const RootLook look = checkingDrive ? LookAtDrive(root_.path) : LookAtRoot(root_.path);
            switch (look.found) {
            case RootFound::DriveThere:
                checkDriveFirst_ = false;
                return Step::SearchAgain;
            case RootFound::Folder:
            case RootFound::File:
                root_.isFolder = look.found == RootFound::Folder;
                if (root_.isFolder) EnsureTrailingBackslash(root_.path);
                return Step::Found;
            case RootFound::NotReady:
            case RootFound::Missing: break;
            }

            root_.isFolder = false;
            cause_ = look.cause;
            if (checkingDrive) ++driveFailures_;
            // Only a confirmed source is waited for; a destination always is.
            if (policy_ != ErrorPolicy::Confirm && !destination_) {
                failure = SearchFailed();
                return Step::Failed;
            }
            if (look.found == RootFound::NotReady) {
                const std::uint64_t now = NowSeconds();
                const unsigned remaining = static_cast<unsigned>(deadline - now);
                if (now < deadline && remaining != 0) {
                    if (!WaitASecond(remaining)) return Step::Stop;
                    continue;
                }
                run_.progress.SetStatus(searching_);
                if (run_.progress.CancelRequested()) return Step::Stop;
                failure = SearchFailed();
                return Step::Failed;
            }
            if (!checkingDrive && driveFailures_ != 0) {
                // The drive is back but the path is not there yet: give the
                // system a moment to settle before deciding.
                run_.progress.SetStatus(searching_);
                run_.progress.Show(waitText_, level::RootWait);
                Sleep(CurrentFileOpTimings().rootSettleMs);
            }
            return Step::Absent;
        }
    }

    // One step of the countdown while the root is not ready; false when the
    // user interrupted the run meanwhile.
    bool WaitASecond(unsigned remaining) {
        run_.progress.SetStatus(searching_ + Message(IDS_FILEOPS_SECONDS_LEFT, {remaining}));
        const std::wstring waiting = SearchFailed();
        run_.progress.Show(waiting, level::RootWait);
        Sleep(CurrentFileOpTimings().rootRetryMs);
        if (!StopRequested(run_.progress)) return true;
        run_.log.AppendLine(waiting);
        run_.log.AppendLine(LoadText(msg::kInterrupted));
        run_.progress.SetStatus(searching_);
        return false;
    }

    // The root is not there: a destination may be taken as a folder still
    // to come or a file still to be copied, or its folder is created.
    Step Absent(std::wstring& failure) {
        const RunOptions& options = run_.options;
        if (otherIsFolder_) {
            if (root_.testMode || (destination_ && !options.copyEmptyFolders)) {
                // The folder is created later, when something is copied into it.
                if (destination_ && options.copyEmptyFolders)
                    run_.log.AppendLine(Message(msg::kMissingAtDestination, {root_.path}));
                root_.isFolder = true;
                EnsureTrailingBackslash(root_.path);
                return Step::Found;
            }
            if (IsBareDriveRoot(root_.path) || foldersCreated_ > 0) {
                failure = SearchFailed();
                return Step::Failed;
            }
            return CreateRootFolder(failure);
        }

        if (destination_) {  // the copy creates the file
            root_.isFolder = false;
            return Step::Found;
        }
        // Searching again cannot bring a missing source back.
        const std::wstring message = Message(msg::kReadFailed, {root_.path, cause_});
        run_.log.AppendError(message);
        if (policy_ == ErrorPolicy::Abort) run_.log.AppendLine(LoadText(msg::kInterrupted));
        else if (policy_ == ErrorPolicy::Confirm) run_.prompter.Warning(message);
        return Step::Stop;
    }

    Step CreateRootFolder(std::wstring& failure) {
        ResolveDriveRelative(root_.path, run_.show);
        std::wstring createCause;
        unsigned long code = 0;
        if (CreateFolderTree(root_.path, createCause, code)) {
            if (code != ERROR_ALREADY_EXISTS) run_.log.AppendLine(Message(msg::kFolderCreated, {root_.path}));
            ++foldersCreated_;
            return Step::SearchAgain;  // and it is found
        }
        failure = Message(msg::kFolderNotCreated, {root_.path, createCause});
        return Step::Failed;
    }

    // Reports a failure by the folder failure policy; true when the user
    // chose to search again.
    bool Report(const std::wstring& message) {
        run_.log.AppendError(message);
        switch (policy_) {
        case ErrorPolicy::Skip: return false;
        case ErrorPolicy::Abort: run_.log.AppendLine(LoadText(msg::kInterrupted)); return false;
        case ErrorPolicy::Confirm: break;
        }
        run_.prompter.Warning(message);
        if (!run_.prompter.YesNo(LoadText(msg::kRetryQuestion))) return false;
        run_.log.AppendLine(LoadText(msg::kRetrying));
        return !run_.progress.CancelRequested();
    }

    void ShowSearching() {
        run_.progress.SetStatus(searching_);
        run_.progress.Show(waitText_, level::RootWait);
    }

    std::wstring SearchFailed() const { return Message(msg::kSearchFailed, {root_.path, cause_}); }

    RootRequest& root_;
    const RootServices& run_;
    const bool destination_;
    const ErrorPolicy policy_;
    const std::wstring waitText_;
    const std::wstring searching_;
    const bool otherIsFolder_;
    bool checkDriveFirst_ = true;
    unsigned driveFailures_ = 0;
    int foldersCreated_ = 0;
    std::wstring cause_;  // the last look's failure
};

}  // namespace

bool CheckDriveOrShare(std::wstring& path, const RootServices& run) {
    if (StartsAtDriveOrShare(path, run.show)) return true;
    const std::wstring message = Message(msg::kAmbiguousPath, {path});
    run.log.AppendError(message);
    if (run.options.confirmOtherErrors) run.prompter.Warning(message);
    return false;
}

bool SearchRoot(RootRequest& root, const RootServices& run) { return RootSearch(root, run).Run(); }

}  // namespace mirrant
