// Batch files run by the real programs: unattended from the command line as
// a scheduled task would ("/S" appends to the schedule log, "/s" overwrites
// it), with a file that cannot be read, with a row that cannot start, and
// the execution window driven once with a swap.
#include <gtest/gtest.h>

#include "batch/batch_file.h"
#include "e2e/program_fixture.h"
#include "framework/encoding.h"
#include "framework/profile.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class BatchE2E : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        store.SetString(kSettingsSection, L"ScheduleLog", logPath);
        for (int i = 1; i <= 3; ++i) {
            testing::MakeFolder(Src(i));
            testing::MakeFolder(Dst(i));
            WriteFile(Src(i) + L"file" + std::to_wstring(i) + L".txt", "row " + std::to_string(i));
        }
    }
    std::wstring Src(int i) { return dir / (L"ｺﾋﾟｰ元 " + std::to_wstring(i) + L"\\"); }
    std::wstring Dst(int i) { return dir / (L"dst" + std::to_wstring(i) + L"\\"); }
    std::wstring Log() { return testing::ReadLogText(logPath, GetParam().narrow); }
    std::wstring StartLine(const std::wstring& batch) { return L"ﾊﾞｯﾁﾌｧｲﾙを実行します。(ﾊﾞｯﾁﾌｧｲﾙ名：" + batch + L")"; }

    // Runs the program and waits for it to end by itself; its exit code.
    DWORD RunUnattended(const std::wstring& arguments) {
        RunningProgram program(GetParam().exe, arguments, dir.path());
        EXPECT_TRUE(program.started());
        DWORD code = 99;
        EXPECT_TRUE(program.WaitForExit(60000, &code)) << "the program did not end by itself";
        return code;
    }

    std::wstring logPath = dir / L"schedule log.txt";
};

TEST_P(BatchE2E, UnattendedTextBatchRunsEveryRowInOrderWritesOneLogAndEnds) {
    const std::wstring batch = dir / L"nightly job.mrt";
    std::wstring text = L"comment\t\"three rows\"\r\n";
    for (int i = 1; i <= 3; ++i) text += (i == 2 ? L"sync\t" : L"copy\t") + Src(i) + L"\t" + Dst(i) + L"\r\n";
    WriteFile(batch, ToCodePage(text, kCodePage932));

    RunUnattended(L"/S \"" + batch + L"\"");
    for (int i = 1; i <= 3; ++i) {
        const std::wstring copied = Dst(i) + L"file" + std::to_wstring(i) + L".txt";
        ASSERT_TRUE(Exists(copied)) << copied;
        EXPECT_EQ(ReadFile(copied), "row " + std::to_string(i));
    }
    std::wstring log = Log();
    EXPECT_EQ(Count(log, StartLine(batch)), 1u) << log;
    const size_t first = log.find(L"file1.txt"), second = log.find(L"file2.txt"), third = log.find(L"file3.txt");
    ASSERT_NE(third, std::wstring::npos) << log;
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);

    // "/S" appends the next run to the same file; "/s" starts it afresh.
    RunUnattended(L"/S \"" + batch + L"\"");
    EXPECT_EQ(Count(Log(), StartLine(batch)), 2u);
    // A path relative to the start folder, as a scheduled task may give it.
    RunUnattended(L"/s \"nightly job.mrt\"");
    EXPECT_EQ(Count(Log(), StartLine(batch)), 1u) << Log();
}

