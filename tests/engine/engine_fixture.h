#pragma once
// A run without windows: a host that hands the engine scripted prompts, a
// recording progress window and log, the real file system (with chosen
// operations made to fail), and records what the run asked of the window.
#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/file_access.h"
#include "engine/run_driver.h"
#include "engine/tree_walk.h"
#include "support/recording_log.h"
#include "support/recording_progress.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

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
    ItemChoiceAnswer ChooseMissingItem(const ItemChoiceRequest& request) override;
    FolderDeleteAnswer ConfirmFolderDelete(const std::wstring& folder) override;
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
    int contentComparisons = 0;

    bool List(const std::wstring& pattern, const std::function<bool(const ListedEntry&)>& onEntry,
              unsigned long& error, std::wstring& cause) override {
        return real.List(pattern, onEntry, error, cause);
    }
    // Called with each file looked for on the other side.
    std::function<void(const std::wstring& path)> onIsFile;
    bool IsFile(const std::wstring& path) override {
        if (onIsFile) onIsFile(path);
        return real.IsFile(path);
    }
    bool IsFolder(const std::wstring& path) override { return real.IsFolder(path); }
    bool GetFileInfo(const std::wstring& path, FileStamp& out, Progress& progress, LogSink& log) override {
        if (failGetFileInfo && failGetFileInfo(path)) return false;
        return real.GetFileInfo(path, out, progress, log);
    }
    bool CompareFileContents(const std::wstring& a, const std::wstring& b, Progress& progress, LogSink& log,
                             std::wstring& cause) override {
        ++contentComparisons;
        return real.CompareFileContents(a, b, progress, log, cause);
    }
    bool CopyFileContents(const std::wstring& source, const FileStamp& stamp, const std::wstring& destination,
                          const RunOptions& options, Progress& progress, LogSink& log,
                          std::wstring& cause) override {
        ++copies;
        if (beforeCopy) beforeCopy(destination);
        return real.CopyFileContents(source, stamp, destination, options, progress, log, cause);
    }
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
    bool CreateFolderTree(const std::wstring& folder, std::wstring& cause, unsigned long& error) override {
        return real.CreateFolderTree(folder, cause, error);
    }
    bool CheckDriveOrShare(std::wstring& path, const RunOptions& options, Prompter& prompter,
                           LogSink& log) override {
        return real.CheckDriveOrShare(path, options, prompter, log);
    }
    bool SearchRoot(RootSide side, std::wstring& path, bool& isFolder, bool otherIsFolder, bool testMode,
                    const RunOptions& options, Progress& progress, Prompter& prompter, LogSink& log) override {
        return real.SearchRoot(side, path, isFolder, otherIsFolder, testMode, options, progress, prompter, log);
    }
    void ResolveDriveRelative(std::wstring& path) override { real.ResolveDriveRelative(path); }
    bool NormalizePath(std::wstring& path) override { return real.NormalizePath(path); }
};

class TestHost : public RunHost {
public:
    RunOptions options;
    EngineState state;
    AcceptAllFilter acceptAll;
    const EntryFilter* filter = &acceptAll;
    HookedFiles files;
    ScriptedEnginePrompter prompter;
    ScriptedPrompter uiPrompter;
    RecordingLog log;
    RecordingProgress progress;

    std::wstring sourceText, destinationText;
    bool testModeChecked = false;
    bool scheduled = false;
    bool logGoesToFile = false;
    bool closeAfterRun = false;
    int batchRows = 0;
    int startedBatchRows = 0;
    int logWrites = 0;
    int resultShown = 0;
    bool resultNothingLogged = false;
    int progressReleased = 0;
    int mainWindowClosed = 0;
    std::vector<bool> runActive;  // every SetRunActive call
    std::vector<bool> runEnds;    // every PostRunEnd call

    RunOptions& Options() override { return options; }
    EngineState& State() override { return state; }
    const EntryFilter& Filter() override { return *filter; }
    FileAccess& Files() override { return files; }
    std::wstring SourceText() override { return sourceText; }
    std::wstring DestinationText() override { return destinationText; }
    bool TestModeChecked() override { return testModeChecked; }
    bool Scheduled() override { return scheduled; }
    void ClearBatchQueue() override { batchRows = 0; }
    bool BatchRowsWaiting() override { return batchRows > 0; }
    void StartNextBatchRow() override {
        --batchRows;
        ++startedBatchRows;
    }
    void BeginRunLog() override {}
    bool LogGoesToFile() override { return logGoesToFile; }
    void LoadFilterForRun() override {}
    Progress& AcquireProgress() override { return progress; }
    void ReleaseProgress() override { ++progressReleased; }
    Prompter& UiPrompter() override { return uiPrompter; }
    bool CloseProgramAfterRun() override { return closeAfterRun; }
    void CloseMainWindow() override { ++mainWindowClosed; }
    EnginePrompter& Prompts() override { return prompter; }
    LogSink& Log() override { return log; }
    void SetSourceText(const std::wstring& text) override { sourceText = text; }
    void SetDestinationText(const std::wstring& text) override { destinationText = text; }
    void SetRunActive(bool active) override { runActive.push_back(active); }
    void WriteRunLog() override { ++logWrites; }
    void ShowRunResult(bool nothingLogged) override {
        ++resultShown;
        resultNothingLogged = nothingLogged;
    }
    void PostRunEnd(bool completed) override { runEnds.push_back(completed); }
};

// One file or folder of a tree as seen on disk.
struct EntryImage {
    std::string content;
    std::uint64_t writeTime = 0;
    unsigned long attributes = 0;
    bool operator==(const EntryImage&) const = default;
};
// Every entry below folder (relative path → image), for "nothing changed".
std::map<std::wstring, EntryImage> Snapshot(const std::wstring& folder);

void SetReadOnly(const std::wstring& path, bool readOnly);

// A source and a destination folder in a temporary folder, a host with the
// options a test usually wants (no folder-delete confirmation, no question
// about a newer destination), and helpers to run and to look at the log.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // src\ and dst\ with the given file: content and write time (seconds
    // after kBaseTime).
    void Src(const std::wstring& rel, std::string_view content, double seconds = 0);
    void Dst(const std::wstring& rel, std::string_view content, double seconds = 0);
    std::wstring S(const std::wstring& rel) const { return src + rel; }
    std::wstring D(const std::wstring& rel) const { return dst + rel; }

    int Run(RunMode mode);
    int Run(RunMode mode, const std::wstring& source, const std::wstring& destination, int rowsAfter = 0);

    // The normal lines, sorted (the listing order of a folder is the
    // system's); errors are the error lines, sorted.
    std::vector<std::wstring> Lines() const;
    std::vector<std::wstring> Errors() const;
    size_t CountLines(const std::wstring& text) const;
    void ClearRecords();

    TempDir temp;
    std::wstring src, dst;
    TestHost host;
};

std::vector<std::wstring> Sorted(std::vector<std::wstring> v);

}  // namespace mirrant::testing

namespace mirrant::testing {
// Compares two lists of lines and, when they differ, shows both readably.
::testing::AssertionResult SameLines(const std::vector<std::wstring>& actual,
                                     const std::vector<std::wstring>& expected);
}  // namespace mirrant::testing
