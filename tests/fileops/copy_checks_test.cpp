// The checks a copy makes before its new file takes the destination's name:
// a source written while it was copied, a copy read back unlike its source
// (with verification on), a last rename that fails after the old file went
// aside, and a name that appeared while the copy ran.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "fileops/file_copy.h"
#include "engine/texts.h"
#include "fileops_test_support.h"
#include "support/recording_log.h"
#include "support/recording_progress.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using namespace mirrant::testing;

using namespace mirrant::testing::text;

constexpr std::uint64_t kSecond = 10000000ULL;
constexpr std::uint64_t kBase = 133000000000000000ULL;

void SetWriteTime(const std::wstring& path, std::uint64_t t) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME w{DWORD(t), DWORD(t >> 32)};
    SetFileTime(h, nullptr, nullptr, &w);
    CloseHandle(h);
}

// Another program writing the source while the copy holds it open.
void Rewrite(const std::wstring& path, const std::string& content) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ::WriteFile(h, content.data(), DWORD(content.size()), &done, nullptr);
    SetEndOfFile(h);
    CloseHandle(h);
}

// A disk that stores another byte than the one written.
void FlipByte(void* file, long offset) {
    HANDLE h = static_cast<HANDLE>(file);
    LARGE_INTEGER at{}, was{};
    SetFilePointerEx(h, at, &was, FILE_CURRENT);
    at.QuadPart = offset;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    const char b = '\x5A';
    DWORD done = 0;
    ::WriteFile(h, &b, 1, &done, nullptr);
    SetFilePointerEx(h, was, nullptr, FILE_BEGIN);
}

class CopyChecksTest : public ::testing::Test {
protected:
    CopyChecksTest() : timings_(ShortTimings()) {}
    void SetUp() override {
        source = dir / L"src.bin";
        destination = dir / L"dst.bin";
        WriteFile(source, Pattern(3 * kFileBlockSize + 77, 1));
        SetWriteTime(source, kBase);
    }
    void OldDestination() {
        oldContent = Pattern(1000, 9);
        WriteFile(destination, oldContent);
        SetWriteTime(destination, kBase - 100 * kSecond);
    }
    FileInfo Info() { return TimesOf(source); }
    bool Copy(CopyTarget target = CopyTarget::MayExist, const MoveAsideFn* aside = nullptr) {
        return CopyFileContents(source, Info(), destination, progress, log, options, cause, target, aside, &outcome);
    }
    int Count(const std::wstring& line) const { return int(std::count(log.lines.begin(), log.lines.end(), line)); }

    ScopedFileOpTimings timings_;
    TempDir dir;
    CopySettings options;
    RecordingProgress progress;
    RecordingLog log;
    std::wstring cause;
    CopyOutcome outcome = CopyOutcome::Failed;
    std::wstring source, destination;
    std::string oldContent;
};

// What interferes on which pass, and what the copy must come to.
enum class Fault { FlipTempByte, SourceResized, SourceRetimed };
struct CheckCase {
    const char* name;
    Fault fault;
    int passes;          // the passes (from the first) on which it happens
    bool verify;
    bool oldDestination;
    bool copied;
    int hookCalls;       // passes the copy made
    bool retryLine;
};