// Each row's lines end with its summary, and the batch with the summary of
// all rows; switched off, neither is there.
TEST_P(BatchE2E, EveryRowAndTheWholeBatchEndWithTheirSummary) {
    const std::wstring batch = dir / L"nightly job.mrt";
    std::wstring text;
    for (int i = 1; i <= 3; ++i) text += L"copy\t" + Src(i) + L"\t" + Dst(i) + L"\r\n";
    WriteFile(batch, ToCodePage(text, kCodePage932));

    EXPECT_EQ(RunUnattended(L"/s \"" + batch + L"\""), 0u);
    const std::wstring log = Log();
    const std::wstring row = L"集計：ﾌｧｲﾙ 新規 1 個、上書き 0 個、時刻合わせ 0 個、削除 0 個、退避 0 個";
    const std::wstring all = L"ﾊﾞｯﾁ全体の集計：ﾌｧｲﾙ 新規 3 個、上書き 0 個、時刻合わせ 0 個、削除 0 個、退避 0 個";
    EXPECT_EQ(Count(log, row), 3u) << log;
    EXPECT_EQ(Count(log, L"集計：ﾌｫﾙﾀﾞ 作成 0 個、削除 0 個、失敗 0 件、見送り 0 件"), 4u) << log;
    EXPECT_EQ(Count(log, L"集計：ｺﾋﾟｰ 5 ﾊﾞｲﾄ、所要時間 "), 3u) << log;
    EXPECT_EQ(Count(log, L"ﾊﾞｯﾁ全体の集計：ｺﾋﾟｰ 15 ﾊﾞｲﾄ、所要時間 "), 1u) << log;
    ASSERT_EQ(Count(log, all), 1u) << log;
    EXPECT_GT(log.find(all), log.rfind(row));
    EXPECT_GT(log.find(all), log.find(L"file3.txt"));

    store.SetInt(kSettingsSection, L"RunSummary", 0);
    for (int i = 1; i <= 3; ++i) DeleteFileW((Dst(i) + L"file" + std::to_wstring(i) + L".txt").c_str());
    EXPECT_EQ(RunUnattended(L"/s \"" + batch + L"\""), 0u);
    EXPECT_EQ(Count(Log(), L"集計"), 0u) << Log();
    EXPECT_EQ(Count(Log(), L"file3.txt"), 1u) << Log();
}

TEST_P(BatchE2E, UnattendedUnreadableBatchLogsTheErrorAndEnds) {
    const std::wstring junk = dir / L"junk.mrx";
    WriteFile(junk, "this is not a batch file at all");
    EXPECT_EQ(RunUnattended(L"/S \"" + junk + L"\""), 2u);
    EXPECT_EQ(Count(Log(), L"ﾊﾞｯﾁﾌｧｲﾙの内容に誤りがあります。"), 1u) << Log();

    const std::wstring missing = dir / L"missing.mrt";
    RunUnattended(L"/s \"" + missing + L"\"");
    EXPECT_EQ(Count(Log(), L"\"" + missing + L"\"の読み出しにｴﾗｰが発生しました。"), 1u) << Log();
}

TEST_P(BatchE2E, UnattendedRowWithAnInvalidPathIsLoggedAndTheProgramEnds) {
    // The binary format keeps paths as written, so the check happens when the row starts.
    const std::wstring batch = dir / L"bad row.mrx";
    const std::wstring bad = L"C:\\bad|name\\";
    BatchFile file{L"", {{kOverwriteLetter, Src(1), Dst(1)}, {kOverwriteLetter, bad, Dst(2)},
                         {kOverwriteLetter, Src(3), Dst(3)}}};
    std::wstring cause;
    ASSERT_TRUE(WriteBatchFile(batch, BuildBatchPayloads(file), CurrentBatchSeed(), cause)) << cause;

    RunUnattended(L"/S \"" + batch + L"\"");
    EXPECT_TRUE(Exists(Dst(1) + L"file1.txt"));
    EXPECT_FALSE(Exists(Dst(3) + L"file3.txt"));  // the batch stopped at the bad row
    const std::wstring log = Log();
    EXPECT_EQ(Count(log, L"ｺﾋﾟｰ元\"" + bad + L"\"はﾊﾟｽ名に使用できない文字または文字列が含まれています。"), 1u) << log;
    EXPECT_EQ(Count(log, L"ﾊﾞｯﾁﾌｧｲﾙが最後まで実行されずに中断されました。"), 1u) << log;
}

