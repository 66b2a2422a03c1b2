// The log settings sheet driven through its controls: the enabling rule of
// the save box, what OK stores (with the corrections of folder and name) and
// what Cancel leaves, the folder and time format buttons, and from the main
// window's menu the remembered page and the read-only sheet of a run.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/profile.h"
#include "log/log_settings.h"
#include "log/log_settings_sheet.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"
#include "ui/main_window.h"
#include "window_driver.h"

namespace mirrant {
namespace {

using testing::Checked;
using testing::Enabled;
using testing::Need;
using testing::OwnerWindow;
using testing::Press;
using testing::TextOf;
using testing::UserScript;
using testing::WaitForWindow;
using testing::WaitGone;

#ifdef MIRRANT_NARROW
const std::wstring kProduct = L"Mirrant";
#else
const std::wstring kProduct = L"Mirrant(Unicode版)";
#endif

const wchar_t kSheetTitle[] = L"ﾛｸﾞ設定";

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
HWND ShowPage(HWND sheet, int index) {
    SendMessageW(sheet, PSM_SETCURSEL, index, 0);
    return CurrentPage(sheet);
}
int PageIndex(HWND sheet) {
    return static_cast<int>(SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(CurrentPage(sheet)), 0));
}
// A click as the user makes it (the box or radio button changes and tells its page).
void Click(HWND page, int id) { SendDlgItemMessageW(page, id, BM_CLICK, 0, 0); }
void Type(HWND page, int id, const std::wstring& text) { SetDlgItemTextW(page, id, text.c_str()); }

std::uint32_t StoredWord() { return static_cast<std::uint32_t>(ReadSetting(AppProfile(), setting::LogSettings)); }
std::wstring Stored(const TextSetting& s) { return ReadSetting(AppProfile(), s, L"(missing)"); }

class LogSettingsSheetTest : public ::testing::Test {
protected:
    LogSettingsSheetTest() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        request.settingsWord = 0x1C72AA;
        request.userLog = L"C:\\logs\\user.txt";
        request.scheduleLog = L"C:\\logs\\nightly_%Y%M%D.txt";
        request.startFolder = L"C:\\start\\";
        request.prompter = &prompter;
    }
    void TearDown() override { AppProfile().DeleteRoot(); }

    // Runs the sheet while the script plays the user on it.
    bool Run(const std::function<void(HWND sheet)>& script) {
        UserScript user([&](DWORD thread) {
            HWND sheet = Need(WaitForWindow(thread, kSheetTitle), "log settings sheet");
            script(sheet);
        });
        bool stored = ShowLogSettingsSheet(owner.hwnd(), request);
        user.Join();
        return stored;
    }

    OwnerWindow owner;
    testing::ScriptedPrompter prompter;
    LogSettingsRequest request;
};

// The save box decides over the file controls, the stamp box in addition
// over the time format; the display and exit switches are always there.
TEST_F(LogSettingsSheetTest, SaveBoxEnablesTheFileControlsAndStampBoxTheTimeFormat) {
    struct Expect {
        int id;
        bool saveOff, saveOnStampOff, saveOnStampOn;
    };
    const Expect table[] = {
        {IDC_LOG_SAVE, true, true, true},
        {IDC_LOG_FOLDER, false, true, true},
        {IDC_LOG_CHOOSE_FOLDER, false, true, true},
        {IDC_LOG_NAME, false, true, true},
        {IDC_LOG_APPEND, false, true, true},
        {IDC_LOG_OVERWRITE, false, true, true},
        {IDC_LOG_STAMP_LINES, false, true, true},
        {IDC_LOG_TIME_FORMAT, false, false, true},
        {IDC_LOG_WRITE_DURING_RUN, false, true, true},
        {IDC_LOG_NO_BUFFERING, false, true, true},
        {IDC_LOG_NO_ALTERNATIVE, false, true, true},
        {IDC_LOG_SAVE_IN_TEST_MODE, false, true, true},
        {IDC_LOG_HIDE_RESULT, true, true, true},
        {IDC_LOG_HIDE_NOTHING_TO_UPDATE, true, true, true},
        {IDC_LOG_EXIT_WHEN_DONE, true, true, true},
    };
    request.settingsWord = 1u << 10;  // save off, stamps on
    EXPECT_TRUE(Run([&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        EXPECT_FALSE(Checked(page, IDC_LOG_SAVE));
        EXPECT_TRUE(Checked(page, IDC_LOG_STAMP_LINES));
        EXPECT_TRUE(Checked(page, IDC_LOG_OVERWRITE));
        for (const Expect& e : table) EXPECT_EQ(Enabled(page, e.id), e.saveOff) << "save off, " << e.id;
        Click(page, IDC_LOG_SAVE);
        for (const Expect& e : table) EXPECT_EQ(Enabled(page, e.id), e.saveOnStampOn) << "save on, stamps on, " << e.id;
        Click(page, IDC_LOG_STAMP_LINES);
        for (const Expect& e : table) EXPECT_EQ(Enabled(page, e.id), e.saveOnStampOff) << "save on, stamps off, " << e.id;
        EXPECT_TRUE(Enabled(sheet, IDOK));
        Press(sheet, IDOK);
    }));
    EXPECT_EQ(StoredWord(), 1u);
    EXPECT_EQ(request.settingsWord, 1u);
}

