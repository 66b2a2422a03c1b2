// The small settings dialogs: their mappings as tables, and each dialog run
// in-process with a scripted user, checking the options and the registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <stdexcept>
#include <vector>

#include "framework/edition.h"
#include "framework/profile.h"
#include "res/resource.h"
#include "settings/run_options.h"
#include "ui/settings_dialogs.h"
#include "window_driver.h"

namespace mirrant {
namespace {

using testing::Need;
using testing::Press;
using testing::UserScript;
using testing::WaitForWindow;
using testing::WaitGone;

constexpr int kAbsent = -12345;

int Stored(const wchar_t* name) { return AppProfile().GetInt(kSettingsSection, name, kAbsent); }

class SettingsDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* name : {optname::DisplayLevel, optname::RunPriority, optname::TimeDelta,
                                    optname::ConfirmFolderDelete, optname::ConfirmSameTimeDifferentSize,
                                    optname::ConfirmNewerDestination, optname::ConfirmationPolicies,
                                    optname::SetAsideFiles, optname::SetAsideDays, optname::GuardOn,
                                    optname::GuardPercent, optname::GuardMinimum})
            AppProfile().DeleteValue(kSettingsSection, name);
    }
};

TEST(DisplayMapping, StoredLevelToPositionAndBack) {
    const std::pair<int, int> opening[] = {{0, 0},  {10, 1}, {20, 2}, {30, 3}, {40, 3},  {60, 3},
                                           {80, 3}, {15, 0}, {-1, 0}, {81, 0}, {100, 0}, {5, 0}};
    for (auto [stored, position] : opening) EXPECT_EQ(DisplayPositionFromLevel(stored), position) << stored;
    const std::pair<int, int> saving[] = {{0, 0}, {1, 10}, {2, 20}, {3, 80}, {-1, 0}, {4, 0}};
    for (auto [position, level] : saving) EXPECT_EQ(DisplayLevelFromPosition(position), level) << position;
}

TEST(PriorityMapping, StoredValueToPositionAndBack) {
    const std::pair<int, int> opening[] = {{2, 0}, {1, 1}, {0, 2}, {-1, 3}, {-2, 4}, {3, 2}, {-3, 2}, {100, 2}};
    for (auto [stored, position] : opening) EXPECT_EQ(PriorityPositionFromValue(stored), position) << stored;
    const std::pair<int, int> saving[] = {{0, 2}, {1, 1}, {2, 0}, {3, -1}, {4, -2}, {5, 0}, {-1, 0}};
    for (auto [position, value] : saving) EXPECT_EQ(PriorityValueFromPosition(position), value) << position;
}

TEST(ToleranceParsing, AcceptsOneTo360Only) {
    EXPECT_EQ(ParseTolerance(L"1"), 1u);
    EXPECT_EQ(ParseTolerance(L"2"), 2u);
    EXPECT_EQ(ParseTolerance(L"360"), 360u);
    EXPECT_EQ(ParseTolerance(L" 30 "), 30u);
    EXPECT_EQ(ParseTolerance(L"007"), 7u);
    for (const wchar_t* bad : {L"0", L"361", L"400", L"", L"  ", L"-5", L"+5", L"1.5", L"5s", L"abc",
                               L"99999999999999999999999", L"３"})
        EXPECT_FALSE(ParseTolerance(bad).has_value()) << bad;
}

