// What the walk asks the filter, and the run titles that show filters in use.
#include "engine_fixture.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

// Excludes names ending in ".tmp"; the destination modes are settable.
class TestFilter : public EntryFilter {
public:
    bool Accept(const std::wstring& name, bool isFolder, std::uint64_t, std::uint64_t) const override {
        return isFolder || name.size() < 4 || name.compare(name.size() - 4, 4, L".tmp") != 0;
    }
    bool DestinationOnly() const override { return destinationOnly; }
    bool ProtectDestination() const override { return protectDestination; }
    bool NameListsInUse() const override { return lists; }
    bool destinationOnly = false, protectDestination = false, lists = true;
};

class Filters : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        host.filter = shared;
    }
    std::shared_ptr<TestFilter> shared = std::make_shared<TestFilter>();
    TestFilter& filter = *shared;
};

TEST_F(Filters, ExcludedFilesAreSkippedSilentlyAndMakeNoFolder) {
    host.options.copyEmptyFolders = false;
    Src(L"only_tmp\\x.tmp", "x", 0);
    Src(L"mixed\\y.tmp", "y", 0);
    Src(L"mixed\\z.txt", "z", 0);
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted({FolderCreated(D(L"mixed\\")), NewlyStored(D(L"mixed\\z.txt"))})));
    EXPECT_FALSE(Exists(D(L"only_tmp\\")));
    EXPECT_FALSE(Exists(D(L"mixed\\y.tmp")));
    EXPECT_EQ(host.progress.titles.back(), L"上書きｺﾋﾟｰ［対象・除外指定あり］");
}

TEST_F(Filters, DestinationOnlyCopiesWhatTheDestinationHasAndProtectionKeepsItsOrphans) {
    filter.lists = false;
    filter.destinationOnly = true;
    Src(L"both.txt", "new", 100);
    Dst(L"both.txt", "old", 0);
    Src(L"srconly.txt", "s", 0);
    Src(L"srcfolder\\a.txt", "a", 0);
    Dst(L"dstonly.txt", "d", 0);
    EXPECT_EQ(Run(RunMode::Sync), 1);
    // Without protection the destination's orphans are handled as usual.
    EXPECT_TRUE(SameLines(Lines(), Sorted({Updated(D(L"both.txt")), Deleted(D(L"dstonly.txt"))})));
    EXPECT_FALSE(Exists(D(L"srconly.txt")));
    EXPECT_FALSE(Exists(D(L"srcfolder\\")));
    EXPECT_EQ(host.progress.titles.back(), L"逆向き照合［ｺﾋﾟｰ先にあるものを対象］");

    ClearRecords();
    filter.protectDestination = true;
    Dst(L"dstonly.txt", "d", 0);
    EXPECT_EQ(Run(RunMode::Sync), 1);
    EXPECT_TRUE(host.log.lines.empty());
    EXPECT_TRUE(Exists(D(L"dstonly.txt")));
    EXPECT_EQ(host.progress.titles.back(), L"逆向き照合［ｺﾋﾟｰ先にあるものを対象］[ｺﾋﾟｰ先保護]");
}

TEST_F(Filters, SingleFileThatTheFilterExcludesIsSkippedWithALine) {
    Src(L"x.tmp", "x", 0);
    EXPECT_EQ(Run(RunMode::Overwrite, S(L"x.tmp"), dst), 1);
    EXPECT_TRUE(SameLines(Lines(), {L"x.tmpはｺﾋﾟｰ対象外になっていますのでｺﾋﾟｰをｽｷｯﾌﾟします。"}));
    EXPECT_FALSE(Exists(D(L"x.tmp")));
}

}  // namespace
}  // namespace mirrant::testing
