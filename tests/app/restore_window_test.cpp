// The restore window of the main window in-process, over a real set-aside
// tree: what it lists, a restore of a selected file through it (with the
// list read again afterwards), test mode, a folder it refuses, and a name
// outside code page 932, which only the wide program brings back.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "batch/batch_list_view.h"
#include "framework/edition.h"
#include "framework/profile.h"
#include "log/log_settings.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/window_driver.h"

namespace mirrant {
namespace {

using namespace testing;

const std::wstring kTitle = L"退避ﾌｧｲﾙの復元";

// The rows of a list as its cells read.
std::vector<std::vector<std::wstring>> Rows(HWND list) {
    std::vector<std::vector<std::wstring>> rows;
    for (int r = 0; r < ListRowCount(list); ++r)
        rows.push_back({ListCellText(list, r, 0), ListCellText(list, r, 1), ListCellText(list, r, 2)});
    return rows;
}

void Select(HWND list, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 200; ++i) {
        if (done()) return true;
        Sleep(50);
    }
    return false;
}

class RestoreWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No result window at the end, so that a restore needs no answer.
        AppProfile().SetInt(kSettingsSection, L"op16",
                            static_cast<int>(WithLogBit(kDefaultLogSettingsWord, logbit::HideResultDialog, true)));
        app.prompter = &prompter;
        window = std::make_unique<MainWindow>(app);
        ASSERT_TRUE(window->CreateModeless(nullptr));
        MakeFolder(src);
        MakeFolder(dst);
        window->SetPathText(PathSide::Source, src);
        window->SetPathText(PathSide::Destination, dst);
    }
    void TearDown() override {
        window.reset();
        AppProfile().DeleteRoot();
    }
    // A file of a run folder of the destination, with its write time.
    void Kept(const std::wstring& run, const std::wstring& rel, std::string_view content, std::uint64_t time) {
        const std::wstring path = dst + L"_Mirrant退避\\" + run + L"\\" + rel;
        for (size_t i = path.find(L'\\', 3); i != std::wstring::npos; i = path.find(L'\\', i + 1))
            CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
        WriteFile(path, content);
        SetWriteTime(path, time);
    }
    // Opens the window from the menu; script plays the user until it closes it.
    void OpenWindow(const std::function<void(HWND w)>& script) {
        UserScript user([&](DWORD thread) {
            HWND w = Need(WaitForWindow(thread, kTitle), "the restore window");
            script(w);
            Press(w, IDCANCEL);
        });
        SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ID_RESTORE_SET_ASIDE, 0), 0);
        user.Join();
        EXPECT_TRUE(PumpUntil([&] { return !window->session().busy(); }));
    }
    std::vector<std::wstring> Log() { return window->session().runLog().lines(); }
    // From the script: the restore it started has logged, ended, and the
    // window has read its lists again.
    bool WaitForEnd(HWND w) {
        return WaitFor([&] { return !Log().empty() && !window->session().busy() && Enabled(w, IDC_RESTORE_BROWSE); });
    }

    TempDir dir;
    const std::wstring src = dir / L"src\\", dst = dir / L"dst\\";
    ScriptedPrompter prompter;
    AppState app;
    std::unique_ptr<MainWindow> window;
    const std::uint64_t monday = Utc(2026, 12, 7, 1, 0, 0);  // 10:00 in Tokyo
};

