// Times the real program the way a user waits for it. Used by
// run_program_bench.sh.
//
//   program_bench.exe schedule <program> <batch file>
//       starts "<program> /s <batch file>" as a scheduled task does and times
//       it from the start of the process to its end;
//   program_bench.exe window <program> <source> <destination>
//       starts the program with both folders filled in, presses the overwrite
//       button and times from the press to the result window (or, when the
//       run logged nothing, to the box that says so), then closes the program.
//
// Both start from the program's default settings: its registry key is
// removed first. Prints one line:
//   result=<0|1> seconds=<s> peak_working_set_mib=<m> peak_private_mib=<m>
#include <windows.h>

#include <cstdlib>
#include <utility>
#include <string>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

struct Counters {
    double workingSetMib = 0;
    double privateMib = 0;
};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

// Peak counters only grow, so the latest reading that succeeded is the peak.
void ReadCounters(HANDLE process, Counters& c) {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(process, &pmc, sizeof pmc)) return;
    if (pmc.PeakWorkingSetSize == 0 && pmc.PeakPagefileUsage == 0) return;
    c.workingSetMib = static_cast<double>(pmc.PeakWorkingSetSize) / 1048576.0;
    c.privateMib = static_cast<double>(pmc.PeakPagefileUsage) / 1048576.0;
}

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// A fresh start: the program's settings key goes (the narrow program keeps
// its settings under "Mirrant", the wide one under "Mirrant_U").
void ForgetSettings(const std::wstring& program) {
    std::wstring name = FileName(program);
    name = name.substr(0, name.find_last_of(L'.'));
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\qorvane\\" + name).c_str());
    // BENCH_SET_ASIDE=1 keeps what the runs replace ("SetAside");
    // BENCH_VERIFY=1 reads every copy back ("VerifyCopy"). Every other
    // setting is the default.
    for (const auto& [variable, value] : {std::pair{"BENCH_SET_ASIDE", L"SetAside"}, std::pair{"BENCH_VERIFY", L"VerifyCopy"}}) {
        const char* on = std::getenv(variable);
        if (!on || std::string(on) != "1") continue;
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\qorvane\\" + name + L"\\Settings").c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            DWORD one = 1;
            RegSetValueExW(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
            RegCloseKey(key);
        }
    }
}

PROCESS_INFORMATION Start(const std::wstring& program, const std::wstring& arguments) {
    std::wstring cmd = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        std::fwprintf(stderr, L"cannot start %ls (%lu)\n", program.c_str(), GetLastError());
    return pi;
}

std::vector<HWND> WindowsOf(DWORD pid) {
    struct Ctx {
        DWORD pid;
        std::vector<HWND> found;
    } ctx{pid, {}};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == c->pid && IsWindowVisible(w)) c->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

std::wstring TextOf(HWND w) {
    wchar_t buffer[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &copied);
    return buffer;
}

// Polls for a top-level window of the process that the test accepts.
template <class Match>
HWND WaitFor(const PROCESS_INFORMATION& pi, Match match, Counters& c, DWORD pollMs) {
    for (;;) {
        for (HWND w : WindowsOf(pi.dwProcessId))
            if (match(w)) return w;
        ReadCounters(pi.hProcess, c);
        if (WaitForSingleObject(pi.hProcess, pollMs) != WAIT_TIMEOUT) return nullptr;
    }
}

void Press(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void Print(bool ok, double seconds, const Counters& c) {
    std::printf("result=%d seconds=%.3f peak_working_set_mib=%.1f peak_private_mib=%.1f\n", ok ? 1 : 0, seconds,
                c.workingSetMib, c.privateMib);
}

int Schedule(const std::wstring& program, const std::wstring& batch) {
    ForgetSettings(program);
    Counters c;
    const LARGE_INTEGER t0 = Now();
    PROCESS_INFORMATION pi = Start(program, L"/s \"" + batch + L"\"");
    if (!pi.hProcess) return 2;
    while (WaitForSingleObject(pi.hProcess, 200) == WAIT_TIMEOUT) ReadCounters(pi.hProcess, c);
    const LARGE_INTEGER t1 = Now();
    ReadCounters(pi.hProcess, c);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    Print(code == 0, Seconds(t0, t1), c);
    return code == 0 ? 0 : 1;
}

int Window(const std::wstring& program, const std::wstring& source, const std::wstring& destination) {
    ForgetSettings(program);
    Counters c;
    PROCESS_INFORMATION pi = Start(program, L"\"" + source + L"\" \"" + destination + L"\"");
    if (!pi.hProcess) return 2;
    const auto isMain = [](HWND w) { return GetDlgItem(w, IDC_RUN_OVERWRITE) != nullptr; };
    HWND main = WaitFor(pi, isMain, c, 50);
    if (!main) return 2;
    while (TextOf(GetDlgItem(main, IDC_DEST_EDIT)).empty()) Sleep(20);

    const LARGE_INTEGER t0 = Now();
    Press(main, IDC_RUN_OVERWRITE);
    // The result window, or the box that tells that the run logged nothing.
    const auto isEnd = [&](HWND w) {
        return w != main &&
               (TextOf(w) == L"結果ﾛｸﾞ" || TextOf(GetDlgItem(w, 0xFFFF)) == L"更新すべきﾌｧｲﾙはありません。");
    };
    HWND end = WaitFor(pi, isEnd, c, 10);
    const LARGE_INTEGER t1 = Now();
    if (!end) return 2;
    Sleep(200);
    ReadCounters(pi.hProcess, c);
    Press(end, IDOK);
    Sleep(300);
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
    Print(true, Seconds(t0, t1), c);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"schedule" && argc == 4) return Schedule(argv[2], argv[3]);
    if (mode == L"window" && argc == 5) return Window(argv[2], argv[3], argv[4]);
    std::fprintf(stderr,
                 "usage: program_bench schedule <program> <batch file>\n"
                 "       program_bench window <program> <source> <destination>\n");
    return 2;
}
