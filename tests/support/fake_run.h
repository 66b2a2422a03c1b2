#pragma once
// The one fake of a run's context: the engine runs on the real file system
// (with chosen operations made to fail), answers its prompts from scripts,
// and records its progress and log. Engine, filter and batch tests and the
// engine benchmark all run the engine through it.
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine_prompts.h"
#include "engine/file_access.h"
#include "fileops/error_text.h"
#include "engine/run_driver.h"
#include "support/recording_log.h"
#include "support/recording_progress.h"
#include "support/scripted_prompter.h"

namespace mirrant::testing {

// Message boxes from a ScriptedPrompter, and the two dialogs of a run
// answered from their own queues (empty queue: "続行" with the preselected
// choice, and "はい").
class ScriptedEnginePrompter : public EnginePrompter {
public:
    ScriptedPrompter boxes;
    std::deque<ItemChoiceAnswer> choiceAnswers;
    std::vector<ItemChoiceRequest> choiceRequests;
    std::deque<FolderDeleteAnswer> folderAnswers;
    std::vector<std::wstring> folderRequests;

    void Warning(const std::wstring& text) override { boxes.Warning(text); }
    void Information(const std::wstring& text) override { boxes.Information(text); }
    bool YesNo(const std::wstring& text, bool defaultNo = false) override { return boxes.YesNo(text, defaultNo); }
    PromptAnswer YesNoCancel(const std::wstring& text) override { return boxes.YesNoCancel(text); }
    ItemChoiceAnswer ChooseMissingItem(const ItemChoiceRequest& request) override {
        choiceRequests.push_back(request);
        if (choiceAnswers.empty()) return {false, request.preselected, false};
        ItemChoiceAnswer a = choiceAnswers.front();
        choiceAnswers.pop_front();
        return a;
    }
    FolderDeleteAnswer ConfirmFolderDelete(const std::wstring& folder) override {
        folderRequests.push_back(folder);
        if (folderAnswers.empty()) return {};
        FolderDeleteAnswer a = folderAnswers.front();
        folderAnswers.pop_front();
        return a;
    }
};

// The real file access with hooks that make single operations fail.
class HookedFiles : public FileAccess {
public:
    FileAccess& real = SystemFileAccess();
    // Return true to make the call fail.
    std::function<bool(const std::wstring& path)> failGetFileInfo;
    std::function<bool(const std::wstring& path)> failSetWriteTime;
    // Called before each copy starts.
    std::function<void(const std::wstring& destination)> beforeCopy;
    std::function<void(const std::wstring& folder)> beforeDeleteTree;
    int copies = 0;
    // The next copy fails with a cause (set by a test, cleared by the copy).
    bool failNextCopy = false;
    int contentComparisons = 0;

