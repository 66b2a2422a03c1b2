#include "batch/batch_file.h"

#include <windows.h>

#include <algorithm>
#include <ctime>
#include <new>

#include "batch/batch_io.h"
#include "batch/batch_text.h"
#include "framework/edition.h"
#include "framework/encoding.h"
#include "framework/text.h"
#include "res/messages.h"

namespace mirrant {

namespace {

constexpr size_t kHeaderBytes = 6;
// A binary file must be longer than this to be read at all.
constexpr size_t kMinBinaryFileBytes = 19;

constexpr wchar_t kCrLf[] = L"\r\n";

// The scramble key of the binary format: six ASCII letters, assembled at run
// time so that they do not stand in the program file as one string.
struct ScrambleKey {
    std::uint8_t bytes[6];
};

ScrambleKey MakeScrambleKey() {
    static constexpr std::uint8_t masked[6] = {0x31, 0x09, 0x0a, 0x0c, 0x15, 0x12};  // "Kspvoh" ^ 0x7a
    ScrambleKey key{};
    for (int i = 0; i < 6; ++i) key.bytes[i] = static_cast<std::uint8_t>(masked[i] ^ 0x7a);
    return key;
}

std::uint8_t SwapHalves(std::uint8_t x) { return static_cast<std::uint8_t>((x >> 4) | (x << 4)); }

bool IsAsciiSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

std::wstring TrimBoth(std::wstring_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsAsciiSpace(s[b])) ++b;
    while (e > b && IsAsciiSpace(s[e - 1])) --e;
    return std::wstring(s.substr(b, e - b));
}

// A comment as it stands in both formats: wrapped in double quotes when it
// holds a space (or a quote, whose inner copies are doubled so that reading
// gives back exactly the comment). Line breaks and TABs would split the line
// and become spaces.
std::wstring CommentField(const std::wstring& comment) {
    std::wstring c;
    c.reserve(comment.size());
    for (wchar_t ch : comment) c += (ch == L'\r' || ch == L'\n' || ch == L'\t') ? L' ' : ch;
    if (c.find(L' ') == std::wstring::npos && c.find(L'"') == std::wstring::npos) return c;
    std::wstring wrapped = L"\"";
    for (wchar_t ch : c) {
        wrapped += ch;
        if (ch == L'"') wrapped += L'"';
    }
    wrapped += L'"';
    return wrapped;
}

bool BreaksLine(const std::wstring& path) {
    return path.find_first_of(std::wstring_view(L"\t\r\n\0", 4)) != std::wstring::npos;
}

}  // namespace

// ---- Row lines -----------------------------------------------------------

std::wstring MakeRowLine(const BatchRow& row) {
    std::wstring line = row.source;
    line += L'\t';
    line += row.destination;
    line += L'\t';
    line += row.operation;
    return line;
}

bool SplitRowLine(std::wstring_view line, BatchRow& row) {
    size_t first = line.find(L'\t');
    if (first == std::wstring_view::npos || first == 0) return false;
    size_t second = line.find(L'\t', first + 1);
    if (second == std::wstring_view::npos || second == first + 1) return false;
    std::wstring_view op = line.substr(second + 1);
    if (op.size() != 1 || (op[0] != kOverwriteLetter && op[0] != kSyncLetter)) return false;
    row.source.assign(line.substr(0, first));
    row.destination.assign(line.substr(first + 1, second - first - 1));
    row.operation = op[0];
    return true;
}

// ---- Formats -------------------------------------------------------------

std::wstring PathExtension(std::wstring_view path) {
    size_t dot = path.rfind(L'.');
    size_t separator = path.find_last_of(L"\\/");
    if (dot == std::wstring_view::npos || (separator != std::wstring_view::npos && separator > dot)) return {};
    return std::wstring(path.substr(dot + 1));
}

BatchFormat FormatOfExtension(std::wstring_view extension) {
    if (EqualsAsciiNoCase(extension, kBinaryBatchExtension)) return BatchFormat::Binary;
    if (EqualsAsciiNoCase(extension, kTextBatchExtension)) return BatchFormat::Text;
    return BatchFormat::Unknown;
}

BatchFormat FormatOfPath(std::wstring_view path) { return FormatOfExtension(PathExtension(path)); }

