// The interrupt flag of the progress window, raised while the walk lists a
// folder, while a file is being copied and while a folder tree is deleted:
// the run stops at once, says so once, and later passes do not run.
#include "engine_fixture.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

class Interrupt : public EngineTest {};

TEST_F(Interrupt, DuringAWalkStopsAfterTheCurrentEntry) {
    for (int i = 0; i < 6; ++i) Src(L"f" + std::to_wstring(i) + L".txt", "x", 0);
    Dst(L"orphan.txt", "o", 0);
    // The interrupt comes while the second file is being looked at.
    int files = 0;
    host.files.canAddress = [&](const std::wstring& path) {
        if (path.rfind(src, 0) == 0 && ++files == 2) host.progress.cancel = true;
        return host.files.real.CanAddress(path);
    };
    auto before = Snapshot(temp.path());
    EXPECT_EQ(Run(RunMode::SyncTest), 0);
    EXPECT_EQ(Snapshot(temp.path()), before);
    EXPECT_EQ(CountLines(kInterrupted), 1u);
    EXPECT_EQ(host.log.lines.size(), 3u);  // two files reported, then the interrupt
    EXPECT_EQ(host.log.lines.back(), kInterrupted);
    EXPECT_EQ(host.progress.titles.back(), L"同期ｺﾋﾟｰ ﾃｽﾄﾓｰﾄﾞ");  // no reverse pass
    EXPECT_TRUE(lastOutcome.loggedAnything);
}

// A run decides over both trees before it changes anything: an interrupt
// while it decides leaves both as they were, even what it had decided.
TEST_F(Interrupt, WhileTheRunIsDecidedChangesNothing) {
    for (int i = 0; i < 6; ++i) Src(L"f" + std::to_wstring(i) + L".txt", "x", 0);
    Dst(L"orphan.txt", "o", 0);
    int files = 0;
    host.files.canAddress = [&](const std::wstring& path) {
        if (path.rfind(src, 0) == 0 && ++files == 4) host.progress.cancel = true;
        return host.files.real.CanAddress(path);
    };
    auto before = Snapshot(temp.path());
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_EQ(Snapshot(temp.path()), before);
    EXPECT_TRUE(SameLines(host.log.lines, {kInterrupted}));
}

TEST_F(Interrupt, DuringACopyLeavesTheDestinationAsItWas) {
    Src(L"big.bin", std::string(4 * 1024 * 1024, 'n'), 100);
    Dst(L"big.bin", std::string(3 * 1024 * 1024, 'o'), 0);
    Src(L"new.bin", std::string(4 * 1024 * 1024, 'n'), 100);
    host.files.beforeCopy = [&](const std::wstring&) { host.progress.cancelAfterPolls = 4; };
    auto before = Snapshot(dst);
    EXPECT_EQ(Run(RunMode::Sync), 0);
    EXPECT_EQ(host.files.copies, 1);
    EXPECT_EQ(Snapshot(dst), before);  // no partial file, no temporary file
    EXPECT_TRUE(SameLines(host.log.lines, {kInterrupted}));
    EXPECT_EQ(host.progress.titles.back(), L"同期ｺﾋﾟｰ");
}

// Many small new files: an interrupt during the tenth copy stops there; the
// nine before it are complete and logged in the order they were copied, the
// tenth leaves nothing behind.
TEST_F(Interrupt, DuringManySmallCopiesStopsWithinOneFile) {
    for (int i = 0; i < 30; ++i) Src(L"f" + std::to_wstring(i) + L".txt", "content " + std::to_string(i), 0);
    std::vector<std::wstring> copied;
    host.files.beforeCopy = [&](const std::wstring& destination) {
        copied.push_back(destination);
        if (copied.size() == 10) host.progress.cancelAfterPolls = 1;
    };
    EXPECT_EQ(Run(RunMode::Overwrite), 0);
    ASSERT_EQ(copied.size(), 10u);
    std::vector<std::wstring> expected;
    for (size_t i = 0; i < 9; ++i) {
        expected.push_back(NewlyStored(copied[i]));
        EXPECT_TRUE(Exists(copied[i]));
    }
    expected.push_back(kInterrupted);
    EXPECT_EQ(host.log.lines, expected);
    EXPECT_FALSE(Exists(copied[9]));
    EXPECT_EQ(Snapshot(dst).size(), 9u);  // no temporary file either
}

TEST_F(Interrupt, DuringATreeDeletionStopsTheRun) {
    for (int i = 0; i < 6; ++i) Dst(L"orphan\\deep\\f" + std::to_wstring(i) + L".txt", "x", 0);
    Dst(L"other.txt", "o", 0);
    host.files.beforeDeleteTree = [&](const std::wstring&) { host.progress.cancelAfterPolls = 2; };
    EXPECT_EQ(Run(RunMode::Sync), 0);
    // Once for "deep", once for "orphan": each level that was in progress.
    EXPECT_TRUE(SameLines(host.log.lines, {kInterrupted, kInterrupted}));
    EXPECT_TRUE(Exists(D(L"orphan\\deep\\")));
    EXPECT_TRUE(Exists(D(L"other.txt")) || !Exists(D(L"orphan\\")));
}

}  // namespace
}  // namespace mirrant::testing