TEST(ConfirmChoicesTable, FieldsToButtonsAndBack) {
    RunOptions o;
    EXPECT_EQ(ConfirmChoicesFromOptions(o), (ConfirmChoices{0, 0, 0, 0, 0, 0, 0}));
    o.confirmFolderDelete = false;
    o.confirmSameTimeDifferentSize = true;
    o.confirmNewerDestination = false;
    o.writeFailurePolicy = ErrorPolicy::Abort;
    o.folderFailurePolicy = ErrorPolicy::Skip;
    o.deleteFailurePolicy = ErrorPolicy::Confirm;
    o.confirmOtherErrors = false;
    ConfirmChoices c = ConfirmChoicesFromOptions(o);
    EXPECT_EQ(c, (ConfirmChoices{1, 0, 1, 2, 1, 0, 1}));

    RunOptions back;
    ApplyConfirmChoices(c, back);
    EXPECT_EQ(ConfirmChoicesFromOptions(back), c);
    EXPECT_EQ(PackConfirmationPolicies(back), 0xFF000100u);

    // A group with nothing selected reads as its first, confirming button.
    ApplyConfirmChoices(ConfirmChoices{-1, -1, -1, -1, -1, -1, -1}, back);
    EXPECT_EQ(ConfirmChoicesFromOptions(back), (ConfirmChoices{0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(PackConfirmationPolicies(back), kDefaultConfirmationPolicies);
    for (int g = 0; g < kConfirmGroupCount; ++g)
        EXPECT_EQ(ConfirmGroupSize(g), g >= kGroupWriteFailure && g <= kGroupDeleteFailure ? 3 : 2);
}

int TrackPos(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0)); }
void SetTrackPos(HWND dialog, int id, int pos) { SendDlgItemMessageW(dialog, id, TBM_SETPOS, TRUE, pos); }

TEST_F(SettingsDialogs, TrackBarDialogsAreReadOnlyDuringARun) {
    struct Case {
        const wchar_t* title;
        int track;
        bool (*show)(HWND, RunOptions&, bool);
    };
    for (Case c : {Case{L"経過表示設定", IDC_DISPLAY_TRACK, ShowDisplaySettingsDialog},
                   Case{L"実行優先度設定", IDC_PRIORITY_TRACK, ShowPriorityDialog}}) {
        RunOptions o;
        bool trackEnabled = true, okEnabled = true;
        UserScript user([&](DWORD thread) {
            HWND d = Need(WaitForWindow(thread, c.title), "track bar dialog");
            trackEnabled = testing::Enabled(d, c.track);
            okEnabled = testing::Enabled(d, IDOK);
            // Even a forced OK must not write anything.
            Press(d, IDOK);
            Sleep(100);
            Press(d, IDCANCEL);
        });
        EXPECT_FALSE(c.show(nullptr, o, true));
        user.Join();
        EXPECT_FALSE(trackEnabled);
        EXPECT_FALSE(okEnabled);
        EXPECT_EQ(Stored(optname::DisplayLevel), kAbsent);
        EXPECT_EQ(Stored(optname::RunPriority), kAbsent);
    }
}

// Each track bar dialog opens at the stored value's position, shows its
// labels, and writes the moved position only on OK.
TEST_F(SettingsDialogs, TrackBarDialogsOpenAtTheStoredValueAndSaveOnlyOnOk) {
    struct Case {
        const char* what;
        const wchar_t* title;
        int track;
        bool (*show)(HWND, RunOptions&, bool);
        int RunOptions::*value;
        const wchar_t* name;
        int stored;
        int label;
        const wchar_t* labelText;
        int movedTo;
        int button;
        int opened;
        int after;
        int written;
    };
    const Case cases[] = {
        // A hand-edited "op9" opens at "最大".
        {"display, odd level, OK", L"経過表示設定", IDC_DISPLAY_TRACK, ShowDisplaySettingsDialog, &RunOptions::displayLevel,
         optname::DisplayLevel, 15, IDC_DISPLAY_LABEL1, L"中    -- 照合中のﾌｫﾙﾀﾞ名を表示し、ﾌｧｲﾙ名は表示しません", 3, IDOK,
         0, 80, 80},
        {"display, cancelled", L"経過表示設定", IDC_DISPLAY_TRACK, ShowDisplaySettingsDialog, &RunOptions::displayLevel,
         optname::DisplayLevel, 20, IDC_DISPLAY_LABEL2, L"小    -- 照合中のﾌｫﾙﾀﾞ名とﾌｧｲﾙ名を表示しません", 0, IDCANCEL,
         2, 20, kAbsent},
        {"priority, OK", L"実行優先度設定", IDC_PRIORITY_TRACK, ShowPriorityDialog, &RunOptions::runPriority,
         optname::RunPriority, -1, IDC_PRIORITY_LABEL0, L"＋２　（高速）", 0, IDOK, 3, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AppProfile().DeleteValue(kSettingsSection, c.name);
        RunOptions o;
        o.*c.value = c.stored;
        int opened = -1;
        std::wstring label;
        UserScript user([&](DWORD thread) {
            HWND d = Need(WaitForWindow(thread, c.title), "track bar dialog");
            opened = TrackPos(d, c.track);
            label = testing::TextOf(d, c.label);
            SetTrackPos(d, c.track, c.movedTo);
            Press(d, c.button);
        });
        EXPECT_EQ(c.show(nullptr, o, false), c.button == IDOK);
        user.Join();
        EXPECT_EQ(opened, c.opened);
        EXPECT_EQ(label, c.labelText);
        EXPECT_EQ(o.*c.value, c.after);
        EXPECT_EQ(Stored(c.name), c.written);
    }
}

// Enters each value in the dialog's number box and presses OK; each is
// refused with a message box, whose texts come back in order, and the dialog
// stays open.
std::vector<std::wstring> RefusedValues(DWORD thread, HWND d, int box, std::initializer_list<const wchar_t*> values) {
    std::vector<std::wstring> messages;
    for (const wchar_t* bad : values) {
        SetDlgItemTextW(d, box, bad);
        Press(d, IDOK);
        HWND message = Need(WaitForWindow(thread, ProductName()), "range message");
        messages.push_back(testing::MessageBoxText(message));
        Press(message, IDOK);
        WaitGone(message);
        if (!IsWindowVisible(d)) throw std::runtime_error("dialog closed on a bad value");
    }
    return messages;
}

TEST_F(SettingsDialogs, ToleranceOutOfRangeKeepsTheDialogOpenWithTheRangeMessage) {
    RunOptions o;
    o.timeToleranceSeconds = 2;
    std::wstring opened;
    std::vector<std::wstring> messages;
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, L"照合時刻の誤差設定"), "dialog 133");
        opened = testing::TextOf(d, IDC_TOLERANCE_EDIT);
        messages = RefusedValues(thread, d, IDC_TOLERANCE_EDIT, {L"0", L"400", L""});
        SetDlgItemTextW(d, IDC_TOLERANCE_EDIT, L"360");
        testing::SetRadio(d, IDC_TOLERANCE_KEEP, false);
        Press(d, IDOK);
    });
    EXPECT_TRUE(ShowToleranceDialog(nullptr, o, false));
    user.Join();
    EXPECT_EQ(opened, L"2");
    ASSERT_EQ(messages.size(), 3u);
    for (auto& m : messages) EXPECT_EQ(m, L"1 から 360 までの整数を入力してください。");
    // Used from now on, but the next start keeps the stored value.
    EXPECT_EQ(o.timeToleranceSeconds, 360u);
    EXPECT_FALSE(o.keepTolerance);
    EXPECT_EQ(Stored(optname::TimeDelta), kAbsent);
}

