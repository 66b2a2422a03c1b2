// Times reading a text batch file and its peak memory, at growing sizes, and
// prints both per megabyte: flat figures mean reading grows linearly.
//
//   batch_read_bench_w.exe [largest MB [shape]]
//       ReadBatchFile (the file, decoding, checking and normalising every
//       row, splitting the row lines) on files of 1/8 MB doubling up to the
//       largest (default 8), every shape or one. Each read runs in a process
//       of its own, so that its peak memory is its own.
//   batch_read_bench_w.exe program <program file> [largest MB]
//       The real program started as a scheduled task starts it,
//       "<program> /s damaged.mrt", on the damaged batch of 1/8 MB doubling
//       up to the largest (default 8): seconds from start to end, exit code and
//       peak memory (working set). A program still busy after 60 s, or above
//       2 GiB, is ended by the bench and the figure is marked.
//
// Built as batch_read_bench_w (wide program) and batch_read_bench_n (narrow);
// the program mode works from either.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "batch/batch_file.h"
#include "framework/encoding.h"
#include "framework/log_sink.h"
#include "framework/prompts.h"

namespace {

using namespace mirrant;

class QuietPrompter : public Prompter {
public:
    void Warning(const std::wstring&) override {}
    void Information(const std::wstring&) override {}
    bool YesNo(const std::wstring&, bool) override { return false; }
    PromptAnswer YesNoCancel(const std::wstring&) override { return PromptAnswer::Cancel; }
};

class QuietLog : public LogSink {
public:
    void AppendLine(const std::wstring&, const std::wstring&) override {}
};

constexpr double kMiB = 1048576.0;

// The shapes of text batch files that reading meets.
enum class Shape {
    Ascii, LfOnly, Utf16, Utf8Japanese, Cp932Japanese, MostlyRejected, LongPaths,
    // One row whose source path is the whole size, and one ordinary row.
    HugeSeparators, HugeDotDots, HugeQuotes, HugeSpaces,
    // Five lines, one of them a row whose destination is "M:\dst\ab\ab\..."
    // for the whole size: what a crashed editor leaves behind.
    Damaged
};
const char* const kShapeNames[] = {"ascii-crlf", "ascii-lf",   "utf16le",   "utf8-ja",     "cp932-ja",
                                   "rejected",   "long-paths", "huge-seps", "huge-dots",   "huge-quotes",
                                   "huge-spaces", "damaged"};

bool OneHugeRow(Shape shape) { return shape >= Shape::HugeSeparators; }

// The huge path of a one-row shape, about `chars` long.
std::wstring HugePath(Shape shape, size_t chars) {
    if (shape == Shape::HugeQuotes) {
        const size_t levels = chars / 4;
        return std::wstring(levels, L'"') + L"C:\\x" + std::wstring(levels, L'"');
    }
    const std::wstring piece = shape == Shape::HugeSeparators ? L"\\\\d"
                               : shape == Shape::HugeDotDots  ? L"\\d\\.."
                               : shape == Shape::HugeSpaces   ? L"\\d         "
                                                              : L"ab\\";
    std::wstring path = shape == Shape::Damaged ? L"M:\\dst\\" : L"C:";
    path.reserve(chars + piece.size() + 2);
    while (path.size() < chars) path += piece;
    return shape == Shape::Damaged ? path : path + L"\\x";
}

std::wstring Row(size_t i, Shape shape) {
    const std::wstring n = std::to_wstring(i);
    const bool ja = shape == Shape::Utf8Japanese || shape == Shape::Cp932Japanese;
    const std::wstring docs = ja ? L"ドキュメント" : L"Documents";
    if (shape == Shape::MostlyRejected && i % 10 != 0) return L"copy\tC:\\only-one-path\\" + n + L"\\";
    if (shape == Shape::LongPaths) {
        std::wstring deep;
        for (int k = 0; k < 20; ++k) deep += L"level" + std::to_wstring(k) + L"\\";
        return L"copy\tC:\\" + deep + n + L"\\\tD:\\" + deep + n + L"\\";
    }
    if (i % 3 == 0)
        return L"sync \"C:\\Users\\me\\My Projects\\p" + n + L"\\\" \"\\\\nas\\share\\Projects\\p" + n + L"\\\"";
    return L"copy\tC:\\Users\\me\\" + docs + L"\\d" + n + L"\\\tD:\\Backup\\" + docs + L"\\d" + n + L"\\";
}

// The damaged batch: a good row before and after the huge one. The folders
// are those of the program mode; the reader never looks at them.
std::string DamagedBatch(size_t bytes, const std::wstring& folder) {
    std::wstring text = L"comment\t\"nightly backup\"\r\n";
    text += L"copy\t" + folder + L"src1\\\t" + folder + L"dst1\\\r\n";
    text += L"copy\t" + folder + L"src2\\\t" + HugePath(Shape::Damaged, bytes) + L"\r\n";
    text += L"# the end\r\n";
    text += L"sync\t" + folder + L"src3\\\t" + folder + L"dst3\\\r\n";
    return ToUtf8(text);
}

// About `bytes` of rows in the hand-written style: TABs, spaces with quotes,
// both keywords, a comment and a few comment lines.
std::string MakeBatch(size_t bytes, Shape shape, const std::wstring& folder) {
    if (shape == Shape::Damaged) return DamagedBatch(bytes, folder);
    const std::wstring end = shape == Shape::LfOnly ? L"\n" : L"\r\n";
    std::wstring text = L"comment\t\"nightly backup\"" + end;
    if (OneHugeRow(shape))
        return ToUtf8(text + L"copy\t" + HugePath(shape, bytes) + L"\tD:\\y\\" + end + Row(1, shape) + end);
    // Characters per byte of the file, roughly.
    const size_t chars = shape == Shape::Utf16 ? bytes / 2 : shape == Shape::Utf8Japanese ? bytes * 2 / 3 : bytes;
    for (size_t i = 0; text.size() < chars; ++i) {
        if (i % 100 == 0) text += L"# group " + std::to_wstring(i) + end;
        text += Row(i, shape) + end;
    }
    switch (shape) {
    case Shape::Utf16: {
        std::string out = "\xff\xfe";
        for (wchar_t c : text) {
            out += static_cast<char>(c & 0xff);
            out += static_cast<char>(c >> 8);
        }
        return out;
    }
    case Shape::Utf8Japanese: return "\xef\xbb\xbf" + ToUtf8(text);
    case Shape::Cp932Japanese: return ToCodePage(text, kCodePage932);
    default: return ToUtf8(text);
    }
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    return temp;
}

std::wstring OwnPath() {
    wchar_t self[MAX_PATH + 1];
    GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    return self;
}

// The peak working set: Wine keeps no peak of the private bytes (its
// PeakPagefileUsage is the current figure), but the peak working set is the
// kernel's high-water mark of the memory the process touched.
double PeakMib(HANDLE process) {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(process, &pmc, sizeof pmc)) return 0;
    return static_cast<double>(pmc.PeakWorkingSetSize) / kMiB;
}

