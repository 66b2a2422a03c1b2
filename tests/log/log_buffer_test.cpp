#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "framework/text.h"
#include "log/log_buffer.h"
#include "log/log_names.h"
#include "log_test_support.h"
#include "res/messages.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::FileBytes;
using testing::ReadFile;
using testing::RecordingSaveUi;
using testing::TempDir;

constexpr std::uint32_t kSave = 1u << 0, kAppend = 1u << 2, kStamp = 1u << 10, kTestToo = 1u << 24,
                        kDuringRun = 1u << 26, kNoBuffer = 1u << 28, kNoAlternative = 1u << 30;

const LocalTime kStart = MakeLocalTime(2024, 3, 5, 14, 7, 9);
LocalTime Clock() { return MakeLocalTime(2024, 3, 5, 14, 8, 0); }
const wchar_t kStartStamp[] = L"2024年 3月 5日(火) 14時 7分 9秒 >> ";
const wchar_t kLineStamp[] = L"2024年 3月 5日(火) 14時 8分 0秒 >> ";
const wchar_t kOverwriteStart[] = L"上書きを開始します。(ｺﾋﾟｰ元：C:\\src\\, ｺﾋﾟｰ先：D:\\dst\\)\r\n";
const wchar_t kNothing[] = L"更新すべきﾌｧｲﾙはありません。\r\n";
const wchar_t kSeparator[] = L"--------------------\r\n";

// Files directly in a folder.
int FileCount(const std::wstring& folder) { return testing::FilesMatching(folder + L"*"); }

class RunLog : public ::testing::Test {
protected:
    void SetUp() override {
        log.SetSaveUi(&ui);
        log.SetClock(&Clock);
        context.userLog = dir / L"logs\\run_%Y%M%D_%T.txt";
        context.scheduleLog = dir / L"sched\\s_%T.txt";
        context.startFolder = dir / L"start\\";
        context.tempFolder = dir / L"temp\\";
        testing::MakeFolder(context.startFolder);
        testing::MakeFolder(context.tempFolder);
        testing::WriteFile(dir / L"blocker", "a file where a folder should be");
    }
    // Paths below the blocker file cannot be created.
    std::wstring Blocked(const std::wstring& rest) { return dir / (L"blocker\\" + rest); }

    RunLogStart Overwrite(bool testMode = false) {
        RunLogStart s;
        s.kind = RunKind::Overwrite;
        s.source = L"C:\\src\\";
        s.destination = L"D:\\dst\\";
        s.testMode = testMode;
        return s;
    }
    void Run(std::uint32_t word, const std::vector<std::pair<std::wstring, std::wstring>>& lines,
             const RunLogStart* start = nullptr) {
        context.settingsWord = WithTimeFormat(WithTimeFormat(word, false, 7), true, 7);
        RunLogStart s = start ? *start : Overwrite();
        log.BeginRunLog(s, context, kStart);
        log.ClearLog();
        for (const auto& [text, error] : lines) log.AppendLine(text, error);
        log.FinishRunLog(Clock());
    }
    std::wstring LogPath() { return dir / L"logs\\run_20240305_140709.txt"; }
    std::wstring StartLine() { return kStartStamp + std::wstring(kOverwriteStart); }

    TempDir dir;
    LogBuffer log;
    RecordingSaveUi ui;
    LogContext context;
};

TEST_F(RunLog, RunWithoutLinesWritesStartNoticeAndSeparator) {
    for (std::uint32_t timing : {0u, kDuringRun}) {
        Run(kSave | timing, {});
        EXPECT_EQ(ReadFile(LogPath()), FileBytes(StartLine() + kNothing + kSeparator)) << timing;
        EXPECT_EQ(ui.texts.back(), LogPath() + L"の書き込みが終了しました。");
        Run(kSave | kStamp | timing, {});
        EXPECT_EQ(ReadFile(LogPath()), FileBytes(StartLine() + kLineStamp + kNothing + kSeparator)) << timing;
    }
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(ui.opens, ui.closes);
}

