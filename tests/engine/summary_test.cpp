// The summary after a run's lines: its counts are those of the run's own
// item lines, a test run's are what the run would do, and with the switch
// off the log is the run's lines alone.
#include <cwctype>

#include "engine_fixture.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

bool EndsWith(const std::wstring& s, const std::wstring& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}
bool StartsWith(const std::wstring& s, const std::wstring& start) { return s.rfind(start, 0) == 0; }

// The numbers of a line, in order ("1,234" is one number).
std::vector<std::uint64_t> Numbers(const std::wstring& line) {
    std::vector<std::uint64_t> out;
    std::uint64_t n = 0;
    bool in = false;
    for (wchar_t c : line + L" ") {
        if (std::iswdigit(c)) {
            n = n * 10 + static_cast<std::uint64_t>(c - L'0');
            in = true;
        } else if (c != L',' || !in) {
            if (in) out.push_back(n);
            n = 0;
            in = false;
        }
    }
    return out;
}

struct Counted {
    std::vector<std::uint64_t> files;    // new, replaced, re-stamped, deleted, set aside
    std::vector<std::uint64_t> folders;  // created, deleted, failed, left
    std::uint64_t bytes = 0;
};

class Summary : public EngineTest {
protected:
    void MakeTree() {
        Src(L"new.txt", "new file", 0);
        Src(L"newer.txt", "newer source", 100);
        Dst(L"newer.txt", "old", 0);
        Src(L"same.txt", "same bytes", 0);
        Dst(L"same.txt", "same bytes", 100);
        Src(L"size.txt", "longer one", 0);
        Dst(L"size.txt", "short", 0);
        Src(L"fails.txt", "x", 0);
        Dst(L"fails.txt", "x", 100);
        Src(L"sub\\inner.txt", "inner", 0);
        Dst(L"orphan.txt", "o", 0);
        Dst(L"gone\\a.txt", "a", 0);
        host.options.confirmSameTimeDifferentSize = false;
        host.options.copyEmptyFolders = true;
        host.options.writeFailurePolicy = ErrorPolicy::Skip;
        host.options.runSummary = true;
        // The re-stamp of one file fails: an error line, skipped.
        host.files.failSetWriteTime = [&](const std::wstring& path) { return path == D(L"fails.txt"); };
    }
    // The summary's three lines at the end of the log.
    Counted SummaryOf(const std::wstring& prefix) {
        const auto& lines = host.log.lines;
        EXPECT_GE(lines.size(), 3u);
        if (lines.size() < 3) return {};
        const std::wstring* block = &lines[lines.size() - 3];
        EXPECT_TRUE(StartsWith(block[0], prefix + L"ﾌｧｲﾙ 新規 ")) << block[0];
        EXPECT_TRUE(StartsWith(block[1], prefix + L"ﾌｫﾙﾀﾞ 作成 ")) << block[1];
        EXPECT_TRUE(StartsWith(block[2], prefix + L"ｺﾋﾟｰ ")) << block[2];
        EXPECT_NE(block[2].find(L"ﾊﾞｲﾄ、所要時間 "), std::wstring::npos) << block[2];
        return {Numbers(block[0]), Numbers(block[1]), Numbers(block[2]).at(0)};
    }
    // What the item lines of the run say it did.
    Counted FromItemLines() {
        Counted c{std::vector<std::uint64_t>(5), std::vector<std::uint64_t>(4)};
        const auto& lines = host.log.lines;
        for (size_t i = 0; i + 3 < lines.size(); ++i) {  // the summary aside
            const std::wstring& l = lines[i];
            const bool folder = StartsWith(l, L"ﾌｫﾙﾀﾞ");
            if (EndsWith(l, L"は新規に格納されました。")) ++c.files[0];
            else if (EndsWith(l, L"は更新されました。")) ++c.files[1];
            else if (EndsWith(l, L"の更新時刻を一致させました。")) ++c.files[2];
            else if (!folder && EndsWith(l, L"は削除されました。")) ++c.files[3];
            else if (folder && EndsWith(l, L"を作成しました。")) ++c.folders[0];
            else if (folder && EndsWith(l, L"とその配下のﾌｧｲﾙは削除されました。")) ++c.folders[1];
        }
        c.folders[2] = host.log.errorLines.size();
        return c;
    }
};

