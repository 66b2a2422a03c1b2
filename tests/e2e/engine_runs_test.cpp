// Runs of the real programs from the main window: an overwrite and a sync
// run that each ask a question in a real message box, answered by pressing
// its button; then the disk, the log file and the result window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/program_fixture.h"
#include "framework/profile.h"
#include "log/log_settings.h"
#include "res/resource.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

constexpr std::uint64_t kBase = testing::kBaseTime;
constexpr std::uint64_t kSecond = testing::kSecond;

std::vector<std::wstring> SortedLines(const std::wstring& text) {
    std::vector<std::wstring> out;
    size_t from = 0;
    for (size_t at; (at = text.find(L"\r\n", from)) != std::wstring::npos; from = at + 2)
        out.push_back(text.substr(from, at - from));
    if (from < text.size()) out.push_back(text.substr(from));
    std::sort(out.begin(), out.end());
    return out;
}

std::string InCodePage932(const std::wstring& text) {
    int n = WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

class EngineRunsE2E : public TwoFoldersTest {
protected:
    void SetUp() override {
        TwoFoldersTest::SetUp();
        SaveLogTo(logPath);
    }

    void Put(const std::wstring& path, std::string_view content, int seconds) {
        testing::WriteFile(path, content);
        testing::SetWriteTime(path, kBase + seconds * kSecond);
    }

    // Starts the program with both boxes filled, waits for its window and
    // presses the run button; the main window, or null when it never came.
    HWND StartRun(RunningProgram& program, int runButton) {
        if (!program.started()) return nullptr;
        HWND main = program.WaitForWindowTitled(GetParam().title);
        if (!main) return nullptr;
        for (int i = 0; i < 50 && WindowText(GetDlgItem(main, IDC_DEST_EDIT)).empty(); ++i) Sleep(100);
        testing::PressButton(main, runButton);
        return main;
    }

    // Waits for a message box of the program with exactly this text.
    HWND WaitForBox(RunningProgram& program, const std::wstring& text) {
        for (int i = 0; i < 200; ++i) {
            for (HWND w : program.TopLevelWindows())
                if (testing::MessageBoxText(w) == text) return w;
            Sleep(100);
        }
        return nullptr;
    }

    // The result window's lines (sorted), after the run; closes the window.
    std::vector<std::wstring> ResultLines(RunningProgram& program, std::wstring& shown) {
        HWND result = program.WaitForWindowTitled(L"結果ﾛｸﾞ");
        if (!result) return {};
        shown = WindowText(GetDlgItem(result, IDC_RESULT_EDIT));
        testing::PressButton(result, IDOK);
        for (int i = 0; i < 100 && IsWindow(result); ++i) Sleep(50);
        return SortedLines(shown);
    }

    // The log file holds exactly the lines the result window showed.
    void ExpectLogFileHolds(const std::wstring& shown) {
        const std::string bytes = testing::ReadFile(logPath);
        if (!GetParam().narrow) {
            ASSERT_GE(bytes.size(), 2u);
            ASSERT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
            std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
            EXPECT_NE(text.find(shown), std::wstring::npos);
        } else {
            EXPECT_NE(bytes.find(InCodePage932(shown)), std::string::npos);
        }
    }

    const std::wstring logPath = dir / L"run.txt";
};

TEST_P(EngineRunsE2E, OverwriteAsksBeforeReplacingANewerDestination) {
    Put(source + L"a.txt", "source", 0);
    Put(destination + L"a.txt", "newer destination", 100);
    Put(source + L"new.txt", "new", 0);

    RunningProgram program(GetParam().exe, Q(source) + L" " + Q(destination));
    HWND main = StartRun(program, IDC_RUN_OVERWRITE);
    ASSERT_NE(main, nullptr);

    const std::wstring question = L"更新時刻が古い" + Q(source + L"a.txt") + L"とそれより新しい" +
                                  Q(destination + L"a.txt") +
                                  L"は内容が異なります。古いﾌｧｲﾙを新しいﾌｧｲﾙに上書きしますか？";
    HWND box = WaitForBox(program, question);
    ASSERT_NE(box, nullptr) << "the overwrite question did not appear";
    testing::PressButton(box, IDYES);

    std::wstring shown;
    std::vector<std::wstring> expected = {Q(destination + L"a.txt") + L"は更新されました。",
                                          Q(destination + L"new.txt") + L"は新規に格納されました。"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ResultLines(program, shown), expected);
    EXPECT_EQ(testing::ReadFile(destination + L"a.txt"), "source");
    EXPECT_EQ(testing::GetWriteTime(destination + L"a.txt"), kBase);
    EXPECT_EQ(testing::ReadFile(destination + L"new.txt"), "new");
    ExpectLogFileHolds(shown);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(10000));
}

TEST_P(EngineRunsE2E, SyncAnsweredNoCopiesTheNewerDestinationBack) {
    Put(source + L"a.txt", "old", 0);
    Put(destination + L"a.txt", "newer destination", 100);
    Put(destination + L"orphan.txt", "o", 0);

    RunningProgram program(GetParam().exe, Q(source) + L" " + Q(destination));
    HWND main = StartRun(program, IDC_RUN_SYNC);
    ASSERT_NE(main, nullptr);

    const std::wstring question =
        L"更新時刻が古い" + Q(source + L"a.txt") + L"とそれより新しい" + Q(destination + L"a.txt") +
        L"は内容が異なります。古いﾌｧｲﾙを新しいﾌｧｲﾙに上書きしますか？"
        L"ここで「いいえ」を選択すると、逆向き照合時に新しいﾌｧｲﾙを古いﾌｧｲﾙに上書きします。"
        L"この逆向きの上書きをしたくない場合は、「ｷｬﾝｾﾙ」を選択して操作を中断してください。";
    HWND box = WaitForBox(program, question);
    ASSERT_NE(box, nullptr) << "the sync question did not appear";
    EXPECT_NE(GetDlgItem(box, IDCANCEL), nullptr);
    testing::PressButton(box, IDNO);

    std::wstring shown;
    std::vector<std::wstring> expected = {Q(destination + L"orphan.txt") + L"は削除されました。",
                                          Q(source + L"a.txt") + L"は更新されました。"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ResultLines(program, shown), expected);
    EXPECT_EQ(testing::ReadFile(source + L"a.txt"), "newer destination");
    EXPECT_EQ(testing::GetWriteTime(source + L"a.txt"), kBase + 100 * kSecond);
    EXPECT_FALSE(testing::Exists(destination + L"orphan.txt"));
    ExpectLogFileHolds(shown);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(10000));
}

MIRRANT_FOR_BOTH_PROGRAMS(EngineRunsE2E);

}  // namespace
}  // namespace mirrant
