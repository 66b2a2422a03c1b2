#include "batch/batch_io.h"

#include <windows.h>

#include <algorithm>

#include "batch/batch_file.h"
#include "fileops/fs_edge.h"
#include "framework/log_sink.h"
#include "framework/prompts.h"
#include "framework/text.h"
#include "res/messages.h"

namespace mirrant {

BatchFileReader::BatchFileReader(const std::wstring& path) {
    // Exclusive sharing: a batch that someone is still writing is not read
    // half-way. The file-system edge gives the wide program the long form and
    // the narrow one its code page.
    FileError failure;
    file_ = fs::OpenFile(path, GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, &failure);
    if (!file_.valid()) {
        error_ = failure.code;
        return;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.get(), &size)) {
        error_ = GetLastError();
        file_.Close();
        return;
    }
    size_ = static_cast<std::uint64_t>(size.QuadPart);
}

bool BatchFileReader::isOpen() const { return file_.valid(); }

bool BatchFileReader::ReadAll(std::string& bytes) {
    bytes.assign(static_cast<size_t>(size_), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD got = 0;
        if (!ReadFile(file_.get(), bytes.data() + done, want, &got, nullptr)) {
            error_ = GetLastError();
            return false;
        }
        if (got == 0) break;  // the file shrank meanwhile: what was there is the file
        done += got;
    }
    bytes.resize(done);
    return true;
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes, unsigned long& error) {
    error = 0;
    FileError failure;
    fs::Handle file = fs::OpenFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, &failure);
    if (!file.valid()) {
        error = failure.code;
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD put = 0;
        if (!WriteFile(file.get(), bytes.data() + done, want, &put, nullptr)) {
            error = GetLastError();
            return false;
        }
        done += put;
    }
    if (!file.Close()) {
        error = GetLastError();
        return false;
    }
    return true;
}

std::wstring BatchErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (n && buffer) text.assign(buffer, n);
    if (buffer) LocalFree(buffer);
    std::wstring line;
    for (wchar_t c : text)
        if (c != L'\r' && c != L'\n') line += c;
    while (!line.empty() && (line.back() == L' ' || line.back() == L'\t')) line.pop_back();
    if (line.empty()) line = FormatText(L"%u", {static_cast<unsigned>(code)});
    return line;
}

void ReportBatchProblem(const BatchReadContext& context, const std::wstring& text, bool failure) {
    if (context.logToFile) context.log.AppendError(text);
    if (!context.unattended) context.prompter.Warning(text);
    // The run log is finished only after a failure: after a warning the batch
    // goes on and its run writes to the same log.
    if (failure && context.logToFile && context.finishLog) context.finishLog();
}

void ReportRefusedPaths(const BatchReadContext& context, const std::vector<std::wstring>& messages) {
    if (messages.empty()) return;
    if (context.logToFile)
        for (const std::wstring& text : messages) context.log.AppendError(text);
    if (!context.unattended) context.prompter.Warning(messages.front());
}

void ReportBadBatchContent(const BatchReadContext& context) {
    ReportBatchProblem(context, Message(msg::kBadBatchContent), true);
}

}  // namespace mirrant
