#include "log/log_buffer.h"

#include <windows.h>

#include "framework/text.h"
#include "fileops/error_text.h"
#include "log/log_file.h"
#include "log/log_names.h"
#include "res/messages.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace mirrant {

namespace {

const wchar_t kLineEnd[] = L"\r\n";

std::wstring SystemTempFolder() {
    std::wstring buffer(32769, L'\0');
    DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    buffer.resize(n < buffer.size() ? n : 0);
    return buffer;
}

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

// Collects encoded text and hands it to the file in large pieces.
class ChunkWriter {
public:
    explicit ChunkWriter(logfile::File& file) : file_(file) {}
    void Add(std::wstring_view text) { pending_ += logfile::EncodeLogText(text); }
    bool AddAndMaybeWrite(std::wstring_view text, DWORD& error) {
        Add(text);
        return pending_.size() < (1u << 16) || Write(error);
    }
    bool Write(DWORD& error) {
        bool ok = file_.Write(pending_, error);
        pending_.clear();
        return ok;
    }

private:
    logfile::File& file_;
    std::string pending_;
};

}  // namespace

class LogBuffer::OpenFile {
public:
    logfile::File file;
};

std::wstring DefaultLogPath(const std::wstring& startFolder, bool schedule) {
    return startFolder + DefaultLogFileName(schedule, false);
}

LogContext LoadLogContext(const ProfileStore& store, const std::wstring& startFolder) {
    LogContext c;
    c.settingsWord = static_cast<std::uint32_t>(ReadSetting(store, setting::LogSettings));
    c.userLog = ReadSetting(store, setting::UserLog, DefaultLogPath(startFolder, false));
    c.scheduleLog = ReadSetting(store, setting::ScheduleLog, DefaultLogPath(startFolder, true));
    c.startFolder = startFolder;
    return c;
}

bool WriteLogFile(const LogWriteRequest& r, std::wstring& resultText) {
    logfile::File file;
    DWORD error = 0;
    const std::wstring& openPath = r.openPath.empty() ? r.plainPath : r.openPath;
    auto failed = [&](DWORD code) {
        DWORD ignored;
        file.Close(ignored);
        resultText = Message(msg::kSaveFailed, {r.plainPath, SystemErrorText(code)});
        return false;
    };
    if (!file.Open(openPath, false, r.append, error)) return failed(error);
    std::uint64_t position = 0;
    if (!file.Seek(r.append, position, error)) {
        DWORD ignored;
        file.Close(ignored);
        resultText = Message(msg::kNotUpdated, {r.plainPath});
        return false;
    }
    if (r.status) r.status->SetText(Message(msg::kWritingTo, {r.plainPath}));

    ChunkWriter out(file);
    if (position == 0 && !file.Write(logfile::ByteOrderMark(), error)) return failed(error);
    if (!r.startText.empty()) out.Add(r.startText);
    static const std::vector<std::wstring> none;
    const VectorLines fromVector(r.lines ? *r.lines : none);
    const LineSource& lines = r.source ? *r.source : fromVector;
    if (lines.size() == 0) {
        if (r.stampLines) out.Add(r.stampPrefix);
        out.Add(LoadText(msg::kNothingToUpdate));
        out.Add(kLineEnd);
    } else {
        bool writeFailed = false, interrupted = false;
        DWORD readError = 0;
        const bool read = lines.ReadAll(
            [&](const std::wstring& line) {
                out.Add(line);
                if (!out.AddAndMaybeWrite(kLineEnd, error)) {
                    writeFailed = true;
                    return false;
                }
                interrupted = r.cancel && r.cancel->load() && r.status;
                return !interrupted;
            },
            readError);
        if (writeFailed) return failed(error);
        if (!read) return failed(readError ? readError : ERROR_READ_FAULT);
        if (interrupted) {
            out.Add(LoadText(IDS_WRITE_INTERRUPTED));
            if (!out.Write(error)) return failed(error);
            file.Close(error);
            resultText = LoadText(msg::kInterrupted);
            return false;
        }
    }
    if (r.separator) out.Add(LoadText(msg::kSeparator));
    if (!out.Write(error)) return failed(error);
    if (r.status) r.status->SetText(Message(msg::kClosing, {r.plainPath}));
    if (!file.Close(error)) return failed(error);
    resultText = Message(msg::kWritten, {r.plainPath});
    return true;
}

LogBuffer::LogBuffer() = default;
LogBuffer::~LogBuffer() = default;

void LogBuffer::ClearLog() {
    std::lock_guard lock(mutex_);
    lines_.Clear();
    errorLines_.Clear();
}

