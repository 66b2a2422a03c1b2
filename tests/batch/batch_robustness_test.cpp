// Thousands of damaged and random files through both readers: each read
// ends in a whole batch, or in msg::kBadBatchContent with the caller's batch
// untouched; never a crash, a hang or a partial batch.
#include <gtest/gtest.h>

#include <random>

#include "batch/batch_file.h"
#include "batch_test_support.h"
#include "engine/texts.h"
#include "framework/encoding.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::Bytes;
using testing::ReadRecorder;

namespace text = testing::text;

std::string Mutate(std::string bytes, std::mt19937& rng) {
    static const char kInteresting[] = {'\0', '\t', '\r', '\n', '"', ' ', '#', '\\', 'O', 'S', 'o', '\xff', '\xfe',
                                        '\x81', '\xef'};
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits; ++e) {
        const size_t at = bytes.empty() ? 0 : rng() % (bytes.size() + 1);
        switch (rng() % 6) {
        case 0: if (at < bytes.size()) bytes[at] = static_cast<char>(rng()); break;
        case 1: if (at < bytes.size()) bytes[at] = kInteresting[rng() % sizeof kInteresting]; break;
        case 2: bytes.insert(bytes.begin() + at, kInteresting[rng() % sizeof kInteresting]); break;
        case 3: if (at < bytes.size()) bytes.erase(at, 1 + rng() % 8); break;
        case 4: bytes.resize(at); break;  // truncated
        case 5: bytes.insert(at, bytes.substr(0, std::min<size_t>(bytes.size(), rng() % 40))); break;
        }
    }
    return bytes;
}

