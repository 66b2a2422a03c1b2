#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/profile.h"
#include "settings/settings.h"

namespace mirrant {
namespace {

class SettingsTableTest : public ::testing::Test {
protected:
    void SetUp() override { store.DeleteRoot(); }
    void TearDown() override { store.DeleteRoot(); }
    ProfileStore store{AppProfile().rootKey() + L"_table"};
};

struct IntCase {
    const IntSetting& setting;
    const wchar_t* name;        // the value name the program has always used
    std::optional<int> stored;  // nothing: the value is missing
    int expected;
};

TEST_F(SettingsTableTest, EveryIntegerValueReadsAsItsDefaultWhenMissingAndCorrectedOutOfRange) {
    const IntCase cases[] = {
        {setting::DeletePriority, L"op1", {}, 1},
        {setting::DeletePriority, L"op1", 0, 0},
        {setting::DeletePriority, L"op1", -1, 1},
        {setting::ConfirmFolderDelete, L"op2", {}, 1},
        {setting::ConfirmFolderDelete, L"op2", 0, 0},
        {setting::UpdateReadOnly, L"op3", {}, 1},
        {setting::UpdateReadOnly, L"op3", 0, 0},
        {setting::ConfirmSameTimeDifferentSize, L"op4", {}, 1},
        {setting::ConfirmSameTimeDifferentSize, L"op4", 0, 0},
        {setting::SameTimeSameSizeIsSame, L"op5", {}, 1},
        {setting::SameTimeSameSizeIsSame, L"op5", 0, 0},
        {setting::KeepIfSameContent, L"op6", {}, 0},
        {setting::KeepIfSameContent, L"op6", 5, 1},
        {setting::DelayedWritePriority, L"op7", {}, 1},
        {setting::DelayedWritePriority, L"op7", 0, 0},
        {setting::FilterFlags, L"op8", {}, 0},
        {setting::FilterFlags, L"op8", 0x301, 0x301},
        {setting::DisplayLevel, L"op9", {}, 0},
        {setting::DisplayLevel, L"op9", 80, 80},
        {setting::DisplayLevel, L"op9", 15, 15},  // a hand-edited threshold acts as it is
        {setting::RunPriority, L"op10", {}, 0},
        {setting::RunPriority, L"op10", 2, 2},
        {setting::RunPriority, L"op10", -2, -2},
        {setting::RunPriority, L"op10", 3, 0},
        {setting::RunPriority, L"op10", -3, 0},
        {setting::ConfirmNewerDestination, L"op11", {}, 1},
        {setting::ConfirmNewerDestination, L"op11", 0, 0},
        {setting::ConfirmationPolicies, L"op12", {}, 0x01010101},
        {setting::ConfirmationPolicies, L"op12", static_cast<int>(0xFF000100u), static_cast<int>(0xFF000100u)},
        {setting::TextBatchDefault, L"op13", {}, 0},
        {setting::TextBatchDefault, L"op13", 7, 1},
        {setting::MissingInDestination, L"op14", {}, 0},
        {setting::MissingInDestination, L"op14", 3, 3},
        {setting::MissingInDestination, L"op14", -1, 0},
        {setting::MissingInDestination, L"op14", 4, 0},
        {setting::MissingInSource, L"op15", {}, 1},
        {setting::MissingInSource, L"op15", 0, 0},
        {setting::MissingInSource, L"op15", 7, 1},
        {setting::MissingInSource, L"op15", -1, 1},
        {setting::LogSettings, L"op16", {}, 1864362},
        {setting::LogSettings, L"op16", 1, 1},
        {setting::BatchNoticeFlags, L"op17", {}, 0},
        {setting::BatchNoticeFlags, L"op17", 3, 3},
        {setting::CopyEmptyFolders, L"op18", {}, 1},
        {setting::CopyEmptyFolders, L"op18", 2, 0},  // only bit 0 counts
        {setting::CopyEmptyFolders, L"op18", 3, 1},
        {setting::ReverseOverwriteNewer, L"op19", {}, 0},
        {setting::ReverseOverwriteNewer, L"op19", 1, 1},
        {setting::SetAsideFiles, L"SetAside", {}, 0},
        {setting::SetAsideFiles, L"SetAside", 2, 1},
        {setting::SetAsideDays, L"SetAsideDays", {}, 30},
        {setting::SetAsideDays, L"SetAsideDays", 3650, 3650},
        {setting::SetAsideDays, L"SetAsideDays", 0, 30},
        {setting::SetAsideDays, L"SetAsideDays", 3651, 30},
        {setting::VerifyCopies, L"VerifyCopy", {}, 0},
        {setting::VerifyCopies, L"VerifyCopy", 1, 1},
        {setting::VerifyCopies, L"VerifyCopy", 2, 1},
        {setting::RunSummary, L"RunSummary", {}, 1},
        {setting::RunSummary, L"RunSummary", 0, 0},
        {setting::GuardOn, L"GuardOn", {}, 1},
        {setting::GuardOn, L"GuardOn", 0, 0},
        {setting::GuardOn, L"GuardOn", 2, 1},
        {setting::GuardPercent, L"GuardPercent", {}, 50},
        {setting::GuardPercent, L"GuardPercent", 1, 1},
        {setting::GuardPercent, L"GuardPercent", 100, 100},
        {setting::GuardPercent, L"GuardPercent", 0, 50},
        {setting::GuardPercent, L"GuardPercent", 101, 50},
        {setting::GuardMinimum, L"GuardMinimum", {}, 20},
        {setting::GuardMinimum, L"GuardMinimum", 1, 1},
        {setting::GuardMinimum, L"GuardMinimum", 1000000, 1000000},
        {setting::GuardMinimum, L"GuardMinimum", 0, 20},
        {setting::GuardMinimum, L"GuardMinimum", 1000001, 20},
        {setting::TimeDelta, L"TimeDelta", {}, 2},
        {setting::TimeDelta, L"TimeDelta", 1, 1},
        {setting::TimeDelta, L"TimeDelta", 360, 360},
        {setting::TimeDelta, L"TimeDelta", 361, 360},
        {setting::TimeDelta, L"TimeDelta", 1000, 360},
        {setting::TimeDelta, L"TimeDelta", 0, 2},
        {setting::TimeDelta, L"TimeDelta", -5, 2},
    };
    for (const IntCase& c : cases) {
        std::wstring label = c.name + (c.stored ? L"=" + std::to_wstring(*c.stored) : L" missing");
        EXPECT_EQ(std::wstring(c.setting.name), c.name) << label;
        store.DeleteValue(L"Settings", c.name);
        if (c.stored) store.SetInt(L"Settings", c.name, *c.stored);
        EXPECT_EQ(ReadSetting(store, c.setting), c.expected) << label;
    }
}

TEST_F(SettingsTableTest, WritesLandInTheSettingsSectionUnderTheirNames) {
    EXPECT_TRUE(WriteSetting(store, setting::LogSettings, 0xFFFFFFFFu));
    EXPECT_EQ(store.GetInt(L"Settings", L"op16", 0), -1);
    EXPECT_TRUE(WriteSetting(store, setting::MissingInSource, 9));  // stored as given, corrected on reading
    EXPECT_EQ(store.GetInt(L"Settings", L"op15", 0), 9);
    EXPECT_EQ(ReadSetting(store, setting::MissingInSource), 1);
}

TEST_F(SettingsTableTest, TextValues) {
    struct TextCase {
        const TextSetting& setting;
        const wchar_t* name;
    };
    const TextCase cases[] = {
        {setting::UserLog, L"UserLog"},          {setting::ScheduleLog, L"ScheduleLog"},
        {setting::FileIncludes, L"MFiles"},      {setting::FileExcludes, L"MFilesExc"},
        {setting::FolderIncludes, L"MFolders"},  {setting::FolderExcludes, L"MFoldersExc"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(std::wstring(c.setting.name), c.name);
        EXPECT_EQ(ReadSetting(store, c.setting), L"") << "missing, no default given";
        EXPECT_EQ(ReadSetting(store, c.setting, L"C:\\ﾛｸﾞ.txt"), L"C:\\ﾛｸﾞ.txt");
        EXPECT_TRUE(WriteSetting(store, c.setting, L"*.c|*.ｈ"));
        EXPECT_EQ(store.GetString(L"Settings", c.name, L"?"), L"*.c|*.ｈ");
        EXPECT_EQ(ReadSetting(store, c.setting, L"default"), L"*.c|*.ｈ");
        EXPECT_TRUE(RemoveSetting(store, c.setting));
        EXPECT_FALSE(store.HasValue(L"Settings", c.name));
        EXPECT_TRUE(RemoveSetting(store, c.setting)) << "removing a missing value succeeds";
    }
}

TEST_F(SettingsTableTest, RecordValuesComeBackAsStored) {
    EXPECT_EQ(std::wstring(setting::CreationRange.name), L"TmFilterC");
    EXPECT_EQ(std::wstring(setting::ModificationRange.name), L"TmFilterM");
    EXPECT_FALSE(ReadSetting(store, setting::CreationRange).has_value());
    const std::vector<std::uint8_t> shortRecord = {0x20, 0x00, 0x00, 0x00};
    EXPECT_TRUE(WriteSetting(store, setting::ModificationRange, shortRecord));
    EXPECT_EQ(*store.GetBinary(L"Settings", L"TmFilterM"), shortRecord);
    EXPECT_EQ(*ReadSetting(store, setting::ModificationRange), shortRecord);
    EXPECT_FALSE(ReadSetting(store, setting::CreationRange).has_value());
}

TEST(SettingsSections, NamesOfTheTwoSections) {
    EXPECT_EQ(std::wstring(kSettingsSection), L"Settings");
    EXPECT_EQ(std::wstring(kHistorySection), L"Recent File List");
    EXPECT_EQ(std::wstring(kHistoryEntryFormat), L"File%d");
    EXPECT_EQ(kHistoryEntries, 16u);
}

}  // namespace
}  // namespace mirrant
