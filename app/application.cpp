#include "app/application.h"

#include <commctrl.h>

#include "app/command_line.h"
#include "app/start_folder.h"
#include "batch/batch_run.h"
#include "fileops/path_rules.h"
#include "framework/edition.h"
#include "framework/profile.h"
#include "framework/text.h"
#include "log/line_store.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace mirrant {

Application::Application(HINSTANCE instance) : instance_(instance) {
    state_.startFolder = CurrentStartFolder();
}

int Application::Run() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    // The run-log files that a program killed during a run left in the
    // temporary folder (those of programs still running stay).
    RemoveLeftoverLineFiles();
    SetAppProfileRoot(RegistryRootFor(ProgramName()));
    ProfileStore& store = AppProfile();

    history_ = std::make_unique<RecentFileList>(kHistorySection, kHistoryEntryFormat, kHistoryEntries,
                                                kHistoryDisplayLength);
    history_->Load(store);
    state_.batchHistory = history_.get();

    state_.timeToleranceSeconds = static_cast<unsigned>(ReadSetting(store, setting::TimeDelta));
    state_.processCommandLine = [this] { ProcessCommandLine(); };
    state_.openHelp = [this] { OpenHelp(); };

    MainWindow window(state_);
    window_ = &window;
    // A window that cannot be made (no desktop to make it on) runs nothing:
    // a scheduled task must not take that for a run that succeeded.
    const bool shown = window.DoModal(nullptr) != -1;
    const ExitCode exitCode = shown ? window.session().exitCode() : ExitCode::NotCompleted;
    window_ = nullptr;

    history_->Save(store);
    return static_cast<int>(exitCode);
}

void Application::ProcessCommandLine() {
    CommandLine cl = ParseCommandLine(ProcessArguments());
    if (cl.unattended) window_->EnterScheduleMode(cl.overwriteScheduleLog);
    if (cl.testMode) window_->CheckTestMode();
    ApplyCommandLinePaths(*window_, cl.tokens,
                          [this](const std::wstring& batch) { StartBatchFromCommandLine(batch); });
}

// A batch file named alone on the command line runs at once.
void Application::StartBatchFromCommandLine(const std::wstring& path) { RunBatchFromCommandLine(window_->batch(), path); }

void ApplyCommandLinePaths(MainWindow& window, const std::vector<std::wstring>& tokens,
                           const std::function<void(const std::wstring&)>& runBatch) {
    int filled = 0;
    for (const std::wstring& raw : tokens) {
        std::wstring token = ShellResolvePath(raw);
        if (HasBatchExtension(token) && tokens.size() == 1) {
            runBatch(token);
            return;
        }
        if (!IsFile(token) && !IsFolder(token)) continue;
        PathSide side = filled == 0 ? PathSide::Source : PathSide::Destination;
        if (IsFolder(token)) {
            window.SetRememberedFolder(side, token);
            if (token.back() != L'\\') token += L'\\';
        }
        window.SetPathText(side, token);
        if (++filled == 2) return;
    }
}

void DeleteOldHelpFiles(const std::wstring& folder) {
    for (const wchar_t* name : {L"Mirrant.hlp", L"Mirrant.cnt", L"Mirrant.gid"}) {
        std::wstring path = folder + name;
        DWORD attrs = GetFileAttributesW(path.c_str());
        if (attrs == INVALID_FILE_ATTRIBUTES) continue;
        if (attrs & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY);
        DeleteFileW(path.c_str());
    }
}

void Application::OpenHelp() {
    std::wstring folder = ProgramFolder();
    DeleteOldHelpFiles(folder);
    // The HTML help viewer is bound at its first use; a failure is
    // remembered so that later requests return at once.
    using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    static HtmlHelpFn htmlHelp = nullptr;
    static bool failed = false;
    if (!htmlHelp && !failed) {
        HMODULE lib = LoadLibraryW(L"hhctrl.ocx");
        if (lib) htmlHelp = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(lib, "HtmlHelpW")));
        failed = htmlHelp == nullptr;
    }
    if (!htmlHelp) return;
    std::wstring chm = folder + L"Mirrant.chm";
    htmlHelp(window_ ? window_->hwnd() : nullptr, chm.c_str(), 0, 0);
}

}  // namespace mirrant