struct Watched {
    bool ended = false;  // by itself, within the limits
    DWORD exitCode = 0;
    double seconds = 0;
    double peakMib = 0;
    std::string out;  // what it printed (the reader's child)
};

// Starts the command line and watches it: peak memory every 100 ms,
// ended by the bench after `limitSeconds` or above `limitMib`.
Watched Watch(std::wstring command, const std::wstring& folder, double limitSeconds, double limitMib) {
    Watched w;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &sa, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        std::fprintf(stderr, "cannot start (%lu)\n", GetLastError());
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return w;
    }
    CloseHandle(writeEnd);
    bool killed = false;
    while (WaitForSingleObject(pi.hProcess, 100) == WAIT_TIMEOUT) {
        w.peakMib = std::max(w.peakMib, PeakMib(pi.hProcess));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (seconds > limitSeconds || w.peakMib > limitMib) {
            TerminateProcess(pi.hProcess, 99);
            WaitForSingleObject(pi.hProcess, INFINITE);
            killed = true;
            break;
        }
    }
    w.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    w.peakMib = std::max(w.peakMib, PeakMib(pi.hProcess));
    GetExitCodeProcess(pi.hProcess, &w.exitCode);
    w.ended = !killed;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) w.out.append(buffer, got);
    CloseHandle(readEnd);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return w;
}

// The child of the reader mode: reads one file and prints the rows kept,
// the seconds, and its own peak memory before and after the read.
int ReadOne(const std::wstring& path) {
    QuietPrompter prompter;
    QuietLog log;
    BatchReadContext context{prompter, log, false, true, {}};
    const double before = PeakMib(GetCurrentProcess());
    ParsedBatch parsed;
    const auto start = std::chrono::steady_clock::now();
    const bool read = ReadBatchFile(path, context, parsed);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu %.4f %.2f %.2f\n", read ? parsed.rowLines.size() : 0, seconds, before,
                PeakMib(GetCurrentProcess()));
    return 0;
}