TEST_F(RunLog, LinesWithStampsAreTheSameWrittenDuringOrAfterTheRun) {
    std::wstring expected = StartLine() + kLineStamp + L"one\r\n" + kLineStamp + L"two failed\r\n" + kSeparator;
    for (std::uint32_t timing : {0u, kDuringRun, kDuringRun | kNoBuffer}) {
        Run(kSave | kStamp | timing, {{L"one", L""}, {L"two failed", L"two failed"}});
        EXPECT_EQ(ReadFile(LogPath()), FileBytes(expected)) << timing;
    }
    EXPECT_EQ(log.lines(), (std::vector<std::wstring>{kLineStamp + std::wstring(L"one"),
                                                      kLineStamp + std::wstring(L"two failed")}));
    EXPECT_EQ(log.errorLines(), std::vector<std::wstring>{kLineStamp + std::wstring(L"two failed")});
}

TEST_F(RunLog, AppendModeAddsRunsWithOneByteOrderMark) {
    std::wstring run1 = StartLine() + L"first\r\n" + kSeparator;
    std::wstring run2 = StartLine() + L"second\r\n" + kSeparator;
    for (std::uint32_t timing : {0u, kDuringRun}) {
        // An empty file of that name counts as new: it gets the mark.
        testing::MakeFolder(dir / L"logs");
        testing::WriteFile(LogPath(), "");
        Run(kSave | kAppend | timing, {{L"first", L""}});
        Run(kSave | kAppend | timing, {{L"second", L""}});
        EXPECT_EQ(ReadFile(LogPath()), FileBytes(run1) + FileBytes(run2, false)) << timing;
        // Overwriting keeps only the last run.
        Run(kSave | timing, {{L"second", L""}});
        EXPECT_EQ(ReadFile(LogPath()), FileBytes(run2)) << timing;
    }
}

TEST_F(RunLog, WritingDuringTheRunShowsEachLineAtOnce) {
    context.settingsWord = WithTimeFormat(kSave | kDuringRun | kNoBuffer, false, 7);
    log.BeginRunLog(Overwrite(), context, kStart);
    log.ClearLog();
    EXPECT_TRUE(log.fileOpen());
    EXPECT_EQ(ui.texts, (std::vector<std::wstring>{L"ﾛｸﾞﾌｧｲﾙを検索中...", LogPath() + L"にﾛｸﾞを格納します..."}));
    EXPECT_EQ(ui.holds, std::vector<unsigned>{1500});
    EXPECT_EQ(ui.closes, 1);
    log.AppendLine(L"copied", L"");
    EXPECT_EQ(ReadFile(LogPath()), FileBytes(StartLine() + L"copied\r\n"));
    log.FinishRunLog(Clock());
    EXPECT_FALSE(log.fileOpen());
    EXPECT_EQ(ReadFile(LogPath()), FileBytes(StartLine() + L"copied\r\n" + kSeparator));
    std::vector<std::wstring> tail(ui.texts.end() - 2, ui.texts.end());
    EXPECT_EQ(tail, (std::vector<std::wstring>{LogPath() + L"を閉じています...", LogPath() + L"の書き込みが終了しました。"}));
}

TEST_F(RunLog, FailedWriteDuringTheRunWritesTheWholeLogToTheNextCandidate) {
    context.settingsWord = WithTimeFormat(kSave | kDuringRun, false, 7);
    log.BeginRunLog(Overwrite(), context, kStart);
    log.ClearLog();
    log.AppendLine(L"a");
    log.BreakOpenFileForTest();
    log.AppendLine(L"b", L"b");
    EXPECT_FALSE(log.fileOpen());
    EXPECT_NE(log.lastError(), 0u);
    log.AppendLine(L"c");
    log.FinishRunLog(Clock());
    // The broken file keeps what it had; the next candidate holds everything.
    EXPECT_EQ(ReadFile(LogPath()), FileBytes(StartLine() + L"a\r\n"));
    EXPECT_EQ(ReadFile(dir / L"logs\\1_run_20240305_140709.txt"),
              FileBytes(StartLine() + L"a\r\nb\r\nc\r\n" + kSeparator));
    EXPECT_EQ(log.candidateIndex(), 1);
    EXPECT_EQ(log.lines().size(), 3u);
}

