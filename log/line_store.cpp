#include "log/line_store.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwctype>

#include "fileops/fs_edge.h"

namespace mirrant {

namespace {

// The file holds each line as its length in characters (4 bytes) followed
// by its UTF-16 characters, whichever program wrote it. Every 256th line's
// offset is kept, so reading a page from the middle skips at most 255.
constexpr size_t kIndexStep = 256;
constexpr DWORD kReadBlock = 1u << 16;
const wchar_t kNameStart[] = L"Mirrant-";
const wchar_t kNameEnd[] = L".log.tmp";

// What a line in memory costs: the string, its characters and the heap's
// own share.
size_t Cost(const std::wstring& line) {
    return sizeof(std::wstring) + (line.capacity() + 1) * sizeof(wchar_t) + 16;
}

std::wstring TempFolder() {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n > buffer.size()) {
        buffer.resize(n);
        n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    buffer.resize(n < buffer.size() ? n : 0);
    return buffer;
}

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

std::atomic<unsigned> nextNumber{1};

// The process id of a store's file name, 0 when the name is not one.
DWORD ProcessOfName(const std::wstring& name) {
    const size_t startLength = std::wcslen(kNameStart), endLength = std::wcslen(kNameEnd);
    if (name.size() <= startLength + endLength) return 0;
    if (_wcsnicmp(name.c_str(), kNameStart, startLength) != 0) return 0;
    if (_wcsicmp(name.c_str() + name.size() - endLength, kNameEnd) != 0) return 0;
    const std::wstring middle = name.substr(startLength, name.size() - startLength - endLength);
    const size_t dash = middle.find(L'-');
    if (dash == 0 || dash == std::wstring::npos || dash + 1 == middle.size() || dash > 10) return 0;
    for (size_t i = 0; i < middle.size(); ++i)
        if (i != dash && !std::iswdigit(middle[i])) return 0;
    const unsigned long long pid = std::wcstoull(middle.c_str(), nullptr, 10);
    return pid > 0 && pid <= 0xFFFFFFFFull ? static_cast<DWORD>(pid) : 0;
}

// Running, or not known to have ended (a process this one may not look at
// counts as running).
bool ProcessRunning(DWORD pid) {
    if (pid == GetCurrentProcessId()) return true;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool running = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

}  // namespace

std::vector<std::wstring> LineSource::ToVector() const {
    std::vector<std::wstring> out;
    out.reserve(size());
    DWORD error = 0;
    ReadAll(
        [&](const std::wstring& line) {
            out.push_back(line);
            return true;
        },
        error);
    return out;
}

bool VectorLines::Read(size_t first, size_t count, const Visit& visit, DWORD&) const {
    const size_t end = first + std::min(count, lines_.size() - std::min(first, lines_.size()));
    for (size_t i = first; i < end; ++i)
        if (!visit(lines_[i])) break;
    return true;
}

class LineStore::SpillFile {
public:
    fs::Handle handle;
    std::wstring path;
    std::uint64_t bytes = 0;            // written so far
    std::vector<std::uint64_t> index;   // offset of lines 0, 256, 512, ...

    ~SpillFile() {
        handle.Close();
        fs::DeleteFile(path);  // in case the system did not honour delete-on-close
    }

    static std::shared_ptr<SpillFile> Make(const std::wstring& folder) {
        const std::wstring base = WithBackslash(folder.empty() ? TempFolder() : folder);
        if (base.empty()) return nullptr;
        for (int attempt = 0; attempt < 100; ++attempt) {
            auto file = std::make_shared<SpillFile>();
            file->path = base + LineFileName(GetCurrentProcessId(), nextNumber++);
            file->handle = fs::OpenFile(file->path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
            if (file->handle.valid()) return file;
            if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
        }
        return nullptr;
    }

    // Writes at the end of what was written; a positioned write, so that a
    // reader on another thread (positioned reads) needs no lock.
    bool Append(const std::string& data) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(bytes);
        at.OffsetHigh = static_cast<DWORD>(bytes >> 32);
        DWORD done = 0;
        if (!WriteFile(handle.get(), data.data(), static_cast<DWORD>(data.size()), &done, &at) || done != data.size())
            return false;
        bytes += data.size();
        return true;
    }

