// A run's plan beyond its bound is packed away and, beyond the store's own
// bound, kept in a temporary file: it reads back step for step as it was
// kept, a folder with nothing inside is still not kept, and a run carried out
// from a plan mostly in the file does exactly what it does from memory.
#include <windows.h>

#include "engine/run_plan.h"
#include "engine_fixture.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

// The program's temporary files of this process.
size_t OwnTemporaryFiles() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring own = L"Mirrant-" + std::to_wstring(GetCurrentProcessId()) + L"-*";
    return static_cast<size_t>(FilesMatching(folder + own));
}

// Bounds for the plans made while it lives.
struct Bounds {
    Bounds(size_t steps, size_t bytes, size_t block = RunPlan::kDefaultReadBlock) {
        RunPlan::SetBoundsForTest(steps, bytes, block);
    }
    ~Bounds() { RunPlan::SetBoundsForTest(RunPlan::kDefaultStepsInMemory, 4u << 20); }
};


void Fill(RunPlan& plan) {
    PassInfo pass;
    pass.thisRoot = L"C:\\a\\";
    plan.AddPass(pass);
    for (int folder = 0; folder < 30; ++folder) {
        plan.OpenFolder(L"folder " + std::to_wstring(folder), folder % 7 == 0);
        plan.AddLeftover(L"~mrt0000000" + std::to_wstring(folder % 10) + L".tmp");
        if (folder % 3 == 0) {  // nothing kept inside: only the leftover
            plan.CloseFolder();
            continue;
        }
        for (int file = 0; file < 12; ++file) {
            Step s;
            s.kind = StepKind::File;
            s.decision = {file % 2 ? Action::Copy : Action::CopyNew, PairOrder::ThisNewer, Content::Differ, 232};
            s.text = L"ﾌｧｲﾙ " + std::wstring(static_cast<size_t>(file * 5), L'x') + std::to_wstring(file);
            s.thisStamp = {1, 2, 1000u + static_cast<unsigned>(file), 77u * static_cast<unsigned>(folder)};
            s.otherWrite = 0xFFFF'0000'1234'5678ull;
            s.otherSize = static_cast<std::uint64_t>(file);
            s.readFailed = file == 5;
            s.index = static_cast<std::uint32_t>(folder);
            plan.Add(s);
        }
        PlanLog(plan).AppendLine(L"line of folder " + std::to_wstring(folder), folder % 4 ? L"" : L"its error");
        plan.CloseFolder();
    }
}

bool SameStep(const Step& a, const Step& b) {
    return a.kind == b.kind && a.error == b.error && a.isLink == b.isLink && a.subtree == b.subtree &&
           a.readFailed == b.readFailed && a.decision.action == b.decision.action &&
           a.decision.order == b.decision.order && a.decision.content == b.decision.content &&
           a.decision.lineId == b.decision.lineId && a.index == b.index && a.text == b.text &&
           a.thisStamp.creation == b.thisStamp.creation && a.thisStamp.access == b.thisStamp.access &&
           a.thisStamp.write == b.thisStamp.write && a.thisStamp.size == b.thisStamp.size &&
           a.otherWrite == b.otherWrite && a.otherSize == b.otherSize && a.filesBelow == b.filesBelow;
}

TEST(PlanSpill, StepsReadBackAsTheyWereKeptFromMemoryAndFromTheFile) {
    RunPlan inMemory;
    Fill(inMemory);
    const size_t before = OwnTemporaryFiles();
    {
        Bounds small(8, 512);
        RunPlan packed;
        Fill(packed);
        EXPECT_GT(OwnTemporaryFiles(), before);  // most of it is in the file
        ASSERT_EQ(packed.size(), inMemory.size());
        for (size_t i = 0; i < packed.size(); ++i) EXPECT_TRUE(SameStep(packed[i], inMemory[i])) << i;
        // Out of order too, as a skipped subtree reads ahead.
        for (size_t i = packed.size(); i-- > 0;) EXPECT_TRUE(SameStep(packed[i], inMemory[i])) << i;
        EXPECT_FALSE(packed.broken());
        // A folder with nothing but its leftovers is not kept; one that an
        // answer may make is kept empty.
        size_t enters = 0;
        for (size_t i = 0; i < packed.size(); ++i) enters += packed[i].kind == StepKind::Enter;
        EXPECT_EQ(enters, 20u + 2u);  // the 20 with files, and folders 0 and 21 kept empty
        for (size_t i = 0; i < packed.size(); ++i)
            if (packed[i].kind == StepKind::Enter) EXPECT_EQ(packed[packed.EndOfFolder(i)].kind, StepKind::Leave);
    }
    EXPECT_EQ(OwnTemporaryFiles(), before);  // gone with the plan
}

