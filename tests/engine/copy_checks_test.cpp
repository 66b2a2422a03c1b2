// What a run makes of a copy's checks: a last rename that fails after the
// old file went aside, a name that appeared while the file was copied, the
// failure lines of a source that kept changing, and a test run that audits a
// backup against its source.
#include "engine_fixture.h"
#include "fileops/file_copy.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

const std::wstring kSetAside = L"_Mirrant退避\\";

bool Has(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// Another program saving a file the copy holds open: new bytes, a new time.
void Rewrite(const std::wstring& path, const std::string& content, std::uint64_t writeTime) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ::WriteFile(h, content.data(), DWORD(content.size()), &done, nullptr);
    SetEndOfFile(h);
    FILETIME w{DWORD(writeTime), DWORD(writeTime >> 32)};
    SetFileTime(h, nullptr, nullptr, &w);
    CloseHandle(h);
}

class CopyCheckRuns : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        host.options.writeFailurePolicy = ErrorPolicy::Skip;
    }
    // The one error line of the run.
    std::wstring OnlyError() {
        std::vector<std::wstring> errors = Errors();
        EXPECT_EQ(errors.size(), 1u);
        return errors.empty() ? std::wstring() : errors[0];
    }
};

// With set-aside on, the old file has gone aside and the new one cannot take
// the name: the old file comes back; if it cannot, the line says where it is.
TEST_F(CopyCheckRuns, ARenameThatFailsAfterTheSetAsidePutsTheOldFileBack) {
    for (bool backFails : {false, true}) {
        SCOPED_TRACE(backFails ? "the way back fails too" : "the way back works");
        StartAfresh();
        host.options.writeFailurePolicy = ErrorPolicy::Skip;
        host.options.setAsideFiles = true;
        Src(L"f.txt", "new", 10);
        Dst(L"f.txt", "old", 0);
        ScopedCopyHooks hooks;
        hooks.renameError = [&](const std::wstring& to) {
            return to == D(L"f.txt") ? static_cast<unsigned long>(ERROR_SHARING_VIOLATION) : 0ul;
        };
        std::wstring placedAt;
        host.files.failMoveAside = [&](const std::wstring& p) {
            if (Has(p, kSetAside)) placedAt = p;  // the way back starts there
            return backFails && Has(p, kSetAside);
        };
        Run(RunMode::Overwrite);
        const std::wstring error = OnlyError();
        EXPECT_EQ(error.rfind(NotUpdated(D(L"f.txt")) + L"原因：", 0), 0u) << error;
        if (!backFails) {
            EXPECT_EQ(ReadFile(D(L"f.txt")), "old") << "the old file did not come back to its name";
            EXPECT_FALSE(Has(error, kSetAside)) << error;
        } else {
            ASSERT_FALSE(placedAt.empty());
            EXPECT_EQ(ReadFile(placedAt), "old");
            EXPECT_TRUE(Has(error, OldFileAt(placedAt))) << error;
        }
        EXPECT_EQ(ReadFile(S(L"f.txt")), "new");
        EXPECT_EQ(CountLines(Updated(D(L"f.txt"))), 0u);
    }
}

// A file of the destination's name made while the copy ran is compared by
// the rules of two files, never simply replaced.
struct AppearedCase {
    const char* name;
    double theirTime;       // seconds; the source's is 10
    bool confirmNewer;      // ask before a newer destination is replaced
    PromptAnswer answer;    // to that question
    std::string expected;   // what the destination holds afterwards
    bool updatedLine;
};

class NameAppearedRuns : public CopyCheckRuns, public ::testing::WithParamInterface<AppearedCase> {};