    bool List(const std::wstring& pattern, const std::function<bool(const ListedEntry&)>& onEntry,
              unsigned long& error, std::wstring& cause) override {
        return real.List(pattern, onEntry, error, cause);
    }
    // Called with each path looked at (the other side's entries, links).
    std::function<void(const std::wstring& path)> onLookAt;
    // Return true where a name cannot be looked at (as inside a folder the
    // user may not read): the look gets no answer, access denied.
    std::function<bool(const std::wstring& path)> lookupFails;
    // Return a system error code to make the look at this path get no
    // answer with that error (0: the real look).
    std::function<unsigned long(const std::wstring& path)> lookupError;
    unsigned long LookError(const std::wstring& path) const {
        if (lookupError)
            if (unsigned long code = lookupError(path)) return code;
        return lookupFails && lookupFails(path) ? ERROR_ACCESS_DENIED : 0;
    }
    EntryLook LookAt(const std::wstring& path) override {
        if (onLookAt) onLookAt(path);
        if (const unsigned long code = LookError(path)) {
            EntryLook failed;
            failed.found = Found::NoAnswer;
            failed.error = code;
            failed.cause = SystemErrorText(code);
            return failed;
        }
        return real.LookAt(path);
    }
    bool IsFolder(const std::wstring& path) override {
        if (LookError(path)) return false;
        return real.IsFolder(path);
    }
    bool GetFileInfo(const std::wstring& path, FileStamp& out, Progress& progress, LogSink& log) override {
        if (LookError(path)) return false;
        if (failGetFileInfo && failGetFileInfo(path)) return false;
        return real.GetFileInfo(path, out, progress, log);
    }
    bool CompareFileContents(const std::wstring& a, const std::wstring& b, Progress& progress, LogSink& log,
                             std::wstring& cause) override {
        ++contentComparisons;
        return real.CompareFileContents(a, b, progress, log, cause);
    }
    CopyOutcome CopyFileContents(const CopyRequest& copy, const RunOptions& options, Progress& progress,
                                 LogSink& log, std::wstring& cause) override {
        ++copies;
        if (beforeCopy) beforeCopy(copy.destination);
        if (failNextCopy) {
            failNextCopy = false;
            cause = L"テスト用の失敗";
            return CopyOutcome::Failed;
        }
        return real.CopyFileContents(copy, options, progress, log, cause);
    }
    // Return true to make moving this file aside fail.
    std::function<bool(const std::wstring& path)> failMoveAside;
    bool MoveFileAside(const std::wstring& path, const std::wstring& to, bool updateReadOnly,
                       std::wstring& cause) override {
        if (failMoveAside && failMoveAside(path)) {
            cause = L"テスト用の失敗";
            return false;
        }
        return real.MoveFileAside(path, to, updateReadOnly, cause);
    }
    bool MarkFolderHidden(const std::wstring& folder) override { return real.MarkFolderHidden(folder); }
    bool RemoveEmptyFolder(const std::wstring& folder) override { return real.RemoveEmptyFolder(folder); }
    bool SetWriteTime(const std::wstring& path, std::uint64_t writeTime, Progress& progress, LogSink& log,
                      std::wstring& cause) override {
        if (failSetWriteTime && failSetWriteTime(path)) {
            cause = L"テスト用の失敗";
            return true;
        }
        return real.SetWriteTime(path, writeTime, progress, log, cause);
    }
    bool DeleteOneFile(const std::wstring& path, const RunOptions& options, Progress& progress, LogSink& log,
                       std::wstring& failureLine) override {
        return real.DeleteOneFile(path, options, progress, log, failureLine);
    }
    bool DeleteFolderTree(const std::wstring& folder, unsigned& remaining, const RunOptions& options,
                          Progress& progress, LogSink& log, bool& refused) override {
        if (beforeDeleteTree) beforeDeleteTree(folder);
        return real.DeleteFolderTree(folder, remaining, options, progress, log, refused);
    }
    // Return a system error code to make creating this folder fail with it.
    std::function<unsigned long(const std::wstring& folder)> createFolderError;
    bool CreateFolderTree(const std::wstring& folder, std::wstring& cause, unsigned long& error) override {
        if (createFolderError)
            if ((error = createFolderError(folder)) != 0) {
                cause = SystemErrorText(error);
                return false;
            }
        return real.CreateFolderTree(folder, cause, error);
    }
    // Return false to make a name look unreachable for this program.
    std::function<bool(const std::wstring& path)> canAddress;
    bool CanAddress(const std::wstring& path) override {
        return canAddress ? canAddress(path) : real.CanAddress(path);
    }
    // Called before each identity is read (a test may move a root away).
    std::function<void(const std::wstring& folder)> onFolderId;
    bool GetFolderId(const std::wstring& folder, FolderId& id) override {
        if (onFolderId) onFolderId(folder);
        return real.GetFolderId(folder, id);
    }
    LeftoverRemoval RemoveLeftoverCopyTemp(const std::wstring& path, std::wstring& cause) override {
        return real.RemoveLeftoverCopyTemp(path, cause);
    }
};

class FakeRun {
public:
    RunOptions options;
    std::shared_ptr<const EntryFilter> filter = std::make_shared<AcceptAllFilter>();
    HookedFiles files;
    ScriptedEnginePrompter prompter;
    RecordingProgress progress;
    RecordingLog log;
    // Lasting policy changes of the per-item choice, taken over into
    // options after each run as the window does.
    PolicyChanges policyChanges;
    bool scheduled = false;

    RunContext Context(RunRequest request) {
        request.scheduled = scheduled;
        return RunContext(std::move(request), options, filter, files, prompter, progress, log, &policyChanges);
    }
    RunOutcome Run(RunRequest request) {
        RunContext context = Context(std::move(request));
        RunOutcome outcome = PerformRun(context);
        policyChanges.TakeInto(options);
        return outcome;
    }
    RunOutcome Run(RunMode mode, const std::wstring& source, const std::wstring& destination, int rowsAfter = 0) {
        return Run(RunRequest{mode, source, destination, rowsAfter, scheduled});
    }
};

}  // namespace mirrant::testing