// Every box and radio button of both pages edits its own bit of one word.
TEST_F(LogSettingsSheetTest, OkStoresEveryBitOfBothPages) {
    request.settingsWord = 0x1C72AB;  // the default with saving on
    EXPECT_TRUE(Run([&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        for (int id : {IDC_LOG_APPEND, IDC_LOG_STAMP_LINES, IDC_LOG_WRITE_DURING_RUN, IDC_LOG_NO_BUFFERING,
                       IDC_LOG_NO_ALTERNATIVE, IDC_LOG_SAVE_IN_TEST_MODE, IDC_LOG_HIDE_RESULT,
                       IDC_LOG_HIDE_NOTHING_TO_UPDATE, IDC_LOG_EXIT_WHEN_DONE})
            Click(page, id);
        page = ShowPage(sheet, 1);
        for (int id : {IDC_SLOG_STAMP_LINES, IDC_SLOG_WRITE_DURING_RUN, IDC_SLOG_NO_BUFFERING, IDC_SLOG_NO_ALTERNATIVE})
            Click(page, id);
        // Back on the first page, the boxes show the working copy.
        page = ShowPage(sheet, 0);
        EXPECT_TRUE(Checked(page, IDC_LOG_APPEND));
        EXPECT_FALSE(Checked(page, IDC_LOG_OVERWRITE));
        Press(sheet, IDOK);
    }));
    // Bits 0 to 31 as listed, the meaningless odd ones and both formats (7) kept.
    const std::uint32_t expected = 0x1C72AB | (1u << 2) | (1u << 4) | (1u << 6) | (1u << 8) | (1u << 10) |
                                   (1u << 11) | (1u << 24) | (1u << 26) | (1u << 27) | (1u << 28) | (1u << 29) |
                                   (1u << 30) | (1u << 31);
    EXPECT_EQ(StoredWord(), expected);
    EXPECT_EQ(Stored(setting::UserLog), L"C:\\logs\\user.txt");
    EXPECT_EQ(Stored(setting::ScheduleLog), L"C:\\logs\\nightly_%Y%M%D.txt");
    EXPECT_TRUE(prompter.prompts().empty());
}

