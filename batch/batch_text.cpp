#include "batch/batch_text.h"

#include "batch/batch_file.h"
#include "fileops/fs_edge.h"
#include "fileops/path_rules.h"
#include "framework/edition.h"
#include "framework/encoding.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

std::wstring ReplacePairedQuotes(std::wstring_view s) {
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == L'"' && i + 1 < s.size() && s[i + 1] == L'"') ++i;
    }
    return out;
}

bool WrappedInQuotes(std::wstring_view s) { return s.size() >= 2 && s.front() == L'"' && s.back() == L'"'; }

// A path field of a row: unwrapped as long as it stands in quotes; empty
// means the line is rejected.
std::wstring UnwrapPath(std::wstring field) {
    while (WrappedInQuotes(field)) {
        field = field.substr(1, field.size() - 2);
        if (field.empty()) return {};
        field = ReplacePairedQuotes(field);
    }
    return field;
}

// The narrow program holds only what code page 932 can: characters without
// a form there become its default character, and a path with one is then
// refused by the path check.
std::wstring ProgramText(std::wstring text) {
    if constexpr (kNarrowBuild) return FromCodePage(ToCodePage(text, kCodePage932), kCodePage932);
    return text;
}

// The row's paths must be usable as typed paths; control characters can
// never be part of a file name. The path is within the program's limit.
bool AcceptRowPath(std::wstring& path) {
    path = ProgramText(std::move(path));
    for (wchar_t c : path)
        if (c < 0x20) return false;
    return NormalizePath(path);
}

// msg::kInvalidPath for a row path beyond the program's limit, after its side's label.
std::wstring RefusedPathMessage(unsigned sideLabel, const std::wstring& path) {
    return LoadText(sideLabel) + Message(msg::kInvalidPath, {ShownPath(path)});
}

std::wstring CollapseTabs(std::wstring_view s) {
    std::wstring out;
    out.reserve(s.size());
    for (wchar_t c : s)
        if (!(c == L'\t' && !out.empty() && out.back() == L'\t')) out += c;
    return out;
}

std::wstring FromUtf16(std::string_view bytes, size_t offset, bool bigEndian) {
    std::wstring out;
    if (offset >= bytes.size()) return out;
    out.reserve((bytes.size() - offset + 1) / 2);
    for (size_t i = offset; i < bytes.size(); i += 2) {
        unsigned a = static_cast<unsigned char>(bytes[i]);
        // An odd last byte pairs with a zero byte.
        unsigned b = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        out += static_cast<wchar_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    return out;
}

}  // namespace

std::wstring UnwrapQuotedField(std::wstring_view field) {
    if (!WrappedInQuotes(field)) return std::wstring(field);
    return ReplacePairedQuotes(field.substr(1, field.size() - 2));
}

bool PassesUtf8Check(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned c = static_cast<unsigned char>(bytes[i]);
        size_t follow;
        if (c < 0x80) follow = 0;
        else if (c >= 0xC0 && c <= 0xDF) follow = 1;
        else if (c >= 0xE0 && c <= 0xEF) follow = 2;
        else if (c >= 0xF0 && c <= 0xF7) follow = 3;
        else if (c >= 0xF8 && c <= 0xFB) follow = 4;
        else if (c >= 0xFC && c <= 0xFD) follow = 5;
        else return false;
        if (follow > bytes.size() - i - 1) return false;
        for (size_t k = 1; k <= follow; ++k) {
            unsigned d = static_cast<unsigned char>(bytes[i + k]);
            if (d < 0x80 || d > 0xBF) return false;
        }
        i += follow + 1;
    }
    return true;
}

std::wstring DecodeBatchText(std::string_view b) {
    auto at = [&](size_t i) { return i < b.size() ? static_cast<unsigned char>(b[i]) : 0x100u; };
    const size_t firstNul = b.find('\0');
    const bool holdsNul = firstNul != std::string_view::npos;
    if (at(0) == 0xFF && at(1) == 0xFE) return FromUtf16(b, 2, false);
    if (at(0) == 0xFE && at(1) == 0xFF) return FromUtf16(b, 2, true);
    if (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
        if (holdsNul) return FromUtf16(b, 0, firstNul <= 1);
        return FromUtf8(b.substr(3));
    }
    // Without a mark, ASCII text in UTF-16 has its zero bytes after each
    // character (little-endian, first zero at an odd offset) or before it.
    if (holdsNul) return FromUtf16(b, 0, firstNul % 2 == 0);
    if (PassesUtf8Check(b)) return FromUtf8(b);
    return FromCodePage(b, kCodePage932);
}

