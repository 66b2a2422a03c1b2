#pragma once
// The application object: start-up order, the settings root in the
// registry, the batch history, the default log names, the command line
// and help, and the history saved at exit.
#include <windows.h>

#include <memory>
#include <string>

#include "framework/recent_files.h"
#include "ui/main_window.h"

namespace mirrant {

class Application {
public:
    explicit Application(HINSTANCE instance);
    int Run();

    const std::wstring& startFolder() const { return state_.startFolder; }

private:
    void ProcessCommandLine();
    void StartBatchFromCommandLine(const std::wstring& path);
    void OpenHelp();

    HINSTANCE instance_;
    AppState state_;
    std::unique_ptr<RecentFileList> history_;
    MainWindow* window_ = nullptr;
};

// The longest name the batch menu shows of a history entry (the entries
// themselves are stored as settings/settings.h says).
inline constexpr size_t kHistoryDisplayLength = 48;

// Fills the boxes of the main window from the command-line paths (up to
// two existing paths), or starts the batch named alone on it. Tokens that
// do not exist are dropped.
void ApplyCommandLinePaths(MainWindow& window, const std::vector<std::wstring>& tokens,
                           const std::function<void(const std::wstring&)>& runBatch);

// Deletes the old help files of the program folder (read-only ones too).
void DeleteOldHelpFiles(const std::wstring& folder);

}  // namespace mirrant
