#pragma once
// Batch files from the "ﾊﾞｯﾁ(&B)" menu and the command line: reading a batch,
// the execution window, handing the rows to the run session (which runs
// them one after another), the batch history and the other commands of the
// menu.
//
// Everything here runs on the window's thread.
#include <deque>
#include <string>
#include <vector>

#include "batch/batch_file.h"
#include "session/run_session.h"

namespace mirrant {

class Prompter;
class RecentFileList;

// What batch execution needs of the main window.
class BatchWindow {
public:
    virtual ~BatchWindow() = default;
    // The window's own message boxes.
    virtual Prompter& UiPrompter() = 0;
    // The execution window (IDD_BATCH_EXECUTE) over the rows; true when it
    // closed with "実行" (the rows are then the ones to run).
    virtual bool ShowExecuteWindow(const std::wstring& comment, std::deque<BatchRow>& rows) = 0;
    // The open-file dialog for batch files; empty when cancelled.
    virtual std::vector<std::wstring> ChooseBatchFiles(bool several) = 0;
    // The batch history; null when the program runs without one.
    virtual RecentFileList* History() = 0;
    virtual void RebuildBatchMenu() = 0;
};

// The two sides a batch command works between: the session that runs the
// rows and the window that shows the batch's dialogs.
struct BatchContext {
    BatchRuns& runs;
    BatchWindow& window;
};

// Reads the batch file and starts it: the execution window first unless
// unattended. askAnother (in/out): on entry, whether to offer another file
// when this one does not start; on return, whether the caller should let
// the user choose another file. Returns nonzero when the file was read and
// parsed.
int RunBatchFile(BatchContext batch, const std::wstring& path, bool& askAnother, bool fromCommandLine);

// Menu commands.
// ID_BATCH_RUN "ﾌｧｲﾙ実行(&G)...": choose and run files while the user asks for another.
void RunBatchFileCommand(BatchContext batch);
// The command line's batch file: run at once, then the file dialog loop
// while the user asks for another.
void RunBatchFromCommandLine(BatchContext batch, const std::wstring& path);
// ID_BATCH_DELETE "ﾌｧｲﾙ削除(&D)...".
void DeleteBatchFilesCommand(BatchContext batch);
// ID_BATCH_CLEAR_HISTORY "実行履歴の削除(&M)".
void ClearBatchHistoryCommand(BatchContext batch);
// History entry (ID_BATCH_HISTORY_FIRST + index).
void RunBatchHistoryEntry(BatchContext batch, size_t index);

// The lower-cased text after the last "." of the path; empty when none.
std::wstring LowerExtension(const std::wstring& path);

}  // namespace mirrant