NormalizedBatchText NormalizeBatchText(std::wstring_view text) {
    NormalizedBatchText result;
    bool haveComment = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find(L'\n', pos);
        size_t end = lf == std::wstring_view::npos ? text.size() : lf + 1;
        // The line is looked at where it stands in the text; it is copied
        // only where it must be rewritten, so that a line of megabytes is
        // not held twice or three times over.
        std::wstring_view line = text.substr(pos, end - pos);
        pos = end;
        std::wstring owned;
        while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.remove_suffix(1);
        if (line.find(L'\r') != std::wstring_view::npos) {
            for (wchar_t c : line)
                if (c != L'\r') owned += c;
            line = owned;
        }

        size_t start = 0;
        while (start < line.size() && IsBlank(line[start])) ++start;
        line.remove_prefix(start);
        if (line.empty() || line[0] == L'#') continue;

        if (line.find(L"\t\t") != std::wstring_view::npos) {
            owned = CollapseTabs(line);
            line = owned;
        }
        if (line.find(L'\t') == std::wstring_view::npos) {
            // A line without TABs separates its fields by spaces; double
            // quotes protect spaces inside a field.
            std::wstring rebuilt;
            rebuilt.reserve(line.size() + 1);
            bool inQuotes = false, separated = false;
            for (wchar_t c : line) {
                if (c == L'"') {
                    inQuotes = !inQuotes;
                    rebuilt += c;
                } else if (c == L' ' && !inQuotes) {
                    rebuilt += L'\t';
                    separated = true;
                } else {
                    rebuilt += c;
                }
            }
            if (!separated) rebuilt += L'\t';
            owned = CollapseTabs(rebuilt);
            line = owned;
        }

        const size_t tab = line.find(L'\t');
        std::wstring_view keywordField = std::wstring_view(line).substr(0, tab);
        size_t kb = 0, ke = keywordField.size();
        while (kb < ke && IsBlank(keywordField[kb])) ++kb;
        while (ke > kb && IsBlank(keywordField[ke - 1])) --ke;
        const std::wstring_view keyword = keywordField.substr(kb, ke - kb);
        const std::wstring_view rest = std::wstring_view(line).substr(tab + 1);

        if (EqualsAsciiNoCase(keyword, kCommentKeyword)) {
            if (haveComment) {
                ++result.rejectedLines;
                continue;
            }
            haveComment = true;
            result.comment = ProgramText(UnwrapQuotedField(rest.substr(0, rest.find(L'\t'))));
            continue;
        }

        wchar_t letter = 0;
        if (EqualsAsciiNoCase(keyword, kCopyKeyword)) letter = kOverwriteLetter;
        else if (EqualsAsciiNoCase(keyword, kSyncKeyword)) letter = kSyncLetter;
        if (letter == 0) {
            ++result.rejectedLines;
            continue;
        }
        const size_t sourceEnd = rest.find(L'\t');
        if (sourceEnd == std::wstring_view::npos || sourceEnd == 0) {
            ++result.rejectedLines;
            continue;
        }
        std::wstring source = UnwrapPath(std::wstring(rest.substr(0, sourceEnd)));
        const std::wstring_view afterSource = rest.substr(sourceEnd + 1);
        std::wstring destination = UnwrapPath(std::wstring(afterSource.substr(0, afterSource.find(L'\t'))));
        if (source.empty() || destination.empty()) {
            ++result.rejectedLines;
            continue;
        }
        // A path no call of this program could take is refused before any
        // work that grows with its length.
        const bool sourceFits = fs::WithinPathLimit(source), destinationFits = fs::WithinPathLimit(destination);
        if (!sourceFits) result.refusedPaths.push_back(RefusedPathMessage(IDS_FILEOPS_SOURCE_LABEL, source));
        if (!destinationFits)
            result.refusedPaths.push_back(RefusedPathMessage(IDS_FILEOPS_DESTINATION_LABEL, destination));
        if (!sourceFits || !destinationFits) ++result.refusedRows;
        if (!sourceFits || !destinationFits || !AcceptRowPath(source) || !AcceptRowPath(destination)) {
            ++result.rejectedLines;
            continue;
        }
        result.rows.push_back(MakeRowLine({letter, std::move(source), std::move(destination)}));
    }
    return result;
}

}  // namespace mirrant
