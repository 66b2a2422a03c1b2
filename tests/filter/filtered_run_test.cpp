// The stored filter settings governing real runs of the engine: the walk asks
// the filter about every entry of both trees, the destination modes hold back
// items that one side lacks, and the run title carries the markers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/file_access.h"
#include "engine/run_driver.h"
#include "engine/stored_filter.h"
#include "fileops/path_rules.h"
#include "filter/filter_set.h"
#include "framework/profile.h"
#include "framework/text.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/fake_run.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using namespace mirrant::testing;

// The fake run context with the filter loaded from a private registry key
// the way the run start loads it.
class FilterHost {
public:
    FilterHost() : store_(AppProfile().rootKey() + L"_runs") {}
    ~FilterHost() { store_.DeleteRoot(); }

    ProfileStore& store() { return store_; }
    FakeRun run;
    RunOptions& options = run.options;
    RecordingLog& log = run.log;

    // Nothing was asked: no box, no per-item choice, no folder question.
    bool nothingAsked() const {
        return run.prompter.boxes.prompts().empty() && run.prompter.choiceRequests.empty() &&
               run.prompter.folderRequests.empty();
    }

    int Run(RunMode mode, const std::wstring& source, const std::wstring& destination,
            RecordingProgress& progress) {
        // The paths as the run buttons pass them on, normalised.
        RunRequest request{mode, source, destination};
        EXPECT_TRUE(NormalizePath(request.sourcePath));
        EXPECT_TRUE(NormalizePath(request.destinationPath));
        FilterSet filter;
        LoadFilterSet(filter, store_);
        run.filter = std::make_shared<StoredFilter>(filter);
        RunContext context(request, options, run.filter, run.files, run.prompter, progress, run.log);
        return PerformRun(context).completed ? 1 : 0;
    }

private:
    ProfileStore store_;
};

// Every file below root, as relative paths, sorted.
std::vector<std::wstring> FilesBelow(const std::wstring& root) {
    std::vector<std::wstring> found;
    std::function<void(const std::wstring&)> walk = [&](const std::wstring& rel) {
        unsigned long error = 0;
        std::wstring cause;
        SystemFileAccess().List(
            root + rel + L"*.*",
            [&](const ListedEntry& e) {
                if (e.name == L"." || e.name == L".." || e.copyTemporary) return true;
                if (e.isFolder) walk(rel + e.name + L"\\");
                else found.push_back(rel + e.name);
                return true;
            },
            error, cause);
    };
    walk(L"");
    std::sort(found.begin(), found.end());
    return found;
}

using Names = std::vector<std::wstring>;

TimeRangeSpec LastDays(unsigned days) {
    TimeRangeSpec m = TimeRangeSpec::Defaults(kModificationRecord);
    m.Set(tf::RangeType, kRangeSimple);
    m.Set(tf::SimpleUnit, kDaysBefore);
    m.Set(tf::SimpleCount, days);
    return m;
}

TEST(FilteredRun, FolderListAndFileListSelectWhatTheWalkTakes) {
    TempDir src, dst;
    for (const wchar_t* folder : {L"src", L"src\\src", L"src\\inner", L"lib", L"lib\\src", L"Src2"})
        MakeFolder(src / folder);
    for (const wchar_t* file : {L"main.c", L"readme.txt", L"src\\a.c", L"src\\b.h", L"src\\OLD.C",
                                L"src\\src\\y.c", L"src\\inner\\x.c", L"lib\\src\\deep.c", L"Src2\\z.c"})
        WriteFile(src / file, "x");
    FilterHost host;
    host.store().SetInt(kSettingsSection, optname::FilterFlags, kGeneralPartial);
    host.store().SetString(kSettingsSection, optname::FolderIncludes, L"SRC");
    host.store().SetString(kSettingsSection, optname::FileIncludes, L"*.c");
    RecordingProgress progress;
    EXPECT_EQ(host.Run(RunMode::Overwrite, src.path(), dst.path(), progress), 1);

    // Sub-folders other than 'src' are skipped with their whole subtree, even
    // a 'src' below them; files in the root are tested by the file list only.
    EXPECT_EQ(FilesBelow(dst.path()), (Names{L"main.c", L"src\\OLD.C", L"src\\a.c", L"src\\src\\y.c"}));
    EXPECT_FALSE(Exists(dst / L"lib"));
    // Rejected entries leave no trace in the log.
    for (const std::wstring& line : host.log.lines) {
        EXPECT_EQ(line.find(L"readme"), std::wstring::npos) << line;
        EXPECT_EQ(line.find(L"lib"), std::wstring::npos) << line;
    }
    EXPECT_EQ(progress.title, RunModeCaption(RunMode::Overwrite) + L"［対象・除外指定あり］");
}

