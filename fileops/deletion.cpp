#include "fileops/deletion.h"

#include <windows.h>

#include "fileops/error_text.h"
#include "fileops/fs_edge.h"
#include "framework/log_sink.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

DWORD WithoutReadOnly(DWORD attrs) {
    DWORD a = attrs & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    return a ? a : FILE_ATTRIBUTE_NORMAL;
}

std::wstring SystemCause(DWORD code, const std::wstring& path) {
    return ReplaceLongPaths(SystemErrorText(code), {path});
}

// Deletes one entry of a tree; a failure is logged and the walk goes on.
void DeleteTreeFile(const std::wstring& path, LogSink& log, bool updateReadOnly) {
    const DWORD attrs = fs::GetAttributes(path);
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY)) {
        if (!updateReadOnly) {
            log.AppendError(Message(msg::kCannotDelete, {path, Message(msg::kDeniedReadOnly, {path})}));
            return;
        }
        fs::SetAttributes(path, WithoutReadOnly(attrs));
    }
    if (!fs::DeleteFile(path)) {
        const DWORD code = GetLastError();
        log.AppendError(Message(msg::kCannotDelete, {path, SystemCause(code, path)}));
    }
}

}  // namespace

bool DeleteOneFile(const std::wstring& path, Progress& progress, LogSink& log, bool updateReadOnly,
                   std::wstring* failureMessage) {
    progress.SetStatus(LoadText(IDS_FILEOPS_DELETING_FILE));
    progress.Show(path + LoadText(IDS_FILEOPS_DELETING_SUFFIX), level::DeletingFile);
    std::wstring cause;
    const DWORD attrs = fs::GetAttributes(path);
    bool refused = false;
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY)) {
        if (!updateReadOnly) {
            cause = Message(msg::kDeniedReadOnly, {path});
            refused = true;
        } else {
            fs::SetAttributes(path, WithoutReadOnly(attrs));
        }
    }
    if (!refused) {
        if (fs::DeleteFile(path)) {
            log.AppendLine(Message(msg::kDeleted, {path}));
            return true;
        }
        cause = SystemCause(GetLastError(), path);
    }
    const std::wstring message = Message(msg::kCannotDelete, {path, cause});
    log.AppendError(message);
    if (failureMessage) *failureMessage = message;
    return false;
}

bool MoveFileAside(const std::wstring& path, const std::wstring& to, bool updateReadOnly, std::wstring& cause) {
    cause.clear();
    const DWORD attrs = fs::GetAttributes(path);
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) && !updateReadOnly) {
        cause = Message(msg::kDeniedReadOnly, {path});
        return false;
    }
    if (fs::MoveToNewName(path, to)) return true;
    cause = ReplaceLongPaths(SystemErrorText(GetLastError()), {path, to});
    return false;
}

bool MarkFolderHidden(const std::wstring& folder) {
    const DWORD attrs = fs::GetAttributes(folder);
    if (attrs == INVALID_FILE_ATTRIBUTES) return false;
    if (attrs & FILE_ATTRIBUTE_HIDDEN) return true;
    return fs::SetAttributes(folder, (attrs & ~FILE_ATTRIBUTE_DIRECTORY) | FILE_ATTRIBUTE_HIDDEN);
}

namespace {

// The tree deletion itself. An interrupt is logged by every level that was
// in progress, the deepest first, and each of them keeps what is left.
bool DeleteTree(const std::wstring& folder, unsigned& remaining, Progress& progress, LogSink& log,
                bool updateReadOnly, bool& refused, bool& interrupted) {
    refused = false;
    interrupted = false;
    {
        static const std::wstring kAll = L"*.*";
        // A folder that cannot be listed cannot be emptied: it stays, is
        // counted and logged, and nothing below it is touched.
        auto listingFailed = [&](DWORD code) {
            ++remaining;
            log.AppendError(Message(msg::kListingFailed, {folder, ReplaceLongPaths(SystemErrorText(code), {folder})}));
            return false;
        };
        fs::FindData entry;
        fs::Search search = fs::FindFirst(folder, &kAll, entry);
        bool more = search.valid();
        if (!more) {
            const DWORD code = GetLastError();
            // No entries at all: an empty folder on a file system that lists
            // no "." and "..". It is removed below like any emptied folder.
            if (code != ERROR_FILE_NOT_FOUND) return listingFailed(code);
        }
        while (more) {
            if (entry.name != L"." && entry.name != L"..") {
                const std::wstring path = folder + entry.name;
                if (entry.isFolder() && (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                    // A junction or folder link: remove the link, never what
                    // it points to, which lies outside the tree.
                    if (!fs::RemoveFolder(path)) {
                        const DWORD code = GetLastError();
                        ++remaining;
                        log.AppendError(Message(msg::kCannotDelete, {path + L"\\", SystemCause(code, path)}));
                    }
                } else if (entry.isFolder()) {
                    bool subRefused = false;
                    DeleteTree(path + L"\\", remaining, progress, log, updateReadOnly, subRefused, interrupted);
                } else {
                    DeleteTreeFile(path, log, updateReadOnly);
                }
                if (StopRequested(progress)) {
                    log.AppendLine(LoadText(msg::kInterrupted));
                    interrupted = true;
                    break;
                }
            }
            more = search.Next(entry);
            if (!more) {
                // A listing that breaks off leaves entries unseen.
                const DWORD code = GetLastError();
                if (code != ERROR_NO_MORE_FILES) return listingFailed(code);
            }
        }
    }
    if (interrupted) return false;

    const DWORD attrs = fs::GetAttributes(folder);
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY)) {
        if (!updateReadOnly) {
            log.AppendError(Message(msg::kCannotDelete, {folder, Message(msg::kDeniedReadOnly, {folder})}));
            refused = true;
            return false;
        }
        fs::SetAttributes(folder, WithoutReadOnly(attrs));
    }
    if (!fs::RemoveFolder(folder)) {
        const DWORD code = GetLastError();
        ++remaining;
        log.AppendError(Message(msg::kCannotDelete, {folder, SystemCause(code, folder)}));
    }
    return remaining == 0;
}

}  // namespace

bool DeleteFolderTree(const std::wstring& folder, unsigned& remaining, Progress& progress, LogSink& log,
                      bool updateReadOnly, bool& refused) {
    refused = false;
    // The folder itself may be a junction or folder link: then the link goes
    // and what it points to, outside the tree, stays as it is.
    // It is asked without the trailing backslash, which would look through
    // the link.
    std::wstring link = folder;
    if (!link.empty() && link.back() == L'\\') link.pop_back();
    const DWORD attrs = fs::GetAttributes(link);
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) &&
        (attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (fs::RemoveFolder(link)) return true;
        const DWORD code = GetLastError();
        ++remaining;
        log.AppendError(Message(msg::kCannotDelete, {folder, SystemCause(code, link)}));
        return false;
    }
    bool interrupted = false;
    return DeleteTree(folder, remaining, progress, log, updateReadOnly, refused, interrupted);
}

}  // namespace mirrant
