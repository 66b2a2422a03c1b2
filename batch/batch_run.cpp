#include "batch/batch_run.h"

#include <windows.h>

#include "batch/batch_file.h"
#include "batch/batch_io.h"
#include "settings/settings.h"
#include "fileops/fs_edge.h"
#include "framework/log_sink.h"
#include "framework/profile.h"
#include "framework/prompts.h"
#include "framework/recent_files.h"
#include "framework/text.h"
#include "res/messages.h"

namespace mirrant {

namespace {

// The lines an interactive read logs before its batch has a run log of its
// own: they go into the batch's log once that is started, instead of into
// the log of the run before (which is finished already and would be
// written again).
class HeldLines : public LogSink {
public:
    void AppendLine(const std::wstring& text, const std::wstring& errorText = {}) override {
        lines_.emplace_back(text, errorText);
    }
    void MoveInto(LogSink& log) {
        for (const auto& [text, errorText] : lines_) log.AppendLine(text, errorText);
        lines_.clear();
    }

private:
    std::vector<std::pair<std::wstring, std::wstring>> lines_;
};

int NoticeFlags() { return ReadSetting(AppProfile(), setting::BatchNoticeFlags); }

void AddToHistory(BatchHost& host, const std::wstring& path) {
    if (RecentFileList* history = host.History()) {
        history->Add(path);
        host.RebuildBatchMenu();
    }
}

}  // namespace

std::wstring LowerExtension(const std::wstring& path) {
    std::wstring ext = PathExtension(path);
    for (wchar_t& c : ext)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return ext;
}

bool StartNextBatchRow(BatchHost& host) {
    std::deque<BatchRow>& queue = host.BatchQueue();
    if (queue.empty()) return false;
    const BatchRow row = queue.front();
    queue.pop_front();
    const int rowsLeft = static_cast<int>(queue.size());

    const bool valid = !row.source.empty() && !row.destination.empty() &&
                       (row.operation == kOverwriteLetter || row.operation == kSyncLetter);
    bool started = false;
    if (valid) {
        started = host.StartBatchRun(row, rowsLeft);
    } else if (host.Scheduled()) {
        host.Log().AppendError(LoadText(msg::kBadBatchContent));
    } else {
        host.UiPrompter().Warning(LoadText(msg::kBadBatchContent));
    }
    if (started) return true;

    // Nothing runs, so no end-of-run message will come: the batch's log is
    // written now and the progress window of the earlier rows goes. An
    // unattended run ends here, so that a scheduled task never waits for a
    // run that will not come.
    host.BatchFailed();
    host.ReleaseProgress();
    if (host.Scheduled() && rowsLeft > 0) host.Log().AppendLine(LoadText(msg::kBatchInterrupted));
    host.WriteRunLog();
    if (host.Scheduled()) {
        queue.clear();
        host.CloseMainWindow();
    }
    return false;
}

// A batch file named relative to the current folder (a scheduled task's
// start folder) as a full path: the history entry must work from anywhere,
// and the log names the file exactly.
static std::wstring FullBatchPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return path;
    full.resize(n);
    return full;
}