bool TextDefaultForPath(std::wstring_view path) { return FormatOfPath(path) != BatchFormat::Binary; }

// ---- Reading -------------------------------------------------------------

bool DecodeBinaryBatch(std::string_view fileBytes, const BatchReadContext& context, BatchBuffer& buffer) {
    if (fileBytes.size() < kMinBinaryFileBytes) {
        ReportBadBatchContent(context);
        return false;
    }
    auto byte = [&](size_t i) { return static_cast<std::uint8_t>(fileBytes[i]); };
    const unsigned stored = byte(0) | (byte(1) << 8);
    const std::uint32_t seed = static_cast<std::uint32_t>(byte(2)) | (static_cast<std::uint32_t>(byte(3)) << 8) |
                               (static_cast<std::uint32_t>(byte(4)) << 16) |
                               (static_cast<std::uint32_t>(byte(5)) << 24);
    const ScrambleKey key = MakeScrambleKey();
    BatchRandom random(seed);
    std::string plain(fileBytes.size() - kHeaderBytes, '\0');
    unsigned sum = 0;
    bool holdsNul = false;
    for (size_t i = 0; i < plain.size(); ++i) {
        std::uint8_t y = SwapHalves(byte(kHeaderBytes + i));
        y ^= key.bytes[random.Next() % 6];
        std::uint8_t p = static_cast<std::uint8_t>(~y);
        plain[i] = static_cast<char>(p);
        sum = (sum + p) & 0xffff;
        if (p == 0) holdsNul = true;
    }
    // The payload is text; a NUL would cut it short and leave a partial batch.
    if (sum != stored || holdsNul) {
        ReportBadBatchContent(context);
        return false;
    }
    buffer.format = BatchFormat::Binary;
    buffer.payload = std::move(plain);
    buffer.text.clear();
    return true;
}

namespace {

// The reading of a text batch after decoding. Takes the text, and lets it go
// as soon as its lines are read.
bool ReadBatchText(std::wstring text, const BatchReadContext& context, BatchBuffer& buffer) {
    // A zero character would cut the text short of its end: no such file is
    // a batch.
    if (text.find(L'\0') != std::wstring::npos) {
        ReportBadBatchContent(context);
        return false;
    }
    NormalizedBatchText normalized = NormalizeBatchText(text);
    std::wstring().swap(text);
    ReportRefusedPaths(context, normalized.refusedPaths);
    if (normalized.rows.empty()) {
        ReportBadBatchContent(context);
        return false;
    }
    if (normalized.rejectedLines > 0)
        ReportBatchProblem(context, Message(msg::kIgnoredLines, {normalized.rejectedLines}), false);
    std::wstring joined = normalized.comment + kCrLf;
    for (std::wstring& row : normalized.rows) {
        joined += row;
        joined += kCrLf;
        std::wstring().swap(row);
    }
    buffer.format = BatchFormat::Text;
    buffer.text = std::move(joined);
    buffer.payload.clear();
    buffer.refusedRows = normalized.refusedRows;
    return true;
}

}  // namespace

bool DecodeTextBatch(std::string_view fileBytes, const BatchReadContext& context, BatchBuffer& buffer) {
    if (fileBytes.empty()) {
        ReportBadBatchContent(context);
        return false;
    }
    return ReadBatchText(DecodeBatchText(fileBytes), context, buffer);
}

bool LoadBatchFile(const std::wstring& path, const BatchReadContext& context, BatchBuffer& buffer) {
    auto readFailed = [&](unsigned long code) {
        ReportBatchProblem(context, Message(msg::kReadFailed, {path, BatchErrorText(code)}), true);
        return false;
    };
    try {
        BatchFileReader reader(path);
        if (!reader.isOpen()) return readFailed(reader.error());
        const BatchFormat format = FormatOfPath(path);
        const std::uint64_t size = reader.size();
        const bool sizeOk = format == BatchFormat::Binary ? size >= kMinBinaryFileBytes
                            : format == BatchFormat::Text ? size >= 1
                                                          : false;
        if (!sizeOk || size > kMaxBatchFileBytes) {
            ReportBadBatchContent(context);
            return false;
        }
        std::string bytes;
        if (!reader.ReadAll(bytes)) return readFailed(reader.error());
        BatchBuffer decoded;
        bool ok = false;
        if (format == BatchFormat::Binary) {
            ok = DecodeBinaryBatch(bytes, context, decoded);
        } else {
            // The file's bytes go once they are text: a file of megabytes is
            // not held in both forms while its lines are read.
            std::wstring text = DecodeBatchText(bytes);
            std::string().swap(bytes);
            ok = ReadBatchText(std::move(text), context, decoded);
        }
        if (!ok) return false;
        buffer = std::move(decoded);
        return true;
    } catch (const std::bad_alloc&) {
        return readFailed(ERROR_NOT_ENOUGH_MEMORY);
    }
}

