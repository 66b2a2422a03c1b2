#pragma once
// The lines of a run's log, however many there are: the newest in memory,
// the earlier ones, once those in memory pass a bound, in a temporary file
// of the program's own ("Mirrant-<pid>-<n>.log.tmp" in the user's temporary
// folder, never beside the source or the destination). The file goes when
// the store is cleared or destroyed (the system also removes it when the
// process ends, since it is opened delete-on-close); the files of a program
// that was killed are removed at the next start by RemoveLeftoverLineFiles.
//
// A file that cannot be made or written costs memory, never a line: the
// lines it would have taken stay in memory.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mirrant {

// Lines read in order, a range at a time.
class LineSource {
public:
    using Visit = std::function<bool(const std::wstring& line)>;
    virtual ~LineSource() = default;
    virtual size_t size() const = 0;
    // Hands the lines [first, first + count), as far as there are any, to
    // visit in order until visit returns false. False with a system error
    // code when the lines could not be read; true when visit stopped.
    virtual bool Read(size_t first, size_t count, const Visit& visit, DWORD& error) const = 0;
    bool ReadAll(const Visit& visit, DWORD& error) const { return Read(0, size(), visit, error); }
    // Every line, in memory (small logs and tests).
    std::vector<std::wstring> ToVector() const;
};

// A vector seen as a line source; the vector must outlive it.
class VectorLines : public LineSource {
public:
    explicit VectorLines(const std::vector<std::wstring>& lines) : lines_(lines) {}
    size_t size() const override { return lines_.size(); }
    bool Read(size_t first, size_t count, const Visit& visit, DWORD& error) const override;

private:
    const std::vector<std::wstring>& lines_;
};

class LineStore : public LineSource {
public:
    // What the lines in memory may cost before they move to the file: far
    // below the process's budget even at a million lines (the file's index
    // costs 8 bytes per 256 lines).
    static constexpr size_t kDefaultMemoryBound = 4u << 20;

    LineStore();
    ~LineStore() override;
    LineStore(const LineStore&) = delete;
    LineStore& operator=(const LineStore&) = delete;

    // Bytes of lines in memory before they go to the file (tests set it
    // small); applies from the next line on.
    void SetMemoryBound(size_t bytes);
    // The folder of the file (with or without a trailing backslash); empty:
    // the user's temporary folder. Applies when the next file is made.
    void SetFolder(const std::wstring& folder);

    void Append(std::wstring line);
    // Forgets every line and removes the file.
    void Clear();

    size_t size() const override;
    // Lines of the file and of memory alike; holds the store while handing
    // the lines in memory, so visit must not append to it. Lines appended
    // meanwhile may or may not be handed; a Clear meanwhile ends the reading.
    bool Read(size_t first, size_t count, const Visit& visit, DWORD& error) const override;

    // The file in use, empty while every line is in memory.
    std::wstring filePath() const;
    // Lines now in the file.
    size_t linesInFile() const;
    // True once making or writing the file failed: from then on the lines
    // stay in memory.
    bool fileFailed() const;
    // Closes the file as a failing disk would take it away: reading the
    // lines in it fails from then on (tests of the failure paths).
    void BreakFileForTest();

private:
    class SpillFile;
    void SpillLocked();

    mutable std::mutex mutex_;
    size_t bound_ = kDefaultMemoryBound;
    std::wstring folder_;
    std::vector<std::wstring> memory_;  // lines [inFile_, size)
    size_t memoryBytes_ = 0;
    size_t inFile_ = 0;
    std::shared_ptr<SpillFile> file_;  // a reader keeps it while it reads
    bool failed_ = false;
};

// The name of a store's file in folder for this process and number.
std::wstring LineFileName(DWORD processId, unsigned number);

// Removes the files named like a store's file in folder (empty: the user's
// temporary folder) whose process is no longer running; the files of running
// processes, this one included, stay. Returns how many went.
int RemoveLeftoverLineFiles(const std::wstring& folder = {});

}  // namespace mirrant
