#pragma once
// The reading rules of the text batch format. Private to the batch module.
#include <string>
#include <string_view>
#include <vector>

namespace mirrant {

inline constexpr wchar_t kCommentKeyword[] = L"comment";
inline constexpr wchar_t kCopyKeyword[] = L"copy";
inline constexpr wchar_t kSyncKeyword[] = L"sync";

struct NormalizedBatchText {
    std::wstring comment;            // empty when the file has none
    std::vector<std::wstring> rows;  // row lines, paths normalized, no line end
    unsigned rejectedLines = 0;
    // msg::kInvalidPath after the side's label, one for each path beyond the
    // longest this program can use; its row counts among the rejected lines
    // and in refusedRows.
    std::vector<std::wstring> refusedPaths;
    unsigned refusedRows = 0;
};

// Turns the decoded text, line by line, into the comment and the row lines,
// counting the lines that break the syntax. A row path longer than this
// program can ever use (fs::WithinPathLimit) is refused as it is read: it is
// neither normalised nor converted, whatever its length. The narrow program
// keeps of the comment and the paths only what code page 932 can hold.
NormalizedBatchText NormalizeBatchText(std::wstring_view text);

// A field wholly wrapped in double quotes loses them once, and each pair of
// adjacent double quotes inside stands for one.
std::wstring UnwrapQuotedField(std::wstring_view field);

// True when the bytes pass the lenient UTF-8 check of the text reader.
bool PassesUtf8Check(std::string_view bytes);

}  // namespace mirrant
