// A folder that cannot be listed is unknown, not empty: whatever the mode,
// nothing under its counterpart is deleted, copied, re-stamped or asked
// about, and the run says it failed there.
#include <windows.h>

#include "engine_fixture.h"
#include "fileops/error_text.h"
#include "fileops/fs_edge.h"
#include "support/temp_dir.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using UnreadableFolder = EngineTest;

std::wstring ListingFailed(bool source, const std::wstring& folder, DWORD code) {
    return std::wstring(source ? L"ｺﾋﾟｰ元" : L"ｺﾋﾟｰ先") + text::Q(folder) + L"を検索中にｴﾗｰが発生しました。原因：" +
           SystemErrorText(code);
}
std::wstring LeftAlone(const std::wstring& unknown, const std::wstring& counterpart) {
    return L"ﾌｫﾙﾀﾞ" + text::Q(unknown) + L"の中身を確認できないため、このﾌｫﾙﾀﾞと" + text::Q(counterpart) +
           L"の配下では何も変更しません。";
}

TEST_F(UnreadableFolder, ItsCounterpartStaysExactlyAsItWas) {
    struct Mode {
        RunMode mode;
        MissingPolicy missingInDestination;
    };
    // Every mode that could act on the counterpart: a one-way run that
    // deletes source items the destination lacks, the syncs that delete
    // destination items the source lacks, and the test runs of both.
    const Mode modes[] = {{RunMode::Overwrite, MissingPolicy::Delete},
                          {RunMode::OverwriteTest, MissingPolicy::Delete},
                          {RunMode::Sync, MissingPolicy::Copy},
                          {RunMode::SyncDeletePriority, MissingPolicy::Copy},
                          {RunMode::SyncTest, MissingPolicy::Copy}};
    struct Fault {
        DWORD code;
        int entriesBefore;  // 0: denied at once, names inside cannot be looked up either
    };
    const Fault faults[] = {{ERROR_ACCESS_DENIED, 0}, {ERROR_NETNAME_DELETED, 4}};
    host.scheduled = true;  // as a scheduled task runs it: failures are skipped
    host.options.missingInSource = MissingPolicy::Delete;
    host.options.deletePriority = true;

    for (bool sourceSide : {true, false}) {
        for (const Mode& m : modes) {
            for (const Fault& fault : faults) {
                SCOPED_TRACE(::testing::Message() << (sourceSide ? "source" : "destination") << " side, mode "
                                                  << static_cast<int>(m.mode) << ", error " << fault.code);
                RemoveTree(src);
                RemoveTree(dst);
                // A mirror, except one new file that a blind write would copy.
                for (const wchar_t* rel : {L"top.txt", L"docs\\sub\\deep.dat"}) {
                    Src(rel, "same", 0);
                    Dst(rel, "same", 0);
                }
                for (int i = 0; i < 10; ++i) {
                    const std::wstring name = L"docs\\doc" + std::to_wstring(i) + L".dat";
                    Src(name, "content " + std::to_string(i), 0);
                    Dst(name, "content " + std::to_string(i), 0);
                }
                Src(L"docs\\new.dat", "new", 0);
                const auto before = Snapshot(temp.path());

                const std::wstring unknown = (sourceSide ? src : dst) + L"docs\\";
                const std::wstring counterpart = (sourceSide ? dst : src) + L"docs\\";
                fs::ScopedListingFault listing(unknown, fault.code, fault.entriesBefore);
                host.files.lookupFails = [&](const std::wstring& path) {
                    return fault.entriesBefore == 0 && path.size() > unknown.size() &&
                           CompareStringOrdinal(path.c_str(), static_cast<int>(unknown.size()), unknown.c_str(),
                                                -1, TRUE) == CSTR_EQUAL;
                };
                host.options.missingInDestination = m.missingInDestination;
                ClearRecords();

                EXPECT_EQ(Run(m.mode), 1) << "the rest of the run completes";
                EXPECT_EQ(Snapshot(temp.path()), before);
                EXPECT_EQ(Errors(), std::vector<std::wstring>{ListingFailed(sourceSide, unknown, fault.code)});
                EXPECT_EQ(CountLines(LeftAlone(unknown, counterpart)), 1u);
                for (const std::wstring& line : Lines()) {
                    if (line.find(L"docs\\") != std::wstring::npos)
                        EXPECT_EQ(line, LeftAlone(unknown, counterpart)) << "no decision under the folder";
                }
                host.files.lookupFails = nullptr;
            }
        }
    }
}

// The same run with the folder readable again decides as usual: only what
// could not be read was held back.
TEST_F(UnreadableFolder, AReadableFolderIsStillEmptyWhenItIsEmpty) {
    MakeFolder(src + L"empty");
    Dst(L"empty\\orphan.txt", "o", 0);
    host.options.missingInSource = MissingPolicy::Delete;
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_FALSE(Exists(D(L"empty\\orphan.txt")));
    EXPECT_TRUE(Errors().empty());
}

}  // namespace
}  // namespace mirrant::testing