std::string RandomBytes(std::mt19937& rng, size_t maxLength) {
    std::string s(rng() % (maxLength + 1), '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

// Reads the bytes as the format says and checks the outcome.
void CheckRead(const std::string& bytes, bool binary, const char* what, int index) {
    ReadRecorder rec;
    BatchBuffer buffer;
    ParsedBatch out;
    out.comment = L"untouched";
    const BatchReadContext context = rec.Context();
    const bool decoded = binary ? DecodeBinaryBatch(bytes, context, buffer) : DecodeTextBatch(bytes, context, buffer);
    const bool ok = decoded && ParseBatchBuffer(std::move(buffer), context, out);
    if (ok) {
        ASSERT_FALSE(out.rowLines.empty()) << what << index;
        for (const std::wstring& line : out.rowLines) {
            BatchRow row;
            ASSERT_TRUE(SplitRowLine(line, row)) << what << index;
        }
        // Success may carry only the count of ignored lines.
        for (const auto& p : rec.prompter.prompts()) ASSERT_NE(p.text, text::kBadBatchContent) << what << index;
    } else {
        ASSERT_EQ(out.comment, L"untouched") << what << index;
        ASSERT_TRUE(out.rowLines.empty()) << what << index;
        ASSERT_FALSE(rec.prompter.prompts().empty()) << what << index;
        ASSERT_EQ(rec.prompter.prompts().back().text, text::kBadBatchContent) << what << index;
        ASSERT_EQ(rec.finished, 1) << what << index;
    }
}

TEST(BatchRobustness, DamagedAndRandomFilesEndInABatchOrMessage156) {
    std::mt19937 rng(20261207u);
    BatchFile batch{L"a comment", {}};
    for (int i = 0; i < 6; ++i)
        batch.rows.push_back({i % 2 ? kSyncLetter : kOverwriteLetter, L"C:\\写真 " + std::to_wstring(i) + L"\\",
                              L"\\\\server\\share\\b" + std::to_wstring(i) + L"\\"});
    const BatchPayloads payloads = BuildBatchPayloads(batch);
    const std::string text932 = ToCodePage(payloads.textFormat, kCodePage932);
    const std::string text16 = "\xff\xfe" + testing::Utf16Bytes(payloads.textFormat, false);
    const std::string textSpaces = "  copy C:\\a \"D:\\b c\"\n\tsync\t\t\"C:\\x\"\"\"\t D:\\y \n# note\ncomment \"x y\"\n";

    int index = 0;
    for (int i = 0; i < 800; ++i, ++index) {
        // Damaged plain payloads with a valid checksum reach the parser.
        CheckRead(Bytes(ScrambleBatchPayload(Mutate(payloads.ansiPayload, rng), rng())), true, "payload ", index);
        // Damaged images mostly fail the checksum.
        CheckRead(Mutate(Bytes(ScrambleBatchPayload(payloads.ansiPayload, 77)), rng), true, "image ", index);
    }
    for (int i = 0; i < 700; ++i, ++index) {
        CheckRead(Mutate(text932, rng), false, "text932 ", index);
        CheckRead(Mutate(text16, rng), false, "text16 ", index);
        CheckRead(Mutate(textSpaces, rng), false, "spaces ", index);
    }
    for (int i = 0; i < 400; ++i, ++index) {
        const std::string noise = RandomBytes(rng, 300);
        CheckRead(noise, true, "random binary ", index);
        CheckRead(noise, false, "random text ", index);
        CheckRead(Bytes(ScrambleBatchPayload(noise, rng())), true, "random payload ", index);
    }
}

TEST(BatchRobustness, DamagedFilesOnDiskReadTheSameWay) {
    testing::TempDir dir;
    std::mt19937 rng(7u);
    const BatchPayloads payloads =
        BuildBatchPayloads(BatchFile{L"c", {{kOverwriteLetter, L"C:\\a\\", L"D:\\b\\"}}});
    for (int i = 0; i < 60; ++i) {
        const bool binary = i % 2 == 0;
        const std::wstring path = dir / (binary ? L"f.mrx" : L"f.mrt");
        std::string bytes = binary ? Bytes(ScrambleBatchPayload(payloads.ansiPayload, 3))
                                   : ToCodePage(payloads.textFormat, kCodePage932);
        testing::WriteFile(path, Mutate(bytes, rng));
        ReadRecorder rec;
        ParsedBatch out;
        const bool ok = ReadBatchFile(path, rec.Context(), out);
        if (!ok) {
            EXPECT_TRUE(out.rowLines.empty());
            ASSERT_FALSE(rec.prompter.prompts().empty());
            EXPECT_EQ(rec.prompter.prompts().back().text, text::kBadBatchContent);
        } else {
            EXPECT_FALSE(out.rowLines.empty());
        }
    }
}

// A generated batch of several megabytes: every row comes back, in order and
// normalised, and one row with a path of a million characters of doubled
// separators and ".." is refused as it is read, longer than either program
// can use (normalising such a path: NormalizePath's own test). No timing is
// asserted, the test's own time limit catches a relapse.
TEST(BatchRobustness, LargeTextBatchReadsEveryRow) {
    testing::TempDir dir;
    constexpr int kRows = 80000;
    std::wstring text = L"comment\t\"large batch\"\r\n";
    std::vector<std::wstring> expected;
    for (int i = 0; i < kRows; ++i) {
        const std::wstring n = std::to_wstring(i);
        if (i % 500 == 0) text += L"# part " + n + L"\n";
        switch (i % 3) {
        case 0:
            text += L"copy\tC:\\data\\d" + n + L"\\\tD:\\backup\\d" + n + L"\\\r\n";
            expected.push_back(L"C:\\data\\d" + n + L"\\\tD:\\backup\\d" + n + L"\\\tO");
            break;
        case 1:
            text += L"sync \"C:\\My Data\\e" + n + L"\\\" \"\\\\nas\\share\\e" + n + L"\"\n";
            expected.push_back(L"C:\\My Data\\e" + n + L"\\\t\\\\nas\\share\\e" + n + L"\tS");
            break;
        default:
            text += L"  COPY\tC:/x//y\\.\\f" + n + L"\\..\\g" + n + L"\tD:\\z\r\n";
            expected.push_back(L"C:\\x\\y\\g" + n + L"\tD:\\z\tO");
            break;
        }
    }
    std::wstring climbing = L"C:\\top";
    for (int i = 0; i < 200000; ++i) climbing += L"\\\\x\\..";
    text += L"copy\t" + climbing + L"\\\\end\tD:\\end\r\n";

    const std::string bytes = ToUtf8(text);
    ASSERT_GT(bytes.size(), 3u << 20);
    testing::WriteFile(dir / L"large.mrt", bytes);
    ReadRecorder rec;
    ParsedBatch out;
    ASSERT_TRUE(ReadBatchFile(dir / L"large.mrt", rec.Context(), out));
    EXPECT_EQ(out.comment, L"large batch");
    ASSERT_EQ(out.rowLines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(out.rowLines[i], expected[i]) << "row " << i;
    EXPECT_EQ(out.refusedRows, 1u);
    ASSERT_EQ(rec.prompter.prompts().size(), 2u);
    EXPECT_TRUE(rec.prompter.prompts()[0].text.starts_with(L"ｺﾋﾟｰ元\"C:\\...\\"));
    EXPECT_EQ(rec.prompter.prompts()[1].text, L"ﾊﾞｯﾁﾌｧｲﾙの構文と異なる1行を無視しました。");
}

}  // namespace
}  // namespace mirrant
