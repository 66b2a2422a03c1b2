// The real programs after a run: an overwrite of a small tree through the
// main window saves its log through the log saving dialog, shows the result
// window with the run's lines, and "最新ﾛｸﾞ表示" shows them again.
#include <gtest/gtest.h>

#include <string>

#include "e2e/program_fixture.h"
#include "framework/profile.h"
#include "log/log_settings.h"
#include "res/resource.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

class ResultWindowE2E : public TwoFoldersTest {};

TEST_P(ResultWindowE2E, OverwriteShowsItsLinesAndTheLatestLogShowsThemAgain) {
    const std::wstring logPath = dir / L"run.txt";
    testing::MakeFolder(source + L"sub");
    testing::WriteFile(source + L"a.txt", "alpha");
    testing::WriteFile(source + L"sub\\b.txt", "beta");
    SaveLogTo(logPath);

    RunningProgram program(GetParam().exe, L"\"" + source + L"\" \"" + destination + L"\"");
    ASSERT_TRUE(program.started());
    HWND main = program.WaitForWindowTitled(GetParam().title);
    ASSERT_NE(main, nullptr) << "main window did not appear";
    for (int i = 0; i < 50 && WindowText(GetDlgItem(main, IDC_DEST_EDIT)).empty(); ++i) Sleep(100);
    ASSERT_EQ(WindowText(GetDlgItem(main, IDC_DEST_EDIT)), destination);

    testing::PressButton(main, IDC_RUN_OVERWRITE);
    // The log saving dialog stays up for a moment with the outcome.
    HWND saving = program.WaitForWindowTitled(L"ﾛｸﾞ保存経過");
    ASSERT_NE(saving, nullptr) << "log saving dialog did not appear";
    HWND result = program.WaitForWindowTitled(L"結果ﾛｸﾞ");
    ASSERT_NE(result, nullptr) << "result window did not appear";
    EXPECT_FALSE(IsWindow(saving) && IsWindowVisible(saving));

    const std::wstring shown = WindowText(GetDlgItem(result, IDC_RESULT_EDIT));
    EXPECT_NE(shown.find(L"\"" + destination + L"a.txt\"は新規に格納されました。\r\n"), std::wstring::npos) << shown;
    EXPECT_NE(shown.find(L"\"" + destination + L"sub\\b.txt\"は新規に格納されました。\r\n"), std::wstring::npos)
        << shown;
    EXPECT_EQ(shown.substr(shown.size() - 2), L"\r\n");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(result, IDC_RESULT_NEXT)));
    EXPECT_EQ(testing::ReadFile(destination + L"sub\\b.txt"), "beta");

    // The log file holds the start line and the same lines.
    const std::string bytes = testing::ReadFile(logPath);
    if (GetParam().exe == std::wstring(L"Mirrant_U.exe")) {
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
        EXPECT_NE(text.find(L"上書きを開始します。(ｺﾋﾟｰ元：" + source + L", ｺﾋﾟｰ先：" + destination + L")\r\n" + shown),
                  std::wstring::npos)
            << text;
    } else {
        EXPECT_NE(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
        EXPECT_NE(bytes.find("\\dst\\sub\\b.txt"), std::string::npos);
    }

    testing::PressButton(result, IDOK);
    for (int i = 0; i < 100 && IsWindow(result); ++i) Sleep(50);
    ASSERT_FALSE(IsWindow(result));

    // "最新ﾛｸﾞ表示" opens the window again with the same lines. The button is
    // enabled a moment before the run has quite ended, and a click in that
    // moment is ignored: press until the window comes.
    HWND again = nullptr;
    for (int i = 0; i < 5 && !again; ++i) {
        testing::PressButton(main, IDC_SHOW_LOG);
        again = program.WaitForWindowTitled(L"結果ﾛｸﾞ", 3000);
    }
    ASSERT_NE(again, nullptr) << "\"最新ﾛｸﾞ表示\" opened no result window";
    EXPECT_EQ(WindowText(GetDlgItem(again, IDC_RESULT_EDIT)), shown);
    testing::PressButton(again, IDOK);
    for (int i = 0; i < 100 && IsWindow(again); ++i) Sleep(50);
    EXPECT_FALSE(IsWindow(again));

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(10000));
}

MIRRANT_FOR_BOTH_PROGRAMS(ResultWindowE2E);

}  // namespace
}  // namespace mirrant
