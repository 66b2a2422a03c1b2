// Row paths at and beyond the longest path the program can use, read from a
// text batch file: a path at the limit runs, a longer one is refused as the
// row is read with the invalid-path message and counted as an ignored line,
// and a path of megabytes is refused the same way with a message of a line.
// The limit is 259 bytes in code page 932 in the narrow program and a long
// form of 32766 characters in the wide one.
#include <gtest/gtest.h>

#include "batch/batch_file.h"
#include "batch_test_support.h"
#include "framework/edition.h"
#include "framework/encoding.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::ReadRecorder;

const std::wstring kInvalid = L"はﾊﾟｽ名に使用できない文字または文字列が含まれています。";
const std::wstring kOneIgnored = L"ﾊﾞｯﾁﾌｧｲﾙの構文と異なる1行を無視しました。";

// The longest plain drive path the program takes, in its own measure.
constexpr size_t kLimit = kNarrowBuild ? 259 : 32762;

size_t Measure(const std::wstring& path) {
    return kNarrowBuild ? ToCodePage(path, kCodePage932).size() : path.size();
}

// A drive path of exactly `units` (bytes in code page 932 for the narrow
// program, characters for the wide one), of Japanese folder names that
// take two bytes a character in code page 932.
std::wstring PathOf(const std::wstring& drive, size_t units) {
    const std::wstring piece = L"\\写真ﾌｫﾙﾀﾞ";
    std::wstring path = drive;
    while (Measure(path + piece) + 2 <= units) path += piece;
    path += L"\\";
    while (Measure(path) < units) path += L'x';
    EXPECT_EQ(Measure(path), units);
    return path;
}

// "M:\dst\ab\ab\..." for about `bytes`: the row a crashed editor left.
std::wstring DamagedPath(size_t bytes) {
    std::wstring path = L"M:\\dst\\";
    path.reserve(bytes + 3);
    while (path.size() < bytes) path += L"ab\\";
    return path;
}

struct Case {
    const char* name;
    std::wstring source, destination;
    // Refused: the label of the refused side, and how its path is shown:
    // whole, or its first and last characters around "...".
    const wchar_t* refusedSide;
    std::wstring shownStart, shownEnd;
};

TEST(BatchPathLimit, RowsAtAndBeyondTheLimitAreKeptOrRefusedAsTheyAreRead) {
    const std::wstring atLimit = PathOf(L"C:", kLimit);
    const std::wstring overLimit = PathOf(L"C:", kLimit + 1);
    const std::wstring overLimitDestination = PathOf(L"D:", kLimit + 1);
    const std::wstring damaged = DamagedPath(4u << 20);
    // The narrow program's limit is in bytes: this path is over it with
    // fewer characters than the limit.
    ASSERT_EQ(!kNarrowBuild, overLimit.size() > kLimit);

    // A path of tens of thousands of characters is shown shortened.
    const bool overShownWhole = kNarrowBuild;
    const std::wstring overTail = overLimit.substr(overLimit.rfind(L'\\'));
    const std::wstring overDestinationTail = overLimitDestination.substr(overLimitDestination.rfind(L'\\'));
    const Case cases[] = {
        {"at the limit", atLimit, L"D:\\b\\", nullptr, {}, {}},
        {"destination at the limit", L"C:\\a\\", PathOf(L"D:", kLimit), nullptr, {}, {}},
        {"one over", overLimit, L"D:\\b\\", L"ｺﾋﾟｰ元", overShownWhole ? overLimit : L"C:\\...\\", overShownWhole ? L"" : overTail},
        {"destination one over", L"C:\\a\\", overLimitDestination, L"ｺﾋﾟｰ先",
         overShownWhole ? overLimitDestination : L"D:\\...\\", overShownWhole ? L"" : overDestinationTail},
        {"several megabytes", L"C:\\a\\", damaged, L"ｺﾋﾟｰ先", L"M:\\...\\ab\\ab\\", L"\\ab\\ab\\"},
    };
    testing::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A row before and after it, which read as they always do.
        const std::wstring text = L"comment\tnight\r\ncopy\tC:\\before\\\tD:\\before\\\r\ncopy\t" + c.source + L"\t" +
                                  c.destination + L"\r\nsync\tC:\\after\\\tD:\\after\\\r\n";
        testing::WriteFile(dir / L"limit.mrt", ToUtf8(text));
        ReadRecorder rec;
        ParsedBatch out;
        ASSERT_TRUE(ReadBatchFile(dir / L"limit.mrt", rec.Context(), out));

        std::vector<std::wstring> rows = {L"C:\\before\\\tD:\\before\\\tO"};
        if (!c.refusedSide) rows.push_back(c.source + L"\t" + c.destination + L"\tO");
        rows.push_back(L"C:\\after\\\tD:\\after\\\tS");
        EXPECT_EQ(out.rowLines, rows);
        if (!c.refusedSide) {
            EXPECT_EQ(out.refusedRows, 0u);
            EXPECT_TRUE(rec.log.lines.empty());
            EXPECT_TRUE(rec.prompter.prompts().empty());
            continue;
        }
        EXPECT_EQ(out.refusedRows, 1u);
        // The refusal, then the count of ignored lines, in the log and in boxes.
        ASSERT_EQ(rec.log.errorLines.size(), 2u);
        const std::wstring& message = rec.log.errorLines[0];
        const std::wstring start = c.refusedSide + (L"\"" + c.shownStart);
        const std::wstring end = c.shownEnd + L"\"" + kInvalid;
        EXPECT_EQ(message.substr(0, start.size()), start);
        ASSERT_GE(message.size(), end.size());
        EXPECT_EQ(message.substr(message.size() - end.size()), end);
        if (c.shownEnd.empty()) EXPECT_EQ(message.size(), start.size() + end.size());
        else EXPECT_LE(message.size(), 300u) << "a long path makes a message of a line";
        EXPECT_EQ(rec.log.errorLines[1], kOneIgnored);
        ASSERT_EQ(rec.prompter.prompts().size(), 2u);
        EXPECT_EQ(rec.prompter.prompts()[0].text, message);
        EXPECT_EQ(rec.prompter.prompts()[1].text, kOneIgnored);
        EXPECT_EQ(rec.finished, 0);
    }
}

// Unattended, every refusal goes to the log and none to a box; a file whose
// only row is refused cannot run at all.
TEST(BatchPathLimit, UnattendedRefusalsAreLoggedAndAFileOfOnlySuchRowsIsUnreadable) {
    testing::TempDir dir;
    const std::wstring over = PathOf(L"C:", kLimit + 1);
    testing::WriteFile(dir / L"only.mrt", ToUtf8(L"copy\t" + over + L"\t" + DamagedPath(1u << 20) + L"\r\n"));
    ReadRecorder rec;
    ParsedBatch out;
    EXPECT_FALSE(ReadBatchFile(dir / L"only.mrt", rec.Context(true, true), out));
    EXPECT_TRUE(rec.prompter.prompts().empty());
    ASSERT_EQ(rec.log.errorLines.size(), 3u);
    EXPECT_TRUE(rec.log.errorLines[0].starts_with(L"ｺﾋﾟｰ元\"C:\\"));
    EXPECT_TRUE(rec.log.errorLines[1].starts_with(L"ｺﾋﾟｰ先\"M:\\...\\ab\\"));
    EXPECT_EQ(rec.log.errorLines[2], L"ﾊﾞｯﾁﾌｧｲﾙの内容に誤りがあります。");
    EXPECT_EQ(rec.finished, 1);
}

}  // namespace
}  // namespace mirrant
