// The program's file access: the operations of fileops/, one to one.
#include <windows.h>

#include "engine/file_access.h"
#include "fileops/deletion.h"
#include "fileops/error_text.h"
#include "fileops/file_copy.h"
#include "fileops/fs_edge.h"
#include "fileops/path_rules.h"
#include "settings/run_options.h"

namespace mirrant {

namespace {

class SystemFiles : public FileAccess {
    struct Recent {
        std::wstring path;
        FileStamp stamp;
    };
    // Per thread: the object serves every run of the program.
    static Recent& RecentLookup() {
        thread_local Recent recent;
        return recent;
    }

public:
    bool List(const std::wstring& pattern, const std::function<bool(const ListedEntry&)>& onEntry,
              unsigned long& error, std::wstring& cause) override {
        error = 0;
        cause.clear();
        fs::FindData data;
        // A folder pattern ends in "*.*"; the folder part goes to the edge
        // with the pattern apart, so a wildcard never reaches it as a name.
        static const std::wstring kAll = L"*.*";
        bool folderPattern =
            pattern.size() >= kAll.size() && pattern.compare(pattern.size() - kAll.size(), kAll.size(), kAll) == 0;
        std::wstring folder = folderPattern ? pattern.substr(0, pattern.size() - kAll.size()) : pattern;
        fs::Search search = folderPattern ? fs::FindFirst(folder, &kAll, data) : fs::FindFirst(pattern, nullptr, data);
        if (!search.valid()) {
            error = GetLastError();
            cause = ReplaceLongPaths(SystemErrorText(error), {folder});
            return false;
        }
        do {
            ListedEntry e;
            e.name = data.name;
            e.isFolder = data.isFolder();
            e.isLink = (data.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            e.copyTemporary = !e.isFolder && IsCopyTemporaryName(data.name);
            e.stamp = {data.creationTime, data.accessTime, data.writeTime, data.size};
            if (!onEntry(e)) return true;
        } while (search.Next(data));
        // A listing that broke off (a network error, a device error) is as
        // unknown as one that never started.
        error = GetLastError();
        if (error == ERROR_NO_MORE_FILES) {
            error = 0;
            return true;
        }
        cause = ReplaceLongPaths(SystemErrorText(error), {folder});
        return false;
    }

    // The walk looks at the other side's file and then reads its times: one
    // lookup serves both when they follow each other.
    EntryLook LookAt(const std::wstring& path) override {
        Recent& recent = RecentLookup();
        recent.path.clear();
        EntryLook look;
        fs::FindData data;
        if (!fs::GetAttributeData(path, data)) {
            look.error = GetLastError();
            const bool absent = look.error == ERROR_FILE_NOT_FOUND || look.error == ERROR_PATH_NOT_FOUND;
            look.found = absent ? Found::Nothing : Found::NoAnswer;
            look.cause = ReplaceLongPaths(SystemErrorText(look.error), {path});
            return look;
        }
        if (data.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            look.found = Found::Folder;
            return look;
        }
        look.found = Found::File;
        look.stamp = {data.creationTime, data.accessTime, data.writeTime, data.size};
        recent.path = path;
        recent.stamp = look.stamp;
        return look;
    }
    bool IsFolder(const std::wstring& path) override { return mirrant::IsFolder(path); }

    bool GetFileInfo(const std::wstring& path, FileStamp& out, Progress& progress, LogSink& log) override {
        // Only the lookup just before serves, and only once.
        Recent& recent = RecentLookup();
        const bool fresh = !recent.path.empty() && recent.path == path;
        recent.path.clear();
        if (fresh) {
            out = recent.stamp;
            return true;
        }
        FileInfo info;
        if (!mirrant::GetFileInfo(path, info, progress, log)) return false;
        out = {info.creationTime, info.accessTime, info.writeTime, info.size};
        return true;
    }

    bool CompareFileContents(const std::wstring& a, const std::wstring& b, Progress& progress, LogSink& log,
                             std::wstring& cause) override {
        return mirrant::CompareFileContents(a, b, progress, log, cause);
    }

    CopyOutcome CopyFileContents(const CopyRequest& copy, const RunOptions& options, Progress& progress,
                                 LogSink& log, std::wstring& cause) override {
        const FileStamp& stamp = copy.stamp;
        FileInfo info{stamp.creation, stamp.access, stamp.write, stamp.size};
        CopyOutcome outcome = CopyOutcome::Failed;
        // The copy takes only what it needs of the run's options.
        const CopySettings settings{options.updateReadOnly, options.verifyCopies, options.delayedWritePriority};
        mirrant::CopyFileContents(copy.source, info, copy.destination, progress, log, settings, cause, copy.target,
                                  copy.moveAside, &outcome);
        return outcome;
    }

    bool MoveFileAside(const std::wstring& path, const std::wstring& to, bool updateReadOnly,
                       std::wstring& cause) override {
        return mirrant::MoveFileAside(path, to, updateReadOnly, cause);
    }

    bool MarkFolderHidden(const std::wstring& folder) override { return mirrant::MarkFolderHidden(folder); }

    bool RemoveEmptyFolder(const std::wstring& folder) override { return fs::RemoveFolder(folder); }

    bool SetWriteTime(const std::wstring& path, std::uint64_t writeTime, Progress& progress, LogSink& log,
                      std::wstring& cause) override {
        return mirrant::SetFileTimes(path, std::nullopt, std::nullopt, writeTime, progress, log, cause);
    }

    bool DeleteOneFile(const std::wstring& path, const RunOptions& options, Progress& progress, LogSink& log,
                       std::wstring& failureLine) override {
        return mirrant::DeleteOneFile(path, progress, log, options.updateReadOnly, &failureLine);
    }

    bool DeleteFolderTree(const std::wstring& folder, unsigned& remaining, const RunOptions& options,
                          Progress& progress, LogSink& log, bool& refused) override {
        return mirrant::DeleteFolderTree(folder, remaining, progress, log, options.updateReadOnly, refused);
    }

    bool CreateFolderTree(const std::wstring& folder, std::wstring& cause, unsigned long& error) override {
        return mirrant::CreateFolderTree(folder, cause, error);
    }

    bool CanAddress(const std::wstring& path) override { return fs::CanAddress(path); }

    bool GetFolderId(const std::wstring& folder, FolderId& id) override {
        fs::FolderIdentity identity;
        if (!fs::GetFolderIdentity(folder, identity)) return false;
        id = {identity.volumeSerial, identity.fileIndex};
        return true;
    }

    LeftoverRemoval RemoveLeftoverCopyTemp(const std::wstring& path, std::wstring& cause) override {
        return mirrant::RemoveLeftoverCopyTemp(path, cause);
    }
};

}  // namespace

FileAccess& SystemFileAccess() {
    static SystemFiles files;
    return files;
}

bool ForEachEntry(FileAccess& files, const std::wstring& folder,
                  const std::function<bool(const ListedEntry&)>& onEntry, unsigned long& error, std::wstring& cause) {
    return files.List(
        folder + L"*.*",
        [&](const ListedEntry& e) { return e.name == L"." || e.name == L".." || onEntry(e); }, error, cause);
}

bool ListFolder(FileAccess& files, const std::wstring& folder, std::vector<ListedEntry>& entries,
                unsigned long& error, std::wstring& cause) {
    return ForEachEntry(
        files, folder,
        [&](const ListedEntry& e) {
            entries.push_back(e);
            return true;
        },
        error, cause);
}

TimeOrder CompareTimes(std::uint64_t a, std::uint64_t b, unsigned toleranceSeconds) {
    const int order = CompareFileTimes(a, b, toleranceSeconds);
    return order < 0 ? TimeOrder::ThisNewer : order > 0 ? TimeOrder::OtherNewer : TimeOrder::Same;
}

}  // namespace mirrant
