#include "log/log_file.h"

#include "framework/edition.h"
#include "framework/encoding.h"

namespace mirrant::logfile {

namespace {

bool IsDrivePath(const std::wstring& p) {
    return p.size() >= 3 && iswalpha(p[0]) && p[1] == L':' && p[2] == L'\\';
}
bool IsSharePath(const std::wstring& p) {
    return p.size() >= 3 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'\\' && p[2] != L'?';
}

// The narrow program hands paths to the A functions; a path the code page
// cannot hold must not reach a different file through "?".
bool ToSystemNarrow(const std::wstring& path, std::string& out) {
    bool usedDefault = false;
    out = ToCodePage(path, CP_ACP, &usedDefault);
    return !usedDefault;
}

DWORD Attributes(const std::wstring& path) {
    if constexpr (kNarrowBuild) {
        std::string a;
        if (!ToSystemNarrow(path, a)) return INVALID_FILE_ATTRIBUTES;
        return GetFileAttributesA(a.c_str());
    } else {
        return GetFileAttributesW(OpenForm(path).c_str());
    }
}

bool MakeFolder(const std::wstring& path, DWORD& error) {
    BOOL ok;
    if constexpr (kNarrowBuild) {
        std::string a;
        if (!ToSystemNarrow(path, a)) {
            error = ERROR_NO_UNICODE_TRANSLATION;
            return false;
        }
        ok = CreateDirectoryA(a.c_str(), nullptr);
    } else {
        ok = CreateDirectoryW(OpenForm(path).c_str(), nullptr);
    }
    if (ok) return true;
    error = GetLastError();
    return error == ERROR_ALREADY_EXISTS;
}

}  // namespace

File::~File() {
    DWORD ignored;
    Close(ignored);
}

bool File::Open(const std::wstring& path, bool readAccess, bool append, DWORD& error) {
    DWORD ignored;
    Close(ignored);
    DWORD access = GENERIC_WRITE | (readAccess ? GENERIC_READ : 0);
    DWORD disposition = append ? OPEN_ALWAYS : CREATE_ALWAYS;
    if constexpr (kNarrowBuild) {
        std::string a;
        if (!ToSystemNarrow(path, a)) {
            error = ERROR_NO_UNICODE_TRANSLATION;
            return false;
        }
        h_ = CreateFileA(a.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    } else {
        h_ = CreateFileW(OpenForm(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (h_ == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        if (error == 0) error = ERROR_OPEN_FAILED;
        return false;
    }
    error = 0;
    return true;
}

bool File::Seek(bool toEnd, std::uint64_t& position, DWORD& error) {
    LARGE_INTEGER zero{}, now{};
    if (!SetFilePointerEx(h_, zero, &now, toEnd ? FILE_END : FILE_BEGIN)) {
        error = GetLastError();
        if (error != 0) return false;
    }
    position = static_cast<std::uint64_t>(now.QuadPart);
    return true;
}

bool File::Write(std::string_view bytes, DWORD& error) {
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(h_, bytes.data(), chunk, &written, nullptr)) {
            error = GetLastError();
            return false;
        }
        if (written == 0) {
            error = ERROR_DISK_FULL;
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool File::Flush(DWORD& error) {
    if (FlushFileBuffers(h_)) return true;
    error = GetLastError();
    return false;
}

void File::DropWriteAccessForTest() {
    if (h_ == INVALID_HANDLE_VALUE) return;
    HANDLE readOnly = INVALID_HANDLE_VALUE;
    HANDLE process = GetCurrentProcess();
    if (DuplicateHandle(process, h_, process, &readOnly, GENERIC_READ, FALSE, 0)) {
        CloseHandle(h_);
        h_ = readOnly;
    }
}

bool File::Close(DWORD& error) {
    if (h_ == INVALID_HANDLE_VALUE) return true;
    BOOL ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    if (ok) return true;
    error = GetLastError();
    return false;
}

std::wstring OpenForm(const std::wstring& path) {
    if constexpr (kNarrowBuild) {
        return path;
    } else {
        if (IsDrivePath(path)) return L"\\\\?\\" + path;
        if (IsSharePath(path)) return L"\\\\?\\UNC\\" + path.substr(2);
        return path;
    }
}

bool EnsureParentFolder(const std::wstring& filePath, DWORD& error) {
    size_t last = filePath.rfind(L'\\');
    if (last == std::wstring::npos) return true;  // a bare name: the current folder
    std::wstring folder = filePath.substr(0, last + 1);
    // Where the folders that may be created start: after "C:\" or "\\server\share\".
    size_t start = 0;
    if (IsDrivePath(folder)) {
        start = 3;
    } else if (IsSharePath(folder)) {
        size_t server = folder.find(L'\\', 2);
        size_t share = server == std::wstring::npos ? server : folder.find(L'\\', server + 1);
        if (share == std::wstring::npos) {
            error = ERROR_BAD_NETPATH;
            return false;
        }
        start = share + 1;
    }
    DWORD attributes = Attributes(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    for (size_t pos = folder.find(L'\\', start); pos != std::wstring::npos; pos = folder.find(L'\\', pos + 1)) {
        if (pos == 0) continue;
        std::wstring part = folder.substr(0, pos);
        if (!MakeFolder(part, error)) return false;
        if (error == ERROR_ALREADY_EXISTS) {
            DWORD a = Attributes(part);
            if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) {
                error = ERROR_DIRECTORY;
                return false;
            }
        }
    }
    attributes = Attributes(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (error == 0 || error == ERROR_ALREADY_EXISTS) error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    error = 0;
    return true;
}

std::wstring CauseText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = (n && buffer) ? std::wstring(buffer, n) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && iswspace(text.back())) text.pop_back();
    size_t pos;
    while ((pos = text.find(L"\r\n")) != std::wstring::npos) text.erase(pos, 2);
    return text;
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
