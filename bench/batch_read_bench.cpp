// Times reading a text batch file (ReadBatchFile: the file, decoding,
// normalising every row, splitting the row lines) at growing sizes, and
// prints the time per megabyte: flat figures mean reading grows linearly.
//   batch_read_bench_w.exe [largest MB [shape]]   (default 8: 1, 2, 4, 8 MB,
//                                                  every shape)
// Built as batch_read_bench_w (wide program) and batch_read_bench_n (narrow).
#include <windows.h>

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

// The shapes of text batch files that reading meets.
enum class Shape {
    Ascii, LfOnly, Utf16, Utf8Japanese, Cp932Japanese, MostlyRejected, LongPaths,
    // One row whose source path is the whole size.
    HugeSeparators, HugeDotDots, HugeQuotes, HugeSpaces
};
const char* const kShapeNames[] = {"ascii-crlf", "ascii-lf", "utf16le",   "utf8-ja",   "cp932-ja", "rejected",
                                   "long-paths", "huge-seps", "huge-dots", "huge-quotes", "huge-spaces"};

bool OneRow(Shape shape) { return shape >= Shape::HugeSeparators; }

// The source path of a one-row batch, about `chars` long.
std::wstring HugeSource(Shape shape, size_t chars) {
    std::wstring piece = shape == Shape::HugeSeparators ? L"\\\\d"
                         : shape == Shape::HugeDotDots  ? L"\\d\\.."
                         : shape == Shape::HugeSpaces   ? L"\\d         "
                                                        : L"";
    if (shape == Shape::HugeQuotes) {
        const size_t levels = chars / 4;
        return std::wstring(levels, L'"') + L"C:\\x" + std::wstring(levels, L'"');
    }
    std::wstring path = L"C:";
    while (path.size() < chars) path += piece;
    return path + L"\\x";
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

// About `bytes` of rows in the hand-written style: TABs, spaces with quotes,
// both keywords, a comment and a few comment lines.
std::string MakeBatch(size_t bytes, Shape shape, size_t& rows) {
    const std::wstring end = shape == Shape::LfOnly ? L"\n" : L"\r\n";
    std::wstring text = L"comment\t\"nightly backup\"" + end;
    rows = 0;
    if (OneRow(shape)) {
        rows = 1;
        return ToUtf8(text + L"copy\t" + HugeSource(shape, bytes) + L"\tD:\\y\\" + end);
    }
    // Characters per byte of the file, roughly.
    const size_t chars = shape == Shape::Utf16 ? bytes / 2 : shape == Shape::Utf8Japanese ? bytes * 2 / 3 : bytes;
    for (size_t i = 0; text.size() < chars; ++i) {
        if (i % 100 == 0) text += L"# group " + std::to_wstring(i) + end;
        text += Row(i, shape) + end;
        if (shape != Shape::MostlyRejected || i % 10 == 0) ++rows;
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int largest = argc > 1 ? _wtoi(argv[1]) : 8;
    int only = -1;
    for (int k = 0; argc > 2 && k < static_cast<int>(std::size(kShapeNames)); ++k)
        if (std::wstring(argv[2]) == std::wstring(kShapeNames[k], kShapeNames[k] + std::strlen(kShapeNames[k]))) only = k;
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring path = std::wstring(temp) + L"mrt_batch_read_bench.mrt";
    QuietPrompter prompter;
    QuietLog log;
    BatchReadContext context{prompter, log, false, true, {}};
    std::printf("%-11s %6s %9s %9s %11s\n", "shape", "MB", "rows", "seconds", "seconds/MB");
    for (int k = 0; k < static_cast<int>(std::size(kShapeNames)); ++k) {
        if (only >= 0 && k != only) continue;
        for (size_t size = 1 << 17; size <= (static_cast<size_t>(largest) << 20); size *= 2) {
            size_t rows = 0;
            const std::string bytes = MakeBatch(size, static_cast<Shape>(k), rows);
            HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD done = 0;
            WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
            CloseHandle(h);

            ParsedBatch parsed;
            const auto start = std::chrono::steady_clock::now();
            const bool read = ReadBatchFile(path, context, parsed);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double megabytes = static_cast<double>(bytes.size()) / (1 << 20);
            std::printf("%-11s %6.2f %9zu %9.3f %11.3f%s\n", kShapeNames[k], megabytes, rows, seconds,
                        seconds / megabytes, read && parsed.rowLines.size() == rows ? "" : "  (rows missing!)");
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
