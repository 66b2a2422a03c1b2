// The log settings sheet driven through its controls: enabling rule and bits,
// corrections of folder and name on OK, the folder and time format buttons,
// and from the main window's menu the remembered page, Cancel and the
// read-only sheet of a run.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "framework/edition.h"
#include "framework/profile.h"
#include "log/log_settings.h"
#include "log/log_settings_sheet.h"
#include "res/resource.h"
#include "support/scripted_prompter.h"
#include "ui/main_window.h"
#include "window_driver.h"

namespace mirrant {
namespace {

using testing::Checked;
using testing::Enabled;
using testing::Need;
using testing::Press;
using testing::TextOf;

#ifdef MIRRANT_NARROW
const std::wstring kProduct = L"Mirrant";
#else
const std::wstring kProduct = L"Mirrant(Unicode版)";
#endif

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
HWND ShowPage(HWND sheet, int index) { return SendMessageW(sheet, PSM_SETCURSEL, index, 0), CurrentPage(sheet); }
void Click(HWND page, int id) { SendDlgItemMessageW(page, id, BM_CLICK, 0, 0); }
void Type(HWND page, int id, const std::wstring& text) { SetDlgItemTextW(page, id, text.c_str()); }
std::uint32_t StoredWord() { return static_cast<std::uint32_t>(ReadSetting(AppProfile(), setting::LogSettings)); }
std::wstring Stored(const TextSetting& s) { return ReadSetting(AppProfile(), s, L"(missing)"); }
LocalTime Fixed() { return MakeLocalTime(2024, 3, 5, 14, 7, 9); }

// Runs `open` while `script` plays the user on the sheet.
void WithSheet(const std::function<void()>& open, const std::function<void(HWND sheet)>& script) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    testing::UserScript user([&](DWORD thread) { script(Need(testing::WaitForWindow(thread, L"ﾛｸﾞ設定"), "sheet")); });
    open();
    user.Join();
}

class LogSettingsSheetTest : public ::testing::Test {
protected:
    LogSettingsSheetTest() {
        request.settingsWord = 0x1C72AA;
        request.userLog = L"C:\\logs\\user.txt";
        request.scheduleLog = L"C:\\logs\\nightly_%Y%M%D.txt";
        request.startFolder = L"C:\\start\\";
        request.prompter = &prompter;
        request.clock = &Fixed;
    }
    void TearDown() override { AppProfile().DeleteRoot(); }
    bool Run(const std::function<void(HWND sheet)>& script) {
        bool stored = false;
        WithSheet([&] { stored = ShowLogSettingsSheet(owner.hwnd(), request); }, script);
        return stored;
    }
    testing::OwnerWindow owner;
    testing::ScriptedPrompter prompter;
    LogSettingsRequest request;
};

// The save box decides over the file controls, and with the stamp box over
// the time format; each box edits its own bit of the one word.
TEST_F(LogSettingsSheetTest, EnablingRuleAndBitsOfBothPages) {
    struct {
        int id;
        bool saveOff, saveOnStampOn, saveOnStampOff;
    } const table[] = {
        {IDC_LOG_FOLDER_LABEL, 0, 1, 1},  {IDC_LOG_NAME_LABEL, 0, 1, 1},
        {IDC_LOG_SAVE, 1, 1, 1},          {IDC_LOG_FOLDER, 0, 1, 1},          {IDC_LOG_CHOOSE_FOLDER, 0, 1, 1},
        {IDC_LOG_NAME, 0, 1, 1},          {IDC_LOG_APPEND, 0, 1, 1},          {IDC_LOG_OVERWRITE, 0, 1, 1},
        {IDC_LOG_STAMP_LINES, 0, 1, 1},   {IDC_LOG_TIME_FORMAT, 0, 1, 0},     {IDC_LOG_WRITE_DURING_RUN, 0, 1, 1},
        {IDC_LOG_NO_BUFFERING, 0, 1, 1},  {IDC_LOG_NO_ALTERNATIVE, 0, 1, 1},  {IDC_LOG_SAVE_IN_TEST_MODE, 0, 1, 1},
        {IDC_LOG_HIDE_RESULT, 1, 1, 1},   {IDC_LOG_HIDE_NOTHING_TO_UPDATE, 1, 1, 1}, {IDC_LOG_EXIT_WHEN_DONE, 1, 1, 1},
    };
    request.settingsWord = 0x1C72AA | (1u << 10);  // saving off, stamps on
    EXPECT_TRUE(Run([&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        EXPECT_TRUE(Checked(page, IDC_LOG_OVERWRITE));
        for (const auto& e : table) EXPECT_EQ(Enabled(page, e.id), e.saveOff) << e.id;
        Click(page, IDC_LOG_SAVE);
        for (const auto& e : table) EXPECT_EQ(Enabled(page, e.id), e.saveOnStampOn) << e.id;
        Click(page, IDC_LOG_STAMP_LINES);
        for (const auto& e : table) EXPECT_EQ(Enabled(page, e.id), e.saveOnStampOff) << e.id;
        for (int id : {IDC_LOG_APPEND, IDC_LOG_WRITE_DURING_RUN, IDC_LOG_NO_BUFFERING, IDC_LOG_NO_ALTERNATIVE,
                       IDC_LOG_SAVE_IN_TEST_MODE, IDC_LOG_HIDE_RESULT, IDC_LOG_HIDE_NOTHING_TO_UPDATE,
                       IDC_LOG_EXIT_WHEN_DONE})
            Click(page, id);
        page = ShowPage(sheet, 1);
        EXPECT_FALSE(Enabled(page, IDC_LOG_TIME_FORMAT));
        for (int id : {IDC_SLOG_STAMP_LINES, IDC_SLOG_WRITE_DURING_RUN, IDC_SLOG_NO_BUFFERING, IDC_SLOG_NO_ALTERNATIVE})
            Click(page, id);
        page = ShowPage(sheet, 0);  // shown again from the working copy
        EXPECT_TRUE(Checked(page, IDC_LOG_APPEND));
        EXPECT_FALSE(Checked(page, IDC_LOG_OVERWRITE));
        Press(sheet, IDOK);
    }));
    // Every listed bit but 10 set; the meaningless odd bits and both formats (7) kept.
    EXPECT_EQ(StoredWord(), 0x1C72AAu | 0xFD000955u);
    EXPECT_EQ(Stored(setting::UserLog), L"C:\\logs\\user.txt");
    EXPECT_TRUE(prompter.prompts().empty());
}

TEST_F(LogSettingsSheetTest, FolderAndNameCorrectionsOnOk) {
    const std::wstring kept = L"C:\\keep\\old.txt";
    const std::wstring bad = L"はﾊﾟｽ名に使用できない文字または文字列が含まれています。";
    struct {
        int page;
        std::wstring folder, name, stored;
        std::vector<std::wstring> warnings;
    } const cases[] = {
        {0, L"logs", L"run.txt", L"C:\\start\\run.txt", {L"logsの指定を、C:\\start\\に変更します。"}},
        {1, L"", L"run.txt", L"C:\\start\\run.txt", {}},
        {0, L"D:\\x", L"run_%Y.txt", L"D:\\x\\run_%Y.txt", {}},
        {1, L"\\\\server\\share", L"run.txt", L"\\\\server\\share\\run.txt", {}},
        {0, L"D:\\x\\", L"", L"D:\\x\\" + kProduct + L"実行ﾛｸﾞ.txt", {}},
        {1, L"D:\\x\\", L"", L"D:\\x\\" + kProduct + L"ｽｹｼﾞｭｰﾙ実行ﾛｸﾞ.txt", {}},
        {1, L"D:\\x\\", L"a?b.txt", kept, {L"\"D:\\x\\a?b.txt\"" + bad}},
        {0, L"logs", L"a?b.txt", kept, {L"logsの指定を、C:\\start\\に変更します。", L"\"C:\\start\\a?b.txt\"" + bad}},
        // A name code page 932 cannot carry: the narrow program could not open it.
        {0, L"D:\\x\\", L"café.txt", kNarrowBuild ? kept : L"D:\\x\\café.txt",
         kNarrowBuild ? std::vector<std::wstring>{L"\"D:\\x\\café.txt\"" + bad} : std::vector<std::wstring>{}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.folder) + " " + ::testing::PrintToString(c.name));
        prompter = testing::ScriptedPrompter();
        request.userLog = request.scheduleLog = kept;
        request.page = c.page;
        EXPECT_TRUE(Run([&](HWND sheet) {
            HWND page = CurrentPage(sheet);
            Type(page, c.page ? IDC_SLOG_FOLDER : IDC_LOG_FOLDER, c.folder);
            Type(page, c.page ? IDC_SLOG_NAME : IDC_LOG_NAME, c.name);
            Press(sheet, IDOK);
        }));
        EXPECT_EQ(Stored(c.page ? setting::ScheduleLog : setting::UserLog), c.stored);
        EXPECT_EQ(Stored(c.page ? setting::UserLog : setting::ScheduleLog), kept);  // the page not shown
        std::vector<std::wstring> shown;
        for (const auto& p : prompter.prompts()) shown.push_back(p.text);
        EXPECT_EQ(shown, c.warnings);
    }
}

