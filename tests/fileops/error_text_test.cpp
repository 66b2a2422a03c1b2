#include "fileops/error_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "fileops/deletion.h"
#include "fileops/file_copy.h"
#include "fileops/path_rules.h"
#include "fileops_test_support.h"
#include "support/recording_log.h"
#include "support/recording_progress.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using namespace mirrant::testing;

TEST(SystemErrorText, OneLineWithoutTrailingBlanks) {
    for (unsigned long code : {2ul, 3ul, 5ul, 32ul, 112ul, 1113ul}) {
        const std::wstring text = SystemErrorText(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos) << code;
        EXPECT_FALSE(iswspace(text.back())) << code;
    }
    EXPECT_EQ(SystemErrorText(0x20001234ul), L"") << "a code the system has no text for";
}

TEST(SystemErrorText, LinesAreJoinedDirectly) {
    EXPECT_EQ(JoinLines(L"最初の文です。\r\n次の文です。\r\n"), L"最初の文です。次の文です。");
    EXPECT_EQ(JoinLines(L"a\r\nb\nc\rd  \t\r\n"), L"abcd");
    EXPECT_EQ(JoinLines(L"  keep leading"), L"  keep leading");
    EXPECT_EQ(JoinLines(L"\r\n"), L"");
}

TEST(ExceptionText, NamesTheFileAndStaysBounded) {
    const FileError error{FileStep::Read, ERROR_ACCESS_DENIED, L"\\\\?\\C:\\a\\b.txt"};
    const std::wstring text = ExceptionText(error);
    EXPECT_TRUE(Contains(text, L"\\\\?\\C:\\a\\b.txt"));
    EXPECT_TRUE(Contains(text, SystemErrorText(ERROR_ACCESS_DENIED)));
    EXPECT_EQ(ReplaceLongPaths(text, {L"C:\\a\\b.txt"}).find(L"\\\\?\\"), std::wstring::npos);

    const FileError huge{FileStep::Open, ERROR_FILE_NOT_FOUND, std::wstring(40000, L'x')};
    EXPECT_EQ(ExceptionText(huge).size(), 33024u);
}

TEST(ReplaceLongPaths, DrivesSharesAndTwoPaths) {
    EXPECT_EQ(ReplaceLongPaths(L"\"\\\\?\\C:\\a\\b.txt\"を開けません", {L"C:\\a\\b.txt"}), L"\"C:\\a\\b.txt\"を開けません");
    EXPECT_EQ(ReplaceLongPaths(L"x \\\\?\\UNC\\srv\\sh\\f y", {L"\\\\srv\\sh\\f"}), L"x \\\\srv\\sh\\f y");
    EXPECT_EQ(ReplaceLongPaths(L"\\\\?\\C:\\s and \\\\?\\D:\\d and \\\\?\\C:\\s", {L"C:\\s", L"D:\\d"}),
              L"C:\\s and D:\\d and C:\\s");
    // Another file's long form is not touched, nor is a text without any.
    EXPECT_EQ(ReplaceLongPaths(L"\\\\?\\E:\\other", {L"C:\\s"}), L"\\\\?\\E:\\other");
    EXPECT_EQ(ReplaceLongPaths(L"plain", {L"", L"C:\\s"}), L"plain");
}

// Names the narrow program's code page cannot hold. The A calls would turn
// them into other names through the best-fit table: "café" into "cafe" and
// "..¥victim.txt" into "..\victim.txt", a file outside the folder.
class OutsideCodePageTest : public ::testing::Test {
protected:
    OutsideCodePageTest() : timings_(ShortTimings()) {}
    ScopedFileOpTimings timings_;
    TempDir dir;
    RecordingProgress progress;
    RecordingLog log;
    CopySettings options;
    std::wstring cause;
};

TEST_F(OutsideCodePageTest, FileOperationsNeverReachAnotherFile) {
    const std::wstring accent = dir / L"caf\u00e9.txt", plain = dir / L"cafe.txt";
    WriteFile(accent, "accent");
    WriteFile(plain, "plain");
    FileInfo info;
    if constexpr (kNarrowBuild) {
        EXPECT_FALSE(GetFileInfo(accent, info, progress, log));
        EXPECT_FALSE(CompareFileContents(plain, accent, progress, log, cause));
        EXPECT_FALSE(cause.empty());
        EXPECT_TRUE(Contains(cause, accent));

        GetFileInfo(plain, info, progress, log);
        EXPECT_FALSE(CopyFileContents(plain, info, accent, progress, log, options, cause));
        EXPECT_FALSE(cause.empty());
        EXPECT_EQ(cause.find_first_of(L"\r\n"), std::wstring::npos);
        EXPECT_FALSE(CopyFileContents(accent, info, plain, progress, log, options, cause));
        EXPECT_FALSE(cause.empty());
        EXPECT_FALSE(DeleteOneFile(accent, progress, log, true));
        EXPECT_FALSE(SetFileTimes(accent, std::nullopt, std::nullopt, kBaseTime, progress, log, cause));
        std::wstring folderCause;
        unsigned long code = 0;
        EXPECT_FALSE(CreateFolderTree(dir / L"\u00e9t\u00e9\\", folderCause, code));
        EXPECT_EQ(code, ERROR_NO_UNICODE_TRANSLATION);
        EXPECT_FALSE(folderCause.empty());
        EXPECT_FALSE(Exists(dir / L"ete"));
        EXPECT_EQ(ReadFile(accent), "accent");
        EXPECT_EQ(ReadFile(plain), "plain");
    } else {
        ASSERT_TRUE(GetFileInfo(accent, info, progress, log));
        EXPECT_FALSE(CompareFileContents(plain, accent, progress, log, cause));
        EXPECT_TRUE(CopyFileContents(accent, info, plain, progress, log, options, cause));
        EXPECT_EQ(ReadFile(plain), "accent");
        EXPECT_TRUE(DeleteOneFile(accent, progress, log, true));
        EXPECT_FALSE(Exists(accent));
    }
    EXPECT_EQ(TemporaryFiles(dir.path()), 0);
}

TEST_F(OutsideCodePageTest, TreeDeletionStaysInsideTheTree) {
    const std::wstring top = dir / L"top\\";
    MakeFolder(top);
    WriteFile(dir / L"victim.txt", "outside");
    WriteFile(top + L"..\u00a5victim.txt", "inside");
    WriteFile(top + L"caf\u00e9.txt", "accent");
    WriteFile(top + L"cafe.txt", "plain");
    unsigned remaining = 0;
    bool refused = false;
    const bool gone = DeleteFolderTree(top, remaining, progress, log, true, refused);
    EXPECT_EQ(ReadFile(dir / L"victim.txt"), "outside");
    if constexpr (kNarrowBuild) {
        EXPECT_FALSE(gone);
        EXPECT_EQ(remaining, 1u);
        EXPECT_TRUE(Exists(top + L"..\u00a5victim.txt"));
        EXPECT_TRUE(Exists(top + L"caf\u00e9.txt"));
        EXPECT_FALSE(Exists(top + L"cafe.txt"));
        EXPECT_TRUE(AnyContains(log.errorLines, L"\"" + top + L"caf\u00e9.txt\"は削除できません。原因：" +
                                                    SystemErrorText(ERROR_NO_UNICODE_TRANSLATION)));
    } else {
        EXPECT_TRUE(gone);
        EXPECT_FALSE(Exists(top));
    }
}

}  // namespace
}  // namespace mirrant