    // Reads the records from offset on, up to end, skipping `skip`, handing
    // `count`; positioned reads only, safe beside Append on another thread.
    bool Read(std::uint64_t offset, std::uint64_t end, size_t skip, size_t count, const Visit& visit,
              DWORD& errorCode) const {
        std::string buffer;
        size_t at = 0;
        std::uint64_t position = offset;
        // Makes sure n bytes are in the buffer from `at` on.
        auto need = [&](size_t n) {
            while (buffer.size() - at < n) {
                if (position >= end) {
                    errorCode = ERROR_HANDLE_EOF;
                    return false;
                }
                buffer.erase(0, at);
                at = 0;
                const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(end - position, std::max<size_t>(kReadBlock, n)));
                const size_t had = buffer.size();
                buffer.resize(had + want);
                OVERLAPPED where{};
                where.Offset = static_cast<DWORD>(position);
                where.OffsetHigh = static_cast<DWORD>(position >> 32);
                DWORD got = 0;
                if (!ReadFile(handle.get(), buffer.data() + had, want, &got, &where) || got == 0) {
                    const DWORD code = GetLastError();
                    errorCode = code ? code : ERROR_HANDLE_EOF;
                    return false;
                }
                buffer.resize(had + got);
                position += got;
            }
            return true;
        };
        std::wstring line;
        for (size_t i = 0; i < skip + count; ++i) {
            std::uint32_t length = 0;
            if (!need(sizeof length)) return false;
            std::memcpy(&length, buffer.data() + at, sizeof length);
            at += sizeof length;
            const size_t size = static_cast<size_t>(length) * sizeof(wchar_t);
            if (!need(size)) return false;
            if (i >= skip) {
                line.resize(length);
                std::memcpy(line.data(), buffer.data() + at, size);
                if (!visit(line)) return true;
            }
            at += size;
        }
        return true;
    }
};

std::wstring LineFileName(DWORD processId, unsigned number) {
    return kNameStart + std::to_wstring(processId) + L"-" + std::to_wstring(number) + kNameEnd;
}

int RemoveLeftoverLineFiles(const std::wstring& folder) {
    const std::wstring base = WithBackslash(folder.empty() ? TempFolder() : folder);
    if (base.empty()) return 0;
    const std::wstring pattern = std::wstring(kNameStart) + L"*" + kNameEnd;
    fs::FindData entry;
    fs::Search search = fs::FindFirst(base, &pattern, entry);
    if (!search.valid()) return 0;
    std::vector<std::wstring> gone;
    do {
        if (entry.isFolder()) continue;
        const DWORD pid = ProcessOfName(entry.name);
        if (pid && !ProcessRunning(pid)) gone.push_back(base + entry.name);
    } while (search.Next(entry));
    int removed = 0;
    for (const std::wstring& path : gone)
        if (fs::DeleteFile(path)) ++removed;
    return removed;
}

LineStore::LineStore() = default;
LineStore::~LineStore() = default;

void LineStore::SetMemoryBound(size_t bytes) {
    std::lock_guard lock(mutex_);
    bound_ = bytes;
}

void LineStore::SetFolder(const std::wstring& folder) {
    std::lock_guard lock(mutex_);
    folder_ = folder;
}

void LineStore::Append(std::wstring line) {
    std::lock_guard lock(mutex_);
    memoryBytes_ += Cost(line);
    memory_.push_back(std::move(line));
    if (memoryBytes_ > bound_ && !failed_) SpillLocked();
}

// Moves every line in memory to the end of the file, or, when that fails,
// leaves them all where they are.
void LineStore::SpillLocked() {
    if (!file_) {
        file_ = SpillFile::Make(folder_);
        if (!file_) {
            failed_ = true;
            return;
        }
    }
    std::string bytes;
    std::vector<std::uint64_t> offsets;
    for (size_t i = 0; i < memory_.size(); ++i) {
        if ((inFile_ + i) % kIndexStep == 0) offsets.push_back(file_->bytes + bytes.size());
        const std::wstring& line = memory_[i];
        const std::uint32_t length = static_cast<std::uint32_t>(line.size());
        bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
        bytes.append(reinterpret_cast<const char*>(line.data()), line.size() * sizeof(wchar_t));
    }
    if (!file_->Append(bytes)) {
        failed_ = true;
        return;
    }
    file_->index.insert(file_->index.end(), offsets.begin(), offsets.end());
    inFile_ += memory_.size();
    // The strings go; the vector keeps its few slots for the next lines.
    memory_.clear();
    memoryBytes_ = 0;
}

void LineStore::Clear() {
    std::lock_guard lock(mutex_);
    memory_.clear();
    memory_.shrink_to_fit();
    memoryBytes_ = 0;
    inFile_ = 0;
    file_.reset();
    failed_ = false;
}

size_t LineStore::size() const {
    std::lock_guard lock(mutex_);
    return inFile_ + memory_.size();
}

// The lines in the file are read without holding the store, so that paging
// in the result window never waits for a save that reads every line; the
// lines in memory are handed while holding it (they are few).
bool LineStore::Read(size_t first, size_t count, const Visit& visit, DWORD& error) const {
    size_t end = 0;
    {
        std::lock_guard lock(mutex_);
        const size_t total = inFile_ + memory_.size();
        if (first >= total) return true;
        end = first + std::min(count, total - first);
    }
    size_t next = first;
    while (next < end) {
        std::shared_ptr<SpillFile> file;
        std::uint64_t offset = 0, fileEnd = 0;
        size_t stop = 0, skip = 0;
        {
            std::lock_guard lock(mutex_);
            if (next < inFile_) {
                file = file_;
                const size_t step = next / kIndexStep;
                offset = file->index[step];
                fileEnd = file->bytes;
                skip = next - step * kIndexStep;
                stop = std::min(end, inFile_);
            } else {
                // Cleared meanwhile: nothing more to hand.
                const size_t memoryEnd = std::min(end, inFile_ + memory_.size());
                for (size_t i = next; i < memoryEnd; ++i)
                    if (!visit(memory_[i - inFile_])) return true;
                return true;
            }
        }
        bool stopped = false;
        const Visit counting = [&](const std::wstring& line) {
            if (visit(line)) return true;
            stopped = true;
            return false;
        };
        if (!file->Read(offset, fileEnd, skip, stop - next, counting, error)) return false;
        if (stopped) return true;
        next = stop;
    }
    return true;
}

std::wstring LineStore::filePath() const {
    std::lock_guard lock(mutex_);
    return file_ ? file_->path : std::wstring();
}

size_t LineStore::linesInFile() const {
    std::lock_guard lock(mutex_);
    return inFile_;
}

void LineStore::BreakFileForTest() {
    std::lock_guard lock(mutex_);
    if (file_) file_->handle.Close();
}

bool LineStore::fileFailed() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

}  // namespace mirrant