// A run whose lines go beyond the memory bound into the temporary files:
// the log file, the lines and the error lines are whole and in order, in
// each way of writing, also when the file open during the run breaks and
// the whole log goes to the next candidate; the files go with the log.
TEST_F(RunLog, ALogBeyondTheMemoryBoundIsWrittenAndReadWhole) {
    const std::wstring spill = dir / L"spill\\";
    testing::MakeFolder(spill);
    std::vector<std::pair<std::wstring, std::wstring>> input;
    std::wstring body;
    std::vector<std::wstring> lines, errors;
    for (int i = 0; i < 800; ++i) {
        std::wstring text = L"C:\\src\\d" + std::to_wstring(i % 37) + L"\\ﾌｧｲﾙ" + std::to_wstring(i) + L".txt";
        std::wstring error = i % 10 == 4 ? text + L" の失敗" : L"";
        input.emplace_back(text, error);
        body += kLineStamp + text + L"\r\n";
        lines.push_back(kLineStamp + text);
        if (!error.empty()) errors.push_back(kLineStamp + error);
    }
    {
        LogBuffer big;
        big.SetClock(&Clock);
        big.SetSpillFolder(spill);
        big.SetMemoryBound(4096);
        for (std::uint32_t timing : {0u, kDuringRun, kDuringRun | kNoBuffer}) {
            context.settingsWord = WithTimeFormat(WithTimeFormat(kSave | kStamp | timing, false, 7), true, 7);
            big.BeginRunLog(Overwrite(), context, kStart);
            big.ClearLog();
            for (const auto& [text, error] : input) big.AppendLine(text, error);
            EXPECT_GT(big.allLines().linesInFile(), 500u) << timing;
            EXPECT_GT(big.errors().linesInFile(), 0u) << timing;
            EXPECT_EQ(FileCount(spill), 2) << "one file for the lines, one for the error lines";
            big.FinishRunLog(Clock());
            EXPECT_EQ(ReadFile(LogPath()), FileBytes(StartLine() + body + kSeparator)) << timing;
            EXPECT_EQ(big.lines(), lines);
            EXPECT_EQ(big.errorLines(), errors);
        }

        // Broken during the run: the next candidate gets every line.
        context.settingsWord = WithTimeFormat(WithTimeFormat(kSave | kStamp | kDuringRun, false, 7), true, 7);
        big.BeginRunLog(Overwrite(), context, kStart);
        big.ClearLog();
        for (size_t i = 0; i < input.size(); ++i) {
            if (i == 400) big.BreakOpenFileForTest();
            big.AppendLine(input[i].first, input[i].second);
        }
        big.FinishRunLog(Clock());
        EXPECT_EQ(ReadFile(dir / L"logs\\1_run_20240305_140709.txt"), FileBytes(StartLine() + body + kSeparator));

        big.ClearLog();
        EXPECT_EQ(FileCount(spill), 0) << "cleared with the log";
        for (const auto& [text, error] : input) big.AppendLine(text, error);
        EXPECT_EQ(FileCount(spill), 2);
    }
    EXPECT_EQ(FileCount(spill), 0) << "removed at the end of the program's log";
}

TEST_F(RunLog, CandidatesRunThroughBothFoldersToTheTemporaryFolder) {
    context.userLog = Blocked(L"logs\\run_%T.txt");
    for (std::uint32_t timing : {0u, kDuringRun}) {
        Run(kSave | timing, {{L"x", L""}});
        const auto& c = log.candidates();
        ASSERT_EQ(c.size(), 20u);
        EXPECT_EQ(c[0], Blocked(L"logs\\run_140709.txt"));
        for (int i = 1; i <= 9; ++i) {
            std::wstring prefix = std::to_wstring(i) + L"_";
            EXPECT_EQ(c[i], Blocked(L"logs\\" + prefix + L"run_140709.txt"));
            EXPECT_EQ(c[9 + i], context.startFolder + prefix + L"run_140709.txt");
        }
        EXPECT_EQ(c[19], context.tempFolder + ExpandLogName(DefaultLogFileName(false, true), kStart));
        EXPECT_EQ(log.candidateIndex(), 10);
        EXPECT_EQ(ReadFile(context.startFolder + L"1_run_140709.txt"), FileBytes(StartLine() + L"x\r\n" + kSeparator));
        // Candidates that fail are passed over without a message.
        for (const auto& t : ui.texts) EXPECT_EQ(t.find(L"の保存に失敗しました"), std::wstring::npos) << t;
    }
}