TEST_F(SettingsDialogs, SetAsideDialogRefusesDaysOutOfRangeThenStoresBothValues) {
    RunOptions o;
    bool openedOn = true;
    std::wstring openedDays;
    std::vector<std::wstring> messages;
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, L"削除・上書きﾌｧｲﾙの退避"), "dialog 7400");
        openedOn = testing::Checked(d, IDC_SET_ASIDE_ON);
        openedDays = testing::TextOf(d, IDC_SET_ASIDE_DAYS);
        testing::SetRadio(d, IDC_SET_ASIDE_ON, true);
        messages = RefusedValues(thread, d, IDC_SET_ASIDE_DAYS, {L"0", L"3651"});
        SetDlgItemTextW(d, IDC_SET_ASIDE_DAYS, L"3650");
        Press(d, IDOK);
    });
    EXPECT_TRUE(ShowSetAsideDialog(nullptr, o, false));
    user.Join();
    // Off by default, 30 days.
    EXPECT_FALSE(openedOn);
    EXPECT_EQ(openedDays, L"30");
    ASSERT_EQ(messages.size(), 2u);
    for (auto& m : messages) EXPECT_EQ(m, L"保存日数には 1 から 3650 までの整数を入力してください。");
    EXPECT_TRUE(o.setAsideFiles);
    EXPECT_EQ(o.setAsideDays, 3650);
    EXPECT_EQ(Stored(L"SetAside"), 1);
    EXPECT_EQ(Stored(L"SetAsideDays"), 3650);
    RunOptions loaded;
    LoadRunOptions(loaded, AppProfile());
    EXPECT_TRUE(loaded.setAsideFiles);
    EXPECT_EQ(loaded.setAsideDays, 3650);
}