void LogBuffer::AppendLine(const std::wstring& text, const std::wstring& errorText) {
    std::lock_guard lock(mutex_);
    std::wstring prefix = settings_.stampLines ? TimeStampText(settings_.timeFormat, clock_()) : std::wstring();
    std::wstring line = prefix + text;
    if (!errorText.empty()) errorLines_.Append(prefix + errorText);
    if (file_ && file_->file.isOpen()) {
        DWORD error = 0;
        bool ok = file_->file.Write(logfile::EncodeLogText(line), error) &&
                  file_->file.Write(logfile::EncodeLogText(kLineEnd), error);
        if (ok && settings_.noBuffering) ok = file_->file.Flush(error);
        if (!ok) {
            // Silent: the lines stay in memory and FinishRunLog writes the
            // whole log to the next candidate.
            lastError_ = error ? error : ERROR_WRITE_FAULT;
            DWORD ignored;
            file_->file.Close(ignored);
        }
    }
    lines_.Append(std::move(line));
}

std::vector<std::wstring> LogBuffer::lines() const { return lines_.ToVector(); }

std::vector<std::wstring> LogBuffer::errorLines() const { return errorLines_.ToVector(); }

size_t LogBuffer::lineCount() const { return lines_.size(); }

size_t LogBuffer::errorLineCount() const { return errorLines_.size(); }

void LogBuffer::SetMemoryBound(size_t bytes) {
    lines_.SetMemoryBound(bytes);
    errorLines_.SetMemoryBound(bytes);
}

void LogBuffer::SetSpillFolder(const std::wstring& folder) {
    lines_.SetFolder(folder);
    errorLines_.SetFolder(folder);
}

bool LogBuffer::fileOpen() const {
    std::lock_guard lock(mutex_);
    return file_ && file_->file.isOpen();
}

std::wstring LogBuffer::currentLogPath() const {
    if (candidateIndex_ < 0 || candidateIndex_ >= kCandidateCount || candidates_.empty()) return {};
    return candidates_[static_cast<size_t>(candidateIndex_)];
}

std::wstring LogBuffer::ExpandLogName(const std::wstring& pattern, const LocalTime& time) {
    return mirrant::ExpandLogName(pattern, time);
}

std::unique_ptr<LogSaveStatus> LogBuffer::OpenStatus(const std::wstring& text) {
    if (!saveUi_) return nullptr;
    return saveUi_->Open(text, &saveCancelled_);
}

void LogSaveUi::Hold(unsigned ms) { Sleep(ms); }

// Without a status window there is nothing to keep visible.
void LogBuffer::Hold() const {
    if (saveUi_ && holdMs_) saveUi_->Hold(holdMs_);
}

void LogBuffer::BeginRunLog(const RunLogStart& start, const LogContext& context) {
    BeginRunLog(start, context, clock_());
}

void LogBuffer::BeginRunLog(const RunLogStart& start, const LogContext& context, const LocalTime& now) {
    {
        std::lock_guard lock(mutex_);
        if (file_) {
            DWORD ignored;
            file_->file.Close(ignored);
        }
        file_.reset();
    }
    const bool schedule = start.scheduleMode;
    settings_ = DecodeLogSettings(context.settingsWord, schedule, start.scheduleAppend);

    std::wstring message;
    switch (start.kind) {
    case RunKind::Overwrite: message = Message(IDS_START_OVERWRITE, {start.source, start.destination}); break;
    case RunKind::Synchronize: message = Message(IDS_START_SYNC, {start.source, start.destination}); break;
    case RunKind::Batch: message = Message(IDS_START_BATCH, {start.batchFile}); break;
    case RunKind::Restore: message = Message(IDS_RESTORE_START, {start.source}); break;
    case RunKind::Other: break;
    }
    startText_ = TimeStampText(settings_.timeFormat, now) + (start.testMode ? LoadText(IDS_START_TEST_MODE) : L"") +
                 message + kLineEnd;

    // The candidates: the template, then "1_" to "9_" before its name in its
    // own folder and in the start folder, and last the temporary folder.
    std::wstring pattern = schedule ? context.scheduleLog : context.userLog;
    if (pattern.empty()) pattern = DefaultLogPath(context.startFolder, schedule);
    const std::wstring first = mirrant::ExpandLogName(pattern, now);
    const std::wstring folder = FolderPart(first);
    const std::wstring name = NamePart(first);
    candidates_.assign(kCandidateCount, std::wstring());
    candidates_[0] = first;
    for (int i = 1; i <= 9; ++i) {
        std::wstring prefix = Message(IDS_CANDIDATE_PREFIX, {i});
        candidates_[static_cast<size_t>(i)] = folder + prefix + name;
        candidates_[static_cast<size_t>(9 + i)] = context.startFolder + prefix + name;
    }
    std::wstring temp = WithBackslash(context.tempFolder.empty() ? SystemTempFolder() : context.tempFolder);
    candidates_[19] = temp + mirrant::ExpandLogName(DefaultLogFileName(schedule, true), now);

    candidateIndex_ = 0;
    lastError_ = 0;

    if (start.testMode && !settings_.saveInTestMode) settings_.saveToFile = false;
    if (!settings_.saveToFile) return;

    saveCancelled_ = false;
    if (!settings_.writeDuringRun) return;

    auto status = OpenStatus(LoadText(IDS_SEARCHING_LOG));
    if (saveUi_) saveUi_->SetBusyCursor(true);
    for (;;) {
        unsigned error = 0;
        if (TryOpenCandidate(error)) {
            if (status) status->SetText(Message(IDS_STORING_LOG, {currentLogPath()}));
            Hold();
            break;
        }
        lastError_ = error;
        if (saveCancelled_ || settings_.noAlternative) {
            settings_.noAlternative = true;
            break;
        }
        if (++candidateIndex_ >= kCandidateCount) {
            settings_.noAlternative = true;
            break;
        }
        // The file in the temporary folder is shared by every run: always append.
        if (candidateIndex_ == kCandidateCount - 1) settings_.append = true;
    }
    if (saveUi_) saveUi_->SetBusyCursor(false);
    if (status) status->Close();
}

