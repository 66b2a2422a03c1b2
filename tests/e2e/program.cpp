#include "e2e/program.h"

#include <cstdio>

#include "framework/encoding.h"
#include "support/temp_dir.h"

namespace mirrant::testing {

std::wstring BinPath(const std::wstring& exe) { return std::wstring(MIRRANT_BIN_DIR) + L"\\" + exe; }

RunningProgram::RunningProgram(const std::wstring& exe, const std::wstring& arguments,
                               const std::wstring& currentFolder) {
    std::wstring path = exe.find(L'\\') == std::wstring::npos ? BinPath(exe) : exe;
    std::wstring cmd = L"\"" + path + L"\" " + arguments;
    // Under Wine a start has been seen to fail once in many runs, with the
    // program and the machine in order: the start is tried again, and every
    // failure is told on the error stream.
    for (int attempt = 0; attempt < 3 && !process_; ++attempt) {
        STARTUPINFOW si{sizeof si};
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           currentFolder.empty() ? nullptr : currentFolder.c_str(), &si, &pi)) {
            process_ = pi.hProcess;
            pid_ = pi.dwProcessId;
            CloseHandle(pi.hThread);
        } else {
            std::fwprintf(stderr, L"starting %ls failed (error %lu)\n", path.c_str(), GetLastError());
            Sleep(200);
        }
    }
}

RunningProgram::~RunningProgram() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        for (HWND w : TopLevelWindows()) PostMessageW(w, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_, 3000) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
    }
    CloseHandle(process_);
}

std::wstring ReadLogText(const std::wstring& path, bool narrow) {
    if (!Exists(path)) return {};
    const std::string bytes = ReadFile(path);
    if (narrow) return FromCodePage(bytes, kCodePage932);
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

std::wstring WindowText(HWND hwnd) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(copied);
    return text;
}

std::vector<HWND> RunningProgram::TopLevelWindows() const {
    struct Ctx {
        DWORD pid;
        std::vector<HWND> found;
    } ctx{pid_, {}};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == c->pid && IsWindowVisible(w)) c->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

HWND RunningProgram::WaitForWindow(const std::function<bool(const std::wstring&)>& match, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        for (HWND w : TopLevelWindows())
            if (match(WindowText(w))) return w;
        if (WaitForSingleObject(process_, 100) != WAIT_TIMEOUT) {
            DWORD code = 0;
            GetExitCodeProcess(process_, &code);
            std::fwprintf(stderr, L"the program ended before its window appeared (exit code %lu)\n", code);
            return nullptr;
        }
    }
    return nullptr;
}

HWND RunningProgram::WaitForWindowTitled(const std::wstring& title, DWORD timeoutMs) {
    return WaitForWindow([&](const std::wstring& t) { return t == title; }, timeoutMs);
}

bool RunningProgram::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(process_, exitCode);
    return true;
}

std::wstring MessageBoxText(HWND box) {
    // The prompt of a message box is its static control with id 0xFFFF.
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : std::wstring();
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace mirrant::testing