TEST_F(SettingsDialogs, ToleranceWithTheBoxTickedIsStored) {
    RunOptions o;
    o.keepTolerance = false;
    bool openedTicked = true;
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, L"照合時刻の誤差設定"), "dialog 133");
        openedTicked = testing::Checked(d, IDC_TOLERANCE_KEEP);
        SetDlgItemTextW(d, IDC_TOLERANCE_EDIT, L"1");
        testing::SetRadio(d, IDC_TOLERANCE_KEEP, true);
        Press(d, IDOK);
    });
    EXPECT_TRUE(ShowToleranceDialog(nullptr, o, false));
    user.Join();
    EXPECT_FALSE(openedTicked);
    EXPECT_EQ(o.timeToleranceSeconds, 1u);
    EXPECT_TRUE(o.keepTolerance);
    EXPECT_EQ(Stored(optname::TimeDelta), 1);
}

TEST_F(SettingsDialogs, ConfirmOptionsPreselectsAndStoresAllSeven) {
    RunOptions o;
    o.confirmFolderDelete = false;
    o.deleteFailurePolicy = ErrorPolicy::Skip;
    o.suppressFolderDeleteConfirm = true;
    bool pre[4] = {};
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, L"確認ｵﾌﾟｼｮﾝ一括設定"), "dialog 144");
        pre[0] = testing::Checked(d, IDC_CONFIRM_FOLDER_DELETE_NO);
        pre[1] = testing::Checked(d, IDC_CONFIRM_DELETE_SKIP);
        pre[2] = testing::Checked(d, IDC_CONFIRM_WRITE_CONFIRM);
        pre[3] = testing::Checked(d, IDC_CONFIRM_OTHER_YES);
        auto choose = [&](int on, std::initializer_list<int> off) {
            for (int id : off) testing::SetRadio(d, id, false);
            testing::SetRadio(d, on, true);
        };
        choose(IDC_CONFIRM_FOLDER_DELETE_YES, {IDC_CONFIRM_FOLDER_DELETE_NO});
        choose(IDC_CONFIRM_SAME_TIME_NO, {IDC_CONFIRM_SAME_TIME_YES});
        choose(IDC_CONFIRM_NEWER_NO, {IDC_CONFIRM_NEWER_YES});
        choose(IDC_CONFIRM_WRITE_ABORT, {IDC_CONFIRM_WRITE_CONFIRM, IDC_CONFIRM_WRITE_SKIP});
        choose(IDC_CONFIRM_FOLDER_SKIP, {IDC_CONFIRM_FOLDER_CONFIRM, IDC_CONFIRM_FOLDER_ABORT});
        // No button at all in the delete group: reads as "確認ﾒｯｾｰｼﾞを表示する".
        for (int id : {IDC_CONFIRM_DELETE_CONFIRM, IDC_CONFIRM_DELETE_SKIP, IDC_CONFIRM_DELETE_ABORT})
            testing::SetRadio(d, id, false);
        choose(IDC_CONFIRM_OTHER_NO, {IDC_CONFIRM_OTHER_YES});
        Press(d, IDOK);
    });
    EXPECT_TRUE(ShowConfirmOptionsDialog(nullptr, o, false));
    user.Join();
    EXPECT_TRUE(pre[0] && pre[1] && pre[2] && pre[3]);
    EXPECT_TRUE(o.confirmFolderDelete);
    EXPECT_FALSE(o.suppressFolderDeleteConfirm);  // the very next run asks again
    EXPECT_FALSE(o.confirmSameTimeDifferentSize);
    EXPECT_FALSE(o.confirmNewerDestination);
    EXPECT_EQ(o.writeFailurePolicy, ErrorPolicy::Abort);
    EXPECT_EQ(o.folderFailurePolicy, ErrorPolicy::Skip);
    EXPECT_EQ(o.deleteFailurePolicy, ErrorPolicy::Confirm);
    EXPECT_FALSE(o.confirmOtherErrors);
    EXPECT_EQ(Stored(optname::ConfirmFolderDelete), 1);
    EXPECT_EQ(Stored(optname::ConfirmSameTimeDifferentSize), 0);
    EXPECT_EQ(Stored(optname::ConfirmNewerDestination), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(Stored(optname::ConfirmationPolicies)), 0xFF000100u);
}

