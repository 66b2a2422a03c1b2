#pragma once
// Whole-file reading and writing of batch files, and how their failures are
// reported while a batch is read. Private to the batch module.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fileops/fs_edge.h"

namespace mirrant {

struct BatchReadContext;

// A batch file larger than this is not a batch file: it is refused as wrong
// content instead of being read into memory.
inline constexpr std::uint64_t kMaxBatchFileBytes = 256ull * 1024 * 1024;

// The file as opened for reading with exclusive sharing.
class BatchFileReader {
public:
    // Opens the file; on failure error() holds the system error code.
    explicit BatchFileReader(const std::wstring& path);
    BatchFileReader(const BatchFileReader&) = delete;
    BatchFileReader& operator=(const BatchFileReader&) = delete;

    bool isOpen() const;
    std::uint64_t size() const { return size_; }
    unsigned long error() const { return error_; }
    // Reads the whole file; false with error() set when a read fails.
    bool ReadAll(std::string& bytes);

private:
    fs::Handle file_;
    std::uint64_t size_ = 0;
    unsigned long error_ = 0;
};

// Creates (truncates) the file and writes the bytes; false with the system
// error code on failure.
bool WriteWholeFile(const std::wstring& path, std::string_view bytes, unsigned long& error);

// The system's text for an error code on one line.
std::wstring BatchErrorText(unsigned long code);

// A failure or a warning while reading: an error line of the run log when
// the log goes to a file, a warning box unless unattended; after a failure
// that was logged the run log is finished.
void ReportBatchProblem(const BatchReadContext& context, const std::wstring& text, bool failure);
// The rows refused for a path beyond the program's limit: every message an
// error line of the run log when the log goes to a file; unless unattended,
// the first in a warning box (the count of ignored lines follows in another).
void ReportRefusedPaths(const BatchReadContext& context, const std::vector<std::wstring>& messages);
// msg::kBadBatchContent, the batch file's content is wrong.
void ReportBadBatchContent(const BatchReadContext& context);

}  // namespace mirrant