// A text batch that a crashed editor left behind: megabytes on one row,
// whose destination is "M:\dst\ab\ab\...". The row is refused as it is
// read, with a log line of a line; the rows before and after it run, and the
// program ends by itself, telling the scheduler that the batch did not
// complete.
TEST_P(BatchE2E, UnattendedDamagedBatchOfMegabytesRefusesItsRowAndEnds) {
    std::wstring damaged = L"M:\\dst\\";
    while (damaged.size() < (4u << 20)) damaged += L"ab\\";
    const std::wstring batch = dir / L"damaged.mrt";
    WriteFile(batch, ToUtf8(L"comment\tdamaged\r\ncopy\t" + Src(1) + L"\t" + Dst(1) + L"\r\ncopy\t" + Src(2) +
                            L"\t" + damaged + L"\r\n# the rest\r\nsync\t" + Src(3) + L"\t" + Dst(3) + L"\r\n"));
    EXPECT_EQ(RunUnattended(L"/s \"" + batch + L"\""), 2u);
    EXPECT_EQ(ReadFile(Dst(1) + L"file1.txt"), "row 1");
    EXPECT_EQ(ReadFile(Dst(3) + L"file3.txt"), "row 3");
    const std::wstring log = Log();
    EXPECT_LT(log.size(), 64u * 1024) << "the log holds lines, not the damaged row";
    EXPECT_EQ(Count(log, L"ｺﾋﾟｰ先\"M:\\...\\ab\\ab\\"), 1u) << log.substr(0, 4000);
    EXPECT_EQ(Count(log, L"\\ab\\ab\\\"はﾊﾟｽ名に使用できない文字または文字列が含まれています。"), 1u);
    EXPECT_EQ(Count(log, L"ﾊﾞｯﾁﾌｧｲﾙの構文と異なる1行を無視しました。"), 1u);
}

// The binary format keeps a row's paths as written: the damaged row is
// refused when it starts, in a line of the log, and the batch ends there.
TEST_P(BatchE2E, UnattendedDamagedBinaryBatchStopsAtItsRowAndEnds) {
    std::wstring damaged = L"M:\\dst\\";
    while (damaged.size() < (4u << 20)) damaged += L"ab\\";
    const std::wstring batch = dir / L"damaged.mrx";
    BatchFile file{L"", {{kOverwriteLetter, Src(1), Dst(1)}, {kOverwriteLetter, Src(2), damaged},
                         {kOverwriteLetter, Src(3), Dst(3)}}};
    std::wstring cause;
    ASSERT_TRUE(WriteBatchFile(batch, BuildBatchPayloads(file), CurrentBatchSeed(), cause)) << cause;
    EXPECT_EQ(RunUnattended(L"/s \"" + batch + L"\""), 2u);
    EXPECT_EQ(ReadFile(Dst(1) + L"file1.txt"), "row 1");
    EXPECT_FALSE(Exists(Dst(3) + L"file3.txt"));
    const std::wstring log = Log();
    EXPECT_LT(log.size(), 64u * 1024) << "the log holds lines, not the damaged row";
    EXPECT_EQ(Count(log, L"ｺﾋﾟｰ先\"M:\\...\\ab\\ab\\"), 1u) << log.substr(0, 4000);
    EXPECT_EQ(Count(log, L"ﾊﾞｯﾁﾌｧｲﾙが最後まで実行されずに中断されました。"), 1u) << log.substr(0, 4000);
}