TEST_F(SettingsDialogs, ConfirmOptionsSwitchingFolderDeleteOffSuppressesTheQuestion) {
    RunOptions o;
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, L"確認ｵﾌﾟｼｮﾝ一括設定"), "dialog 144");
        testing::SetRadio(d, IDC_CONFIRM_FOLDER_DELETE_YES, false);
        testing::SetRadio(d, IDC_CONFIRM_FOLDER_DELETE_NO, true);
        Press(d, IDOK);
    });
    EXPECT_TRUE(ShowConfirmOptionsDialog(nullptr, o, false));
    user.Join();
    EXPECT_FALSE(o.confirmFolderDelete);
    EXPECT_TRUE(o.suppressFolderDeleteConfirm);
    EXPECT_EQ(Stored(optname::ConfirmFolderDelete), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(Stored(optname::ConfirmationPolicies)), kDefaultConfirmationPolicies);
}

TEST_F(SettingsDialogs, ConfirmOptionsIsReadOnlyDuringARun) {
    RunOptions o;
    int enabledRadios = 0;
    bool okEnabled = true;
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, L"確認ｵﾌﾟｼｮﾝ一括設定"), "dialog 144");
        for (int g = 0; g < kConfirmGroupCount; ++g)
            for (int b = 0; b < ConfirmGroupSize(g); ++b)
                if (testing::Enabled(d, IDC_CONFIRM_FIRST + 10 * g + b)) ++enabledRadios;
        okEnabled = testing::Enabled(d, IDOK);
        testing::SetRadio(d, IDC_CONFIRM_FOLDER_DELETE_NO, true);
        Press(d, IDOK);
        Sleep(100);
        Press(d, IDCANCEL);
    });
    EXPECT_FALSE(ShowConfirmOptionsDialog(nullptr, o, true));
    user.Join();
    EXPECT_EQ(enabledRadios, 0);
    EXPECT_FALSE(okEnabled);
    EXPECT_TRUE(o.confirmFolderDelete);
    EXPECT_EQ(Stored(optname::ConfirmFolderDelete), kAbsent);
    EXPECT_EQ(Stored(optname::ConfirmationPolicies), kAbsent);
}