int Reader(int largest, int only) {
    const std::wstring folder = TempFolder();
    const std::wstring path = folder + L"mrt_batch_read_bench.mrt";
    std::printf("%-11s %6s %8s %9s %10s %9s %10s\n", "shape", "MB", "rows", "seconds", "seconds/MB", "peak MiB",
                "MiB/MB");
    for (int k = 0; k < static_cast<int>(std::size(kShapeNames)); ++k) {
        if (only >= 0 && k != only) continue;
        for (size_t size = 1 << 17; size <= (static_cast<size_t>(largest) << 20); size *= 2) {
            const std::string bytes = MakeBatch(size, static_cast<Shape>(k), folder);
            WriteBytes(path, bytes);
            const double megabytes = static_cast<double>(bytes.size()) / kMiB;
            const Watched w = Watch(L"\"" + OwnPath() + L"\" read \"" + path + L"\"", L"", 60, 4096);
            size_t rows = 0;
            double seconds = 0, before = 0, peak = 0;
            if (!w.ended || std::sscanf(w.out.c_str(), "%zu %lf %lf %lf", &rows, &seconds, &before, &peak) != 4) {
                std::printf("%-11s %6.2f  ended by the bench after %.1f s at %.0f MiB\n", kShapeNames[k], megabytes,
                            w.seconds, w.peakMib);
                std::fflush(stdout);
                break;
            }
            // The read's own memory: the peak above what the process held before.
            const double used = peak - before;
            std::printf("%-11s %6.2f %8zu %9.3f %10.3f %9.1f %10.2f\n", kShapeNames[k], megabytes, rows, seconds,
                        seconds / megabytes, used, used / megabytes);
            std::fflush(stdout);
            // A shape that takes this long at one size would take minutes at
            // the next.
            if (seconds > 20) {
                std::printf("%-11s stopped: too slow\n", kShapeNames[k]);
                break;
            }
        }
    }
    DeleteFileW(path.c_str());
    return 0;
}

// The program's settings from their defaults: its key goes ("Mirrant" or
// "Mirrant_U", the program file's name).
void ForgetSettings(const std::wstring& program) {
    std::wstring name = program.substr(program.find_last_of(L"\\/") + 1);
    name = name.substr(0, name.find_last_of(L'.'));
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\qorvane\\" + name).c_str());
}

int Program(const std::wstring& program, int largest) {
    const std::wstring folder = TempFolder() + L"mrt_program_bench\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 1; i <= 3; ++i) {
        const std::wstring src = folder + L"src" + std::to_wstring(i) + L"\\";
        CreateDirectoryW(src.c_str(), nullptr);
        WriteBytes(src + L"file.txt", "row " + std::to_string(i));
    }
    const std::wstring path = folder + L"damaged.mrt";
    std::printf("%-14s %6s %9s %10s %5s %9s %10s\n", "program", "MB", "seconds", "seconds/MB", "exit", "peak MiB",
                "MiB/MB");
    const std::wstring name = program.substr(program.find_last_of(L"\\/") + 1);
    for (size_t size = 1 << 17; size <= (static_cast<size_t>(largest) << 20); size *= 2) {
        const std::string bytes = MakeBatch(size, Shape::Damaged, folder);
        WriteBytes(path, bytes);
        ForgetSettings(program);
        const double megabytes = static_cast<double>(bytes.size()) / kMiB;
        const Watched w = Watch(L"\"" + program + L"\" /s \"" + path + L"\"", folder, 60, 2048);
        std::printf("%-14ls %6.2f %9.3f %10.3f %5s %9.1f %10.2f%s\n", name.c_str(), megabytes, w.seconds,
                    w.seconds / megabytes, w.ended ? std::to_string(w.exitCode).c_str() : "-", w.peakMib,
                    w.peakMib / megabytes, w.ended ? "" : "  (still busy: ended by the bench)");
        std::fflush(stdout);
        if (!w.ended) break;
    }
    // The batch of megabytes goes; the small folders stay for the next run.
    DeleteFileW(path.c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 2 && std::wstring(argv[1]) == L"read") return ReadOne(argv[2]);
    if (argc > 2 && std::wstring(argv[1]) == L"program") return Program(argv[2], argc > 3 ? _wtoi(argv[3]) : 8);
    const int largest = argc > 1 ? _wtoi(argv[1]) : 8;
    int only = -1;
    for (int k = 0; argc > 2 && k < static_cast<int>(std::size(kShapeNames)); ++k)
        if (std::wstring(argv[2]) == std::wstring(kShapeNames[k], kShapeNames[k] + std::strlen(kShapeNames[k]))) only = k;
    return Reader(largest, only);
}
