// The filter sheet of the real programs: an exclusion added through the
// menu, the sheet and the name dialog is saved on OK and honoured by the
// next run, on disk and in the log file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "e2e/program_fixture.h"
#include "framework/profile.h"
#include "log/log_settings.h"
#include "res/resource.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

// The log file's text in either program's encoding.
std::wstring LogText(const std::wstring& path, bool narrow) {
    const std::string bytes = testing::ReadFile(path);
    if (!narrow) {
        if (bytes.size() < 2) return {};
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    }
    int n = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

class FilterSheetE2E : public TwoFoldersTest {};

TEST_P(FilterSheetE2E, ExclusionAddedInTheSheetIsSavedAndHonouredByTheNextRun) {
    const std::wstring logPath = dir / L"run.txt";
    testing::WriteFile(source + L"keep.txt", "keep");
    testing::WriteFile(source + L"scratch.TMP", "scratch");
    SaveLogTo(logPath);

    RunningProgram program(GetParam().exe, Q(source) + L" " + Q(destination));
    ASSERT_TRUE(program.started());
    HWND main = program.WaitForWindowTitled(GetParam().title);
    ASSERT_NE(main, nullptr);
    for (int i = 0; i < 50 && WindowText(GetDlgItem(main, IDC_DEST_EDIT)).empty(); ++i) Sleep(100);

    PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_FILTER, 0), 0);
    HWND sheet = program.WaitForWindowTitled(L"ｺﾋﾟｰ対象・除外の設定");
    ASSERT_NE(sheet, nullptr);
    HWND general = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    testing::PressButton(general, IDC_FG_PARTIAL);
    Sleep(200);
    PostMessageW(sheet, PSM_SETCURSEL, 1, 0);
    Sleep(300);
    HWND files = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_NE(files, general);
    testing::PressButton(files, IDC_FILE_EXC_ADD);
    HWND name = program.WaitForWindowTitled(L"追加するﾌｧｲﾙ名");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(name, IDC_NAME_PROMPT)), L"ﾌｧｲﾙ名を１つ指定してください。");
    // The trailing dot goes, after a real question box.
    SendMessageW(GetDlgItem(name, IDC_NAME_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"*.tmp."));
    testing::PressButton(name, IDOK);
    HWND question = nullptr;
    for (int i = 0; i < 100 && !question; ++i, Sleep(100))
        for (HWND w : program.TopLevelWindows())
            if (testing::MessageBoxText(w) == L"*.tmpに置き換えます。") question = w;
    ASSERT_NE(question, nullptr);
    testing::PressButton(question, IDYES);
    for (int i = 0; i < 100 && IsWindow(name); ++i) Sleep(50);
    testing::PressButton(sheet, IDOK);
    for (int i = 0; i < 100 && IsWindow(sheet); ++i) Sleep(50);
    EXPECT_FALSE(IsWindow(sheet));
    EXPECT_EQ(store.GetString(kSettingsSection, L"MFilesExc", L""), L"*.tmp");
    EXPECT_EQ(store.GetInt(kSettingsSection, L"op8", -1), 1);

    testing::PressButton(main, IDC_RUN_OVERWRITE);
    HWND result = program.WaitForWindowTitled(L"結果ﾛｸﾞ");
    ASSERT_NE(result, nullptr);
    const std::wstring shown = WindowText(GetDlgItem(result, IDC_RESULT_EDIT));
    testing::PressButton(result, IDOK);
    EXPECT_EQ(shown, Q(destination + L"keep.txt") + L"は新規に格納されました。\r\n");
    EXPECT_TRUE(testing::Exists(destination + L"keep.txt"));
    EXPECT_FALSE(testing::Exists(destination + L"scratch.TMP"));
    const std::wstring log = LogText(logPath, GetParam().narrow);
    EXPECT_NE(log.find(shown), std::wstring::npos);
    EXPECT_EQ(log.find(L"scratch"), std::wstring::npos);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(10000));
}

MIRRANT_FOR_BOTH_PROGRAMS(FilterSheetE2E);

}  // namespace
}  // namespace mirrant
