#pragma once
// Batch files: the in-memory batch, its two file formats and their reading
// and writing.
//
//   binary batch ("mrx"): 2-byte checksum, 4-byte seed, then the scrambled
//     code page 932 payload: the comment line and one row line per row, each
//     ended by CR LF;
//   text batch ("mrt"): a hand-editable keyword format ("comment", "copy",
//     "sync"), read in UTF-16 (either order, with or without mark), UTF-8 or
//     code page 932.
//
// A batch file is read with LoadBatchFile and, on success, ParseBatchBuffer
// (or both at once with ReadBatchFile). Neither keeps state between calls,
// and a failed read leaves the caller's output untouched. Nothing here opens
// a window: messages go through the Prompter and the run log of the context.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "session/batch_row.h"

namespace mirrant {

class LogSink;
class Prompter;

inline constexpr wchar_t kBinaryBatchExtension[] = L"mrx";
inline constexpr wchar_t kTextBatchExtension[] = L"mrt";

struct BatchFile {
    std::wstring comment;
    std::vector<BatchRow> rows;

    bool operator==(const BatchFile&) const = default;
};

// ---- Row lines: source TAB destination TAB letter (no line end) ----------

std::wstring MakeRowLine(const BatchRow& row);
// True when the line has a non-empty source before the first TAB, a non-empty
// destination before the second TAB and exactly one letter 'O' or 'S' after it.
bool SplitRowLine(std::wstring_view line, BatchRow& row);

// ---- Formats ---------------------------------------------------------------

enum class BatchFormat { Unknown, Binary, Text };

// The text after the last "." of the file name (empty when there is none).
std::wstring PathExtension(std::wstring_view path);
// "mrx" and "mrt" in any letter case; anything else is Unknown.
BatchFormat FormatOfExtension(std::wstring_view extension);
BatchFormat FormatOfPath(std::wstring_view path);
// The in-memory default format flag as set from a chosen batch file: true
// (text) unless the extension is "mrx".
bool TextDefaultForPath(std::wstring_view path);

// ---- Reading ---------------------------------------------------------------

// What the caller of a read supplies: where messages go.
struct BatchReadContext {
    Prompter& prompter;
    LogSink& log;
    // The run log is being saved to a file: every message of the read is also
    // written to the run log as an error line.
    bool logToFile = false;
    // Unattended run: no message box is shown.
    bool unattended = false;
    // Finishes the run log; called after a failure was written to it.
    std::function<void()> finishLog;
};

// The decoded contents of a batch file, as LoadBatchFile hands them to
// ParseBatchBuffer.
struct BatchBuffer {
    BatchFormat format = BatchFormat::Unknown;
    // Binary: the unscrambled payload (code page 932 bytes, without header).
    std::string payload;
    // Text: the normalized text, the comment line first, then one row line
    // per row, each ended by CR LF.
    std::wstring text;
    // Text: rows refused for a path beyond the program's limit.
    unsigned refusedRows = 0;
};

// Reads and decodes the file. Failures (the file cannot be opened or read,
// wrong size, wrong checksum, no valid row) are reported through the context
// and return false; a text batch with ignored lines succeeds after reporting
// msg::kIgnoredLines, and before it msg::kInvalidPath for each path beyond the program's
// limit (ReportRefusedPaths).
bool LoadBatchFile(const std::wstring& path, const BatchReadContext& context, BatchBuffer& buffer);

// The comment and row lines of a decoded batch.
struct ParsedBatch {
    std::wstring comment;
    std::vector<std::wstring> rowLines;  // without line ends
    // Rows of a text batch refused as it was read for a path beyond the
    // longest this program can use: they cannot run, so a scheduled batch
    // does not count as completed.
    unsigned refusedRows = 0;
};

// Splits a decoded buffer into the comment and the row lines; any malformed
// row, an empty line or a batch without rows fails with msg::kBadBatchContent.
// Consumes the buffer.
bool ParseBatchBuffer(BatchBuffer&& buffer, const BatchReadContext& context, ParsedBatch& out);

// LoadBatchFile followed by ParseBatchBuffer.
bool ReadBatchFile(const std::wstring& path, const BatchReadContext& context, ParsedBatch& out);

// The rows of a parsed batch (row lines that do not split are left out;
// ParseBatchBuffer lets none through).
BatchFile ToBatchFile(const ParsedBatch& parsed);

// The reading steps without the file, for callers that hold the bytes
// already (and for tests). They report like LoadBatchFile.
bool DecodeBinaryBatch(std::string_view fileBytes, const BatchReadContext& context, BatchBuffer& buffer);
bool DecodeTextBatch(std::string_view fileBytes, const BatchReadContext& context, BatchBuffer& buffer);

// The text of a text batch file: encoding detection and decoding only.
std::wstring DecodeBatchText(std::string_view fileBytes);

// ---- The list of the registration and execution windows ------------------

// One list row: the operation column shows "上書き" or "同期" from the string table.
struct BatchListRow {
    std::wstring operation;
    std::wstring source;
    std::wstring destination;
};

std::wstring OperationLabel(wchar_t letter);
// 'O', 'S', or 0 for any other label.
wchar_t OperationLetter(std::wstring_view label);

// The list rows of the row lines. True only when every row line split into
// three fields with a valid letter; rows that do not split are left out.
bool FillBatchList(const std::vector<std::wstring>& rowLines, std::vector<BatchListRow>& rows);

// ---- Writing ---------------------------------------------------------------

// Both file contents of a batch, built from the rows of the list.
struct BatchPayloads {
    // Comment line and row lines, CR LF after each.
    std::wstring binaryText;
    // "comment" line and keyword lines, CR LF after each.
    std::wstring textFormat;
    // binaryText in code page 932 (unrepresentable characters replaced by
    // the code page's default character): the plain binary payload.
    std::string ansiPayload;
    // Some text has no code page 932 form.
    bool unrepresentable = false;
    // The wide build must save this batch as a UTF-16 text batch.
    bool forcedText = false;
    size_t keptRows = 0;
    // Rows left out: unknown operation, empty path, or a path holding a line
    // break or TAB that would break the file's lines.
    size_t skippedRows = 0;
};

BatchPayloads BuildBatchPayloads(const std::vector<BatchListRow>& rows, const std::wstring& comment);
BatchPayloads BuildBatchPayloads(const BatchFile& batch);

// The seed of a binary file written now: seconds since 1970-01-01 UTC.
std::uint32_t CurrentBatchSeed();

// The complete binary file image: checksum, seed and scrambled payload.
std::vector<std::uint8_t> ScrambleBatchPayload(std::string_view plain, std::uint32_t seed);

// The bytes of the file for this path's extension: the binary image for
// "mrx", the text format for any other extension: code page 932 without
// mark, or UTF-16LE with mark FF FE when the wide build must write Unicode
// or when the code page 932 bytes would pass the reader's UTF-8 check and so
// read back as other characters (both programs).
std::string BatchFileBytes(const std::wstring& path, const BatchPayloads& payloads, std::uint32_t seed);

// Creates (truncates) the file and writes BatchFileBytes. On failure returns
// false with the system's error text in cause (the partial file stays).
bool WriteBatchFile(const std::wstring& path, const BatchPayloads& payloads, std::uint32_t seed,
                    std::wstring& cause);

// ---- The generator and key of the binary format --------------------------

// Reproduces the C runtime's srand/rand sequence exactly, so that binary
// files do not depend on the runtime the program was linked with.
class BatchRandom {
public:
    explicit BatchRandom(std::uint32_t seed) : state_(seed) {}
    // 0 to 32767.
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7fff);
    }

private:
    std::uint32_t state_;
};

}  // namespace mirrant