class CopyCheckTable : public CopyChecksTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CopyCheckTable, ATornOrMiscopiedFileNeverTakesTheName) {
    const CheckCase& c = GetParam();
    options.verifyCopies = c.verify;
    if (c.oldDestination) OldDestination();
    std::string lastSource = ReadFile(source);
    std::uint64_t lastTime = kBase;
    int calls = 0;
    ScopedCopyHooks hooks;
    hooks.afterWrite = [&](const std::wstring& from, void* file, int attempt) {
        EXPECT_EQ(from, source);
        EXPECT_EQ(attempt, calls);
        ++calls;
        if (attempt >= c.passes) return;
        switch (c.fault) {
        case Fault::FlipTempByte: FlipByte(file, long(kFileBlockSize + 5)); break;
        case Fault::SourceResized:
            lastSource = Pattern(2 * kFileBlockSize + attempt, char(20 + attempt));
            Rewrite(source, lastSource);
            break;
        case Fault::SourceRetimed:
            // The same size, the next version's bytes, a new time.
            lastSource = Pattern(3 * kFileBlockSize + 77, char(40 + attempt));
            Rewrite(source, lastSource);
            lastTime = kBase + (attempt + 1) * 7 * kSecond;
            SetWriteTime(source, lastTime);
            break;
        }
    };
    const bool ok = Copy();
    EXPECT_EQ(ok, c.copied) << std::string(cause.begin(), cause.end());
    EXPECT_EQ(calls, c.hookCalls);
    EXPECT_EQ(TemporaryFiles(dir.path()), 0) << "a temporary file was left";
    const bool sourceFault = c.fault != Fault::FlipTempByte;
    const std::wstring retry = sourceFault ? RetryChanged(source) : RetryDiffers(destination, source);
    EXPECT_EQ(Count(retry), c.retryLine ? 1 : 0);
    if (ok) {
        EXPECT_EQ(outcome, CopyOutcome::Copied);
        if (c.fault == Fault::FlipTempByte && !c.verify) {
            // Unchecked: the byte the disk changed stays.
            EXPECT_FALSE(ReadFile(destination) == lastSource);
        } else {
            EXPECT_TRUE(ReadFile(destination) == lastSource) << "the destination is not what the source held";
            EXPECT_EQ(TimesOf(destination).writeTime, lastTime) << "stamped with the times before the change";
        }
        EXPECT_TRUE(cause.empty());
        return;
    }
    EXPECT_EQ(outcome, CopyOutcome::Failed);
    EXPECT_EQ(cause, sourceFault ? SourceChanged(source) : CopyDiffers(destination, source));
    if (c.oldDestination) {
        EXPECT_TRUE(ReadFile(destination) == oldContent) << "the old destination changed";
        EXPECT_EQ(TimesOf(destination).writeTime, kBase - 100 * kSecond);
    } else {
        EXPECT_EQ(Attributes(destination), INVALID_FILE_ATTRIBUTES) << "a failed new copy left a file";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Copies, CopyCheckTable,
    ::testing::Values(
        CheckCase{"FlippedByteCaughtAndCopiedAgain", Fault::FlipTempByte, 1, true, true, true, 2, true},
        CheckCase{"FlippedByteTwiceFails", Fault::FlipTempByte, 2, true, true, false, 2, true},
        CheckCase{"FlippedByteTwiceNewFileFails", Fault::FlipTempByte, 2, true, false, false, 2, true},
        CheckCase{"FlippedByteUncheckedWhenOff", Fault::FlipTempByte, 2, false, true, true, 1, false},
        CheckCase{"SourceResizedTwiceFails", Fault::SourceResized, 2, false, true, false, 2, true},
        CheckCase{"SourceResizedTwiceNewFileFails", Fault::SourceResized, 2, false, false, false, 2, true},
        CheckCase{"SourceRetimedTwiceFailsVerified", Fault::SourceRetimed, 2, true, true, false, 2, true},
        CheckCase{"SourceThatStopsChangingIsCopied", Fault::SourceRetimed, 1, false, true, true, 2, true},
        CheckCase{"SourceThatStopsChangingIsCopiedVerified", Fault::SourceRetimed, 1, true, false, true, 2, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A source whose listed stamp is already out of date when the copy starts is
// copied again with what it holds now, and the new file gets the new time.
TEST_F(CopyChecksTest, AStaleStampIsCopiedAgainWithTheFreshTimes) {
    const FileInfo stale = Info();
    const std::string now = Pattern(3 * kFileBlockSize + 77, 60);
    Rewrite(source, now);
    SetWriteTime(source, kBase + 30 * kSecond);
    ASSERT_TRUE(CopyFileContents(source, stale, destination, progress, log, options, cause));
    EXPECT_TRUE(ReadFile(destination) == now);
    EXPECT_EQ(TimesOf(destination).writeTime, kBase + 30 * kSecond);
    EXPECT_EQ(Count(RetryChanged(source)), 1);
}

// The last rename fails after the old file went aside: it comes back to its
// name; when that fails too, the cause says where it is.
struct RenameCase {
    const char* name;
    bool backWorks;
};
class RenameFailureTable : public CopyChecksTest, public ::testing::WithParamInterface<RenameCase> {};

TEST_P(RenameFailureTable, TheNameIsNeverLeftEmptyWithoutAWord) {
    OldDestination();
    const std::wstring aside = dir / L"aside.bin";
    int backs = 0;
    const MoveAsideFn moveAside{
        [&](const std::wstring& path, std::wstring& placedAt, std::wstring& why) {
            placedAt = aside;
            if (MoveFileExW(path.c_str(), aside.c_str(), 0)) return true;
            why = L"refused";
            return false;
        },
        [&](const std::wstring& placedAt, const std::wstring& path, std::wstring& why) {
            ++backs;
            EXPECT_EQ(placedAt, aside);
            EXPECT_EQ(path, destination);
            if (GetParam().backWorks && MoveFileExW(placedAt.c_str(), path.c_str(), 0)) return true;
            why = L"refused";
            return false;
        }};
    ScopedCopyHooks hooks;
    hooks.renameError = [&](const std::wstring& to) {
        EXPECT_EQ(to, destination);
        return static_cast<unsigned long>(ERROR_SHARING_VIOLATION);
    };
    EXPECT_FALSE(Copy(CopyTarget::MayExist, &moveAside));
    EXPECT_EQ(outcome, CopyOutcome::Failed);
    EXPECT_EQ(backs, 1);
    EXPECT_EQ(TemporaryFiles(dir.path()), 0);
    const bool named = Contains(cause, OldFileAt(aside));
    if (GetParam().backWorks) {
        EXPECT_TRUE(ReadFile(destination) == oldContent) << "the old file did not come back";
        EXPECT_EQ(Attributes(aside), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(named);
    } else {
        EXPECT_TRUE(ReadFile(aside) == oldContent);
        EXPECT_EQ(Attributes(destination), INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(named) << std::string(cause.begin(), cause.end());
    }
    EXPECT_FALSE(cause.empty());
}

INSTANTIATE_TEST_SUITE_P(Copies, RenameFailureTable,
                         ::testing::Values(RenameCase{"OldFileComesBack", true},
                                           RenameCase{"BothFailNamesWhereItIs", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A name that appears while a new file is copied is never replaced: the copy
// reports it, by every path to the name.
struct AppearCase {
    const char* name;
    CopyTarget target;
    DWORD sourceAttributes;  // archive only: the new file takes its name while open
};
class NameAppearsTable : public CopyChecksTest, public ::testing::WithParamInterface<AppearCase> {};

TEST_P(NameAppearsTable, TheFileThatAppearedStays) {
    SetAttributes(source, GetParam().sourceAttributes);
    const std::string theirs = Pattern(321, 77);
    ScopedCopyHooks hooks;
    hooks.afterWrite = [&](const std::wstring&, void*, int) { WriteFile(destination, theirs); };
    EXPECT_FALSE(Copy(GetParam().target));
    EXPECT_EQ(outcome, CopyOutcome::NameAppeared);
    EXPECT_FALSE(cause.empty());
    EXPECT_TRUE(ReadFile(destination) == theirs) << "the file that appeared was replaced";
    EXPECT_EQ(TemporaryFiles(dir.path()), 0);
    SetAttributes(source, FILE_ATTRIBUTE_ARCHIVE);
}

INSTANTIATE_TEST_SUITE_P(
    Copies, NameAppearsTable,
    ::testing::Values(AppearCase{"ListedAbsentOpenRename", CopyTarget::Absent, FILE_ATTRIBUTE_ARCHIVE},
                      AppearCase{"ListedAbsentRename", CopyTarget::Absent, FILE_ATTRIBUTE_READONLY},
                      AppearCase{"LookedUpAbsentOpenRename", CopyTarget::MayExist, FILE_ATTRIBUTE_ARCHIVE},
                      AppearCase{"LookedUpAbsentRename", CopyTarget::MayExist, FILE_ATTRIBUTE_HIDDEN}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mirrant