class PlanSpillRun : public EngineTest {
protected:
    void MakeTree() {
        for (int f = 0; f < 6; ++f)
            for (int i = 0; i < 8; ++i) {
                const std::wstring name = L"d" + std::to_wstring(f) + L"\\sub\\f" + std::to_wstring(i) + L".txt";
                Src(name, "source " + std::to_string(i), i % 3 ? 100 : 0);
                if (i % 2) Dst(name, "old", 0);
            }
        Dst(L"orphan\\x.txt", "x", 0);
        Dst(L"gone.txt", "g", 0);
        host.options.copyEmptyFolders = true;
    }
    std::pair<std::vector<std::wstring>, std::map<std::wstring, EntryImage>> RunOnce(RunMode mode) {
        StartAfresh();
        MakeTree();
        Run(mode);
        return {host.log.lines, Snapshot(temp.path())};
    }
};

TEST_F(PlanSpillRun, ARunFromAPlanInTheFileDoesWhatItDoesFromMemory) {
    for (RunMode mode : {RunMode::Overwrite, RunMode::Sync, RunMode::SyncDeletePriority, RunMode::SyncTest}) {
        SCOPED_TRACE(static_cast<int>(mode));
        const auto fromMemory = RunOnce(mode);
        Bounds small(4, 64);
        const auto fromFile = RunOnce(mode);
        EXPECT_TRUE(SameLines(fromFile.first, fromMemory.first));
        EXPECT_EQ(fromFile.second.size(), fromMemory.second.size());
        for (const auto& [path, image] : fromMemory.second) {
            auto found = fromFile.second.find(path);
            ASSERT_NE(found, fromFile.second.end()) << path.c_str();
            EXPECT_EQ(found->second.content, image.content);
        }
    }
}

// The disk takes the plan's file away while the run carries it out: the run
// stops at the first step it cannot read back and says so; what it did
// before stays, nothing after is done (no later file of the pass, no reverse
// pass), and the file is gone.
TEST_F(PlanSpillRun, APlanWhoseFileIsLostMidRunStopsTheRunThere) {
    const std::wstring unreadable = L"実行する内容を一時ﾌｧｲﾙから読み戻せなかったため、処理を中止しました。";
    for (RunMode mode : {RunMode::Overwrite, RunMode::Sync}) {
        SCOPED_TRACE(static_cast<int>(mode));
        StartAfresh();
        for (int f = 0; f < 10; ++f)
            for (int i = 0; i < 4; ++i) {
                const std::wstring name = std::to_wstring(f) + L"\\" + std::to_wstring(i) + L".txt";
                Src(L"d" + name, "from the source");
                Dst(L"e" + name, "from the destination");
            }
        const size_t before = OwnTemporaryFiles();
        {
            Bounds small(4, 64, 8);
            int copies = 0;
            host.files.beforeCopy = [&copies](const std::wstring&) {
                if (++copies == 5) RunPlan::LoseFileForTest(true);
            };
            Run(mode);
            RunPlan::LoseFileForTest(false);
        }
        EXPECT_EQ(OwnTemporaryFiles(), before);
        EXPECT_EQ(Errors(), std::vector<std::wstring>{unreadable});
        EXPECT_FALSE(lastOutcome.completed);
        size_t copied = 0, reversed = 0;
        for (const auto& [path, image] : Snapshot(dst)) copied += path.find(L".txt") != std::wstring::npos && path[0] == L'd';
        for (const auto& [path, image] : Snapshot(src)) reversed += path.find(L".txt") != std::wstring::npos && path[0] == L'e';
        EXPECT_GT(copied, 0u);  // the steps read before the loss were carried out
        EXPECT_LT(copied, 40u);
        EXPECT_EQ(reversed, 0u);
        EXPECT_EQ(CountLines(unreadable), 1u);
    }
}

}  // namespace
}  // namespace mirrant::testing