TEST_F(LogSettingsSheetTest, FolderAndNameCorrectionsOnOk) {
    struct Case {
        const char* what;
        std::wstring folder, name;
        std::wstring stored;                  // "UserLog" afterwards
        std::vector<std::wstring> warnings;   // in order
    };
    const std::wstring kept = L"C:\\logs\\user.txt";
    const Case cases[] = {
        {"a folder without a drive", L"logs", L"run.txt", L"C:\\start\\run.txt",
         {L"logsの指定を、C:\\start\\に変更します。"}},
        {"an empty folder, silently", L"", L"run.txt", L"C:\\start\\run.txt", {}},
        {"a folder without its backslash", L"D:\\x", L"run_%Y.txt", L"D:\\x\\run_%Y.txt", {}},
        {"a share", L"\\\\server\\share", L"run.txt", L"\\\\server\\share\\run.txt", {}},
        {"an empty name", L"D:\\x\\", L"", L"D:\\x\\" + kProduct + L"実行ﾛｸﾞ.txt", {}},
        {"a question mark in the name", L"D:\\x\\", L"a?b.txt", kept,
         {L"\"D:\\x\\a?b.txt\"はﾊﾟｽ名に使用できない文字または文字列が含まれています。"}},
        {"both at once", L"logs", L"a?b.txt", kept,
         {L"logsの指定を、C:\\start\\に変更します。",
          L"\"C:\\start\\a?b.txt\"はﾊﾟｽ名に使用できない文字または文字列が含まれています。"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompter = testing::ScriptedPrompter();
        request.userLog = kept;
        EXPECT_TRUE(Run([&](HWND sheet) {
            HWND page = CurrentPage(sheet);
            Type(page, IDC_LOG_FOLDER, c.folder);
            Type(page, IDC_LOG_NAME, c.name);
            Press(sheet, IDOK);
        }));
        EXPECT_EQ(Stored(setting::UserLog), c.stored);
        EXPECT_EQ(request.userLog, c.stored);
        std::vector<std::wstring> shown;
        for (const auto& p : prompter.prompts()) {
            EXPECT_EQ(p.kind, PromptKind::Warning);
            shown.push_back(p.text);
        }
        EXPECT_EQ(shown, c.warnings);
    }
}

// The schedule page has its own default name; a page never shown is stored as it was.
TEST_F(LogSettingsSheetTest, ScheduleNameDefaultsToTheScheduleLogName) {
    request.page = 1;
    request.userLog = L"plain.txt";  // no folder: the start folder
    EXPECT_TRUE(Run([&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        EXPECT_EQ(TextOf(page, IDC_SLOG_FOLDER), L"C:\\logs\\");
        EXPECT_EQ(TextOf(page, IDC_SLOG_NAME), L"nightly_%Y%M%D.txt");
        Type(page, IDC_SLOG_NAME, L"");
        Press(sheet, IDOK);
    }));
    EXPECT_EQ(Stored(setting::ScheduleLog), L"C:\\logs\\" + kProduct + L"ｽｹｼﾞｭｰﾙ実行ﾛｸﾞ.txt");
    EXPECT_EQ(Stored(setting::UserLog), L"C:\\start\\plain.txt");
    EXPECT_EQ(request.page, 1);
}

TEST_F(LogSettingsSheetTest, CancelStoresNothing) {
    EXPECT_FALSE(Run([&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        Click(page, IDC_LOG_SAVE);
        Type(page, IDC_LOG_FOLDER, L"logs");
        page = ShowPage(sheet, 1);
        Type(page, IDC_SLOG_NAME, L"other.txt");
        Press(sheet, IDCANCEL);
    }));
    EXPECT_EQ(Stored(setting::UserLog), L"(missing)");
    EXPECT_EQ(Stored(setting::ScheduleLog), L"(missing)");
    EXPECT_FALSE(AppProfile().HasValue(kSettingsSection, setting::LogSettings.name));
    EXPECT_EQ(request.settingsWord, 0x1C72AAu);
    EXPECT_EQ(request.scheduleLog, L"C:\\logs\\nightly_%Y%M%D.txt");
    EXPECT_TRUE(prompter.prompts().empty());
    EXPECT_EQ(request.page, 1);  // the page shown last, even after Cancel
}

// "選択" starts the browser at the folder without its trailing backslash,
// except for a drive's root, and puts the choice into the folder box.
TEST_F(LogSettingsSheetTest, ChooseButtonStartsAtTheFolderAndTakesTheChoice) {
    std::vector<std::wstring> starts, prompts;
    request.chooseFolder = [&](HWND, const std::wstring& prompt, const std::wstring& initial) {
        prompts.push_back(prompt);
        starts.push_back(initial);
        return starts.size() == 1 ? std::wstring(L"D:\\chosen\\") : std::wstring();
    };
    EXPECT_TRUE(Run([&](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        Click(page, IDC_LOG_CHOOSE_FOLDER);
        EXPECT_EQ(TextOf(page, IDC_SLOG_FOLDER), L"D:\\chosen\\");
        Type(page, IDC_SLOG_FOLDER, L"C:\\");
        Click(page, IDC_LOG_CHOOSE_FOLDER);  // cancelled: the box stays
        EXPECT_EQ(TextOf(page, IDC_SLOG_FOLDER), L"C:\\");
        Type(page, IDC_SLOG_FOLDER, L"D:\\chosen\\");
        Press(sheet, IDOK);
    }));
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"C:\\logs", L"C:\\"}));
    EXPECT_EQ(prompts[0], L"格納先ﾌｫﾙﾀﾞを選択してください。");
    EXPECT_EQ(Stored(setting::ScheduleLog), L"D:\\chosen\\nightly_%Y%M%D.txt");
}

