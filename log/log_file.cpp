#include "log/log_file.h"

#include <algorithm>

#include "framework/edition.h"
#include "framework/encoding.h"
#include "fileops/path_rules.h"

namespace mirrant::logfile {

File::~File() {
    DWORD ignored;
    Close(ignored);
}

bool File::Open(const std::wstring& path, bool readAccess, bool append, DWORD& error) {
    DWORD ignored;
    Close(ignored);
    DWORD access = GENERIC_WRITE | (readAccess ? GENERIC_READ : 0);
    DWORD disposition = append ? OPEN_ALWAYS : CREATE_ALWAYS;
    FileError failure;
    handle_ = fs::OpenFile(path, access, FILE_SHARE_READ, disposition, FILE_ATTRIBUTE_NORMAL, &failure);
    if (!handle_.valid()) {
        error = failure.code ? failure.code : ERROR_OPEN_FAILED;
        return false;
    }
    path_ = path;
    error = 0;
    return true;
}

bool File::Seek(bool toEnd, std::uint64_t& position, DWORD& error) {
    if (fs::Seek(handle_, 0, toEnd ? FILE_END : FILE_BEGIN, position)) return true;
    error = GetLastError();
    return error == 0;
}

bool File::Write(std::string_view bytes, DWORD& error) {
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        FileError failure;
        if (!fs::Write(handle_, bytes.data(), chunk, path_, failure)) {
            error = failure.code;
            return false;
        }
        bytes.remove_prefix(chunk);
    }
    return true;
}

bool File::Flush(DWORD& error) {
    FileError failure;
    if (fs::Flush(handle_, path_, failure)) return true;
    error = failure.code;
    return false;
}

void File::DropWriteAccessForTest() {
    if (!handle_.valid()) return;
    HANDLE readOnly = INVALID_HANDLE_VALUE;
    HANDLE process = GetCurrentProcess();
    if (DuplicateHandle(process, handle_.get(), process, &readOnly, GENERIC_READ, FALSE, 0)) {
        handle_ = fs::Handle(readOnly);
    }
}

bool File::Close(DWORD& error) {
    if (!handle_.valid()) return true;
    if (handle_.Close()) return true;
    error = GetLastError();
    return false;
}

bool EnsureParentFolder(const std::wstring& filePath, DWORD& error) {
    unsigned long code = 0;
    if (mirrant::EnsureParentFolder(filePath, code)) {
        error = 0;
        return true;
    }
    // A path refused before any system call (no folder part) carries no
    // code, yet the attempt failed and the caller's fallback must know it.
    error = code ? code : ERROR_PATH_NOT_FOUND;
    return false;
}

std::string EncodeLogText(std::wstring_view text) {
    if constexpr (kNarrowBuild) {
        return ToCodePage(text, kCodePage932);
    } else {
        return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    }
}

std::string_view ByteOrderMark() {
    if constexpr (kNarrowBuild) return {};
    else return std::string_view("\xFF\xFE", 2);
}

}  // namespace mirrant::logfile