// "選択" starts at the folder without its backslash (but "C:\" whole); the
// time format button edits the page's own six bits.
TEST_F(LogSettingsSheetTest, ChooseAndTimeFormatButtons) {
    std::vector<std::wstring> starts;
    request.chooseFolder = [&](HWND, const std::wstring& prompt, const std::wstring& initial) {
        EXPECT_EQ(prompt, L"格納先ﾌｫﾙﾀﾞを選択してください。");
        starts.push_back(initial);
        return starts.size() == 1 ? std::wstring(L"D:\\chosen\\") : std::wstring();
    };
    request.settingsWord = 0x1C72AA | (1u << 11);  // scheduled runs stamp their lines
    EXPECT_TRUE(Run([&](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        Click(page, IDC_LOG_CHOOSE_FOLDER);
        EXPECT_EQ(TextOf(page, IDC_SLOG_FOLDER), L"D:\\chosen\\");
        Type(page, IDC_SLOG_FOLDER, L"C:\\");
        Click(page, IDC_LOG_CHOOSE_FOLDER);  // cancelled: the box stays
        EXPECT_EQ(TextOf(page, IDC_SLOG_FOLDER), L"C:\\");
        Press(page, IDC_LOG_TIME_FORMAT);
        HWND format = Need(testing::WaitForWindow(GetWindowThreadProcessId(sheet, nullptr), L"時刻の書式"), "format");
        EXPECT_EQ(TextOf(format, IDC_TF_EXAMPLE), L"2024年 3月 5日(火) 14時 7分 9秒 >> ");
        Click(format, IDC_TF_NO_DATE);
        Press(format, IDOK);
        EXPECT_TRUE(testing::WaitGone(format));
        Press(sheet, IDOK);
    }));
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"C:\\logs", L"C:\\"}));
    EXPECT_EQ(Stored(setting::ScheduleLog), L"C:\\nightly_%Y%M%D.txt");
    EXPECT_EQ(TimeFormatOf(StoredWord(), true), 7u | 16u);
    EXPECT_EQ(TimeFormatOf(StoredWord(), false), 7u);
}

class LogSettingsMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.prompter = &prompter;
        app.startFolder = L"C:\\start\\";
        window = std::make_unique<MainWindow>(app);
        ASSERT_TRUE(window->CreateModeless(nullptr)) << GetLastError();
    }
    void TearDown() override {
        window.reset();
        AppProfile().DeleteRoot();
    }
    void Open(const std::function<void(HWND sheet)>& script) {
        WithSheet([&] { SendMessageW(window->hwnd(), WM_COMMAND, ID_LOG_SETTINGS, 0); }, script);
    }
    AppState app;
    testing::ScriptedPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

// The sheet opens on the page shown last, also after Cancel, which stores nothing.
TEST_F(LogSettingsMenuTest, RemembersThePageCancelStoresNothingOkReachesTheNextRun) {
    auto shownPage = [](HWND sheet) { return PropSheet_HwndToIndex(sheet, CurrentPage(sheet)); };
    std::vector<int> pages;
    Open([&](HWND sheet) {
        pages.push_back(shownPage(sheet));
        Click(ShowPage(sheet, 0), IDC_LOG_SAVE);
        Type(ShowPage(sheet, 1), IDC_SLOG_FOLDER, L"D:\\jobs\\");
        Press(sheet, IDCANCEL);
    });
    EXPECT_FALSE(AppProfile().HasValue(kSettingsSection, setting::LogSettings.name));
    EXPECT_EQ(Stored(setting::ScheduleLog), L"(missing)");
    Open([&](HWND sheet) {
        pages.push_back(shownPage(sheet));
        Type(CurrentPage(sheet), IDC_SLOG_FOLDER, L"D:\\jobs\\");
        ShowPage(sheet, 0);
        Press(sheet, IDOK);
    });
    Open([&](HWND sheet) {
        pages.push_back(shownPage(sheet));
        Press(sheet, IDCANCEL);
    });
    EXPECT_EQ(pages, (std::vector<int>{0, 1, 0}));
    const std::wstring expected = L"D:\\jobs\\" + kProduct + L"ｽｹｼﾞｭｰﾙ実行ﾛｸﾞ.txt";
    EXPECT_EQ(Stored(setting::ScheduleLog), expected);
    EXPECT_EQ(window->session().logContext().scheduleLog, expected);
}

