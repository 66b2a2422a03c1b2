#pragma once
// One row of a batch: the operation and the two paths, as the batch file
// holds it and as the session runs it.
#include <string>

namespace mirrant {

// Operation letters of a row.
inline constexpr wchar_t kOverwriteLetter = L'O';
inline constexpr wchar_t kSyncLetter = L'S';

struct BatchRow {
    wchar_t operation = kOverwriteLetter;  // 'O' overwrite, 'S' synchronize
    std::wstring source;
    std::wstring destination;

    bool operator==(const BatchRow&) const = default;
};

}  // namespace mirrant