LocalTime Fixed() { return MakeLocalTime(2024, 3, 5, 14, 7, 9); }

// The time format of each page lives in its own six bits.
TEST_F(LogSettingsSheetTest, TimeFormatButtonEditsThePagesFormat) {
    request.clock = &Fixed;
    request.settingsWord = 0x1C72AA | (1u << 11);  // scheduled runs stamp their lines
    EXPECT_TRUE(Run([&](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        ASSERT_TRUE(Enabled(page, IDC_LOG_TIME_FORMAT));
        Press(page, IDC_LOG_TIME_FORMAT);
        HWND format = Need(WaitForWindow(GetWindowThreadProcessId(sheet, nullptr), L"時刻の書式"), "time format");
        EXPECT_EQ(TextOf(format, IDC_TF_EXAMPLE), L"2024年 3月 5日(火) 14時 7分 9秒 >> ");
        Click(format, IDC_TF_NO_DATE);
        Press(format, IDOK);
        EXPECT_TRUE(WaitGone(format));
        Press(sheet, IDOK);
    }));
    EXPECT_EQ(TimeFormatOf(StoredWord(), true), 7u | 16u);
    EXPECT_EQ(TimeFormatOf(StoredWord(), false), 7u);
}

// ---- from the main window's menu ---------------------------------------------

class LogSettingsMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
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
        UserScript user([&](DWORD thread) { script(Need(WaitForWindow(thread, kSheetTitle), "log settings sheet")); });
        SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ID_LOG_SETTINGS, 0), 0);
        user.Join();
    }

    AppState app;
    testing::ScriptedPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

TEST_F(LogSettingsMenuTest, OpensOnThePageShownLastAndOkReachesTheNextRun) {
    int first = -1, second = -1;
    Open([&](HWND sheet) {
        first = PageIndex(sheet);
        HWND page = ShowPage(sheet, 1);
        Type(page, IDC_SLOG_FOLDER, L"D:\\jobs\\");
        Press(sheet, IDOK);
    });
    Open([&](HWND sheet) {
        second = PageIndex(sheet);
        ShowPage(sheet, 0);
        Press(sheet, IDCANCEL);
    });
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    Open([&](HWND sheet) {
        EXPECT_EQ(PageIndex(sheet), 0);
        Press(sheet, IDCANCEL);
    });
    const std::wstring expected = L"D:\\jobs\\" + kProduct + L"ｽｹｼﾞｭｰﾙ実行ﾛｸﾞ.txt";
    EXPECT_EQ(Stored(setting::ScheduleLog), expected);
    EXPECT_EQ(window->logContext().scheduleLog, expected);
    EXPECT_TRUE(prompter.prompts().empty());
}

// During a run the sheet opens to be looked at: nothing on either page and
// not OK can be used.
TEST_F(LogSettingsMenuTest, DuringARunBothPagesAreReadOnly) {
    window->SetRunActive(true);
    EXPECT_FALSE(GetMenuState(GetMenu(window->hwnd()), ID_LOG_SETTINGS, MF_BYCOMMAND) & MF_GRAYED);
    Open([&](HWND sheet) {
        EXPECT_FALSE(Enabled(sheet, IDOK));
        EXPECT_TRUE(Enabled(sheet, IDCANCEL));
        for (int index : {0, 1}) {
            HWND page = ShowPage(sheet, index);
            int controls = 0;
            for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                const int id = GetDlgCtrlID(c);
                if (id == IDC_LOG_FOLDER_LABEL || id == IDC_LOG_NAME_LABEL) continue;
                ++controls;
                EXPECT_FALSE(IsWindowEnabled(c)) << "page " << index << ", control " << id;
            }
            EXPECT_EQ(controls, index == 0 ? 15 : 8);
            EXPECT_FALSE(Enabled(sheet, IDOK)) << "page " << index;
        }
        // Even an OK that reaches the sheet past its disabled button stores nothing.
        Press(sheet, IDOK);
        Press(sheet, IDCANCEL);
    });
    EXPECT_EQ(Stored(setting::UserLog), L"(missing)");
    EXPECT_FALSE(AppProfile().HasValue(kSettingsSection, setting::LogSettings.name));
    window->SetRunActive(false);
}

}  // namespace
}  // namespace mirrant