// A template without a folder (only a hand-edited registry value can hold
// one) names no file the program can open: the log goes to the start folder,
// never to whatever the current folder happens to be.
TEST_F(RunLog, ATemplateWithoutAFolderFallsBackToTheStartFolder) {
    context.userLog = L"run_%T.txt";
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    std::wstring strayFile = std::wstring(current) + L"\\run_140709.txt";
    for (std::uint32_t timing : {0u, kDuringRun}) {
        Run(kSave | timing, {{L"x", L""}});
        EXPECT_EQ(log.candidateIndex(), 10) << timing;
        EXPECT_EQ(ReadFile(context.startFolder + L"1_run_140709.txt"), FileBytes(StartLine() + L"x\r\n" + kSeparator));
        EXPECT_FALSE(testing::Exists(strayFile));
    }
}

TEST_F(RunLog, TemporaryFolderIsTheLastCandidateAndIsAlwaysAppendedTo) {
    context.userLog = Blocked(L"logs\\run.txt");
    context.startFolder = Blocked(L"start\\");
    std::wstring tempLog = context.tempFolder + L"Mirrant" + (kNarrowBuild ? L"" : L"(Unicode版)") + L"実行ﾛｸﾞ_" +
                           CurrentUserName() + L".txt";
    testing::WriteFile(tempLog, FileBytes(L"older\r\n"));
    Run(kSave, {{L"one", L""}});
    Run(kSave | kDuringRun, {{L"two", L""}});
    EXPECT_EQ(log.candidateIndex(), 19);
    EXPECT_EQ(log.candidates()[19], tempLog);
    EXPECT_EQ(ReadFile(tempLog), FileBytes(L"older\r\n") + FileBytes(StartLine() + L"one\r\n" + kSeparator, false) +
                                     FileBytes(StartLine() + L"two\r\n" + kSeparator, false));
}

TEST_F(RunLog, WhenEveryCandidateFailsTheLinesStayInMemory) {
    context.userLog = Blocked(L"logs\\run.txt");
    context.startFolder = Blocked(L"start\\");
    context.tempFolder = Blocked(L"temp\\");
    for (std::uint32_t timing : {0u, kDuringRun}) {
        ui.texts.clear();
        Run(kSave | timing, {{L"kept", L""}, {L"error", L"error"}});
        EXPECT_EQ(log.lines(), (std::vector<std::wstring>{L"kept", L"error"}));
        EXPECT_EQ(log.errorLines(), std::vector<std::wstring>{L"error"});
        EXPECT_EQ(log.candidateIndex(), 20);
        EXPECT_FALSE(log.fileOpen());
        // The status window closes without a final message.
        for (const auto& t : ui.texts) EXPECT_EQ(t, L"ﾛｸﾞﾌｧｲﾙを検索中...");
    }
    EXPECT_EQ(ui.opens, ui.closes);
}

TEST_F(RunLog, NoAlternativeWithAnUnwritableFolderWritesNothing) {
    context.userLog = Blocked(L"logs\\run.txt");
    for (std::uint32_t timing : {0u, kDuringRun}) {
        ui.texts.clear();
        Run(kSave | kNoAlternative | timing, {{L"x", L""}});
        EXPECT_EQ(FileCount(context.startFolder), 0);
        EXPECT_EQ(FileCount(context.tempFolder), 0);
        EXPECT_EQ(log.candidateIndex(), 0);
    }
    // At the end of the run the status window names the failure.
    ui.texts.clear();
    Run(kSave | kNoAlternative, {{L"x", L""}});
    ASSERT_FALSE(ui.texts.empty());
    EXPECT_EQ(ui.texts.back().rfind(Blocked(L"logs\\run.txt") + L"の保存に失敗しました｡原因：", 0), 0u);
}

