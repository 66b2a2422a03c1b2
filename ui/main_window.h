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

#include "batch/batch_run.h"
#include "engine/option_menu.h"
#include "engine/run_driver.h"
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
    // "TimeDelta" as read at start-up.
    unsigned timeToleranceSeconds = static_cast<unsigned>(setting::TimeDelta.defaultValue);
    RecentFileList* batchHistory = nullptr;  // null: no history
    // Processes the command line once the window is up (message 1125).
    std::function<void()> processCommandLine;
    // Opens the help file.
    std::function<void()> openHelp;
    // Where the window's own prompts go; null: real message boxes.
    Prompter* prompter = nullptr;
    // The file dialogs of the batch commands; null: the real open dialog.
    std::function<std::vector<std::wstring>(bool several)> chooseBatchFiles;
};

class MainWindow : public Dialog, public RunHost, public BatchHost {
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

    // Hook for the batch registration command (32773); false: not handled.
    std::function<bool(int command)> batchCommandHandler;
    // The history part of the batch menu, rebuilt from the history.
    void RebuildBatchMenu() override;

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

    // BatchHost (the rest is shared with RunHost).
    std::deque<std::wstring>& BatchQueue() override { return batchQueue_; }
    void BeginBatchLog(const std::wstring& batchFile) override;
    void SetTextBatchDefault(bool text) override { options_.textBatchDefault = text; }
    bool TextBatchDefault() override { return options_.textBatchDefault; }
    bool StartBatchRun(bool sync, const std::wstring& source, const std::wstring& destination,
                       int rowsAfter) override;
    bool ShowExecuteWindow(const std::wstring& comment, std::deque<std::wstring>& queue) override;
    std::vector<std::wstring> ChooseBatchFiles(bool several) override;
    RecentFileList* History() override { return app_.batchHistory; }
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
    std::deque<std::wstring> batchQueue_;
    std::wstring batchFile_;
    RunKind pendingRunKind_ = RunKind::Other;
    bool anyRunLogged_ = false;
    std::unique_ptr<EntryFilter> entryFilter_;
};

}  // namespace mirrant