int RunBatchFile(BatchHost& host, const std::wstring& given, bool& askAnother, bool fromCommandLine) {
    host.BatchQueue().clear();
    const std::wstring path = given.empty() ? given : FullBatchPath(given);
    const std::wstring ext = LowerExtension(path);
    if (given.find(L'.') == std::wstring::npos) return 0;

    const bool unattended = host.Scheduled();
    if (unattended) {
        askAnother = false;
        host.BeginBatchLog(path);
    }

    HeldLines held;
    BatchReadContext context{host.UiPrompter(), unattended ? host.Log() : held, host.LogGoesToFile(), unattended,
                             [&] {
                                 if (!unattended) {
                                     host.BeginBatchLog(path);
                                     held.MoveInto(host.Log());
                                 }
                                 host.WriteRunLog();
                             }};
    ParsedBatch parsed;
    const bool read = ReadBatchFile(path, context, parsed);
    bool started = false;
    if (read) {
        // A row refused as it was read cannot run: the batch will not be
        // completed, which an unattended program tells in its exit code.
        if (parsed.refusedRows > 0) host.BatchFailed();
        host.SetTextBatchDefault(ext != kBinaryBatchExtension);
        std::deque<BatchRow>& queue = host.BatchQueue();
        const BatchFile batch = ToBatchFile(parsed);
        queue.assign(batch.rows.begin(), batch.rows.end());
        bool go = true;
        if (!unattended) {
            go = host.ShowExecuteWindow(parsed.comment, queue);
            if (go) {
                host.BeginBatchLog(path);
                held.MoveInto(host.Log());  // the count of ignored lines
            } else {
                queue.clear();
            }
        }
        if (go) {
            StartNextBatchRow(host);
            askAnother = false;
            AddToHistory(host, path);
            started = true;
        }
    }

    if (!started && askAnother) {
        Prompter& ui = host.UiPrompter();
        if (fromCommandLine) {
            int flags = NoticeFlags();
            if (flags & batchnotice::EndAtOnceOnLoadFailure) {
                askAnother = false;
                host.CloseMainWindow();
            } else {
                askAnother = ui.YesNo(LoadText(msg::kReadAnother));
                if (!askAnother && ui.YesNo(LoadText(msg::kEndAtOnceFromNowOn), true)) {
                    WriteSetting(AppProfile(), setting::BatchNoticeFlags, flags | batchnotice::EndAtOnceOnLoadFailure);
                    host.CloseMainWindow();
                }
            }
        } else {
            askAnother = ui.YesNo(LoadText(msg::kReadAnother));
        }
    }
    if (unattended) {
        askAnother = false;
        if (!read) {
            host.BatchFailed();
            host.CloseMainWindow();
        }
    }
    return read ? 1 : 0;
}

void RunBatchFileCommand(BatchHost& host) {
    for (;;) {
        std::vector<std::wstring> chosen = host.ChooseBatchFiles(false);
        if (chosen.empty()) return;
        host.SetTextBatchDefault(TextDefaultForPath(chosen.front()));
        bool askAnother = true;
        RunBatchFile(host, chosen.front(), askAnother, false);
        if (!askAnother) return;
    }
}

void RunBatchFromCommandLine(BatchHost& host, const std::wstring& path) {
    host.SetTextBatchDefault(TextDefaultForPath(path));
    bool askAnother = true;
    RunBatchFile(host, path, askAnother, true);
    if (askAnother) RunBatchFileCommand(host);
}

void DeleteBatchFilesCommand(BatchHost& host) {
    std::vector<std::wstring> chosen = host.ChooseBatchFiles(true);
    if (chosen.empty()) return;
    host.SetTextBatchDefault(TextDefaultForPath(chosen.front()));
    for (const std::wstring& file : chosen) {
        if (!fs::DeleteFile(file)) {
            const DWORD code = GetLastError();
            host.UiPrompter().Warning(Message(msg::kCannotDelete, {file, BatchErrorText(code)}));
            return;
        }
    }
    host.UiPrompter().Information(LoadText(msg::kDeletedNotice));
}

void ClearBatchHistoryCommand(BatchHost& host) {
    RecentFileList* history = host.History();
    if (!history) return;
    if (!host.UiPrompter().YesNo(LoadText(msg::kClearHistory))) return;
    while (!history->empty()) history->Remove(history->size() - 1);
    host.RebuildBatchMenu();
}

void RunBatchHistoryEntry(BatchHost& host, size_t index) {
    RecentFileList* history = host.History();
    if (!history || index >= history->size()) return;
    const std::wstring path = (*history)[index];
    if (path.empty()) {
        history->Remove(index);
        host.RebuildBatchMenu();
        return;
    }
    bool askAnother = false;
    if (RunBatchFile(host, path, askAnother, false) != 0) return;
    // The history is unchanged by a failed read, so the index still holds.
    if (index < history->size() && (*history)[index] == path &&
        host.UiPrompter().YesNo(LoadText(msg::kRemoveFromHistory))) {
        history->Remove(index);
        host.RebuildBatchMenu();
    }
}

}  // namespace mirrant
