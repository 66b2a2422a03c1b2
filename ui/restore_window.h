#pragma once
// The restore window (IDD_RESTORE, "退避ﾌｧｲﾙの復元"): the dated run folders of a
// folder's set-aside folder, newest first (date and time, number of files,
// total size), and the files of the one selected (path below the folder,
// size, time). It brings back the selected files, the whole run folder, or
// the folder as it was at the moment in its date-time picker; each is a
// restore run of the main window's session (engine/restore.h). It opens for
// the folder in the source box (the destination box when only that one has
// set-aside files); the radio buttons switch between the two, "参照" takes
// any folder. A folder without run folders is refused with a box. During a
// restore its buttons are gray; when it has ended the lists are read again,
// with the newest run folder (the one holding what the restore replaced)
// selected.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/restore.h"
#include "framework/dialog.h"

namespace mirrant {

class FileAccess;
class Prompter;
class RunSession;

struct RestoreWindowSetup {
    std::wstring sourceBox;       // the main window's two boxes as they stand
    std::wstring destinationBox;
    // The folder browser (empty: cancelled).
    std::function<std::wstring(HWND owner, const std::wstring& initial)> browse;
};

class RestoreWindow : public Dialog {
public:
    RestoreWindow(RunSession& session, FileAccess& files, Prompter& prompter, RestoreWindowSetup setup);

    INT_PTR Run(HWND owner) { return DoModal(owner); }

    // The folder the window shows (with its trailing backslash).
    const std::wstring& folder() const { return folder_; }

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR OnNotify(NMHDR* header) override;
    void OnTimer(UINT_PTR id) override;
    void OnOK() override {}

private:
    // The folder a box names: a folder path itself, the folder of a file.
    std::wstring FolderOfBox(const std::wstring& box) const;
    // Lists folder's run folders; refuse: a folder without any gets the box.
    void ShowFolder(const std::wstring& folder, bool refuse);
    void FillFiles();
    void EnableButtons();
    int SelectedRun() const;
    void Start(RestoreWay way);

    RunSession& session_;
    FileAccess& files_;
    Prompter& prompter_;
    RestoreWindowSetup setup_;
    std::wstring folder_;
    std::vector<SetAsideRun> runs_;
    std::vector<SetAsideFile> filesInRun_;
    bool restoring_ = false;
    bool filling_ = false;
};

// The texts the window shows: a run folder's date and time from its name
// ("2026/12/07 23:00:00", a second run of the same second with " (2)"), a
// size ("1,234"), a file's last-write time in local time.
std::wstring RunFolderText(const SetAsideRun& run);
std::wstring SizeText(std::uint64_t bytes);
std::wstring FileTimeText(std::uint64_t utcFileTime);

}  // namespace mirrant