TEST_F(RunLog, TestModeSavesOnlyWhenAskedTo) {
    RunLogStart test = Overwrite(true);
    Run(kSave, {{L"x", L""}}, &test);
    EXPECT_FALSE(testing::Exists(LogPath()));
    EXPECT_EQ(ui.opens, 0);
    EXPECT_FALSE(log.settings().saveToFile);
    Run(kSave | kTestToo, {{L"x", L""}}, &test);
    EXPECT_EQ(ReadFile(LogPath()),
              FileBytes(kStartStamp + std::wstring(L"ﾃｽﾄﾓｰﾄﾞで") + kOverwriteStart + L"x\r\n" + kSeparator));
    Run(0, {{L"x", L""}});
    EXPECT_EQ(ui.opens, 1);
}

TEST_F(RunLog, ScheduledRunsUseTheirTemplateAndTheCommandLineAppendSwitch) {
    RunLogStart batch;
    batch.kind = RunKind::Batch;
    batch.batchFile = L"C:\\jobs\\nightly.mrx";
    batch.scheduleMode = true;
    std::wstring start = kStartStamp + std::wstring(L"ﾊﾞｯﾁﾌｧｲﾙを実行します。(ﾊﾞｯﾁﾌｧｲﾙ名：C:\\jobs\\nightly.mrx)\r\n");
    std::wstring path = dir / L"sched\\s_140709.txt";
    batch.scheduleAppend = true;  // "/S"
    Run(0, {{L"a", L""}}, &batch);
    Run(0, {{L"b", L""}}, &batch);
    EXPECT_EQ(ReadFile(path), FileBytes(start + L"a\r\n" + kSeparator) + FileBytes(start + L"b\r\n" + kSeparator, false));
    EXPECT_TRUE(log.settings().hideResultDialog && log.settings().hideNothingToUpdate && log.settings().exitWhenDone);
    batch.scheduleAppend = false;  // "/s"
    Run(0, {{L"c", L""}}, &batch);
    EXPECT_EQ(ReadFile(path), FileBytes(start + L"c\r\n" + kSeparator));
    EXPECT_EQ(log.candidates()[19], context.tempFolder + ExpandLogName(DefaultLogFileName(true, true), kStart));
    // Test mode is saved too.
    batch.testMode = true;
    Run(0, {}, &batch);
    EXPECT_EQ(ReadFile(path), FileBytes(kStartStamp + std::wstring(L"ﾃｽﾄﾓｰﾄﾞで") +
                                        L"ﾊﾞｯﾁﾌｧｲﾙを実行します。(ﾊﾞｯﾁﾌｧｲﾙ名：C:\\jobs\\nightly.mrx)\r\n" + kNothing +
                                        kSeparator));
}

TEST_F(RunLog, InterruptingTheSaveMarksTheFileAndTriesNoOtherCandidate) {
    ui.cancelOnTextStart = LogPath() + L"へ書き込み中...";
    Run(kSave, {{L"a", L""}, {L"b", L""}, {L"c", L""}});
    EXPECT_EQ(ReadFile(LogPath()), FileBytes(StartLine() + L"a\r\n結果の書き込みが中断されました。"));
    EXPECT_FALSE(testing::Exists(dir / L"logs\\1_run_20240305_140709.txt"));
    EXPECT_EQ(log.candidateIndex(), 0);
    EXPECT_EQ(ui.opens, ui.closes);
}

TEST_F(RunLog, NothingIsWrittenWhenSavingIsOff) {
    Run(0, {{L"a", L""}});
    EXPECT_FALSE(testing::Exists(LogPath()));
    EXPECT_EQ(ui.opens, 0);
    EXPECT_EQ(log.lines(), std::vector<std::wstring>{L"a"});
    RunLogStart other;
    context.settingsWord = WithTimeFormat(kSave, false, 16);
    log.BeginRunLog(other, context, kStart);
    EXPECT_EQ(log.startText(), L"14: 7: 9 >> \r\n");
}

