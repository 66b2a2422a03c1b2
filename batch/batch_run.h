#pragma once
// Running batch files: reading a batch into the main window's queue, the
// execution window, starting the rows one after another, the batch history
// and the commands of the "ﾊﾞｯﾁ(&B)" menu.
//
// Everything here runs on the user-interface thread. The main window is the
// host: it owns the queue, the run log, the path boxes and the history.
#include <deque>
#include <string>
#include <vector>

#include "batch/batch_file.h"

namespace mirrant {

class LogSink;
class Prompter;
class RecentFileList;

// What batch execution needs from the run session of the main window.
class BatchHost {
public:
    virtual ~BatchHost() = default;

    // Unattended run from the command line: no window and no message box.
    virtual bool Scheduled() = 0;
    virtual Prompter& UiPrompter() = 0;
    // The rows still to run, front first.
    virtual std::deque<BatchRow>& BatchQueue() = 0;
    // Clears the run's log lines and starts the run log for the batch file.
    virtual void BeginBatchLog(const std::wstring& batchFile) = 0;
    // The run log is saved to a file: failures are logged too.
    virtual bool LogGoesToFile() = 0;
    virtual LogSink& Log() = 0;
    // Finishes the run log (writes it to its file).
    virtual void WriteRunLog() = 0;
    // Sets textBatchDefault in memory (not written, menu check unchanged).
    virtual void SetTextBatchDefault(bool text) = 0;
    virtual bool TextBatchDefault() = 0;
    // Puts the row's paths into the boxes and starts the run as the
    // "上書き" or "同期" button would, with the rows still queued after it;
    // false when no run started (the failure was logged when the log goes
    // to a file and shown unless unattended).
    virtual bool StartBatchRun(const BatchRow& row, int rowsAfter) = 0;
    // Closes the progress window of the batch, if there is one.
    virtual void ReleaseProgress() = 0;
    // The execution window (IDD_BATCH_EXECUTE) over the queue; true when it closed
    // with "実行" (the queue then holds the rows to run).
    virtual bool ShowExecuteWindow(const std::wstring& comment, std::deque<BatchRow>& queue) = 0;
    // The open-file dialog for batch files; empty when cancelled.
    virtual std::vector<std::wstring> ChooseBatchFiles(bool several) = 0;
    // The batch history; null when the program runs without one.
    virtual RecentFileList* History() = 0;
    virtual void RebuildBatchMenu() = 0;
    // Ends the program (closes the main window).
    virtual void CloseMainWindow() = 0;
    // A row could not start, or the batch file could not be read: an
    // unattended program reports it in its exit code.
    virtual void BatchFailed() {}
};

// Reads the batch file and starts it: the execution window first unless
// unattended. askAnother (in/out): on entry, whether to offer another file
// when this one does not start; on return, whether the caller should let
// the user choose another file. Returns nonzero when the file was read and
// parsed.
int RunBatchFile(BatchHost& host, const std::wstring& path, bool& askAnother, bool fromCommandLine);

// Takes the front row off the queue and starts it; false when nothing
// started. In an unattended run a row that cannot start ends the batch: the
// reason is logged, the log written and the program ended, so that a
// scheduled task never waits for a run that will not come.
bool StartNextBatchRow(BatchHost& host);

// Menu commands.
// 32774 "ﾌｧｲﾙ実行(&G)...": choose and run files while the user asks for another.
void RunBatchFileCommand(BatchHost& host);
// The command line's batch file: run at once, then the file dialog loop
// while the user asks for another.
void RunBatchFromCommandLine(BatchHost& host, const std::wstring& path);
// 32775 "ﾌｧｲﾙ削除(&D)...".
void DeleteBatchFilesCommand(BatchHost& host);
// 32776 "実行履歴の削除(&M)".
void ClearBatchHistoryCommand(BatchHost& host);
// History entry (57616 + index).
void RunBatchHistoryEntry(BatchHost& host, size_t index);

// The lower-cased text after the last "." of the path; empty when none.
std::wstring LowerExtension(const std::wstring& path);

}  // namespace mirrant
