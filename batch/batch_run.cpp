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

void AddToHistory(BatchWindow& window, const std::wstring& path) {
    if (RecentFileList* history = window.History()) {
        history->Add(path);
        window.RebuildBatchMenu();
    }
}

}  // namespace

std::wstring LowerExtension(const std::wstring& path) {
    std::wstring ext = PathExtension(path);
    for (wchar_t& c : ext)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return ext;
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

int RunBatchFile(BatchContext batch, const std::wstring& given, bool& askAnother, bool fromCommandLine) {
    const std::wstring path = given.empty() ? given : FullBatchPath(given);
    const std::wstring ext = LowerExtension(path);
    if (given.find(L'.') == std::wstring::npos) return 0;

    const bool unattended = batch.runs.Scheduled();
    if (unattended) {
        askAnother = false;
        batch.runs.BeginBatchLog(path);
    }

    HeldLines held;
    BatchReadContext context{batch.window.UiPrompter(), unattended ? batch.runs.Log() : held,
                             batch.runs.LogGoesToFile(), unattended, [&] {
                                 if (!unattended) {
                                     batch.runs.BeginBatchLog(path);
                                     held.MoveInto(batch.runs.Log());
                                 }
                                 batch.runs.WriteRunLog();
                             }};
    ParsedBatch parsed;
    const bool read = ReadBatchFile(path, context, parsed);
    bool started = false;
    if (read) {
        // A row refused as it was read cannot run: the batch will not be
        // completed, which an unattended program tells in its exit code.
        if (parsed.refusedRows > 0) batch.runs.BatchFailed();
        batch.runs.SetTextBatchDefault(ext != kBinaryBatchExtension);
        const BatchFile file = ToBatchFile(parsed);
        std::deque<BatchRow> rows(file.rows.begin(), file.rows.end());
        bool go = true;
        if (!unattended) {
            go = batch.window.ShowExecuteWindow(parsed.comment, rows);
            if (go) {
                batch.runs.BeginBatchLog(path);
                held.MoveInto(batch.runs.Log());  // the count of ignored lines
            }
        }
        if (go) {
            batch.runs.StartBatch(std::move(rows));
            askAnother = false;
            AddToHistory(batch.window, path);
            started = true;
        }
    }

    if (!started && askAnother) {
        Prompter& ui = batch.window.UiPrompter();
        if (fromCommandLine) {
            int flags = NoticeFlags();
            if (flags & batchnotice::EndAtOnceOnLoadFailure) {
                askAnother = false;
                batch.runs.EndProgram();
            } else {
                askAnother = ui.YesNo(LoadText(msg::kReadAnother));
                if (!askAnother && ui.YesNo(LoadText(msg::kEndAtOnceFromNowOn), true)) {
                    WriteSetting(AppProfile(), setting::BatchNoticeFlags, flags | batchnotice::EndAtOnceOnLoadFailure);
                    batch.runs.EndProgram();
                }
            }
        } else {
            askAnother = ui.YesNo(LoadText(msg::kReadAnother));
        }
    }
    if (unattended) {
        askAnother = false;
        if (!read) {
            batch.runs.BatchFailed();
            batch.runs.EndProgram();
        }
    }
    return read ? 1 : 0;
}

void RunBatchFileCommand(BatchContext batch) {
    for (;;) {
        std::vector<std::wstring> chosen = batch.window.ChooseBatchFiles(false);
        if (chosen.empty()) return;
        batch.runs.SetTextBatchDefault(TextDefaultForPath(chosen.front()));
        bool askAnother = true;
        RunBatchFile(batch, chosen.front(), askAnother, false);
        if (!askAnother) return;
    }
}

void RunBatchFromCommandLine(BatchContext batch, const std::wstring& path) {
    batch.runs.SetTextBatchDefault(TextDefaultForPath(path));
    bool askAnother = true;
    RunBatchFile(batch, path, askAnother, true);
    if (askAnother) RunBatchFileCommand(batch);
}

void DeleteBatchFilesCommand(BatchContext batch) {
    std::vector<std::wstring> chosen = batch.window.ChooseBatchFiles(true);
    if (chosen.empty()) return;
    batch.runs.SetTextBatchDefault(TextDefaultForPath(chosen.front()));
    for (const std::wstring& file : chosen) {
        if (!fs::DeleteFile(file)) {
            const DWORD code = GetLastError();
            batch.window.UiPrompter().Warning(Message(msg::kCannotDelete, {file, BatchErrorText(code)}));
            return;
        }
    }
    batch.window.UiPrompter().Information(LoadText(msg::kDeletedNotice));
}

void ClearBatchHistoryCommand(BatchContext batch) {
    RecentFileList* history = batch.window.History();
    if (!history) return;
    if (!batch.window.UiPrompter().YesNo(LoadText(msg::kClearHistory))) return;
    while (!history->empty()) history->Remove(history->size() - 1);
    batch.window.RebuildBatchMenu();
}

void RunBatchHistoryEntry(BatchContext batch, size_t index) {
    RecentFileList* history = batch.window.History();
    if (!history || index >= history->size()) return;
    const std::wstring path = (*history)[index];
    if (path.empty()) {
        history->Remove(index);
        batch.window.RebuildBatchMenu();
        return;
    }
    bool askAnother = false;
    if (RunBatchFile(batch, path, askAnother, false) != 0) return;
    // The history is unchanged by a failed read, so the index still holds.
    if (index < history->size() && (*history)[index] == path &&
        batch.window.UiPrompter().YesNo(LoadText(msg::kRemoveFromHistory))) {
        history->Remove(index);
        batch.window.RebuildBatchMenu();
    }
}

}  // namespace mirrant