// A scheduled task with the default settings, nobody in front of it: a
// source file another program holds open, a newer destination, an orphan
// folder and an emptied source are all met without a single question, the
// backup keeps every byte, and the exit code says how it went.
TEST_P(BatchE2E, UnattendedRunsNeverWaitAndNeverWipeTheBackup) {
    WriteFile(Src(1) + L"locked.txt", "new");
    WriteFile(Dst(1) + L"newer.txt", "backup only, newer");
    WriteFile(Src(1) + L"newer.txt", "older");
    testing::SetWriteTime(Src(1) + L"newer.txt", testing::kBaseTime);
    testing::MakeFolder(Dst(1) + L"orphan\\");
    WriteFile(Dst(1) + L"orphan\\keep.txt", "k");
    // Held open by this test, another process than the program.
    HANDLE held = CreateFileW((Src(1) + L"locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::wstring batch = dir / L"sync.mrt";
    WriteFile(batch, ToCodePage(L"sync\t" + Src(1) + L"\t" + Dst(1) + L"\r\n", kCodePage932));
    const DWORD code = RunUnattended(L"/s \"" + batch + L"\"");
    CloseHandle(held);
    EXPECT_EQ(code, 1u) << Log();  // completed, with the locked file's error line
    EXPECT_EQ(ReadFile(Dst(1) + L"file1.txt"), "row 1");
    EXPECT_FALSE(Exists(Dst(1) + L"locked.txt"));
    EXPECT_EQ(ReadFile(Dst(1) + L"newer.txt"), "backup only, newer");
    EXPECT_EQ(ReadFile(Dst(1) + L"orphan\\keep.txt"), "k");
    const std::wstring log = Log();
    EXPECT_EQ(Count(log, L"ｽｹｼﾞｭｰﾙ実行中のため、"), 2u) << log;  // the newer file and the folder

    // The source drive "not mounted": an empty source deletes nothing.
    const std::wstring empty = dir / L"empty\\";
    testing::MakeFolder(empty);
    WriteFile(batch, ToCodePage(L"sync\t" + empty + L"\t" + Dst(1) + L"\r\n", kCodePage932));
    EXPECT_EQ(RunUnattended(L"/s \"" + batch + L"\""), 2u);
    EXPECT_EQ(ReadFile(Dst(1) + L"file1.txt"), "row 1");
    EXPECT_EQ(Count(Log(), L"が空のため、ｺﾋﾟｰ先から何も削除せずに中断しました。"), 1u) << Log();

    // A destination inside its source does not copy itself; all is well: 0.
    WriteFile(batch, ToCodePage(L"copy\t" + Src(2) + L"\t" + Src(2) + L"backup\\\r\n", kCodePage932));
    EXPECT_EQ(RunUnattended(L"/s \"" + batch + L"\""), 0u) << Log();
    EXPECT_EQ(ReadFile(Src(2) + L"backup\\file2.txt"), "row 2");
    EXPECT_FALSE(Exists(Src(2) + L"backup\\backup\\"));
}

MIRRANT_FOR_BOTH_PROGRAMS(BatchE2E);

TEST(BatchWindowE2E, TheExecutionWindowRunsTheRowsSwappedAfterTheQuestion) {
    ProfileStore store{L"Software\\qorvane\\Mirrant_U"};
    store.DeleteRoot();
    TempDir dir;
    const std::wstring a = dir / L"left\\", b = dir / L"right\\";
    testing::MakeFolder(a);
    testing::MakeFolder(b);
    WriteFile(a + L"only-left.txt", "L");
    WriteFile(b + L"only-right.txt", "R");
    const std::wstring batch = dir / L"swap.mrt";
    const std::string content = "copy\t" + ToUtf8(a) + "\t" + ToUtf8(b) + "\r\n";
    WriteFile(batch, content);

    RunningProgram program(L"Mirrant_U.exe", L"\"" + batch + L"\"", dir.path());
    HWND window = program.WaitForWindowTitled(L"ﾊﾞｯﾁﾌｧｲﾙ実行");
    ASSERT_NE(window, nullptr) << "execution window did not appear";
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_BATCH_SOURCE)), a);

    testing::PressButton(window, IDC_BATCH_SWAP);
    EXPECT_NE(program.WaitForWindowTitled(L"ﾊﾞｯﾁﾌｧｲﾙ実行[全行左右入替]", 5000), nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_BATCH_SOURCE)), b);
    testing::PressButton(window, IDOK);

    // Question 234 before a swapped run.
    HWND question = program.WaitForWindow([&](const std::wstring&) {
        for (HWND w : program.TopLevelWindows())
            if (testing::MessageBoxText(w) == L"ｺﾋﾟｰ元とｺﾋﾟｰ先が入れ替わった状態で実行してもよろしいですか？") return true;
        return false;
    }, 10000);
    ASSERT_NE(question, nullptr) << "question 234 did not appear";
    for (HWND w : program.TopLevelWindows())
        if (testing::MessageBoxText(w).find(L"入れ替わった") != std::wstring::npos) testing::PressButton(w, IDYES);

    // The row ran from right to left; the batch file is unchanged.
    for (int i = 0; i < 200 && !Exists(a + L"only-right.txt"); ++i) Sleep(100);
    EXPECT_TRUE(Exists(a + L"only-right.txt"));
    EXPECT_FALSE(Exists(b + L"only-left.txt"));
    EXPECT_EQ(ReadFile(batch), content);
    store.DeleteRoot();
}

}  // namespace
}  // namespace mirrant
