// The filter sheet: the name rules as tables, and the real sheet opened from
// the main window's menu and driven through its controls by a scripted user.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <tuple>

#include "filter/filter_sheet.h"
#include "filter/name_entry.h"
#include "filter/time_filter_page.h"
#include "framework/profile.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"
#include "ui/main_window.h"
#include "window_driver.h"

namespace mirrant {
namespace {

using testing::Need;
using testing::Press;
using testing::ScriptedPrompter;
using testing::UserScript;
using testing::WaitForWindow;
using testing::WaitGone;

constexpr wchar_t kSheetTitle[] = L"ｺﾋﾟｰ対象・除外の設定";
constexpr wchar_t kSevenChars[] = L"\\/:\"<>|";
constexpr wchar_t kAddFile[] = L"追加するﾌｧｲﾙ名";

std::vector<std::wstring> Texts(const ScriptedPrompter& p) {
    std::vector<std::wstring> texts;
    for (const auto& r : p.prompts()) texts.push_back(r.text);
    return texts;
}

TEST(NormalizeName, TidiesRefusesOrAsks) {
    struct Case {
        const wchar_t* typed;
        PromptAnswer answer;  // to the replacement question, if asked
        bool accepted;
        const wchar_t* name;      // the name afterwards
        std::wstring message;     // what the dialog shows
        const wchar_t* question;  // the replacement question, or null
    };
    const Case cases[] = {
        {L"", PromptAnswer::Yes, false, L"", L"何も指定されていません。", nullptr},
        {L".", PromptAnswer::Yes, false, L".", L".は使用できません。", nullptr},
        {L"..", PromptAnswer::Yes, false, L"..", L"..は使用できません。", nullptr},
        {L"...", PromptAnswer::Yes, false, L"...", L"...は使用できません。", nullptr},
        {L"a/b", PromptAnswer::Yes, false, L"a/b", std::wstring(kSevenChars) + L"は使用できません。", nullptr},
        {L"x|y", PromptAnswer::Yes, false, L"x|y", std::wstring(kSevenChars) + L"は使用できません。", nullptr},
        {L"c:", PromptAnswer::Yes, false, L"c:", std::wstring(kSevenChars) + L"は使用できません。", nullptr},
        {L"\"q\"", PromptAnswer::Yes, false, L"\"q\"", std::wstring(kSevenChars) + L"は使用できません。", nullptr},
        {L".txt.", PromptAnswer::Yes, true, L".txt", L"", L".txtに置き換えます。"},
        {L"a***b", PromptAnswer::Yes, true, L"a*b", L"", L"a*bに置き換えます。"},
        {L"**..", PromptAnswer::No, false, L"*", L"", L"*に置き換えます。"},
        {L" a?b* ", PromptAnswer::Yes, true, L" a?b* ", L"", nullptr},
        {L"*.TXT", PromptAnswer::Yes, true, L"*.TXT", L"", nullptr},
    };
    for (const Case& c : cases) {
        ScriptedPrompter prompter;
        prompter.Push(c.answer);
        std::wstring name = c.typed, message = L"unset";
        EXPECT_EQ(NormalizeName(name, true, prompter, message), c.accepted) << c.typed;
        EXPECT_EQ(name, c.name) << c.typed;
        EXPECT_EQ(message, c.message) << c.typed;
        if (c.question) {
            ASSERT_EQ(prompter.prompts().size(), 1u) << c.typed;
            EXPECT_EQ(prompter.prompts()[0].kind, PromptKind::YesNo);
            EXPECT_EQ(prompter.prompts()[0].text, c.question);
        } else {
            EXPECT_TRUE(prompter.prompts().empty()) << c.typed;
        }
    }
    // Without confirmation a tidied name is taken as it is.
    ScriptedPrompter silent;
    std::wstring name = L"a**.", message;
    EXPECT_TRUE(NormalizeName(name, false, silent, message));
    EXPECT_EQ(name, L"a*");
    EXPECT_TRUE(silent.prompts().empty());
}

std::vector<std::wstring> StaticTexts(HWND dialog) {
    std::vector<std::wstring> texts;
    EnumChildWindows(
        dialog,
        [](HWND w, LPARAM lp) -> BOOL {
            wchar_t cls[32] = {}, text[256] = {};
            GetClassNameW(w, cls, 32);
            GetWindowTextW(w, text, 256);
            if (std::wstring(cls) == L"Static") reinterpret_cast<std::vector<std::wstring>*>(lp)->push_back(text);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

TEST(NameEntryDialog, StaysOpenOnARefusalOrADeclinedReplacement) {
    testing::OwnerWindow owner;
    ScriptedPrompter prompter;
    prompter.Push(PromptAnswer::No);
    NameEntryDialog dialog(L"追加するﾌｧｲﾙ名", L"ﾌｧｲﾙ名を１つ指定してください。", L"old", &prompter);
    std::vector<std::wstring> labels;
    std::wstring initial, afterDecline;
    bool openAfterRefusal = false, openAfterDecline = false;
    UserScript user([&](DWORD thread) {
        HWND d = Need(WaitForWindow(thread, L"追加するﾌｧｲﾙ名"), "name dialog");
        labels = StaticTexts(d);
        initial = testing::TextOf(d, IDC_NAME_EDIT);
        for (auto [typed, open] : {std::pair{L"a/b", &openAfterRefusal}, std::pair{L"x**..", &openAfterDecline}}) {
            SetDlgItemTextW(d, IDC_NAME_EDIT, typed);
            Press(d, IDOK);
            Sleep(200);
            *open = IsWindowVisible(d) != FALSE;
        }
        afterDecline = testing::TextOf(d, IDC_NAME_EDIT);
        Press(d, IDOK);  // "x*" as it stands now needs no change and is taken
        WaitGone(d);
    });
    EXPECT_EQ(dialog.DoModal(owner.hwnd()), IDOK);
    user.Join();
    EXPECT_EQ(labels, (std::vector<std::wstring>{L"ﾌｧｲﾙ名を１つ指定してください。",
                                                 L"・0個以上の任意の文字を半角の * で指定できます。",
                                                 L"・任意の1文字を半角の ? で指定できます。",
                                                 L"・半角の \\ / : \" < > |  は、使用できません。"}));
    EXPECT_EQ(initial, L"old");
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_TRUE(openAfterDecline);
    EXPECT_EQ(afterDecline, L"x*");
    EXPECT_EQ(dialog.text(), L"x*");
    EXPECT_EQ(Texts(prompter), (std::vector<std::wstring>{std::wstring(kSevenChars) + L"は使用できません。",
                                                          L"x*に置き換えます。"}));
}

TEST(CheckNewName, DuplicatesConflictsAndCapacity) {
    // Entries whose joined text is 240 characters: 24 names of 9 characters
    // and their 23 separators come to 239, one longer name makes 240.
    std::vector<std::wstring> full(23, L"123456789");
    full.push_back(L"1234567890");
    struct Case {
        std::wstring name;
        std::vector<std::wstring> own, other;
        bool accepted;
        std::wstring conflict;
        std::vector<std::wstring> shown;
    };
    const Case cases[] = {
        {L"", {}, {}, false, L"", {}},
        {L"ABC", {L"abc"}, {}, false, L"", {L"ABCは、すでに設定されています。"}},
        {L"abc", {L"x", L"ABC"}, {}, false, L"", {L"abcは、すでに設定されています。"}},
        {L"abc", {}, {L"ABC"}, false, L"abc", {}},
        {L"abc", {L"abd"}, {L"abe"}, true, L"", {}},
        {L"abcdefghi", full, {}, true, L"", {}},
        {L"abcdefghij", full, {}, false, L"", {L"これ以上は登録できません。"}},
        // A change is checked with the old entry still in the list: turning
        // "1234567890" into an 11-character name would fit only without it.
        {L"abcdefghijk", full, {}, false, L"", {L"これ以上は登録できません。"}},
        {std::wstring(250, L'n'), {}, {}, true, L"", {}},
    };
    for (const Case& c : cases) {
        ScriptedPrompter prompter;
        std::wstring conflict = L"unset";
        EXPECT_EQ(CheckNewName(c.name, c.own, c.other, prompter, conflict), c.accepted) << c.name;
        EXPECT_EQ(conflict, c.conflict) << c.name;
        EXPECT_EQ(Texts(prompter), c.shown) << c.name;
    }
    EXPECT_EQ(JoinListText(full).size(), 240u);
}

TEST(TimePageLists, IndexesMapToStoredUnitsAndBack) {
    const unsigned simple[] = {2, 1, 0, 3, 4};
    const unsigned period[] = {2, 1, 0, 3, 4, 7, 6, 5, 8, 9};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(SimpleUnitAt(i), simple[i]);
        EXPECT_EQ(SimpleUnitIndex(simple[i]), i);
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(PeriodUnitAt(i), period[i]);
        EXPECT_EQ(PeriodUnitIndex(period[i]), i);
    }
    EXPECT_EQ(SimpleUnitIndex(5), -1);
    const std::pair<const wchar_t*, unsigned> counts[] = {
        {L"", 0}, {L"0", 0}, {L"000", 0}, {L"0012", 12}, {L"9999", 9999}, {L"123456", 1234}, {L"00012345", 1234}};
    for (auto [text, value] : counts) EXPECT_EQ(ReadCountText(text), value) << text;
}

// ---- the sheet, opened from the main window ---------------------------------

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// Shows page `index` and returns it.
HWND ShowPage(HWND sheet, int index) {
    PostMessageW(sheet, PSM_SETCURSEL, index, 0);
    Sleep(200);
    return CurrentPage(sheet);
}

// A real click: the button's own check state follows, as with the mouse.
void Click(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    Sleep(100);
}

std::vector<std::wstring> ListEntries(HWND page, int list) {
    std::vector<std::wstring> entries;
    const int n = static_cast<int>(SendDlgItemMessageW(page, list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[300] = {};
        SendDlgItemMessageW(page, list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

// Presses a button that opens the name dialog with this title, types into
// it and presses OK.
void EnterName(DWORD thread, HWND page, int button, const std::wstring& title, const std::wstring& typed) {
    Press(page, button);
    HWND d = Need(WaitForWindow(thread, title), "name dialog");
    SetDlgItemTextW(d, IDC_NAME_EDIT, typed.c_str());
    Press(d, IDOK);
    WaitGone(d);
    Sleep(100);
}

std::wstring Stored(const wchar_t* name) { return AppProfile().GetString(kSettingsSection, name, L"<none>"); }

class FilterSheet : public ::testing::Test {
protected:
    void SetUp() override {
        AppProfile().DeleteRoot();
        app.prompter = &prompter;
    }
    void Open() {
        window = std::make_unique<MainWindow>(app);
        ASSERT_TRUE(window->CreateModeless(nullptr)) << GetLastError();
    }
    void TearDown() override {
        window.reset();
        AppProfile().DeleteRoot();
    }
    // Opens the sheet through the menu command; the script plays the user.
    void RunSheet(const std::function<void(DWORD, HWND)>& script) {
        UserScript user([&](DWORD thread) { script(thread, Need(WaitForWindow(thread, kSheetTitle), "sheet")); });
        SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ID_FILTER, 0), 0);
        user.Join();
    }

    AppState app;
    ScriptedPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

TEST_F(FilterSheet, NameListsAddChangeDeleteAndSaveOnOk) {
    AppProfile().SetInt(kSettingsSection, L"op8", 1);
    AppProfile().SetString(kSettingsSection, L"MFiles", L"Keep.DOC|abc");
    Open();
    window->session().filterSet().lastFilterPage = 1;
    std::vector<std::wstring> shown, afterDelete;
    bool changeEnabledEmpty = true;
    prompter.Push(PromptAnswer::Yes);  // "*.TMP." becomes "*.TMP"
    prompter.Push(PromptAnswer::Yes);  // delete the selected entry
    RunSheet([&](DWORD thread, HWND sheet) {
        HWND page = CurrentPage(sheet);
        shown = ListEntries(page, IDC_FILE_INC_LIST);
        changeEnabledEmpty = testing::Enabled(page, IDC_FILE_EXC_CHANGE);
        EnterName(thread, page, IDC_FILE_INC_ADD, kAddFile, L"*.TMP.");
        EnterName(thread, page, IDC_FILE_EXC_ADD, kAddFile, L"*.tmp");  // conflict with the include side
        EnterName(thread, page, IDC_FILE_EXC_ADD, kAddFile, L"*.bak");
        EnterName(thread, page, IDC_FILE_EXC_ADD, kAddFile, L"*.old");
        EnterName(thread, page, IDC_FILE_INC_ADD, kAddFile, L"ABC");    // duplicate of "abc"
        // Change "abc" (after "*.TMP" in the box's order) to "zz".
        Press(page, IDC_FILE_INC_CHANGE);  // nothing selected
        Sleep(150);
        SendDlgItemMessageW(page, IDC_FILE_INC_LIST, LB_SETSEL, TRUE, 1);
        EnterName(thread, page, IDC_FILE_INC_CHANGE, L"変更するﾌｧｲﾙ名", L"zz");
        Press(page, IDC_FILE_EXC_DELETE);  // nothing selected
        Sleep(150);
        SendDlgItemMessageW(page, IDC_FILE_EXC_LIST, LB_SETSEL, TRUE, 0);
        Press(page, IDC_FILE_EXC_DELETE);
        Sleep(150);
        afterDelete = ListEntries(page, IDC_FILE_EXC_LIST);
        Press(sheet, IDOK);
        WaitGone(sheet);
    });
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"abc", L"keep.doc"}));
    EXPECT_FALSE(changeEnabledEmpty);
    EXPECT_EQ(afterDelete, (std::vector<std::wstring>{L"*.old"}));
    EXPECT_EQ(Texts(prompter), (std::vector<std::wstring>{
                                   L"*.TMPに置き換えます。",
                                   L"*.tmpはｺﾋﾟｰ対象ﾌｧｲﾙにも指定されています。",
                                   L"ABCは、すでに設定されています。",
                                   L"変更するには、項目を１つ選択してください。",
                                   L"削除する項目を選択してください。",
                                   L"選択された項目を削除してよろしいですか？",
                               }));
    // Lower case as loaded, typed case kept, in the box's order.
    EXPECT_EQ(Stored(L"MFiles"), L"*.TMP|keep.doc|zz");
    EXPECT_EQ(Stored(L"MFilesExc"), L"*.old");
}

TEST_F(FilterSheet, CancelLeavesRegistryAndFilterAsStoredAndReopensOnTheLastPage) {
    AppProfile().SetInt(kSettingsSection, L"op8", 1);
    AppProfile().SetString(kSettingsSection, L"MFolders", L"src");
    Open();
    RunSheet([&](DWORD thread, HWND sheet) {
        HWND page = ShowPage(sheet, 2);
        EnterName(thread, page, IDC_FOLDER_EXC_ADD, L"追加するﾌｫﾙﾀﾞ名", L"obj");
        Click(page, IDC_FOLDER_INC_OFF);
        HWND general = ShowPage(sheet, 0);
        Click(general, IDC_FG_ALL);
        ShowPage(sheet, 2);
        Press(sheet, IDCANCEL);
        WaitGone(sheet);
    });
    EXPECT_EQ(Stored(L"MFolders"), L"src");
    EXPECT_EQ(Stored(L"MFoldersExc"), L"<none>");
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op8", -1), 1);
    const FilterSet& f = window->session().filterSet();
    EXPECT_EQ(f.generalMode, 1);
    EXPECT_FALSE(f.folderIncludeOff);
    EXPECT_TRUE(f.folderExcludes.empty());
    EXPECT_EQ(f.lastFilterPage, 2);

    std::vector<std::wstring> shown;
    RunSheet([&](DWORD, HWND sheet) {
        HWND page = CurrentPage(sheet);
        shown = ListEntries(page, IDC_FOLDER_INC_LIST);
        shown.push_back(testing::Checked(page, IDC_FOLDER_INC_OFF) ? L"off" : L"on");
        Press(sheet, IDCANCEL);
        WaitGone(sheet);
    });
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"src", L"on"}));
}

TEST_F(FilterSheet, GeneralPageModesProtectionAndTheConsistencyRulesOnOk) {
    Open();
    bool protectVisible[3] = {};
    bool namesEnabled = true;
    RunSheet([&](DWORD, HWND sheet) {
        HWND page = CurrentPage(sheet);
        protectVisible[0] = IsWindowVisible(GetDlgItem(page, IDC_FG_PROTECT)) != FALSE;
        Click(page, IDC_FG_DEST_ONLY);
        Click(page, IDC_FG_DEST_ONLY);
        protectVisible[1] = IsWindowVisible(GetDlgItem(page, IDC_FG_PROTECT)) != FALSE;
        Click(page, IDC_FG_PROTECT);
        Click(page, IDC_FG_PARTIAL);
        protectVisible[2] = IsWindowVisible(GetDlgItem(page, IDC_FG_PROTECT)) != FALSE;
        Click(page, IDC_FG_DEST_ONLY);
        HWND names = ShowPage(sheet, 1);
        namesEnabled = testing::Enabled(names, IDC_FILE_INC_ADD);
        Press(sheet, IDOK);
        WaitGone(sheet);
    });
    EXPECT_FALSE(protectVisible[0]);
    EXPECT_TRUE(protectVisible[1]);
    EXPECT_FALSE(protectVisible[2]);
    EXPECT_FALSE(namesEnabled);
    const std::wstring risk = L"このｵﾌﾟｼｮﾝを変更すると、ｺﾋﾟｰ元とｺﾋﾟｰ先の同期が部分的になる可能性があります。";
    EXPECT_EQ(prompter.CountText(risk), 3u);
    // Saved with protection kept while hidden, then the missing-item policies
    // follow the destination modes.
    EXPECT_EQ(AppProfile().GetInt(kSettingsSection, L"op8", -1), 0x300);
    EXPECT_EQ(prompter.CountText(L"「上書き・同期時にｺﾋﾟｰ先にない場合の扱い」を「ｺﾋﾟｰしない」にします。"), 1u);
    EXPECT_EQ(window->session().options().missingInDestination, MissingPolicy::Ignore);
    EXPECT_EQ(window->session().options().missingInSource, MissingPolicy::Ignore);
}

// ---- the time pages ----------------------------------------------------------

void StoreRecord(const wchar_t* name, const TimeRangeSpec& r) {
    AppProfile().SetBinary(kSettingsSection, name, r.ToBytes());
}

TimeRangeSpec Detailed(unsigned kind, unsigned start, unsigned end) {
    TimeRangeSpec r = TimeRangeSpec::Defaults(kind);
    r.Set(tf::RangeType, kRangeDetailed);
    r.Set(tf::StartKind, start);
    r.Set(tf::EndKind, end);
    return r;
}

TEST_F(FilterSheet, InvalidTimeRangeKeepsThePageAndRefusesOkWithNothingSaved) {
    AppProfile().SetInt(kSettingsSection, L"op8", 1);
    TimeRangeSpec r = Detailed(kModificationRecord, kBoundDate, kBoundDate);
    for (auto [chosen, year, month, day, value] :
         {std::tuple{tf::StartDateChosen, tf::StartDateYear, tf::StartDateMonth, tf::StartDateDay, 6u},
          std::tuple{tf::EndDateChosen, tf::EndDateYear, tf::EndDateMonth, tf::EndDateDay, 5u}}) {
        r.Set(chosen, 1);
        r.Set(year, 2024);
        r.Set(month, value);
        r.Set(day, 1);
    }
    StoreRecord(L"TmFilterM", r);
    Open();
    window->session().filterSet().lastFilterPage = 4;
    bool stayed[2] = {};
    RunSheet([&](DWORD, HWND sheet) {
        HWND page = CurrentPage(sheet);
        stayed[0] = ShowPage(sheet, 0) == page;
        Press(sheet, IDOK);
        Sleep(300);
        stayed[1] = IsWindowVisible(sheet) && CurrentPage(sheet) == page;
        Press(sheet, IDCANCEL);
        WaitGone(sheet);
    });
    EXPECT_TRUE(stayed[0]);
    EXPECT_TRUE(stayed[1]);
    EXPECT_EQ(prompter.CountText(L"開始条件が終了条件より過去になるように設定してください。"), 2u);
    EXPECT_EQ(prompter.prompts().size(), 2u);
    EXPECT_EQ(AppProfile().GetBinary(kSettingsSection, L"TmFilterM"), r.ToBytes());
    EXPECT_EQ(window->session().filterSet().modificationSpec, r);
}

TEST_F(FilterSheet, DetailedRangeWithoutConditionsFallsBackWhenLeft) {
    AppProfile().SetInt(kSettingsSection, L"op8", 1);
    StoreRecord(L"TmFilterM", Detailed(kModificationRecord, kBoundNone, kBoundNone));
    Open();
    window->session().filterSet().lastFilterPage = 4;
    bool noneChecked = false;
    RunSheet([&](DWORD, HWND sheet) {
        ShowPage(sheet, 0);
        HWND page = ShowPage(sheet, 4);
        noneChecked = testing::Checked(page, IDC_TP_NONE);
        Press(sheet, IDOK);
        WaitGone(sheet);
    });
    EXPECT_TRUE(noneChecked);
    // Once, when the page was left: coming back it shows no range at all.
    EXPECT_EQ(Texts(prompter), std::vector<std::wstring>(
                                   1, L"詳細設定で開始条件と終了条件が指定されていないので、更新時刻範囲指定を行わないとして扱います。"));
    auto stored = AppProfile().GetBinary(kSettingsSection, L"TmFilterM");
    ASSERT_TRUE(stored.has_value());
    TimeRangeSpec saved;
    saved.OverlayBytes(*stored);
    EXPECT_EQ(saved.rangeType(), kRangeNone);
}

TEST_F(FilterSheet, OneAndBoxForBothPagesResetClearsItAndOkStampsTheMarks) {
    AppProfile().SetInt(kSettingsSection, L"op8", 1);
    TimeRangeSpec c = TimeRangeSpec::Defaults(kCreationRecord), m = TimeRangeSpec::Defaults(kModificationRecord);
    c.Set(tf::RangeType, kRangeSimple);
    m.Set(tf::RangeType, kRangeSimple);
    StoreRecord(L"TmFilterC", c);
    StoreRecord(L"TmFilterM", m);
    Open();
    std::wstring andText;
    bool checkedOnOther = false, clearedByReset = true, disabledAfterReset = false;
    RunSheet([&](DWORD, HWND sheet) {
        HWND creation = ShowPage(sheet, 3);
        Click(creation, IDC_TP_AND);
        HWND modification = ShowPage(sheet, 4);
        andText = testing::TextOf(modification, IDC_TP_AND);
        checkedOnOther = testing::Checked(modification, IDC_TP_AND);
        Press(modification, IDC_TP_RESET);
        Sleep(150);
        creation = ShowPage(sheet, 3);
        clearedByReset = testing::Checked(creation, IDC_TP_AND);
        disabledAfterReset = !testing::Enabled(creation, IDC_TP_AND);
        Press(sheet, IDCANCEL);
        WaitGone(sheet);
    });
    EXPECT_EQ(andText, L"作成時刻範囲指定とAND条件にする");
    EXPECT_TRUE(checkedOnOther);
    EXPECT_FALSE(clearedByReset);
    EXPECT_TRUE(disabledAfterReset);

    RunSheet([&](DWORD, HWND sheet) {
        Click(ShowPage(sheet, 3), IDC_TP_AND);
        Press(sheet, IDOK);
        WaitGone(sheet);
    });
    auto marks = [](const wchar_t* name) {
        TimeRangeSpec r;
        r.OverlayBytes(AppProfile().GetBinary(kSettingsSection, name).value_or(std::vector<std::uint8_t>{}));
        return r.andMark();
    };
    EXPECT_EQ(marks(L"TmFilterC"), 1u);
    EXPECT_EQ(marks(L"TmFilterM"), 2u);
    EXPECT_TRUE(window->session().filterSet().timeAnd);
}

TEST_F(FilterSheet, BoundTextsFollowTheClockAndShowTheExclusiveEnd) {
    AppProfile().SetInt(kSettingsSection, L"op8", 1);
    TimeRangeSpec simple = TimeRangeSpec::Defaults(kCreationRecord);
    simple.Set(tf::RangeType, kRangeSimple);
    simple.Set(tf::SimpleUnit, kMinutesBefore);
    simple.Set(tf::SimpleCount, 5);
    StoreRecord(L"TmFilterC", simple);
    TimeRangeSpec today = Detailed(kModificationRecord, kBoundToday, kBoundToday);
    today.Set(tf::StartTodayHour, 10);
    today.Set(tf::EndTodayHour, 10);
    StoreRecord(L"TmFilterM", today);
    Open();
    window->session().filterSet().lastFilterPage = 3;
    std::wstring before, after, endText, todayStart, todayEnd;
    bool countShown = false;
    RunSheet([&](DWORD, HWND sheet) {
        HWND page = CurrentPage(sheet);
        countShown = testing::TextOf(page, IDC_TP_SIMPLE_COUNT) == L"5";
        before = testing::TextOf(page, IDC_TP_START_TEXT);
        endText = testing::TextOf(page, IDC_TP_END_TEXT);
        Sleep(2500);
        after = testing::TextOf(page, IDC_TP_START_TEXT);
        HWND other = ShowPage(sheet, 4);
        todayStart = testing::TextOf(other, IDC_TP_START_TEXT);
        todayEnd = testing::TextOf(other, IDC_TP_END_TEXT);
        ShowPage(sheet, 0);  // a valid range may be left
        Press(sheet, IDCANCEL);
        WaitGone(sheet);
    });
    EXPECT_TRUE(countShown);
    EXPECT_NE(before, after);
    EXPECT_EQ(before.substr(before.size() - 5), L" ≦ 時刻") << before;
    EXPECT_EQ(endText.substr(0, 5), L"時刻 ＜ ") << endText;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring day = std::to_wstring(now.wYear) + L"年" + std::to_wstring(now.wMonth) + L"月" +
                             std::to_wstring(now.wDay) + L"日";
    EXPECT_EQ(todayStart, day + L"10時0分0秒 ≦ 時刻");
    EXPECT_EQ(todayEnd, L"時刻 ＜ " + day + L"10時0分1秒");
    EXPECT_TRUE(prompter.prompts().empty());
}

TEST_F(FilterSheet, CountBoxesAreCheckedAsTypedAndWhenTheTimePageIsLeft) {
    AppProfile().SetInt(kSettingsSection, L"op8", 1);
    TimeRangeSpec simple = TimeRangeSpec::Defaults(kCreationRecord);
    simple.Set(tf::RangeType, kRangeSimple);
    StoreRecord(L"TmFilterC", simple);
    Open();
    window->session().filterSet().lastFilterPage = 3;
    unsigned storedWhileEmpty = 99, startCount = 0;
    bool stayed = false;
    RunSheet([&](DWORD, HWND sheet) {
        HWND page = CurrentPage(sheet);
        SetDlgItemTextW(page, IDC_TP_START_COUNT, L"0123456");  // too long for the check; 1234 is read
        SetDlgItemTextW(page, IDC_TP_SIMPLE_COUNT, L"0");        // reported at once
        SetDlgItemTextW(page, IDC_TP_SIMPLE_COUNT, L"");
        Sleep(100);
        storedWhileEmpty = window->session().filterSet().creationSpec.Get(tf::SimpleCount);
        startCount = window->session().filterSet().creationSpec.Get(tf::StartPeriodCount);
        Click(page, IDC_TP_NONE);
        stayed = ShowPage(sheet, 0) == page;
        Press(sheet, IDCANCEL);
        WaitGone(sheet);
    });
    EXPECT_EQ(storedWhileEmpty, 0u);
    EXPECT_EQ(startCount, 1234u);
    EXPECT_TRUE(stayed);
    const std::wstring simpleRange = L"1 から 9999 までの整数を入力してください。";
    const std::wstring periodRange = L"0 から 9999 までの整数を入力してください。";
    EXPECT_EQ(Texts(prompter), (std::vector<std::wstring>{periodRange, simpleRange, simpleRange}));
    EXPECT_EQ(window->session().filterSet().creationSpec, simple) << "Cancel reloads the stored record";
}

TEST_F(FilterSheet, StoredTimesAreCorrectedOnlyWhereOutOfRangeAndPaddedCountsAreTaken) {
    AppProfile().SetInt(kSettingsSection, L"op8", 1);
    TimeRangeSpec r = Detailed(kCreationRecord, kBoundToday, kBoundToday);
    for (auto [field, value] : {std::pair{tf::StartTodayHour, 25u}, {tf::StartTodayMinute, 30u}, {tf::StartTodaySecond, 0u},
                                {tf::EndTodayHour, 10u}, {tf::EndTodayMinute, 61u}, {tf::EndTodaySecond, 9u}})
        r.Set(field, value);
    StoreRecord(L"TmFilterC", r);
    Open();
    window->session().filterSet().lastFilterPage = 3;
    std::vector<unsigned> shown;
    bool left = false;
    RunSheet([&](DWORD, HWND sheet) {
        HWND page = CurrentPage(sheet);
        const TimeRangeSpec& live = window->session().filterSet().creationSpec;
        for (TimeField f : {tf::StartTodayHour, tf::StartTodayMinute, tf::StartTodaySecond, tf::EndTodayHour,
                            tf::EndTodayMinute, tf::EndTodaySecond})
            shown.push_back(live.Get(f));
        SetDlgItemTextW(page, IDC_TP_SIMPLE_COUNT, L"0000000001");
        SetDlgItemTextW(page, IDC_TP_START_COUNT, L"000000000000");
        left = ShowPage(sheet, 0) != page;
        Press(sheet, IDCANCEL);
        WaitGone(sheet);
    });
    EXPECT_EQ(shown, (std::vector<unsigned>{0, 30, 0, 10, 0, 9}));
    EXPECT_TRUE(left);
    EXPECT_TRUE(prompter.prompts().empty()) << prompter.prompts()[0].text;
}

// Enter and Esc in an edit box do what the sheet's OK and Cancel do, and so
// does an OK or Cancel command that reaches a page itself: it never ends the
// page alone.
TEST_F(FilterSheet, EnterEscAndCommandsReachingAPageCloseTheWholeSheet) {
    struct Case { bool key; WPARAM what; bool kept; };
    for (const Case& c : {Case{true, VK_RETURN, true}, Case{true, VK_ESCAPE, false}, Case{false, IDOK, true},
                          Case{false, IDCANCEL, false}}) {
        AppProfile().DeleteRoot();
        AppProfile().SetInt(kSettingsSection, L"op8", 1);
        Open();
        window->session().filterSet().lastFilterPage = 3;
        const unsigned before = window->session().filterSet().creationSpec.Get(tf::StartPeriodCount);
        ASSERT_NE(before, 7u);
        bool closed = false;
        RunSheet([&](DWORD, HWND sheet) {
            HWND page = CurrentPage(sheet);
            HWND box = GetDlgItem(page, IDC_TP_START_COUNT);
            SetWindowTextW(box, L"7");
            if (c.key) {
                PostMessageW(box, WM_KEYDOWN, c.what, 0);
                PostMessageW(box, WM_KEYUP, c.what, 0xC0000001);
            } else {
                PostMessageW(page, WM_COMMAND, c.what, 0);
            }
            closed = WaitGone(sheet, 3000);
            if (!closed) Press(sheet, IDCANCEL);
        });
        EXPECT_TRUE(closed) << c.what;
        EXPECT_EQ(window->session().filterSet().creationSpec.Get(tf::StartPeriodCount), c.kept ? 7u : before) << c.what;
    }
}

TEST_F(FilterSheet, TimePageIsDisabledWhileEveryEntryIsATarget) {
    Open();
    window->session().filterSet().lastFilterPage = 3;
    std::vector<int> enabled;
    RunSheet([&](DWORD, HWND sheet) {
        HWND page = CurrentPage(sheet);
        for (int id = IDC_TP_NONE; id <= IDC_TP_AND; ++id)
            if (GetDlgItem(page, id) && testing::Enabled(page, id)) enabled.push_back(id);
        Press(sheet, IDCANCEL);
        WaitGone(sheet);
    });
    EXPECT_TRUE(enabled.empty()) << enabled.front();
}

TEST_F(FilterSheet, MenuItemIsGrayedAndInertDuringARun) {
    Open();
    window->SetRunActive(true);
    EXPECT_TRUE(GetMenuState(GetMenu(window->hwnd()), ID_FILTER, MF_BYCOMMAND) & MF_GRAYED);
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(ID_FILTER, 0), 0);
    EXPECT_TRUE(prompter.prompts().empty());
    window->SetRunActive(false);
    EXPECT_FALSE(GetMenuState(GetMenu(window->hwnd()), ID_FILTER, MF_BYCOMMAND) & MF_GRAYED);
}

}  // namespace
}  // namespace mirrant