TEST_F(RestoreWindowTest, ListsTheRunFoldersNewestFirstAndRestoresTheSelectedFile) {
    Kept(L"2026-12-01_093000", L"docs\\計画.txt", "first draft", monday);
    Kept(L"2026-12-05_220000", L"docs\\計画.txt", "second draft", monday + 3600 * kSecond);
    Kept(L"2026-12-05_220000", L"docs\\報告\\ﾃﾞｰﾀ.bin", std::string(1234, 'x'), monday);
    Kept(L"2026-12-05_220000_2", L"memo.txt", "memo", monday);
    MakeFolder(dst + L"docs");
    WriteFile(dst + L"docs\\計画.txt", "today");

    std::wstring folder, sourceChecked, destinationChecked;
    std::vector<std::vector<std::wstring>> runs, files, runsAfter, filesAfter;
    bool restored = false;
    OpenWindow([&](HWND w) {
        folder = TextOf(w, IDC_RESTORE_FOLDER);
        sourceChecked = Checked(w, IDC_RESTORE_FROM_SOURCE) ? L"source" : L"";
        destinationChecked = Checked(w, IDC_RESTORE_FROM_DEST) ? L"destination" : L"";
        HWND runList = GetDlgItem(w, IDC_RESTORE_RUNS), fileList = GetDlgItem(w, IDC_RESTORE_FILES);
        runs = Rows(runList);
        Select(runList, 1);
        files = Rows(fileList);
        Select(fileList, 1);  // docs\計画.txt
        Press(w, IDC_RESTORE_SELECTED);
        restored = WaitForEnd(w) && ListRowCount(runList) == 4;
        runsAfter = Rows(runList);
        filesAfter = Rows(fileList);
    });
    // Only the destination has set-aside files: the window opens there.
    EXPECT_EQ(folder, dst);
    EXPECT_EQ(sourceChecked, L"");
    EXPECT_EQ(destinationChecked, L"destination");
    using Table = std::vector<std::vector<std::wstring>>;
    EXPECT_EQ(runs, (Table{{L"2026/12/05 22:00:00 (2)", L"1", L"4"},
                           {L"2026/12/05 22:00:00", L"2", L"1,246"},
                           {L"2026/12/01 09:30:00", L"1", L"11"}}));
    EXPECT_EQ(files, (Table{{L"docs\\報告\\ﾃﾞｰﾀ.bin", L"1,234", L"2026/12/07 10:00:00"},
                            {L"docs\\計画.txt", L"12", L"2026/12/07 11:00:00"}}));
    ASSERT_TRUE(restored) << "the list was not read again after the restore";
    EXPECT_EQ(ReadFile(dst + L"docs\\計画.txt"), "second draft");
    EXPECT_EQ(GetWriteTime(dst + L"docs\\計画.txt"), monday + 3600 * kSecond);
    // The newest run folder now holds what the restore replaced, selected for an undo.
    ASSERT_EQ(runsAfter.size(), 4u);
    EXPECT_EQ(runsAfter[0][1], L"1");
    EXPECT_EQ(runsAfter[0][2], L"5");
    ASSERT_EQ(filesAfter.size(), 1u);
    EXPECT_EQ(filesAfter[0][0], L"docs\\計画.txt");
    EXPECT_EQ(runsAfter[2], (std::vector<std::wstring>{L"2026/12/05 22:00:00", L"1", L"1,234"}));
    const std::vector<std::wstring> log = Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_NE(log[0].find(L"\"" + dst + L"docs\\計画.txt\"を\"" + dst +
                          L"_Mirrant退避\\2026-12-05_220000\\docs\\計画.txt\"から復元しました。それまでのﾌｧｲﾙは"),
              std::wstring::npos)
        << log[0];
    EXPECT_TRUE(prompter.prompts().empty());
}

TEST_F(RestoreWindowTest, TestModeLogsTheWholeRunFolderAndMovesNothing) {
    Kept(L"2026-12-05_220000", L"a.txt", "a", monday);
    Kept(L"2026-12-05_220000", L"b.txt", "b", monday);
    window->CheckTestMode();
    bool ended = false;
    OpenWindow([&](HWND w) {
        Press(w, IDC_RESTORE_WHOLE_RUN);
        ended = WaitForEnd(w);
    });
    ASSERT_TRUE(ended);
    EXPECT_FALSE(Exists(dst + L"a.txt"));
    EXPECT_EQ(ReadFile(dst + L"_Mirrant退避\\2026-12-05_220000\\a.txt"), "a");
    const std::vector<std::wstring> log = Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], L"\"" + dst + L"a.txt\"を\"" + dst + L"_Mirrant退避\\2026-12-05_220000\\a.txt\"から復元します。");
    EXPECT_NE(log[2].find(L"ﾃｽﾄﾓｰﾄﾞのため復元はしません。実行時には、2個のﾌｧｲﾙを復元し、置き換える0個"),
              std::wstring::npos);
    EXPECT_NE(window->session().runLog().startText().find(L"ﾃｽﾄﾓｰﾄﾞで退避ﾌｧｲﾙの復元を開始します。(ﾌｫﾙﾀﾞ：" + dst + L")"),
              std::wstring::npos)
        << window->session().runLog().startText();
}

