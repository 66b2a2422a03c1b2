#pragma once
// The run log: every line of the current run (all lines, and the error lines
// apart), optionally time-stamped, kept in two line stores (log/line_store.h:
// the newest lines in memory, the rest in a temporary file of the program's
// own), and the log file written either line by line during the run or all
// at once at its end. When a log
// file cannot be written the writer falls back through 20 candidate names,
// the last one in the temporary folder, unless alternatives are forbidden.
//
// Calling order for one run: BeginRunLog and ClearLog on the user-interface
// thread before the worker starts; AppendLine from the worker; FinishRunLog
// at the end of the run; then the result display (log/result_window.h).
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/log_sink.h"
#include "log/line_store.h"
#include "log/log_settings.h"
#include "log/time_stamp.h"

namespace mirrant {

class ProfileStore;

// Run kinds as the start line knows them.
// Restore: bringing set-aside files back into the folder in `source`.
enum class RunKind : int { Other = 0, Overwrite = 1, Synchronize = 3, Restore = 4, Batch = -1 };

// What a run's log needs from the application: the settings word, the two
// file name templates and the folders of the fallback candidates.
struct LogContext {
    std::uint32_t settingsWord = kDefaultLogSettingsWord;
    std::wstring userLog;      // template for interactive runs ("UserLog")
    std::wstring scheduleLog;  // template for scheduled runs ("ScheduleLog")
    std::wstring startFolder;  // the current folder at start, with trailing backslash
    std::wstring tempFolder;   // empty: the system's temporary folder
};

// The start folder followed by the default name.
std::wstring DefaultLogPath(const std::wstring& startFolder, bool schedule);

// Reads "op16", "UserLog" and "ScheduleLog" of section "Settings"; missing
// templates become the default paths in startFolder.
LogContext LoadLogContext(const ProfileStore& store, const std::wstring& startFolder);

// What the main window knows when a run starts.
struct RunLogStart {
    RunKind kind = RunKind::Other;
    std::wstring source;        // the source box as it stands
    std::wstring destination;   // the destination box as it stands
    std::wstring batchFile;     // for RunKind::Batch
    bool testMode = false;      // the test-mode box
    bool scheduleMode = false;  // unattended run from the command line
    bool scheduleAppend = true; // "/S" appends, "/s" overwrites
};

// The status window of a log save (the log saving dialog in the program, a
// recorder in tests). Its methods may be called from any thread.
class LogSaveStatus {
public:
    virtual ~LogSaveStatus() = default;
    virtual void SetText(const std::wstring& text) = 0;
    virtual void Hide() = 0;
    // Closes the window; the object stays valid but does nothing more.
    virtual void Close() = 0;
};

// Opens status windows. cancelFlag is set by the window's "中断" button.
class LogSaveUi {
public:
    virtual ~LogSaveUi() = default;
    virtual std::unique_ptr<LogSaveStatus> Open(const std::wstring& text,
                                                std::atomic<bool>* cancelFlag) = 0;
    // The wait cursor while the log file is searched for at the start of a run.
    virtual void SetBusyCursor(bool busy) {}
    // Keeps a status text visible for ms milliseconds (the program keeps
    // its windows responsive meanwhile).
    virtual void Hold(unsigned ms);
};

// One call of the log file writer.
struct LogWriteRequest {
    std::wstring plainPath;     // shown and reported
    std::wstring openPath;      // opened, a plain path too (empty: plainPath)
    LogSaveStatus* status = nullptr;
    bool append = false;
    std::wstring startText;     // written first when not empty
    std::wstring stampPrefix;   // before msg::kNothingToUpdate when there are no lines
    bool stampLines = false;
    const LineSource* source = nullptr;             // the lines, or
    const std::vector<std::wstring>* lines = nullptr;  // (when source is null)
    const std::atomic<bool>* cancel = nullptr;  // polled after every line
    bool separator = false;     // msg::kSeparator at the end
};

// Writes a whole log to a file: byte order mark at position 0 (wide build),
// the start text, the lines (or msg::kNothingToUpdate when there are none), the
// separator. resultText gets msg::kWritten on success, msg::kNotUpdated,
// msg::kSaveFailed or msg::kInterrupted on failure or interruption. Lines
// that cannot be read from their source fail the write as msg::kSaveFailed.
bool WriteLogFile(const LogWriteRequest& request, std::wstring& resultText);

class LogBuffer : public LogSink {
public:
    static constexpr int kCandidateCount = 20;