TEST(FilteredRun, DestinationOnlyIgnoresTheListsButKeepsTheTimeRange) {
    TempDir src, dst;
    MakeFolder(src / L"new");
    MakeFolder(dst / L"both");
    MakeFolder(src / L"both");
    for (const wchar_t* file : {L"a.txt", L"b.c", L"old.txt", L"both\\in.txt", L"new\\n.c"})
        WriteFile(src / file, "source");
    for (const wchar_t* file : {L"a.txt", L"old.txt", L"both\\in.txt", L"only.txt"})
        WriteFile(dst / file, "dest");
    for (const wchar_t* file : {L"a.txt", L"old.txt", L"both\\in.txt", L"only.txt"})
        SetWriteTime(dst / file, kBaseTime - 1000 * kSecond);
    SetWriteTime(src / L"old.txt", kBaseTime);  // outside the last 1000 days

    FilterHost host;
    host.store().SetInt(kSettingsSection, optname::FilterFlags, filterbits::DestinationOnly);
    host.store().SetString(kSettingsSection, optname::FileIncludes, L"*.c");  // not in force
    host.store().SetBinary(kSettingsSection, optname::ModificationRange, LastDays(1000).ToBytes());
    // The policies as they stand, without the start-up adjustment: the
    // destination mode alone must hold back what the destination lacks.
    host.options.missingInDestination = MissingPolicy::Copy;
    host.options.confirmNewerDestination = false;
    RecordingProgress progress;
    EXPECT_EQ(host.Run(RunMode::Overwrite, src.path(), dst.path(), progress), 1);

    EXPECT_EQ(ReadFile(dst / L"a.txt"), "source");         // the lists do not apply
    EXPECT_EQ(ReadFile(dst / L"both\\in.txt"), "source");  // folders present on both sides are walked
    EXPECT_EQ(ReadFile(dst / L"old.txt"), "dest");         // the time range does
    EXPECT_FALSE(Exists(dst / L"b.c"));                    // missing at the destination: skipped
    EXPECT_FALSE(Exists(dst / L"new"));
    EXPECT_EQ(ReadFile(dst / L"only.txt"), "dest");
    EXPECT_EQ(progress.title, RunModeCaption(RunMode::Overwrite) + L"［ｺﾋﾟｰ先にあるものを対象］");
    EXPECT_TRUE(host.nothingAsked());
}

TEST(FilteredRun, SyncNeitherDeletesNorCopiesBackExcludedDestinationEntries) {
    // Delete priority asks the filter in its search passes as well.
    const std::pair<RunMode, MissingPolicy> cases[] = {{RunMode::Sync, MissingPolicy::Delete},
                                                       {RunMode::SyncDeletePriority, MissingPolicy::Delete},
                                                       {RunMode::Sync, MissingPolicy::Copy}};
    for (auto [mode, policy] : cases) {
        SCOPED_TRACE(static_cast<int>(mode) * 10 + static_cast<int>(policy));
        TempDir src, dst;
        WriteFile(src / L"keep.txt", "s");
        WriteFile(src / L"new.tmp", "s");      // excluded: not copied
        WriteFile(dst / L"keep.txt", "s");
        SetWriteTime(dst / L"keep.txt", GetWriteTime(src / L"keep.txt"));
        WriteFile(dst / L"cache.TMP", "d");    // excluded, the source lacks it
        WriteFile(dst / L"stale.txt", "d");    // the source lacks it: the policy applies
        MakeFolder(dst / L"Obj");              // excluded folder, the source lacks it
        WriteFile(dst / L"Obj\\x.o", "d");

        FilterHost host;
        host.store().SetInt(kSettingsSection, optname::FilterFlags, kGeneralPartial);
        host.store().SetString(kSettingsSection, optname::FileExcludes, L"*.tmp");
        host.store().SetString(kSettingsSection, optname::FolderExcludes, L"obj");
        host.options.missingInSource = policy;
        host.options.deletePriority = mode == RunMode::SyncDeletePriority;
        host.options.confirmFolderDelete = false;
        RecordingProgress progress;
        EXPECT_EQ(host.Run(mode, src.path(), dst.path(), progress), 1);

        EXPECT_EQ(FilesBelow(dst.path()), (policy == MissingPolicy::Delete
                                               ? Names{L"Obj\\x.o", L"cache.TMP", L"keep.txt"}
                                               : Names{L"Obj\\x.o", L"cache.TMP", L"keep.txt", L"stale.txt"}));
        EXPECT_EQ(FilesBelow(src.path()), (policy == MissingPolicy::Delete
                                               ? Names{L"keep.txt", L"new.tmp"}
                                               : Names{L"keep.txt", L"new.tmp", L"stale.txt"}));
        EXPECT_TRUE(host.nothingAsked());
    }
}