// The guard dialog opens with the defaults (on, 50 %, 20 files), refuses
// each number out of its range with that number's own message and keeps the
// dialog open, and writes all three values on OK; Cancel writes nothing,
// and during a run nothing can be changed.
TEST_F(SettingsDialogs, GuardDialogRefusesEachNumberOutOfItsRangeThenStoresAllThree) {
    RunOptions o;
    bool openedOn = false;
    std::wstring openedPercent, openedMinimum;
    std::vector<std::wstring> percentMessages, minimumMessages;
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, L"大量変更の保護"), "dialog 7500");
        openedOn = testing::Checked(d, IDC_GUARD_ON);
        openedPercent = testing::TextOf(d, IDC_GUARD_PERCENT);
        openedMinimum = testing::TextOf(d, IDC_GUARD_MINIMUM);
        testing::SetRadio(d, IDC_GUARD_ON, false);
        percentMessages = RefusedValues(thread, d, IDC_GUARD_PERCENT, {L"0", L"101", L""});
        SetDlgItemTextW(d, IDC_GUARD_PERCENT, L"100");
        minimumMessages = RefusedValues(thread, d, IDC_GUARD_MINIMUM, {L"0", L"1000001"});
        SetDlgItemTextW(d, IDC_GUARD_MINIMUM, L"1000000");
        Press(d, IDOK);
    });
    EXPECT_TRUE(ShowGuardDialog(nullptr, o, false));
    user.Join();
    EXPECT_TRUE(openedOn);
    EXPECT_EQ(openedPercent, L"50");
    EXPECT_EQ(openedMinimum, L"20");
    ASSERT_EQ(percentMessages.size(), 3u);
    for (auto& m : percentMessages) EXPECT_EQ(m, L"割合には 1 から 100 までの整数を入力してください。");
    ASSERT_EQ(minimumMessages.size(), 2u);
    for (auto& m : minimumMessages) EXPECT_EQ(m, L"ﾌｧｲﾙ数には 1 から 1000000 までの整数を入力してください。");
    EXPECT_FALSE(o.guardOn);
    EXPECT_EQ(o.guardPercent, 100);
    EXPECT_EQ(o.guardMinimum, 1000000);
    EXPECT_EQ(Stored(L"GuardOn"), 0);
    EXPECT_EQ(Stored(L"GuardPercent"), 100);
    EXPECT_EQ(Stored(L"GuardMinimum"), 1000000);
    RunOptions loaded;
    LoadRunOptions(loaded, AppProfile());
    EXPECT_FALSE(loaded.guardOn);
    EXPECT_EQ(loaded.guardPercent, 100);
    EXPECT_EQ(loaded.guardMinimum, 1000000);

    // Cancel: the values typed are not taken.
    UserScript cancel([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, L"大量変更の保護"), "dialog 7500");
        openedPercent = testing::TextOf(d, IDC_GUARD_PERCENT);
        SetDlgItemTextW(d, IDC_GUARD_PERCENT, L"7");
        Press(d, IDCANCEL);
    });
    EXPECT_FALSE(ShowGuardDialog(nullptr, o, false));
    cancel.Join();
    EXPECT_EQ(openedPercent, L"100");
    EXPECT_EQ(o.guardPercent, 100);
    EXPECT_EQ(Stored(L"GuardPercent"), 100);

    // During a run: read-only, and even a forced OK writes nothing.
    bool checkEnabled = true, okEnabled = true;
    UserScript during([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, L"大量変更の保護"), "dialog 7500");
        checkEnabled = testing::Enabled(d, IDC_GUARD_ON);
        okEnabled = testing::Enabled(d, IDOK);
        SetDlgItemTextW(d, IDC_GUARD_MINIMUM, L"5");
        Press(d, IDOK);
        Sleep(100);
        Press(d, IDCANCEL);
    });
    EXPECT_FALSE(ShowGuardDialog(nullptr, o, true));
    during.Join();
    EXPECT_FALSE(checkEnabled);
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(Stored(L"GuardMinimum"), 1000000);
}

}  // namespace
}  // namespace mirrant