TEST_F(RunLog, FileBytesOfEachProgram) {
    Run(kSave, {{L"漢字 café", L""}});
    std::string bytes = ReadFile(LogPath());
    if constexpr (kNarrowBuild) {
        // Code page 932, no mark; é cannot be held and becomes the default character.
        std::string expected = ToCodePage(StartLine(), kCodePage932) + "\x8A\xBF\x8E\x9A caf?\r\n" +
                               std::string(20, '-') + "\r\n";
        EXPECT_EQ(bytes, expected);
    } else {
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
        EXPECT_NE(bytes.find(std::string("\x22\x6F\x57\x5B\x20\x00\x63\x00\x61\x00\x66\x00\xE9\x00\x0D\x00\x0A\x00", 18)),
                  std::string::npos);
    }
}

TEST(RunLogLines, AppendFromTwoThreadsLosesNothing) {
    LogBuffer log;
    auto worker = [&log](wchar_t tag) {
        for (int i = 0; i < 2000; ++i) log.AppendLine(std::wstring(1, tag), i % 10 ? L"" : L"e");
    };
    std::thread a(worker, L'a'), b(worker, L'b');
    for (int i = 0; i < 50; ++i) (void)log.lines();
    a.join();
    b.join();
    EXPECT_EQ(log.lineCount(), 4000u);
    EXPECT_EQ(log.errorLineCount(), 400u);
    log.ClearLog();
    EXPECT_EQ(log.lineCount(), 0u);
    EXPECT_EQ(log.errorLineCount(), 0u);
}

TEST(RunLogLines, MessagesComeFromTheStringTable) {
    LogBuffer log;
    log.AppendMessage(msg::kInterrupted);
    log.AppendMessage(msg::kNothingToUpdate, msg::kNothingToUpdate);
    EXPECT_EQ(log.lines(), (std::vector<std::wstring>{L"ﾕｰｻﾞの指示により中断しました。", L"更新すべきﾌｧｲﾙはありません。"}));
    EXPECT_EQ(log.errorLines(), std::vector<std::wstring>{L"更新すべきﾌｧｲﾙはありません。"});
}

TEST(WriteLogFile, SavedListAndFailures) {
    TempDir dir;
    std::vector<std::wstring> lines{L"x", L"y"};
    LogWriteRequest r;
    r.plainPath = dir / L"saved.txt";
    r.lines = &lines;
    std::wstring result;
    EXPECT_TRUE(WriteLogFile(r, result));
    EXPECT_EQ(result, r.plainPath + L"の書き込みが終了しました。");
    EXPECT_EQ(ReadFile(r.plainPath), FileBytes(L"x\r\ny\r\n"));
    std::vector<std::wstring> none;
    r.lines = &none;
    EXPECT_TRUE(WriteLogFile(r, result));
    EXPECT_EQ(ReadFile(r.plainPath), FileBytes(L"更新すべきﾌｧｲﾙはありません。\r\n"));
    // A line source: the lines of a store beyond its memory bound.
    LineStore store;
    store.SetFolder(dir.path());
    store.SetMemoryBound(1);
    std::wstring expected;
    for (int i = 0; i < 700; ++i) {
        store.Append(L"行" + std::to_wstring(i));
        expected += L"行" + std::to_wstring(i) + L"\r\n";
    }
    r.source = &store;
    EXPECT_TRUE(WriteLogFile(r, result));
    EXPECT_EQ(ReadFile(r.plainPath), FileBytes(expected));
    // Lines that cannot be read back fail the save; it is never reported as
    // written.
    store.BreakFileForTest();
    EXPECT_FALSE(WriteLogFile(r, result));
    EXPECT_EQ(result.rfind(r.plainPath + L"の保存に失敗しました｡原因：", 0), 0u) << result;
    r.source = nullptr;
    // A folder cannot be opened as a file.
    r.plainPath = dir.path();
    EXPECT_FALSE(WriteLogFile(r, result));
    EXPECT_EQ(result.rfind(dir.path() + L"の保存に失敗しました｡原因：", 0), 0u);
    EXPECT_GT(result.size(), (dir.path() + L"の保存に失敗しました｡原因：").size());
}

}  // namespace
}  // namespace mirrant