bool ParseBatchBuffer(BatchBuffer&& buffer, const BatchReadContext& context, ParsedBatch& out) {
    BatchBuffer consumed = std::move(buffer);
    buffer = BatchBuffer{};
    const bool binary = consumed.format == BatchFormat::Binary;
    std::wstring text;
    if (binary)
        text = FromCodePage(consumed.payload, kCodePage932);
    else if (consumed.format == BatchFormat::Text)
        text = std::move(consumed.text);
    else {
        ReportBadBatchContent(context);
        return false;
    }

    std::vector<std::wstring> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find(L'\n', pos);
        std::wstring line;
        if (lf == std::wstring::npos) {
            line = text.substr(pos);
            pos = text.size();
            if (!binary) std::erase(line, L'\r');
        } else {
            line = text.substr(pos, lf - pos);
            pos = lf + 1;
            if (binary)
                line = TrimBoth(line);
            else
                std::erase(line, L'\r');
        }
        lines.push_back(std::move(line));
    }

    ParsedBatch parsed;
    parsed.refusedRows = consumed.refusedRows;
    bool ok = lines.size() >= 2;
    if (ok) {
        parsed.comment = binary ? UnwrapQuotedField(lines[0]) : lines[0];
        for (size_t i = 1; i < lines.size() && ok; ++i) {
            BatchRow row;
            ok = SplitRowLine(lines[i], row);
            if (ok) parsed.rowLines.push_back(std::move(lines[i]));
        }
    }
    if (!ok) {
        ReportBadBatchContent(context);
        return false;
    }
    out = std::move(parsed);
    return true;
}

bool ReadBatchFile(const std::wstring& path, const BatchReadContext& context, ParsedBatch& out) {
    BatchBuffer buffer;
    if (!LoadBatchFile(path, context, buffer)) return false;
    return ParseBatchBuffer(std::move(buffer), context, out);
}

BatchFile ToBatchFile(const ParsedBatch& parsed) {
    BatchFile batch;
    batch.comment = parsed.comment;
    for (const std::wstring& line : parsed.rowLines) {
        BatchRow row;
        if (SplitRowLine(line, row)) batch.rows.push_back(std::move(row));
    }
    return batch;
}

// ---- List ----------------------------------------------------------------

std::wstring OperationLabel(wchar_t letter) {
    return LoadText(letter == kSyncLetter ? msg::kSyncLabel : msg::kOverwriteLabel);
}

wchar_t OperationLetter(std::wstring_view label) {
    if (label == LoadText(msg::kOverwriteLabel)) return kOverwriteLetter;
    if (label == LoadText(msg::kSyncLabel)) return kSyncLetter;
    return 0;
}

bool FillBatchList(const std::vector<std::wstring>& rowLines, std::vector<BatchListRow>& rows) {
    rows.clear();
    bool all = true;
    for (const std::wstring& line : rowLines) {
        BatchRow row;
        if (!SplitRowLine(line, row)) {
            all = false;
            continue;
        }
        rows.push_back({OperationLabel(row.operation), std::move(row.source), std::move(row.destination)});
    }
    return all;
}

// ---- Writing -------------------------------------------------------------

