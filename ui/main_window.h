#pragma once
// The program's only top-level window (IDD_MAIN): two path boxes, two
// folder buttons, the run buttons, the test-mode box and menu IDR_MAINMENU. Its run
// session starts the runs and handles their ends; the window provides the
// controls, menus, dialogs and the progress window they need.
#include <windows.h>
#include <shellapi.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "batch/batch_run.h"
#include "session/run_session.h"
#include "ui/option_menu.h"
#include "filter/filter_set.h"
#include "framework/dialog.h"
#include "framework/message_box.h"
#include "framework/recent_files.h"
#include "framework/shell_dialogs.h"
#include "log/log_buffer.h"
#include "log/log_save_dialog.h"
#include "ui/item_dialogs.h"
#include "framework/window_messages.h"

namespace mirrant {

class ProgressWindow;

// What the application hands to the main window.
struct AppState {
    std::wstring startFolder;
    // "TimeDelta" as read at start-up.
    unsigned timeToleranceSeconds = static_cast<unsigned>(setting::TimeDelta.defaultValue);
    RecentFileList* batchHistory = nullptr;  // null: no history
    // Processes the command line once the window is up (kCommandLineMessage).
    std::function<void()> processCommandLine;
    // Opens the help file.
    std::function<void()> openHelp;
    // Where the window's own prompts go; null: real message boxes.
    Prompter* prompter = nullptr;
    // The file dialogs of the batch commands; null: the real open dialog.
    std::function<std::vector<std::wstring>(bool several)> chooseBatchFiles;
};

class MainWindow : public Dialog, public RunHost, public BatchWindow {
public:
    explicit MainWindow(AppState& app);
    ~MainWindow() override;

    // Command line and batch: used by the application.
    void SetPathText(PathSide side, const std::wstring& text) override;
    std::wstring PathText(PathSide side) override;
    void SetRememberedFolder(PathSide side, const std::wstring& folder);
    const std::wstring& RememberedFolder(PathSide side) const;
    void EnterScheduleMode(bool overwriteLog);
    // Ticks "ﾃｽﾄﾓｰﾄﾞ": the runs started from now on change nothing.
    void CheckTestMode();
    // The runs of this window: options, filter settings, run log, batch.
    RunSession& session() { return session_; }
    // The batch commands' view of this window and its session.
    BatchContext batch() { return {session_, *this}; }

    // RunHost.
    bool TestModeChecked() override;
    void SetRunActive(bool active) override;
    Progress* CreateProgress(int displayThreshold, bool scheduled) override;
    void DestroyProgress(Progress* progress) override;
    Prompter& UiPrompter() override { return app_.prompter ? *app_.prompter : boxes_; }
    EnginePrompter& RunPrompter() override { return prompts_; }
    void ShowRunResult(const LogBuffer& log) override;
    void PostRunEnd(std::unique_ptr<RunOutcome> outcome) override;
    void Close() override;

    // BatchWindow (UiPrompter above serves both).
    bool ShowExecuteWindow(const std::wstring& comment, std::deque<BatchRow>& rows) override;
    std::vector<std::wstring> ChooseBatchFiles(bool several) override;
    RecentFileList* History() override { return app_.batchHistory; }
    // The history part of the batch menu, rebuilt from the history.
    void RebuildBatchMenu() override;

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override {}
    void OnCancel() override {}
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
    void OnDestroyed() override;

private:
    void AddAboutToSystemMenu();
    void ApplyMenuStates();
    void OnOptionCommand(int id);
    void OnBrowse(PathSide side);
    void OnDropFiles(HDROP drop);
    void OnShowLatestLog();
    void ShowAbout();
    void ShowLogSettings();
    void ShowRestoreWindow();
    bool MenuItemEnabled(int command) const;

    AppState& app_;
    RunSession session_;
    std::unique_ptr<LogSaveDialogs> saveDialogs_;  // the log saving dialogs of the runs
    MessageBoxPrompter boxes_{nullptr};
    DialogPrompter prompts_{nullptr};
    HMENU menu_ = nullptr;
    HICON largeIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    bool runActive_ = false;
    std::wstring remembered_[2];
    FolderChooser chooser_;
    int logSettingsPage_ = 0;  // the log settings page shown last
};

}  // namespace mirrant