bool LogBuffer::TryOpenCandidate(unsigned& errorOut) {
    const std::wstring path = currentLogPath();
    DWORD error = 0;
    if (!logfile::EnsureParentFolder(path, error)) {
        errorOut = error;
        return false;
    }
    auto opened = std::make_unique<OpenFile>();
    logfile::File& file = opened->file;
    if (!file.Open(path, true, settings_.append, error)) {
        errorOut = error;
        return false;
    }
    lastError_ = 0;
    std::uint64_t position = 0;
    bool ok = file.Seek(settings_.append, position, error);
    if (ok && position == 0) ok = file.Write(logfile::ByteOrderMark(), error);
    if (ok) ok = file.Write(logfile::EncodeLogText(startText_), error);
    if (ok && settings_.noBuffering) ok = file.Flush(error);
    if (!ok) {
        DWORD ignored;
        file.Close(ignored);
        errorOut = error ? error : ERROR_WRITE_FAULT;
        return false;
    }
    std::lock_guard lock(mutex_);
    file_ = std::move(opened);
    return true;
}

void LogBuffer::FinishRunLog() { FinishRunLog(clock_()); }

void LogBuffer::BreakOpenFileForTest() {
    std::lock_guard lock(mutex_);
    if (file_) file_->file.DropWriteAccessForTest();
}

void LogBuffer::FinishRunLog(const LocalTime& now) {
    if (!settings_.saveToFile) return;
    saveCancelled_ = false;
    auto status = OpenStatus(std::wstring());
    auto close = [&] {
        if (status) status->Close();
    };
    const std::wstring prefix = TimeStampText(settings_.timeFormat, now);

    std::unique_lock lock(mutex_);
    const bool wasOpen = file_ && file_->file.isOpen();
    if (wasOpen) {
        const std::wstring path = currentLogPath();
        if (status) status->SetText(Message(msg::kClosing, {path}));
        std::wstring tail;
        if (lines_.size() == 0)
            tail = (settings_.stampLines ? prefix : std::wstring()) + LoadText(msg::kNothingToUpdate) + kLineEnd;
        tail += LoadText(msg::kSeparator);
        DWORD error = 0;
        bool ok = file_->file.Write(logfile::EncodeLogText(tail), error);
        DWORD closeError = 0;
        if (!file_->file.Close(closeError) && ok) {
            ok = false;
            error = closeError;
        }
        file_.reset();
        lock.unlock();
        if (!ok) lastError_ = error ? error : ERROR_WRITE_FAULT;
        if (ok || settings_.noAlternative) {
            if (status)
                status->SetText(ok ? Message(msg::kWritten, {path})
                                   : Message(msg::kSaveFailed, {path, SystemErrorText(lastError_)}));
            Hold();
            close();
            return;
        }
    } else {
        file_.reset();
        lock.unlock();
        if (lastError_ == 0) {
            candidateIndex_ = -1;  // nothing was tried: the log is written only now
        } else if (settings_.noAlternative) {
            close();
            return;
        }
    }

    if (status) status->SetText(LoadText(IDS_SEARCHING_LOG));
    for (;;) {
        if (++candidateIndex_ >= kCandidateCount) {
            candidateIndex_ = kCandidateCount;
            close();
            return;
        }
        if (candidateIndex_ == kCandidateCount - 1) settings_.append = true;
        const std::wstring path = currentLogPath();
        std::wstring result;
        bool ok = false;
        DWORD error = 0;
        if (!logfile::EnsureParentFolder(path, error)) {
            lastError_ = error;
            result = Message(msg::kSaveFailed, {path, SystemErrorText(error)});
        } else {
            LogWriteRequest request;
            request.plainPath = path;
            request.openPath = path;
            request.status = status.get();
            request.append = settings_.append;
            request.startText = startText_;
            request.stampPrefix = prefix;
            request.stampLines = settings_.stampLines;
            request.source = &lines_;
            request.cancel = &saveCancelled_;
            request.separator = true;
            ok = WriteLogFile(request, result);
        }
        if (saveCancelled_) {
            close();
            return;
        }
        if (!ok && !settings_.noAlternative) continue;
        if (status) status->SetText(result);
        Hold();
        close();
        return;
    }
}

}  // namespace mirrant
