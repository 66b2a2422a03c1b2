// A scheduled run of the real programs with "削除・上書きするﾌｧｲﾙを退避する"
// on: what the run replaces and deletes at the destination is found in the
// run's dated folder, and the schedule log says where it went.
#include <gtest/gtest.h>

#include "e2e/program_fixture.h"
#include "framework/encoding.h"
#include "framework/profile.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

class SetAsideE2E : public TwoFoldersTest {};

TEST_P(SetAsideE2E, AScheduledSyncKeepsWhatItReplacesAndDeletes) {
    const std::wstring logPath = dir / L"schedule.txt";
    WriteFile(source + L"a.txt", "new");
    testing::SetWriteTime(source + L"a.txt", testing::kBaseTime + 100 * testing::kSecond);
    WriteFile(destination + L"a.txt", "old");
    testing::SetWriteTime(destination + L"a.txt", testing::kBaseTime);
    WriteFile(destination + L"orphan.txt", "orphan");
    store.SetString(kSettingsSection, L"ScheduleLog", logPath);
    store.SetInt(kSettingsSection, L"SetAside", 1);
    const std::wstring batch = dir / L"nightly.mrt";
    WriteFile(batch, ToCodePage(L"sync\t" + source + L"\t" + destination + L"\r\n", kCodePage932));

    RunningProgram program(GetParam().exe, L"/S \"" + batch + L"\"", dir.path());
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(program.WaitForExit(60000, nullptr)) << "the program did not end by itself";

    EXPECT_EQ(ReadFile(destination + L"a.txt"), "new");
    EXPECT_FALSE(Exists(destination + L"orphan.txt"));
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((destination + L"_Mirrant退避\\2*").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    const std::wstring run = destination + L"_Mirrant退避\\" + fd.cFileName + L"\\";
    EXPECT_EQ(ReadFile(run + L"a.txt"), "old");
    EXPECT_EQ(ReadFile(run + L"orphan.txt"), "orphan");

    const std::wstring log = testing::ReadLogText(logPath, GetParam().narrow);
    EXPECT_NE(log.find(L"ｺﾋﾟｰ先で削除・上書きした2個のﾌｧｲﾙを\"" + run + L"\"に退避しました。"), std::wstring::npos);
}

MIRRANT_FOR_BOTH_PROGRAMS(SetAsideE2E);

}  // namespace
}  // namespace mirrant
