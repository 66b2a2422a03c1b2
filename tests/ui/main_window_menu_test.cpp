// The settings dialogs as the options menu opens them: each one is the real
// dialog, and during a run the menu opens them read-only (the tolerance item
// is grayed and does nothing).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "framework/profile.h"
#include "res/resource.h"
#include "support/scripted_prompter.h"
#include "ui/main_window.h"
#include "window_driver.h"

namespace mirrant {
namespace {

using testing::Need;
using testing::Press;
using testing::UserScript;
using testing::WaitForWindow;

class OptionsMenuDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        app.prompter = &prompter;
        window = std::make_unique<MainWindow>(app);
        bool created = window->CreateModeless(nullptr);
        ASSERT_TRUE(created) << GetLastError();
    }
    void TearDown() override {
        window.reset();
        AppProfile().DeleteRoot();
    }
    // Sends the menu command; a user script looks at the dialog that opens
    // and reports whether its OK button was enabled.
    bool OpenAndLook(int command, const wchar_t* title, int* okEnabled) {
        bool found = false;
        UserScript user([&](DWORD thread) {
            HWND d = Need(WaitForWindow(thread, title), "settings dialog");
            found = true;
            *okEnabled = testing::Enabled(d, IDOK) ? 1 : 0;
            Press(d, IDCANCEL);
        });
        SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        user.Join();
        return found;
    }

    AppState app;
    testing::ScriptedPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

TEST_F(OptionsMenuDialogs, EachItemOpensItsDialog) {
    struct {
        int command;
        const wchar_t* title;
    } items[] = {{ID_TOLERANCE, L"照合時刻の誤差設定"},
                 {ID_DISPLAY_SETTINGS, L"経過表示設定"},
                 {ID_PRIORITY, L"実行優先度設定"},
                 {ID_CONFIRM_OPTIONS, L"確認ｵﾌﾟｼｮﾝ一括設定"},
                 {ID_GUARD, L"大量変更の保護"}};
    for (const auto& item : items) {
        int ok = -1;
        EXPECT_TRUE(OpenAndLook(item.command, item.title, &ok)) << item.command;
        EXPECT_EQ(ok, 1) << item.command;
    }
    EXPECT_TRUE(prompter.prompts().empty()) << "no \"not available\" notice";
}

TEST_F(OptionsMenuDialogs, DuringARunTheDialogsAreReadOnly) {
    window->SetRunActive(true);
    struct {
        int command;
        const wchar_t* title;
    } items[] = {{ID_DISPLAY_SETTINGS, L"経過表示設定"},
                 {ID_PRIORITY, L"実行優先度設定"},
                 {ID_CONFIRM_OPTIONS, L"確認ｵﾌﾟｼｮﾝ一括設定"}};
    for (const auto& item : items) {
        int ok = -1;
        EXPECT_TRUE(OpenAndLook(item.command, item.title, &ok)) << item.command;
        EXPECT_EQ(ok, 0) << item.command;
    }
    // The tolerance and guard items are grayed: a run works with the limits
    // it started with.
    EXPECT_TRUE(GetMenuState(GetMenu(window->hwnd()), ID_TOLERANCE, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(GetMenu(window->hwnd()), ID_GUARD, MF_BYCOMMAND) & MF_GRAYED);
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ID_TOLERANCE, 0), 0);
    EXPECT_TRUE(prompter.prompts().empty());
    window->SetRunActive(false);
}

}  // namespace
}  // namespace mirrant