TEST(FilteredRun, ProtectedDestinationKeepsWhatTheSourceLacks) {
    for (bool protect : {false, true}) {
        SCOPED_TRACE(protect);
        TempDir src, dst;
        WriteFile(src / L"both.txt", "new");
        WriteFile(src / L"source-only.txt", "s");
        WriteFile(dst / L"both.txt", "old");
        SetWriteTime(dst / L"both.txt", kBaseTime);
        WriteFile(dst / L"dest-only.txt", "d");
        MakeFolder(dst / L"dest-folder");

        FilterHost host;
        host.store().SetInt(kSettingsSection, optname::FilterFlags,
                            filterbits::DestinationOnly | (protect ? filterbits::ProtectDestination : 0));
        host.options.missingInDestination = MissingPolicy::Copy;
        host.options.missingInSource = MissingPolicy::Delete;
        host.options.deletePriority = false;
        host.options.confirmFolderDelete = false;
        RecordingProgress progress;
        EXPECT_EQ(host.Run(RunMode::Sync, src.path(), dst.path(), progress), 1);

        EXPECT_EQ(ReadFile(dst / L"both.txt"), "new");
        EXPECT_FALSE(Exists(dst / L"source-only.txt"));
        EXPECT_EQ(Exists(dst / L"dest-only.txt"), protect);
        EXPECT_EQ(Exists(dst / L"dest-folder"), protect);
        EXPECT_FALSE(Exists(src / L"dest-only.txt"));
        // Every title of the run carries the markers, the reverse pass's too.
        std::wstring markers = L"［ｺﾋﾟｰ先にあるものを対象］";
        if (protect) markers += L"[ｺﾋﾟｰ先保護]";
        EXPECT_EQ(progress.title, LoadText(IDS_PASS_REVERSE) + markers);
    }
}

TEST(FilteredRun, SingleFileRunLogsTheExcludedFile) {
    TempDir src, dst;
    WriteFile(src / L"Report.tmp", "s");
    WriteFile(src / L"report.txt", "s");
    FilterHost host;
    host.store().SetInt(kSettingsSection, optname::FilterFlags, kGeneralPartial);
    host.store().SetString(kSettingsSection, optname::FileExcludes, L"*.TMP");
    RecordingProgress progress;
    EXPECT_EQ(host.Run(RunMode::Overwrite, src / L"Report.tmp", dst.path(), progress), 1);
    EXPECT_FALSE(Exists(dst / L"Report.tmp"));
    EXPECT_NE(std::find(host.log.lines.begin(), host.log.lines.end(),
                        L"Report.tmpはｺﾋﾟｰ対象外になっていますのでｺﾋﾟｰをｽｷｯﾌﾟします。"),
              host.log.lines.end());

    EXPECT_EQ(host.Run(RunMode::Overwrite, src / L"report.txt", dst.path(), progress), 1);
    EXPECT_EQ(ReadFile(dst / L"report.txt"), "s");
}

}  // namespace
}  // namespace mirrant