    LogBuffer();
    ~LogBuffer() override;
    LogBuffer(const LogBuffer&) = delete;
    LogBuffer& operator=(const LogBuffer&) = delete;

    // Where status windows are opened; none: saves run without one.
    void SetSaveUi(LogSaveUi* ui) { saveUi_ = ui; }
    // How long a status text stays visible after opening and after writing
    // (1500 ms; tests shorten it).
    void SetStatusHoldMs(unsigned ms) { holdMs_ = ms; }
    // The clock of the line stamps and of the calls without a time (tests
    // fix it).
    using Clock = LocalTime (*)();
    void SetClock(Clock clock) { clock_ = clock ? clock : &LocalTimeNow; }
    // Makes the next write to the open log file fail as a real write to a
    // handle without write access does (tests of the fallback).
    void BreakOpenFileForTest();

    void ClearLog();
    void AppendLine(const std::wstring& text, const std::wstring& errorText = {}) override;
    using LogSink::AppendMessage;

    // Prepares the log of a run: start line, active settings, candidates,
    // and with write-during-run the opened file (user-interface thread).
    void BeginRunLog(const RunLogStart& start, const LogContext& context);
    void BeginRunLog(const RunLogStart& start, const LogContext& context, const LocalTime& now);
    // Completes the log file of the run (worker thread at the end of a run).
    void FinishRunLog();
    void FinishRunLog(const LocalTime& now);

    static std::wstring ExpandLogName(const std::wstring& pattern, const LocalTime& time);

    // The lists, safe to read while the worker appends; what reads them
    // goes through them a range at a time.
    const LineStore& allLines() const { return lines_; }
    const LineStore& errors() const { return errorLines_; }
    // Copies of the whole lists in memory (tests and small logs).
    std::vector<std::wstring> lines() const;
    std::vector<std::wstring> errorLines() const;
    size_t lineCount() const;
    size_t errorLineCount() const;
    // What the lines in memory of each list may cost before they go to its
    // temporary file (LineStore::kDefaultMemoryBound; tests set it small),
    // and the folder of those files (empty: the user's temporary folder).
    void SetMemoryBound(size_t bytes);
    void SetSpillFolder(const std::wstring& folder);

    // The active settings of the current (or last) run.
    const LogSettings& settings() const { return settings_; }
    const std::wstring& startText() const { return startText_; }
    const std::vector<std::wstring>& candidates() const { return candidates_; }
    int candidateIndex() const { return candidateIndex_; }
    // The path of the log file in use, empty before the first attempt.
    std::wstring currentLogPath() const;
    unsigned lastError() const { return lastError_; }
    bool fileOpen() const;
    // Set by the "中断" button of the log saving dialog.
    std::atomic<bool>& saveCancelled() { return saveCancelled_; }

private:
    class OpenFile;
    bool TryOpenCandidate(unsigned& error);
    std::unique_ptr<LogSaveStatus> OpenStatus(const std::wstring& text);
    void Hold() const;

    mutable std::mutex mutex_;
    LineStore lines_;
    LineStore errorLines_;
    std::wstring startText_;
    std::vector<std::wstring> candidates_;
    int candidateIndex_ = -1;
    std::unique_ptr<OpenFile> file_;
    std::atomic<unsigned> lastError_{0};
    std::atomic<bool> saveCancelled_{false};
    LogSettings settings_;
    bool saving_ = false;  // saving is on for this run (after the test-mode rule)
    LogSaveUi* saveUi_ = nullptr;
    unsigned holdMs_ = 1500;
    Clock clock_ = &LocalTimeNow;
};

}  // namespace mirrant
