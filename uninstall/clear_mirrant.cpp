// ClearMirrant.exe: removes what Mirrant leaves on a machine, the registry
// settings of its builds and the program files, after one question.
//
// The files are looked for beside this program, not in the current folder:
// started through a shortcut or from a command prompt elsewhere, it would
// otherwise find nothing and still report that it had finished.
#include <windows.h>

#include <initializer_list>
#include <string>

#include "uninstall/resource.h"

namespace {

HINSTANCE g_instance = nullptr;
HICON g_icon = nullptr;
HICON g_smallIcon = nullptr;

std::wstring Text(UINT id) {
    const wchar_t* text = nullptr;
    int length = LoadStringW(g_instance, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, length) : std::wstring();
}

// A registry key of the string table for one application. The table's
// paths end in a backslash, which the registry functions do not take.
std::wstring KeyPath(UINT id, const std::wstring& application) {
    std::wstring path = Text(id);
    size_t at = path.find(L"%s");
    if (at != std::wstring::npos) path.replace(at, 2, application);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

// Deletes the key when it exists; 1 when it exists and cannot be deleted
// (it still has subkeys, or rights are missing).
int DeleteKeyIfPresent(const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return 0;
    int failures = RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str()) == ERROR_SUCCESS ? 0 : 1;
    RegCloseKey(key);
    return failures;
}

// The company key goes only once it is empty, so that the keys of other
// applications of the company survive.
int DeleteCompanyKeyIfEmpty() {
    std::wstring path = KeyPath(IDS_KEY_COMPANY, L"");
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return 0;
    int failures = 0;
    DWORD found = 0;
    for (DWORD index = 0;; ++index) {
        wchar_t name[1024];
        DWORD length = 1024;
        LONG rc = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) {
            ++failures;
            break;
        }
        ++found;
    }
    if (found == 0 && RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str()) != ERROR_SUCCESS) ++failures;
    RegCloseKey(key);
    return failures;
}

// The leaf keys go first: a key that still has subkeys cannot be deleted.
int RemoveRegistrySettings() {
    int failures = 0;
    for (UINT app : {IDS_APP_DUNVALE, IDS_APP_NARROW, IDS_APP_WIDE}) {
        std::wstring name = Text(app);
        for (UINT key : {IDS_KEY_HISTORY, IDS_KEY_SETTINGS, IDS_KEY_APPLICATION})
            failures += DeleteKeyIfPresent(KeyPath(key, name));
        failures += DeleteCompanyKeyIfEmpty();
    }
    return failures;
}

// This program's own folder, ending in a backslash.
std::wstring OwnFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// Deletes a program file where it exists, read-only or not; 1 when it exists
// and stays. A file is taken to exist unless the system says it is not
// there, so one that another program holds exclusively is not passed over
// as missing.
int DeleteProgramFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 0;
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return 0;
    } else if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return DeleteFileW(path.c_str()) ? 0 : 1;
}

int RemoveProgramFiles(const std::wstring& folder) {
    // The help viewer's index is rebuilt by the viewer; whether it goes does
    // not matter.
    DeleteFileW((folder + Text(IDS_FILE_HELP_INDEX)).c_str());
    int failures = 0;
    for (UINT file : {IDS_FILE_PROGRAM, IDS_FILE_HELP, IDS_FILE_HELP_CONTENTS, IDS_FILE_README, IDS_FILE_HISTORY,
                      IDS_FILE_PROGRAM_WIDE, IDS_FILE_COMPILED_HELP})
        failures += DeleteProgramFile(folder + Text(file));
    return failures;
}

void Tell(HWND owner, UINT message, UINT icon) {
    wchar_t caption[256] = L"";
    GetWindowTextW(owner, caption, 256);
    MessageBoxW(owner, Text(message).c_str(), caption, MB_OK | icon);
}

// The registry and the files are reported apart: the registry only when
// something stayed, the files always.
void Uninstall(HWND dialog) {
    ShowWindow(dialog, SW_HIDE);
    if (RemoveRegistrySettings() != 0) Tell(dialog, IDS_REGISTRY_FAILED, MB_ICONWARNING);
    if (RemoveProgramFiles(OwnFolder()) != 0)
        Tell(dialog, IDS_FILES_FAILED, MB_ICONWARNING);
    else
        Tell(dialog, IDS_DONE, MB_ICONINFORMATION);
}

void PaintMinimised(HWND dialog) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    SendMessageW(dialog, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(dialog, &client);
    int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, g_icon);
    EndPaint(dialog, &paint);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_icon));
        SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_smallIcon));
        return TRUE;
    case WM_PAINT:
        if (!IsIconic(dialog)) return FALSE;
        PaintMinimised(dialog);
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(g_icon);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Uninstall(dialog);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    g_instance = instance;
    g_icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_UNINSTALL));
    g_smallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_UNINSTALL), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_UNINSTALL), nullptr, DialogProc, 0);
    return 0;
}
