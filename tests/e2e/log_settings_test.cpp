// The log settings sheet of the real programs: the scheduled run's log folder,
// name template and time stamps set through the sheet, then a batch run
// unattended as a scheduled task would, and its log found where it was sent.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "e2e/program_fixture.h"
#include "framework/encoding.h"
#include "framework/profile.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::PressButton;

std::wstring Today() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t buffer[16];
    swprintf(buffer, 16, L"%04u%02u%02u", t.wYear, t.wMonth, t.wDay);
    return buffer;
}

bool WaitClosed(HWND w) {
    for (int i = 0; i < 100 && IsWindow(w) && IsWindowVisible(w); ++i) Sleep(100);
    return !IsWindow(w) || !IsWindowVisible(w);
}

class LogSettingsE2E : public ProgramTest {};

TEST_P(LogSettingsE2E, ScheduledLogGoesWhereTheSheetSentItWithItsTimeStamps) {
    const std::wstring logFolder = dir / L"ﾛｸﾞ\\";  // made by the first run that writes there
    {
        RunningProgram program(GetParam().exe, L"", dir.path());
        HWND main = program.WaitForWindowTitled(GetParam().title);
        ASSERT_NE(main, nullptr);
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_LOG_SETTINGS, 0), 0);
        HWND sheet = program.WaitForWindowTitled(L"ﾛｸﾞ設定");
        ASSERT_NE(sheet, nullptr);
        SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
        HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        ASSERT_NE(GetDlgItem(page, IDC_SLOG_FOLDER), nullptr);
        SendDlgItemMessageW(page, IDC_SLOG_FOLDER, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(logFolder.c_str()));
        SendDlgItemMessageW(page, IDC_SLOG_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"nightly_%Y%M%D.txt"));
        SendDlgItemMessageW(page, IDC_SLOG_STAMP_LINES, BM_CLICK, 0, 0);
        PressButton(page, IDC_LOG_TIME_FORMAT);
        HWND format = program.WaitForWindowTitled(L"時刻の書式");
        ASSERT_NE(format, nullptr);
        SendDlgItemMessageW(format, IDC_TF_NO_DATE, BM_CLICK, 0, 0);
        PressButton(format, IDOK);
        EXPECT_TRUE(WaitClosed(format));
        PressButton(sheet, IDOK);
        EXPECT_TRUE(WaitClosed(sheet));
        EXPECT_EQ(store.GetString(kSettingsSection, L"ScheduleLog", L""), logFolder + L"nightly_%Y%M%D.txt");
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.WaitForExit(10000));
    }

    testing::MakeFolder(dir / L"src\\");
    WriteFile(dir / L"src\\data.txt", "one row");
    const std::wstring batch = dir / L"one row.mrt";
    WriteFile(batch, ToCodePage(L"comment\t\"one\"\r\ncopy\t" + dir / L"src\\" + L"\t" + dir / L"dst\\" + L"\r\n",
                                kCodePage932));
    const std::wstring before = Today();
    {
        RunningProgram program(GetParam().exe, L"/s \"" + batch + L"\"", dir.path());
        ASSERT_TRUE(program.started());
        EXPECT_TRUE(program.WaitForExit(60000)) << "the program did not end by itself";
    }
    EXPECT_TRUE(Exists(dir / L"dst\\data.txt"));
    std::wstring log = logFolder + L"nightly_" + before + L".txt";
    if (!Exists(log)) log = logFolder + L"nightly_" + Today() + L".txt";  // the run passed midnight
    ASSERT_TRUE(Exists(log)) << log;
    const std::wstring text = testing::ReadLogText(log, GetParam().narrow);
    // The start line and every line of the run carry the time without the
    // date ("14時 7分 9秒 >> "); the separator closes the log.
    size_t lines = 0;
    for (size_t at = 0, end; (end = text.find(L"\r\n", at)) != std::wstring::npos; at = end + 2, ++lines) {
        const std::wstring line = text.substr(at, end - at);
        if (line == L"--------------------") break;
        EXPECT_TRUE(line.size() > 13 && line[2] == L'時' && line[5] == L'分' && line[8] == L'秒' &&
                    line.compare(9, 4, L" >> ") == 0) << line;
    }
    EXPECT_GE(lines, 2u) << text;
    EXPECT_NE(text.find(L" >> ﾊﾞｯﾁﾌｧｲﾙを実行します。(ﾊﾞｯﾁﾌｧｲﾙ名：" + batch + L")"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"data.txt"), std::wstring::npos) << text;
}

MIRRANT_FOR_BOTH_PROGRAMS(LogSettingsE2E);

}  // namespace
}  // namespace mirrant
