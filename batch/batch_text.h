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
};

// Turns the decoded text, line by line, into the comment and the row lines,
// counting the lines that break the syntax.
NormalizedBatchText NormalizeBatchText(std::wstring_view text);

// A field wholly wrapped in double quotes loses them once, and each pair of
// adjacent double quotes inside stands for one.
std::wstring UnwrapQuotedField(std::wstring_view field);

// True when the bytes pass the lenient UTF-8 check of the text reader.
bool PassesUtf8Check(std::string_view bytes);

}  // namespace mirrant
