// The main window in-process: dropped files, Enter and Escape, the latest
// log without a run, the menu's check marks.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <iterator>

#include "framework/profile.h"
#include "framework/text.h"
#include "res/resource.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

namespace mirrant {
namespace {

using testing::ScriptedPrompter;
using testing::TempDir;

// An HDROP as the shell would post it, dropped at a client point.
HDROP MakeDrop(const std::vector<std::wstring>& paths, POINT at) {
    size_t chars = 1;
    for (const auto& p : paths) chars += p.size() + 1;
    HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
    df->pFiles = sizeof(DROPFILES);
    df->pt = at;
    df->fNC = FALSE;
    df->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(df + 1);
    for (const auto& p : paths) {
        std::copy(p.begin(), p.end(), out);
        out += p.size() + 1;
    }
    GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.prompter = &prompter;
        window = std::make_unique<MainWindow>(app);
        ASSERT_TRUE(window->CreateModeless(nullptr));
        Pump();
    }
    void TearDown() override {
        window.reset();
        AppProfile().DeleteRoot();
    }
    static void Pump() {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    POINT CenterOf(int id) {
        RECT r;
        GetWindowRect(window->Item(id), &r);
        MapWindowPoints(nullptr, window->hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void Drop(const std::vector<std::wstring>& paths, POINT at) {
        SendMessageW(window->hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths, at)), 0);
    }
    POINT EmptyArea() { return {4, 4}; }

    AppState app;
    ScriptedPrompter prompter;
    std::unique_ptr<MainWindow> window;
    TempDir dir;
};

TEST_F(MainWindowTest, TwoDroppedItemsAreRefusedWithMessage114) {
    testing::WriteFile(dir / L"a.txt", "a");
    testing::WriteFile(dir / L"b.txt", "b");
    Drop({dir / L"a.txt", dir / L"b.txt"}, CenterOf(IDC_SOURCE_EDIT));
    ASSERT_EQ(prompter.prompts().size(), 1u);
    EXPECT_EQ(prompter.prompts()[0].kind, PromptKind::Warning);
    EXPECT_EQ(prompter.prompts()[0].text, LoadText(114));
    EXPECT_EQ(window->PathText(PathSide::Source), L"");
    EXPECT_EQ(window->PathText(PathSide::Destination), L"");
}

TEST_F(MainWindowTest, DropTargetsFollowThePointAndTheBoxes) {
    testing::MakeFolder(dir / L"folder");
    testing::WriteFile(dir / L"f.txt", "f");
    std::wstring folder = dir / L"folder";

    Drop({folder}, EmptyArea());
    EXPECT_EQ(window->PathText(PathSide::Source), folder + L"\\") << "both empty: the source box";
    EXPECT_EQ(window->RememberedFolder(PathSide::Source), folder);

    Drop({folder}, EmptyArea());
    EXPECT_EQ(window->PathText(PathSide::Destination), folder + L"\\") << "source filled: the destination";

    Drop({dir / L"f.txt"}, EmptyArea());
    EXPECT_EQ(window->PathText(PathSide::Destination), folder + L"\\") << "both filled: ignored";

    Drop({dir / L"f.txt"}, CenterOf(IDC_DEST_EDIT));
    EXPECT_EQ(window->PathText(PathSide::Destination), dir / L"f.txt") << "a file stays as it is";

    Drop({dir / L"missing.txt"}, CenterOf(IDC_SOURCE_EDIT));
    EXPECT_EQ(window->PathText(PathSide::Source), folder + L"\\") << "a missing item changes nothing";
    EXPECT_TRUE(prompter.prompts().empty());
}

TEST_F(MainWindowTest, EnterAndEscapeDoNothing) {
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    Pump();
    EXPECT_TRUE(IsWindow(window->hwnd()));
}

TEST_F(MainWindowTest, LatestLogBeforeAnyRunSays230) {
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SHOW_LOG, BN_CLICKED), 0);
    ASSERT_EQ(prompter.prompts().size(), 1u);
    EXPECT_EQ(prompter.prompts()[0].kind, PromptKind::Information);
    EXPECT_EQ(prompter.prompts()[0].text, LoadText(230));
}

TEST_F(MainWindowTest, MenuMirrorsTheOptionsAndGraysReverseOverwrite) {
    HMENU menu = GetMenu(window->hwnd());
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(GetMenuState(menu, ID_DELETE_PRIORITY, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(menu, ID_REVERSE_OVERWRITE_NEWER, MF_BYCOMMAND) & MF_GRAYED);
    // A grayed item does nothing even when its command arrives.
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ID_REVERSE_OVERWRITE_NEWER, 0), 0);
    EXPECT_FALSE(window->session().options().reverseOverwriteNewer);
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ID_CONFIRM_NEWER_DEST, 0), 0);
    EXPECT_FALSE(GetMenuState(menu, ID_REVERSE_OVERWRITE_NEWER, MF_BYCOMMAND) & MF_GRAYED);
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ID_REVERSE_OVERWRITE_NEWER, 0), 0);
    EXPECT_TRUE(window->session().options().reverseOverwriteNewer);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op19", -1), 1);
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op11", -1), 0);
}