TEST_P(NameAppearedRuns, TheFileThatAppearedIsComparedNotReplaced) {
    const AppearedCase& c = GetParam();
    host.options.confirmNewerDestination = c.confirmNewer;
    host.prompter.boxes.Push(c.answer);
    Src(L"f.txt", "ours", 10);
    int made = 0;
    ScopedCopyHooks hooks;
    hooks.afterWrite = [&](const std::wstring&, void*, int) {
        if (made++ > 0) return;
        Dst(L"f.txt", "theirs", c.theirTime);
    };
    Run(RunMode::Overwrite);
    EXPECT_EQ(ReadFile(D(L"f.txt")), c.expected);
    EXPECT_EQ(CountLines(NameAppeared(D(L"f.txt"))), 1u);
    EXPECT_EQ(CountLines(NewlyStored(D(L"f.txt"))), 0u);
    EXPECT_EQ(CountLines(Updated(D(L"f.txt"))), c.updatedLine ? 1u : 0u);
    EXPECT_EQ(host.prompter.boxes.prompts().size(), c.confirmNewer ? 1u : 0u);
    EXPECT_TRUE(Errors().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, NameAppearedRuns,
    ::testing::Values(AppearedCase{"NewerKeptWhenTheUserSaysNo", 50, true, PromptAnswer::No, "theirs", false},
                      AppearedCase{"NewerReplacedWhenTheUserSaysYes", 50, true, PromptAnswer::Yes, "ours", true},
                      AppearedCase{"OlderReplaced", 0, false, PromptAnswer::Yes, "ours", true}),
    [](const auto& info) { return std::string(info.param.name); });

// A source that changes on both passes is a failure under the write failure
// policy, with the retry line first; the destination keeps its old file.
TEST_F(CopyCheckRuns, ASourceThatKeepsChangingIsAFailureLine) {
    Src(L"busy.txt", "version 1", 10);
    Dst(L"busy.txt", "old", 0);
    int version = 1;
    ScopedCopyHooks hooks;
    hooks.afterWrite = [&](const std::wstring& from, void*, int) {
        ++version;
        Rewrite(S(L"busy.txt"), "version " + std::to_string(version) + std::string(version, '+'),
                kBaseTime + (10 + version) * kSecond);
        EXPECT_EQ(from, S(L"busy.txt"));
    };
    Run(RunMode::Sync);
    EXPECT_EQ(ReadFile(D(L"busy.txt")), "old");
    EXPECT_EQ(CountLines(RetryChanged(S(L"busy.txt"))), 1u);
    EXPECT_EQ(OnlyError(),
              NotUpdated(D(L"busy.txt")) + L"原因：" + SourceChanged(S(L"busy.txt")));
}

// An audit: a test run with the same-time-same-size files compared by content
// changes nothing, names every damaged copy in an error line, and only then
// ends with errors.
struct AuditCase {
    const char* name;
    RunMode mode;
    bool damaged;
};
class AuditRuns : public CopyCheckRuns, public ::testing::WithParamInterface<AuditCase> {};

TEST_P(AuditRuns, ADamagedCopyIsAnErrorLineAndNothingChanges) {
    const AuditCase& c = GetParam();
    host.options.sameTimeSameSizeIsSame = false;
    Src(L"a.dat", "abcdef", 5);
    Dst(L"a.dat", c.damaged ? "abXdef" : "abcdef", 5);
    Src(L"sub\\b.dat", "same", 5);
    Dst(L"sub\\b.dat", "same", 5);
    Src(L"sub\\c.dat", "qwerty", 5);
    Dst(L"sub\\c.dat", c.damaged ? "qwertZ" : "qwerty", 5);
    const auto before = Snapshot(dst);
    const auto sourceBefore = Snapshot(src);
    Run(c.mode);
    EXPECT_TRUE(Snapshot(dst) == before);
    EXPECT_TRUE(Snapshot(src) == sourceBefore);
    std::vector<std::wstring> expected;
    if (c.damaged)
        expected = Sorted({DifferentContent(D(L"a.dat"), S(L"a.dat")),
                           DifferentContent(D(L"sub\\c.dat"), S(L"sub\\c.dat"))});
    EXPECT_TRUE(SameLines(Errors(), expected));
}

INSTANTIATE_TEST_SUITE_P(Runs, AuditRuns,
                         ::testing::Values(AuditCase{"OverwriteTestDamaged", RunMode::OverwriteTest, true},
                                           AuditCase{"OverwriteTestIntact", RunMode::OverwriteTest, false},
                                           AuditCase{"SyncTestDamaged", RunMode::SyncTest, true},
                                           AuditCase{"SyncTestIntact", RunMode::SyncTest, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// With verification on, every copy of a run is read back: new files,
// replacements and the copies back of a sync's reverse pass.
TEST_F(CopyCheckRuns, VerificationCoversEveryCopyOfARun) {
    host.options.verifyCopies = true;
    host.options.reverseOverwriteNewer = true;
    Src(L"new.txt", "new", 10);
    Src(L"old.txt", "source newer", 20);
    Dst(L"old.txt", "dest", 0);
    Src(L"back.txt", "source older", 0);
    Dst(L"back.txt", "destination newer", 30);
    std::vector<std::wstring> checked;
    ScopedCopyHooks hooks;
    hooks.afterWrite = [&](const std::wstring& from, void* file, int attempt) {
        checked.push_back(from);
        if (attempt == 0) {
            // The disk stores one byte wrong the first time.
            DWORD done = 0;
            SetFilePointer(static_cast<HANDLE>(file), 0, nullptr, FILE_BEGIN);
            ::WriteFile(static_cast<HANDLE>(file), "#", 1, &done, nullptr);
        }
    };
    Run(RunMode::Sync);
    EXPECT_EQ(ReadFile(D(L"new.txt")), "new");
    EXPECT_EQ(ReadFile(D(L"old.txt")), "source newer");
    EXPECT_EQ(ReadFile(S(L"back.txt")), "destination newer");
    EXPECT_TRUE(SameLines(Sorted(checked), Sorted({S(L"new.txt"), S(L"new.txt"), S(L"old.txt"), S(L"old.txt"),
                                                   D(L"back.txt"), D(L"back.txt")})));
    EXPECT_TRUE(Errors().empty());
}

}  // namespace
}  // namespace mirrant::testing