TEST_F(RestoreWindowTest, AFolderWithoutSetAsideFilesIsRefusedWithABox) {
    bool buttonsGray = false;
    int rows = -1;
    OpenWindow([&](HWND w) {
        rows = ListRowCount(GetDlgItem(w, IDC_RESTORE_RUNS));
        buttonsGray = !Enabled(w, IDC_RESTORE_SELECTED) && !Enabled(w, IDC_RESTORE_WHOLE_RUN) &&
                      !Enabled(w, IDC_RESTORE_AS_OF);
    });
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(buttonsGray);
    ASSERT_EQ(prompter.prompts().size(), 1u);
    EXPECT_EQ(prompter.prompts()[0].kind, PromptKind::Warning);
    EXPECT_EQ(prompter.prompts()[0].text, L"\"" + src + L"\"には退避したﾌｧｲﾙがありません。");
    EXPECT_TRUE(Log().empty()) << "nothing ran";
}

TEST_F(RestoreWindowTest, TheOptionsMenuOffersTheWindowExceptDuringARun) {
    HMENU menu = GetMenu(window->hwnd());
    wchar_t text[64] = {};
    GetMenuStringW(menu, ID_RESTORE_SET_ASIDE, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"退避ﾌｧｲﾙの復元(&F)...");
    HMENU options = GetSubMenu(menu, 0);
    bool inOptions = false;
    for (int i = 0; i < GetMenuItemCount(options); ++i) inOptions |= GetMenuItemID(options, i) == ID_RESTORE_SET_ASIDE;
    EXPECT_TRUE(inOptions);
    window->SetRunActive(true);
    EXPECT_TRUE(GetMenuState(menu, ID_RESTORE_SET_ASIDE, MF_BYCOMMAND) & MF_GRAYED);
    window->SetRunActive(false);
    EXPECT_FALSE(GetMenuState(menu, ID_RESTORE_SET_ASIDE, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(prompter.prompts().empty());
}

// A name outside code page 932: the wide program brings it back; the narrow
// one cannot reach it, says so in an error line and leaves it set aside.
TEST_F(RestoreWindowTest, ANameOutsideCodePage932ComesBackOnlyInTheWideProgram) {
    const std::wstring name = L"한글.txt";
    Kept(L"2026-12-05_220000", name, "hangul", monday);
    Kept(L"2026-12-05_220000", L"plain.txt", "plain", monday);
    bool ended = false;
    OpenWindow([&](HWND w) {
        Press(w, IDC_RESTORE_WHOLE_RUN);
        ended = WaitForEnd(w);
    });
    ASSERT_TRUE(ended) << Log().size() << " lines, " << prompter.prompts().size() << " boxes, busy "
                       << window->session().busy();
    EXPECT_EQ(ReadFile(dst + L"plain.txt"), "plain");
    const std::vector<std::wstring> errors = window->session().runLog().errorLines();
    if (kNarrowBuild) {
        EXPECT_FALSE(Exists(dst + name));
        EXPECT_EQ(ReadFile(dst + L"_Mirrant退避\\2026-12-05_220000\\" + name), "hangul");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find(L"はこのﾌﾟﾛｸﾞﾗﾑでは扱えない名前のため、ｽｷｯﾌﾟしました。"), std::wstring::npos);
    } else {
        EXPECT_EQ(ReadFile(dst + name), "hangul");
        EXPECT_TRUE(errors.empty());
    }
}

}  // namespace
}  // namespace mirrant