// Every switch that a menu item toggles, with the value name users'
// registries hold it under and its default: the command flips the field, the
// check mark follows, the value is written at once, and the command again
// puts all three back. Where another switch grays the item, that switch is
// turned the other way around the case (enabler).
TEST_F(MainWindowTest, EverySwitchCommandTogglesItsFieldCheckMarkAndStoredValue) {
    struct Case {
        int command;
        SwitchField field;
        const wchar_t* name;
        bool defaultOn;
        int enabler;
    };
    const Case cases[] = {
        {ID_DELETE_PRIORITY, &RunOptions::deletePriority, L"op1", true, 0},
        {ID_CONFIRM_FOLDER_DELETE, &RunOptions::confirmFolderDelete, L"op2", true, 0},
        {ID_UPDATE_READ_ONLY, &RunOptions::updateReadOnly, L"op3", true, 0},
        {ID_CONFIRM_SAME_TIME_DIFF_SIZE, &RunOptions::confirmSameTimeDifferentSize, L"op4", true, 0},
        {ID_SAME_TIME_SAME_SIZE, &RunOptions::sameTimeSameSizeIsSame, L"op5", true, 0},
        {ID_KEEP_IF_SAME_CONTENT, &RunOptions::keepIfSameContent, L"op6", false, 0},
        {ID_DELAYED_WRITE, &RunOptions::delayedWritePriority, L"op7", true, 0},
        {ID_CONFIRM_NEWER_DEST, &RunOptions::confirmNewerDestination, L"op11", true, 0},
        {ID_REVERSE_OVERWRITE_NEWER, &RunOptions::reverseOverwriteNewer, L"op19", false, ID_CONFIRM_NEWER_DEST},
        {ID_COPY_EMPTY_FOLDERS, &RunOptions::copyEmptyFolders, L"op18", true, 0},
        {ID_TEXT_BATCH_DEFAULT, &RunOptions::textBatchDefault, L"op13", false, 0},
        {ID_VERIFY_COPIES, &RunOptions::verifyCopies, L"VerifyCopy", false, 0},
        {ID_RUN_SUMMARY, &RunOptions::runSummary, L"RunSummary", true, 0},
    };
    const auto withCommand = std::count_if(std::begin(kRunSwitches), std::end(kRunSwitches),
                                           [](const RunSwitch& s) { return s.menuCommand != 0; });
    EXPECT_EQ(static_cast<std::ptrdiff_t>(std::size(cases)), withCommand) << "every menu switch has a case here";
    HMENU menu = GetMenu(window->hwnd());
    ASSERT_NE(menu, nullptr);
    const RunOptions& o = window->session().options();
    auto send = [&](int command) { SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto checked = [&] { return (GetMenuState(menu, c.command, MF_BYCOMMAND) & MF_CHECKED) != 0; };
        auto stored = [&] { return AppProfile().GetInt(kSettingsSection, c.name, -1); };
        if (c.enabler) send(c.enabler);
        EXPECT_EQ(o.*c.field, c.defaultOn);
        EXPECT_EQ(checked(), c.defaultOn);
        send(c.command);
        EXPECT_EQ(o.*c.field, !c.defaultOn);
        EXPECT_EQ(checked(), !c.defaultOn);
        EXPECT_EQ(stored(), c.defaultOn ? 0 : 1);
        send(c.command);
        EXPECT_EQ(o.*c.field, c.defaultOn);
        EXPECT_EQ(checked(), c.defaultOn);
        EXPECT_EQ(stored(), c.defaultOn ? 1 : 0);
        if (c.enabler) send(c.enabler);
    }
    // Only switching empty folders off warns.
    EXPECT_EQ(prompter.Count(PromptKind::Warning), 1u);
}

TEST_F(MainWindowTest, ARunDisablesTheControlsAndMenusUntilItEnds) {
    window->SetRunActive(true);
    EXPECT_FALSE(IsWindowEnabled(window->Item(IDC_RUN_OVERWRITE)));
    EXPECT_FALSE(IsWindowEnabled(window->Item(IDC_SOURCE_EDIT)));
    HMENU menu = GetMenu(window->hwnd());
    EXPECT_TRUE(GetMenuState(menu, ID_BATCH_RUN, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, ID_DELETE_PRIORITY, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, ID_LOG_SETTINGS, MF_BYCOMMAND) & MF_GRAYED);
    window->SetRunActive(false);
    EXPECT_TRUE(IsWindowEnabled(window->Item(IDC_RUN_OVERWRITE)));
    EXPECT_FALSE(GetMenuState(menu, ID_BATCH_RUN, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, ID_BATCH_CLEAR_HISTORY, MF_BYCOMMAND) & MF_GRAYED) << "no history";
}

}  // namespace
}  // namespace mirrant
