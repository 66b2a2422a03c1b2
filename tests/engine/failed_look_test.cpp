// A look that gets no answer is not an absence: an entry the other folder's
// listing names, but whose look fails, is left alone with its counterpart in
// every mode and pass, and so is a name that is a file on one side and a
// folder on the other. The rest of the run goes on; its end tells of the
// error line.
#include <windows.h>

#include "engine_fixture.h"
#include "fileops/error_text.h"
#include "support/temp_dir.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using text::Q;

std::wstring LookFailed(const std::wstring& path, const std::wstring& counterpart, DWORD code) {
    return Q(path) + L"を確認できないため、これと" + Q(counterpart) + L"は何も変更しません。原因：" +
           SystemErrorText(code);
}
std::wstring FolderUnknown(bool source, const std::wstring& folder, DWORD code) {
    return std::wstring(source ? L"ｺﾋﾟｰ元" : L"ｺﾋﾟｰ先") + Q(folder) + L"を検索中にｴﾗｰが発生しました。原因：" +
           SystemErrorText(code);
}
std::wstring KindsDiffer(const std::wstring& t, const std::wstring& o) {
    return Q(t) + L"と" + Q(o) + L"は一方がﾌｧｲﾙでもう一方がﾌｫﾙﾀﾞのため、どちらも変更しません。";
}

class FailedLook : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        host.scheduled = true;  // failures are skipped, questions get their safe answer
        host.options.missingInSource = MissingPolicy::Delete;
        host.options.deletePriority = true;
    }
    // A mirror as a run sees it (docs\doc0.dat has the same time and size on
    // both sides, so a look that answers leaves it), but with other bytes in
    // doc0.dat: a run that took either side for missing would copy it over
    // the other or delete it.
    void MakeTrees() {
        for (const wchar_t* rel : {L"top.txt", L"docs\\doc1.dat", L"docs\\sub\\inner.dat"}) {
            Src(rel, "same", 0);
            Dst(rel, "same", 0);
        }
        Src(L"docs\\doc0.dat", "version 1", 0);
        Dst(L"docs\\doc0.dat", "version 2", 0);
    }
    struct Mode {
        RunMode mode;
        MissingPolicy missingInDestination;
        bool reverse;  // the source side is looked at (a reverse pass)
    };
    static constexpr Mode kModes[] = {
        {RunMode::Overwrite, MissingPolicy::Copy, false},   {RunMode::Overwrite, MissingPolicy::Delete, false},
        {RunMode::Overwrite, MissingPolicy::Ask, false},    {RunMode::OverwriteTest, MissingPolicy::Delete, false},
        {RunMode::Sync, MissingPolicy::Copy, true},         {RunMode::SyncDeletePriority, MissingPolicy::Copy, true},
        {RunMode::SyncTest, MissingPolicy::Copy, true},
    };
};

TEST_F(FailedLook, ALookWithoutAnAnswerLeavesTheItemAndItsCounterpart) {
    const DWORD codes[] = {ERROR_NETNAME_DELETED, ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE};
    for (bool sourceSide : {true, false}) {
        for (const Mode& m : kModes) {
            for (DWORD code : codes) {
                SCOPED_TRACE(::testing::Message() << (sourceSide ? "source" : "destination") << " side, mode "
                                                  << static_cast<int>(m.mode) << ", policy "
                                                  << static_cast<int>(m.missingInDestination) << ", error " << code);
                EmptyTrees();
                MakeTrees();
                const auto before = Snapshot(temp.path());
                const std::wstring& side = sourceSide ? src : dst;
                const std::wstring& other = sourceSide ? dst : src;
                const std::wstring file = side + L"docs\\doc0.dat", folder = side + L"docs\\sub\\";
                host.files.lookupError = [&](const std::wstring& path) {
                    return path == file || path == folder ? code : 0ul;
                };
                host.options.missingInDestination = m.missingInDestination;

                EXPECT_EQ(Run(m.mode), 1) << "the rest of the run completes";
                EXPECT_EQ(Snapshot(temp.path()), before);
                // Only a pass that looks at that side meets the failure.
                if (!sourceSide || m.reverse) {
                    EXPECT_TRUE(SameLines(Errors(), Sorted({LookFailed(file, other + L"docs\\doc0.dat", code),
                                                            FolderUnknown(sourceSide, folder, code)})));
                } else {
                    EXPECT_TRUE(Errors().empty());
                }
                for (const std::wstring& line : Lines())
                    EXPECT_EQ(line.find(L"doc0.dat"), std::wstring::npos) << "no decision on the item: " << line;
                host.files.lookupError = nullptr;
            }
        }
    }
}

// A file on one side, a folder of the same name on the other: neither is
// missing, neither replaces the other, in either direction.
TEST_F(FailedLook, AFileAgainstAFolderIsAConflictLeftAlone) {
    for (const Mode& m : kModes) {
        SCOPED_TRACE(::testing::Message() << "mode " << static_cast<int>(m.mode) << ", policy "
                                          << static_cast<int>(m.missingInDestination));
        EmptyTrees();
        Src(L"clash", "a file in the source", 0);
        Dst(L"clash\\kept.txt", "a folder in the destination", 0);
        Src(L"other\\kept.txt", "a folder in the source", 0);
        Dst(L"other", "a file in the destination", 0);
        const auto before = Snapshot(temp.path());
        host.options.missingInDestination = m.missingInDestination;

        EXPECT_EQ(Run(m.mode), 1);
        EXPECT_EQ(Snapshot(temp.path()), before);
        EXPECT_TRUE(SameLines(Errors(), Sorted({KindsDiffer(S(L"clash"), D(L"clash\\")),
                                                KindsDiffer(S(L"other\\"), D(L"other"))})))
            << "each conflict is reported once, whatever the passes";
    }
}

// The share drops between a listing and the look at an entry of it: the
// root is gone, so the run stops as it does before a deletion.
TEST_F(FailedLook, ALookThatFailsBecauseTheRootWentStopsTheRun) {
    MakeTrees();
    Dst(L"docs\\orphan.dat", "only here", 0);  // what the reverse pass would delete
    const auto before = Snapshot(dst);
    const std::wstring moved = temp / L"moved\\";
    host.files.onLookAt = [&](const std::wstring& path) {
        if (path == S(L"docs\\doc1.dat")) MoveFileW(src.c_str(), moved.c_str());
    };
    host.files.lookupError = [&](const std::wstring& path) { return path == S(L"docs\\doc1.dat") ? 53ul : 0ul; };
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_EQ(Snapshot(dst), before);
    EXPECT_EQ(Errors(), std::vector<std::wstring>{L"ｺﾋﾟｰ元" + Q(src) +
                                                  L"が見つからないか、実行開始時と別のﾌｫﾙﾀﾞになりました。これ以上削除せずに中断します。"});
}

}  // namespace
}  // namespace mirrant::testing
