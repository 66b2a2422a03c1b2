// A run decides over the whole tree before it changes anything. What
// changes on disk between the two (a file written, a file or folder removed,
// a counterpart made) is looked at again before the run replaces, deletes
// or re-stamps: the entry is decided again from what is there now.
#include <functional>

#include "engine_fixture.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

class StaleFacts : public EngineTest {
public:
    using EngineTest::D;
    using EngineTest::Dst;
    using EngineTest::host;
    using EngineTest::S;
    using EngineTest::Src;

    // Runs mode, doing `between` once the whole run is decided and before
    // the first pass is carried out (the pass takes its title then).
    int RunChanging(RunMode mode, const std::function<void()>& between) {
        int titles = 0;
        host.progress.onTitle = [&](const std::wstring&) {
            if (++titles == 2) between();
        };
        const int completed = Run(mode);
        host.progress.onTitle = nullptr;
        return completed;
    }
    std::string Content(const std::wstring& path) {
        const auto tree = Snapshot(temp.path());
        const auto found = tree.find(path.substr(temp.path().size()));
        return found == tree.end() ? std::string("<none>") : found->second.content;
    }
};

struct StaleCase {
    const char* what;
    RunMode mode;
    std::function<void(StaleFacts&)> before;   // the trees as the run decides on them
    std::function<void(StaleFacts&)> between;  // what changes after deciding
    std::function<std::vector<std::wstring>(StaleFacts&)> lines;
    std::function<void(StaleFacts&)> check;
};

const StaleCase kCases[] = {
    {"a source rewritten after deciding is copied as it is now", RunMode::Overwrite,
     [](StaleFacts& t) {
         t.Src(L"a.txt", "new", 100);
         t.Dst(L"a.txt", "old", 0);
     },
     [](StaleFacts& t) { t.Src(L"a.txt", "newer still", 200); },
     [](StaleFacts& t) { return std::vector<std::wstring>{Updated(t.D(L"a.txt"))}; },
     [](StaleFacts& t) { EXPECT_EQ(t.Content(t.D(L"a.txt")), "newer still"); }},
    {"a destination edited after deciding is asked about, not replaced", RunMode::Overwrite,
     [](StaleFacts& t) {
         t.host.options.confirmNewerDestination = true;
         t.host.prompter.boxes.Push(PromptAnswer::No);
         t.Src(L"a.txt", "new", 100);
         t.Dst(L"a.txt", "old", 0);
     },
     [](StaleFacts& t) { t.Dst(L"a.txt", "the user's edit", 300); },
     [](StaleFacts&) { return std::vector<std::wstring>{}; },
     [](StaleFacts& t) {
         EXPECT_EQ(t.Content(t.D(L"a.txt")), "the user's edit");
         EXPECT_EQ(t.host.prompter.boxes.CountText(OverwriteNewerQuestion(t.S(L"a.txt"), t.D(L"a.txt"))), 1u);
     }},
    {"a destination deleted after deciding is copied anew", RunMode::Sync,
     [](StaleFacts& t) {
         t.Src(L"a.txt", "new", 100);
         t.Dst(L"a.txt", "old", 0);
     },
     [](StaleFacts& t) { DeleteFileW(t.D(L"a.txt").c_str()); },
     [](StaleFacts& t) { return std::vector<std::wstring>{NewlyStored(t.D(L"a.txt"))}; },
     [](StaleFacts& t) { EXPECT_EQ(t.Content(t.D(L"a.txt")), "new"); }},
    {"an orphan whose counterpart appeared is not deleted", RunMode::Sync,
     [](StaleFacts& t) { t.Dst(L"orphan.txt", "kept", 0); },
     [](StaleFacts& t) { t.Src(L"orphan.txt", "made meanwhile", 100); },
     [](StaleFacts&) { return std::vector<std::wstring>{}; },
     [](StaleFacts& t) {
         EXPECT_EQ(t.Content(t.D(L"orphan.txt")), "kept");
         EXPECT_EQ(t.Content(t.S(L"orphan.txt")), "made meanwhile");
     }},
    {"an orphan rewritten after deciding is decided again, and still deleted", RunMode::Sync,
     [](StaleFacts& t) { t.Dst(L"orphan.txt", "old", 0); },
     [](StaleFacts& t) { t.Dst(L"orphan.txt", "rewritten", 50); },
     [](StaleFacts& t) { return std::vector<std::wstring>{Deleted(t.D(L"orphan.txt"))}; },
     [](StaleFacts& t) { EXPECT_EQ(t.Content(t.D(L"orphan.txt")), "<none>"); }},
    {"a folder to delete that is gone already is left", RunMode::Sync,
     [](StaleFacts& t) { t.Dst(L"gone\\x.txt", "x", 0); },
     [](StaleFacts& t) {
         DeleteFileW(t.D(L"gone\\x.txt").c_str());
         RemoveDirectoryW(t.D(L"gone").c_str());
     },
     [](StaleFacts&) { return std::vector<std::wstring>{}; },
     [](StaleFacts&) {}},
    {"a folder to delete whose counterpart appeared is compared instead", RunMode::Overwrite,
     [](StaleFacts& t) {
         t.host.options.missingInDestination = MissingPolicy::Delete;
         t.Src(L"sub\\x.txt", "x", 0);
     },
     [](StaleFacts& t) { t.Dst(L"sub\\x.txt", "x", 0); },
     [](StaleFacts&) { return std::vector<std::wstring>{}; },
     [](StaleFacts& t) { EXPECT_EQ(t.Content(t.S(L"sub\\x.txt")), "x"); }},
    {"a file to re-stamp that changed after deciding is copied", RunMode::Overwrite,
     [](StaleFacts& t) {
         t.Src(L"a.txt", "same", 0);
         t.Dst(L"a.txt", "same", 100);
     },
     [](StaleFacts& t) { t.Src(L"a.txt", "changed", 200); },
     [](StaleFacts& t) { return std::vector<std::wstring>{Updated(t.D(L"a.txt"))}; },
     [](StaleFacts& t) { EXPECT_EQ(t.Content(t.D(L"a.txt")), "changed"); }},
};

TEST_F(StaleFacts, AnEntryChangedBetweenDecidingAndDoingIsDecidedAgain) {
    for (const StaleCase& c : kCases) {
        SCOPED_TRACE(c.what);
        StartAfresh();
        c.before(*this);
        EXPECT_EQ(RunChanging(c.mode, [&] { c.between(*this); }), 1);
        EXPECT_TRUE(SameLines(host.log.lines, c.lines(*this)));
        c.check(*this);
    }
}

}  // namespace
}  // namespace mirrant::testing