BatchPayloads BuildBatchPayloads(const std::vector<BatchListRow>& rows, const std::wstring& comment) {
    BatchPayloads p;
    const std::wstring commentLine = CommentField(comment) + kCrLf;
    p.binaryText = commentLine;
    p.textFormat = std::wstring(kCommentKeyword) + L'\t' + commentLine;
    for (const BatchListRow& row : rows) {
        const wchar_t letter = OperationLetter(row.operation);
        if (letter == 0 || row.source.empty() || row.destination.empty() || BreaksLine(row.source) ||
            BreaksLine(row.destination)) {
            ++p.skippedRows;
            continue;
        }
        ++p.keptRows;
        p.binaryText += MakeRowLine({letter, row.source, row.destination});
        p.binaryText += kCrLf;
        p.textFormat += letter == kSyncLetter ? kSyncKeyword : kCopyKeyword;
        p.textFormat += L'\t';
        p.textFormat += row.source;
        p.textFormat += L'\t';
        p.textFormat += row.destination;
        p.textFormat += kCrLf;
    }
    bool usedDefault = false;
    p.ansiPayload = ToCodePage(p.binaryText, kCodePage932, &usedDefault);
    p.unrepresentable = usedDefault || FromCodePage(p.ansiPayload, kCodePage932) != p.binaryText;
    p.forcedText = p.unrepresentable && !kNarrowBuild;
    return p;
}

BatchPayloads BuildBatchPayloads(const BatchFile& batch) {
    std::vector<BatchListRow> rows;
    rows.reserve(batch.rows.size());
    for (const BatchRow& r : batch.rows) rows.push_back({OperationLabel(r.operation), r.source, r.destination});
    return BuildBatchPayloads(rows, batch.comment);
}

std::uint32_t CurrentBatchSeed() { return static_cast<std::uint32_t>(std::time(nullptr)); }

std::vector<std::uint8_t> ScrambleBatchPayload(std::string_view plain, std::uint32_t seed) {
    std::vector<std::uint8_t> image(kHeaderBytes + plain.size());
    unsigned sum = 0;
    for (char c : plain) sum = (sum + static_cast<std::uint8_t>(c)) & 0xffff;
    image[0] = static_cast<std::uint8_t>(sum & 0xff);
    image[1] = static_cast<std::uint8_t>(sum >> 8);
    for (int i = 0; i < 4; ++i) image[2 + i] = static_cast<std::uint8_t>(seed >> (8 * i));
    const ScrambleKey key = MakeScrambleKey();
    BatchRandom random(seed);
    for (size_t i = 0; i < plain.size(); ++i) {
        std::uint8_t x = static_cast<std::uint8_t>(~static_cast<std::uint8_t>(plain[i]));
        x ^= key.bytes[random.Next() % 6];
        image[kHeaderBytes + i] = SwapHalves(x);
    }
    return image;
}

namespace {

std::string Utf16WithMark(std::wstring_view text) {
    std::string bytes = "\xff\xfe";
    bytes.reserve(2 + text.size() * 2);
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xff);
        bytes += static_cast<char>((c >> 8) & 0xff);
    }
    return bytes;
}

// A text batch without a mark is read as UTF-8 whenever its bytes pass the
// UTF-8 check. Code page 932 bytes of half-width katakana often do ("ﾏｲ" is
// CF B2): written so, such a batch would read back naming other folders.
bool ReadsBackAsUtf8(std::string_view ansi) {
    const bool nonAscii = std::any_of(ansi.begin(), ansi.end(), [](char c) { return (c & 0x80) != 0; });
    return nonAscii && PassesUtf8Check(ansi);
}

}  // namespace

std::string BatchFileBytes(const std::wstring& path, const BatchPayloads& payloads, std::uint32_t seed) {
    if (FormatOfPath(path) == BatchFormat::Binary) {
        std::vector<std::uint8_t> image = ScrambleBatchPayload(payloads.ansiPayload, seed);
        return std::string(image.begin(), image.end());
    }
    bool usedDefault = false;
    std::string ansi = ToCodePage(payloads.textFormat, kCodePage932, &usedDefault);
    if (!kNarrowBuild && (payloads.forcedText || usedDefault)) return Utf16WithMark(payloads.textFormat);
    // Marked UTF-16 reads back the same in both programs. The narrow program
    // writes what its code page holds, as it would have written it.
    if (ReadsBackAsUtf8(ansi)) return Utf16WithMark(FromCodePage(ansi, kCodePage932));
    return ansi;
}

bool WriteBatchFile(const std::wstring& path, const BatchPayloads& payloads, std::uint32_t seed,
                    std::wstring& cause) {
    cause.clear();
    unsigned long error = 0;
    if (WriteWholeFile(path, BatchFileBytes(path, payloads, seed), error)) return true;
    cause = BatchErrorText(error);
    return false;
}

}  // namespace mirrant