// Enter and Esc in an edit box do what the sheet's OK and Cancel do, and so
// does an OK or Cancel command that reaches a page itself: it never ends the
// page alone.
TEST_F(LogSettingsMenuTest, EnterEscAndCommandsReachingAPageCloseTheWholeSheet) {
    struct Case { int page; bool key; WPARAM what; bool stored; };
    const Case cases[] = {{0, true, VK_RETURN, true}, {1, true, VK_ESCAPE, false},
                          {0, false, IDOK, true},     {1, false, IDCANCEL, false}};
    for (const Case& c : cases) {
        AppProfile().DeleteRoot();
        bool closed = false;
        Open([&](HWND sheet) {
            HWND page = ShowPage(sheet, c.page);
            const int box = c.page ? IDC_SLOG_FOLDER : IDC_LOG_FOLDER;
            Type(page, box, L"D:\\jobs\\");
            if (c.key) {
                PostMessageW(GetDlgItem(page, box), WM_KEYDOWN, c.what, 0);
                PostMessageW(GetDlgItem(page, box), WM_KEYUP, c.what, 0xC0000001);
            } else {
                PostMessageW(page, WM_COMMAND, c.what, 0);
            }
            closed = testing::WaitGone(sheet, 3000);
            if (!closed) Press(sheet, IDCANCEL);
        });
        EXPECT_TRUE(closed) << c.page << " " << c.what;
        EXPECT_EQ(AppProfile().HasValue(kSettingsSection, setting::LogSettings.name), c.stored) << c.what;
    }
}

// During a run the menu item stays; the sheet opens with nothing usable on
// either page, and not even an OK that reaches it stores anything.
TEST_F(LogSettingsMenuTest, DuringARunBothPagesAreReadOnly) {
    window->SetRunActive(true);
    EXPECT_FALSE(GetMenuState(GetMenu(window->hwnd()), ID_LOG_SETTINGS, MF_BYCOMMAND) & MF_GRAYED);
    Open([&](HWND sheet) {
        for (int index : {0, 1}) {
            HWND page = ShowPage(sheet, index);
            int controls = 0;
            for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                const int id = GetDlgCtrlID(c);
                ++controls;
                EXPECT_FALSE(IsWindowEnabled(c)) << index << " " << id;
            }
            EXPECT_EQ(controls, index == 0 ? 17 : 10);  // the labels follow their boxes
            EXPECT_FALSE(Enabled(sheet, IDOK));
        }
        Press(sheet, IDOK);
    });
    EXPECT_FALSE(AppProfile().HasValue(kSettingsSection, setting::UserLog.name));
    window->SetRunActive(false);
}

}  // namespace
}  // namespace mirrant