TEST_F(Summary, CountsWhatTheItemLinesSayInEveryMode) {
    for (RunMode mode : {RunMode::Overwrite, RunMode::Sync, RunMode::SyncDeletePriority}) {
        SCOPED_TRACE(static_cast<int>(mode));
        StartAfresh();
        MakeTree();
        Run(mode);
        const Counted summary = SummaryOf(L"集計：");
        const Counted lines = FromItemLines();
        EXPECT_EQ(summary.files, lines.files);
        EXPECT_EQ(summary.folders, lines.folders);
        EXPECT_EQ(lines.folders[2], 1u);  // the re-stamp that failed
        // Bytes: new file, newer source, the longer one, the inner file.
        EXPECT_EQ(summary.bytes, 8u + 12u + 10u + 5u);
    }
}

TEST_F(Summary, ATestRunCountsWhatTheRunWouldDo) {
    const std::pair<RunMode, RunMode> pairs[] = {{RunMode::OverwriteTest, RunMode::Overwrite},
                                                 {RunMode::SyncTest, RunMode::Sync}};
    for (const auto& [test, run] : pairs) {
        SCOPED_TRACE(static_cast<int>(run));
        StartAfresh();
        MakeTree();
        host.files.failSetWriteTime = nullptr;
        auto before = Snapshot(temp.path());
        Run(test);
        EXPECT_EQ(Snapshot(temp.path()), before);
        Counted would = SummaryOf(L"集計(ﾃｽﾄﾓｰﾄﾞ、実行した場合)：");
        ClearRecords();
        Run(run);
        Counted did = SummaryOf(L"集計：");
        EXPECT_EQ(would.files, did.files);
        EXPECT_EQ(would.folders[0], did.folders[0]);
        EXPECT_EQ(would.folders[1], did.folders[1]);
        EXPECT_EQ(would.bytes, did.bytes);
    }
}

TEST_F(Summary, AnswersThatLeaveAnItemAreCountedAsLeft) {
    MakeTree();
    host.files.failSetWriteTime = nullptr;
    host.options.confirmNewerDestination = true;
    Dst(L"newer2.txt", "newer at the destination", 200);
    Src(L"newer2.txt", "older", 0);
    host.prompter.boxes.Push(PromptAnswer::No);
    Run(RunMode::Overwrite);
    EXPECT_EQ(SummaryOf(L"集計：").folders.at(3), 1u);
    EXPECT_EQ(ReadFile(D(L"newer2.txt")), "newer at the destination");
}

TEST_F(Summary, SwitchedOffTheLogIsTheRunsLinesAlone) {
    MakeTree();
    host.options.runSummary = false;
    Run(RunMode::Sync);
    for (const std::wstring& line : host.log.lines) EXPECT_FALSE(StartsWith(line, L"集計")) << line;
    // A run with nothing to say says nothing, so that the window tells
    // there was nothing to update.
    StartAfresh();
    host.options.runSummary = true;
    Src(L"a.txt", "a", 0);
    Dst(L"a.txt", "a", 0);
    Run(RunMode::Overwrite);
    EXPECT_TRUE(host.log.lines.empty());
}

TEST_F(Summary, ProgressKnowsTheWholeFromTheDecisions) {
    Src(L"a.txt", std::string(10, 'a'), 0);
    Src(L"sub\\b.txt", std::string(20, 'b'), 100);
    Dst(L"sub\\b.txt", "old", 0);
    Src(L"c.txt", std::string(30, 'c'), 0);
    Src(L"same.txt", "same", 0);
    Dst(L"same.txt", "same", 0);
    Run(RunMode::Overwrite);
    const auto& t = host.progress.totals;
    ASSERT_EQ(t.size(), 4u);  // before the first copy, then after each
    EXPECT_EQ(t.front().filesDone, 0u);
    EXPECT_EQ(t.front().filesTotal, 3u);
    EXPECT_EQ(t.front().bytesTotal, 60u);
    EXPECT_EQ(t.back().filesDone, 3u);
    EXPECT_EQ(t.back().bytesDone, 60u);
    // Nothing to copy, and a test run: no totals at all.
    for (RunMode mode : {RunMode::Overwrite, RunMode::OverwriteTest}) {
        host.progress.totals.clear();
        if (mode == RunMode::OverwriteTest) {
            EmptyTrees();
            Src(L"n.txt", "n", 0);
        }
        Run(mode);
        EXPECT_TRUE(host.progress.totals.empty());
    }
}

}  // namespace
}  // namespace mirrant::testing
