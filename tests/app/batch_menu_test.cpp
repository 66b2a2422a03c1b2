// The batch menu of the main window in-process: the history entries and
// their commands, and the file command with a scripted file dialog.
#include <gtest/gtest.h>

#include "framework/profile.h"
#include "framework/recent_files.h"
#include "res/resource.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

namespace mirrant {
namespace {

class BatchMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.prompter = &prompter;
        app.batchHistory = &history;
        app.chooseBatchFiles = [this](bool) {
            ++dialogs;
            std::vector<std::wstring> chosen;
            if (!choices.empty()) {
                chosen = choices.front();
                choices.erase(choices.begin());
            }
            return chosen;
        };
        history.Add(dir / L"gone.mrx");
        history.Add(dir / L"also gone.mrt");
        window = std::make_unique<MainWindow>(app);
        ASSERT_TRUE(window->CreateModeless(nullptr));
    }
    void TearDown() override {
        window.reset();
        AppProfile().DeleteRoot();
    }
    HMENU BatchMenu() { return GetSubMenu(GetMenu(window->hwnd()), 1); }
    std::wstring Label(int position) {
        wchar_t buffer[256] = {};
        GetMenuStringW(BatchMenu(), position, buffer, 256, MF_BYPOSITION);
        return buffer;
    }
    void Command(int id) { SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    testing::TempDir dir;
    testing::ScriptedPrompter prompter;
    RecentFileList history{L"Recent File List", L"File%d", 16, 48};
    AppState app;
    std::unique_ptr<MainWindow> window;
    std::vector<std::vector<std::wstring>> choices;
    int dialogs = 0;
};

TEST_F(BatchMenuTest, HistoryEntriesFollowASeparatorAndAMissingFileOffersRemoval) {
    HMENU menu = BatchMenu();
    ASSERT_EQ(GetMenuItemCount(menu), 9);
    EXPECT_EQ(GetMenuState(menu, 6, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(Label(7).rfind(L"&1 ", 0), 0u);
    EXPECT_EQ(GetMenuItemID(menu, 8), static_cast<UINT>(ID_BATCH_HISTORY_FIRST + 1));
    EXPECT_EQ(GetMenuState(menu, ID_BATCH_CLEAR_HISTORY, MF_BYCOMMAND) & MF_GRAYED, 0u);

    prompter.Push(PromptAnswer::Yes);  // 231
    Command(ID_BATCH_HISTORY_FIRST + 1);
    EXPECT_EQ(prompter.CountText(L"履歴から削除します。よろしいですか？"), 1u);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0], dir / L"also gone.mrt");
    EXPECT_EQ(GetMenuItemCount(BatchMenu()), 8);

    prompter.Push(PromptAnswer::Yes);  // 164
    Command(ID_BATCH_CLEAR_HISTORY);
    EXPECT_TRUE(history.empty());
    EXPECT_EQ(GetMenuItemCount(BatchMenu()), 6);
    EXPECT_NE(GetMenuState(BatchMenu(), ID_BATCH_CLEAR_HISTORY, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST_F(BatchMenuTest, FileCommandSetsTheDefaultFormatInMemoryOnly) {
    const std::wstring junk = dir / L"junk.mrt";
    testing::WriteFile(junk, "nothing\r\n");
    choices.push_back({junk});
    prompter.Push(PromptAnswer::No);  // 161
    const UINT checkBefore = GetMenuState(GetMenu(window->hwnd()), ID_TEXT_BATCH_DEFAULT, MF_BYCOMMAND) & MF_CHECKED;
    Command(ID_BATCH_RUN);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(window->session().options().textBatchDefault);
    EXPECT_EQ(GetMenuState(GetMenu(window->hwnd()), ID_TEXT_BATCH_DEFAULT, MF_BYCOMMAND) & MF_CHECKED, checkBefore);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op13", -1), -1);
    EXPECT_EQ(prompter.CountText(L"ﾊﾞｯﾁﾌｧｲﾙの内容に誤りがあります。"), 1u);
}

}  // namespace
}  // namespace mirrant
