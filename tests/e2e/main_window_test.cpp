// The real programs: start, main window with its controls, a menu command
// written to the registry, refusal of Enter and Escape, closing.
#include <gtest/gtest.h>

#include "e2e/program_fixture.h"
#include "framework/profile.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace mirrant {
namespace {

class MainWindowE2E : public ProgramTest {};

TEST_P(MainWindowE2E, StartsWithItsControlsAndWritesAMenuOptionAtOnce) {
    RunningProgram program(GetParam().exe, L"");
    ASSERT_TRUE(program.started());
    HWND main = program.WaitForWindowTitled(GetParam().title);
    ASSERT_NE(main, nullptr) << "main window did not appear";

    EXPECT_EQ(WindowText(GetDlgItem(main, IDC_RUN_OVERWRITE)), L"上書き");
    EXPECT_EQ(WindowText(GetDlgItem(main, IDC_RUN_SYNC)), L"同期");
    EXPECT_EQ(WindowText(GetDlgItem(main, IDC_SHOW_LOG)), L"最新ﾛｸﾞ表示");
    EXPECT_EQ(WindowText(GetDlgItem(main, IDC_TEST_MODE)), L"ﾃｽﾄﾓｰﾄﾞ");
    EXPECT_EQ(WindowText(GetDlgItem(main, IDC_SOURCE_LABEL)), L"ｺﾋﾟｰ元");
    EXPECT_EQ(WindowText(GetDlgItem(main, IDC_DEST_LABEL)), L"ｺﾋﾟｰ先");
    // Wine keeps menus private to their process, so the check marks are
    // tested in-process; here the command and the registry value it writes.
    EXPECT_EQ(store.GetInt(kSettingsSection, L"op6", -1), -1);
    // "ｺﾋﾟｰ先が旧時刻でも同じ内容なら上書きしない" switched on through the menu.
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(ID_KEEP_IF_SAME_CONTENT, 0), 0);
    EXPECT_EQ(store.GetInt(kSettingsSection, L"op6", -1), 1);

    // Enter and Escape do nothing.
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_FALSE(program.WaitForExit(300));
    EXPECT_TRUE(IsWindow(main));

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(10000));
}

TEST_P(MainWindowE2E, ScheduleSwitchWithTwoFoldersFillsBothBoxesAndStartsNothing) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::wstring a = std::wstring(tmp) + L"e2e_src", b = std::wstring(tmp) + L"e2e_dst";
    CreateDirectoryW(a.c_str(), nullptr);
    CreateDirectoryW(b.c_str(), nullptr);
    RunningProgram program(GetParam().exe, L"/s \"" + a + L"\" \"" + b + L"\" " + L"C:\\no\\such\\path");
    std::wstring title = std::wstring(GetParam().title) + L"―ｽｹｼﾞｭｰﾙ実行中";
    HWND main = program.WaitForWindowTitled(title);
    ASSERT_NE(main, nullptr) << "title with the schedule suffix not found";
    // The command line is processed once the window is up.
    for (int i = 0; i < 50 && WindowText(GetDlgItem(main, IDC_DEST_EDIT)).empty(); ++i) Sleep(100);
    EXPECT_EQ(WindowText(GetDlgItem(main, IDC_SOURCE_EDIT)), a + L"\\");
    EXPECT_EQ(WindowText(GetDlgItem(main, IDC_DEST_EDIT)), b + L"\\");
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(10000));
    RemoveDirectoryW(a.c_str());
    RemoveDirectoryW(b.c_str());
}

MIRRANT_FOR_BOTH_PROGRAMS(MainWindowE2E);

}  // namespace
}  // namespace mirrant
