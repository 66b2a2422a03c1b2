#include <gtest/gtest.h>

#include "framework/profile.h"
#include "settings/settings.h"

namespace mirrant {
namespace {

TEST(ProfileStore, ValuesRoundTripAndMissingOnesGiveTheDefault) {
    ProfileStore& p = AppProfile();
    EXPECT_EQ(p.GetInt(kSettingsSection, L"nothing", 42), 42);
    EXPECT_TRUE(p.SetInt(kSettingsSection, L"op12", static_cast<int>(0xFF000100u)));
    EXPECT_EQ(static_cast<unsigned>(p.GetInt(kSettingsSection, L"op12", 0)), 0xFF000100u);
    EXPECT_TRUE(p.SetString(kSettingsSection, L"UserLog", L"C:\\ﾛｸﾞ\\%Y.txt"));
    EXPECT_EQ(p.GetString(kSettingsSection, L"UserLog", L""), L"C:\\ﾛｸﾞ\\%Y.txt");
    std::vector<std::uint8_t> rec(32, 0xAB);
    EXPECT_TRUE(p.SetBinary(kSettingsSection, L"TmFilterC", rec));
    EXPECT_EQ(*p.GetBinary(kSettingsSection, L"TmFilterC"), rec);
    EXPECT_TRUE(p.DeleteValue(kSettingsSection, L"TmFilterC"));
    EXPECT_FALSE(p.GetBinary(kSettingsSection, L"TmFilterC").has_value());
    EXPECT_FALSE(p.HasValue(kSettingsSection, L"TmFilterC"));
}

TEST(ProfileStore, AValueOfTheWrongTypeReadsAsTheDefault) {
    ProfileStore& p = AppProfile();
    p.SetString(kSettingsSection, L"op1", L"1");
    EXPECT_EQ(p.GetInt(kSettingsSection, L"op1", 7), 7);
    p.SetInt(kSettingsSection, L"UserLog2", 5);
    EXPECT_EQ(p.GetString(kSettingsSection, L"UserLog2", L"def"), L"def");
}

TEST(ProfileStore, DeleteRootRemovesEverything) {
    ProfileStore p(AppProfile().rootKey() + L"_other");
    p.SetInt(L"Recent File List", L"File1", 1);
    EXPECT_TRUE(p.DeleteRoot());
    EXPECT_EQ(p.GetInt(L"Recent File List", L"File1", -5), -5);
}

}  // namespace
}  // namespace mirrant
