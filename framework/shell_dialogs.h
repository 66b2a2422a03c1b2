#pragma once
// The platform's folder browser and file dialogs.
#include <windows.h>

#include <string>
#include <vector>

namespace mirrant {

// The folder browser shared by the main window, the batch registration
// window and the log settings pages. It remembers the last chosen folder
// as its initial folder for the next time.
class FolderChooser {
public:
    // Shows the browser (file-system folders only) with the prompt; sets
    // the caption and preselects the initial folder when not empty. Returns
    // the chosen folder with a trailing backslash, or empty on cancel or
    // when the choice is not a file-system path.
    std::wstring Choose(HWND owner, const std::wstring& prompt, const std::wstring& caption,
                        const std::wstring& initialFolder);
    const std::wstring& rememberedFolder() const { return remembered_; }

    // A share root (\\server\share) gets a trailing backslash so it can be
    // preselected next time; other paths stay as they are.
    static std::wstring RememberedFormOf(const std::wstring& chosen);

private:
    std::wstring remembered_;
};

// Adds a backslash unless the text has none or has characters after its last one.
std::wstring WithTrailingBackslash(const std::wstring& path);

// Filter in the "text|pattern|text|pattern||" form of the string table.
struct FileDialogRequest {
    std::wstring filter;
    std::wstring defaultExtension;  // without dot
    std::wstring initialName;
    std::wstring initialFolder;
    std::wstring title;
    // The save dialog asks before it returns an existing file; a caller that
    // may still change the name asks itself.
    bool askOverwrite = true;
};

// The chosen path, or empty when cancelled. filterIndex (1-based) tells
// which filter entry was selected.
std::wstring ChooseOpenFile(HWND owner, const FileDialogRequest& request, int* filterIndex = nullptr);
// Several existing files at once; empty when cancelled.
std::vector<std::wstring> ChooseOpenFiles(HWND owner, const FileDialogRequest& request);
std::wstring ChooseSaveFile(HWND owner, const FileDialogRequest& request, int* filterIndex = nullptr);

}  // namespace mirrant
