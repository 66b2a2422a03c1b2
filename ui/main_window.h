#pragma once
// The program's only top-level window (dialog 102): two path boxes, two
// folder buttons, the run buttons, the test-mode box and menu 132. It owns
// the run options, the filter settings, the run log, the engine state and
// the batch queue, and it is the run host of every run.
#include <windows.h>
#include <shellapi.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "engine/run_driver.h"
#include "engine/run_options.h"
#include "filter/filter_set.h"
#include "framework/dialog.h"
#include "framework/message_box.h"
#include "framework/recent_files.h"
#include "framework/shell_dialogs.h"
#include "log/log_buffer.h"
#include "log/log_save_dialog.h"
#include "ui/item_dialogs.h"

namespace mirrant {

class ProgressWindow;

inline constexpr UINT kCommandLineMessage = WM_USER + 101;  // 1125
inline constexpr UINT kFilterSheetOkMessage = WM_USER + 102;  // 1126

enum class PathSide { Source, Destination };

// What the application hands to the main window.
struct AppState {
    std::wstring startFolder;
    std::wstring scheduleLogDefault;
    std::wstring userLogDefault;
    unsigned timeToleranceSeconds = 2;
    RecentFileList* batchHistory = nullptr;  // null: no history
    // Processes the command line once the window is up (message 1125).
    std::function<void()> processCommandLine;
    // Opens the help file.
    std::function<void()> openHelp;
    // Where the window's own prompts go; null: real message boxes.
    Prompter* prompter = nullptr;
    // Reads and runs a batch file (the batch execution sets this).
    std::function<bool(const std::wstring& path, bool fromCommandLine)> runBatchFile;
};

// A batch row waiting to run.
struct QueuedRun {
    RunMode mode;
    std::wstring source;
    std::wstring destination;
};

class MainWindow : public Dialog, public RunHost {
public:
    explicit MainWindow(AppState& app);
    ~MainWindow() override;

    // Command line and batch: used by the application.
    void SetPathText(PathSide side, const std::wstring& text);
    std::wstring PathText(PathSide side);
    void SetFolderMark(PathSide side, bool isFolder);
    bool FolderMark(PathSide side) const;
    void SetRememberedFolder(PathSide side, const std::wstring& folder);
    const std::wstring& RememberedFolder(PathSide side) const;
    void EnterScheduleMode(bool overwriteLog);
    bool scheduleMode() const { return scheduleMode_; }
    bool scheduleOverwritesLog() const { return scheduleOverwriteLog_; }
    bool busy() const { return state_.busy.load(); }

    // Batch: the rows of a batch run one after another from the end-of-run
    // message. The batch execution owns how rows get here.
    void QueueBatch(std::deque<QueuedRun> rows, const std::wstring& batchFile);
    // Hook for the batch commands of the batch menu and history entries.
    std::function<bool(int command)> batchCommandHandler;
    // Called when a batch stopped before its last row (the notice 163).
    void RebuildBatchMenu();

    RunOptions& options() { return options_; }
    FilterSet& filterSet() { return filter_; }
    LogBuffer& runLog() { return log_; }
    LogContext& logContext() { return logContext_; }

    // RunHost.
    RunOptions& Options() override { return options_; }
    EngineState& State() override { return state_; }
    const EntryFilter& Filter() override;
    FileAccess& Files() override;
    std::wstring SourceText() override { return PathText(PathSide::Source); }
    std::wstring DestinationText() override { return PathText(PathSide::Destination); }
    bool TestModeChecked() override;
    bool Scheduled() override { return scheduleMode_; }
    void ClearBatchQueue() override;
    bool BatchRowsWaiting() override { return !batchQueue_.empty(); }
    void StartNextBatchRow() override;
    void BeginRunLog() override;
    bool LogGoesToFile() override;
    void LoadFilterForRun() override;
    Progress& AcquireProgress() override;
    void ReleaseProgress() override;
    Prompter& UiPrompter() override { return app_.prompter ? *app_.prompter : boxes_; }
    bool CloseProgramAfterRun() override;
    void CloseMainWindow() override;
    EnginePrompter& Prompts() override { return prompts_; }
    LogSink& Log() override { return log_; }
    void SetSourceText(const std::wstring& text) override;
    void SetDestinationText(const std::wstring& text) override;
    void SetRunActive(bool active) override;
    void WriteRunLog() override;
    void ShowRunResult(bool nothingLogged) override;
    void PostRunEnd(bool completed) override;

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override {}
    void OnCancel() override {}
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

private:
    void AddAboutToSystemMenu();
    void ApplyMenuStates();
    void OnOptionCommand(int id);
    void OnBrowse(PathSide side);
    void OnDropFiles(HDROP drop);
    void OnShowLatestLog();
    void OnRunButtonPressed(bool sync);
    void ShowAbout();
    void NotAvailableYet();
    bool MenuItemEnabled(int command) const;
    FilterModes filterModes() const { return {filter_.destinationOnly, filter_.protectDestination}; }
    void ApplyTitle();

    AppState& app_;
    RunOptions options_;
    EngineState state_;
    FilterSet filter_;
    LogBuffer log_;
    std::unique_ptr<LogSaveDialogs> saveDialogs_;  // the log saving dialogs of the runs
    LogContext logContext_;
    MessageBoxPrompter boxes_{nullptr};
    DialogPrompter prompts_{nullptr};
    HMENU menu_ = nullptr;
    HICON largeIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    ProgressWindow* progress_ = nullptr;
    bool runActive_ = false;
    bool scheduleMode_ = false;
    bool scheduleOverwriteLog_ = false;
    bool isFolder_[2] = {true, true};
    std::wstring remembered_[2];
    FolderChooser chooser_;
    std::deque<QueuedRun> batchQueue_;
    std::wstring batchFile_;
    RunKind pendingRunKind_ = RunKind::Other;
    bool anyRunLogged_ = false;
    std::unique_ptr<EntryFilter> entryFilter_;
};

}  // namespace mirrant
