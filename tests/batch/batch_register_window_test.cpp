// The batch registration window in-process, driven through its controls:
// editing rows, moving, copying and swapping them, drops, the folder
// chooser, Enter, and saving both formats read back by the batch readers.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <deque>

#include "batch/batch_register_window.h"
#include "batch_test_support.h"
#include "engine/texts.h"
#include "framework/edition.h"
#include "res/resource.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::ReadFile;
using testing::TempDir;

namespace text = testing::text;
const std::wstring kSaveAsText = L"ﾃｷｽﾄ形式のﾊﾞｯﾁﾌｧｲﾙで保存します。";
const std::wstring kBinaryFirst = L"Mirrantﾊﾞｯﾁﾌｧｲﾙ (*.mrx)|*.mrx|ﾃｷｽﾄ形式ﾊﾞｯﾁﾌｧｲﾙ (*.mrt)|*.mrt||";
const std::wstring kTextFirst = L"ﾃｷｽﾄ形式ﾊﾞｯﾁﾌｧｲﾙ (*.mrt)|*.mrt|Mirrantﾊﾞｯﾁﾌｧｲﾙ (*.mrx)|*.mrx||";

// The window with its platform dialogs answered from queues.
class ScriptedWindow : public BatchRegisterWindow {
public:
    using BatchRegisterWindow::BatchRegisterWindow;
    std::deque<std::wstring> folders, reads, saves;
    std::vector<std::wstring> folderStarts;
    std::vector<FileDialogRequest> readRequests, saveRequests;
    std::uint32_t seed = 1700000000;
    int fileType = 1;  // the file type chosen in the save dialog

protected:
    std::wstring ChooseFolder(bool, const std::wstring& initial, std::wstring& remembered) override {
        folderStarts.push_back(initial);
        remembered = Next(folders);
        if (!remembered.empty()) remembered.pop_back();
        return remembered.empty() ? L"" : remembered + L"\\";
    }
    std::wstring ChooseFileToRead(const FileDialogRequest& r) override { return readRequests.push_back(r), Next(reads); }
    std::wstring ChooseFileToWrite(const FileDialogRequest& r, int& index) override {
        index = fileType;
        return saveRequests.push_back(r), Next(saves);
    }
    std::uint32_t SeedNow() override { return seed; }

private:
    static std::wstring Next(std::deque<std::wstring>& q) {
        if (q.empty()) return L"";
        std::wstring s = q.front();
        q.pop_front();
        return s;
    }
};

using Rows = std::vector<std::vector<std::wstring>>;

class RegisterWindowTest : public ::testing::Test {
protected:
    void SetUp() override { Open(false); }
    void Open(bool textDefault) {
        w = std::make_unique<ScriptedWindow>(textDefault, &prompter);
        ASSERT_TRUE(w->CreateModeless(nullptr));
    }
    HWND H() const { return w->hwnd(); }
    HWND List() const { return w->Item(IDC_BATCH_LIST); }
    void Click(int id) { SendMessageW(H(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)w->Item(id)); }
    void Type(int id, const std::wstring& text) { SetDlgItemTextW(H(), id, text.c_str()); }
    void Operation(bool sync) {
        CheckRadioButton(H(), IDC_BATCH_OVERWRITE, IDC_BATCH_SYNC, sync ? IDC_BATCH_SYNC : IDC_BATCH_OVERWRITE);
        Click(sync ? IDC_BATCH_SYNC : IDC_BATCH_OVERWRITE);
    }
    void ClickRow(int row) {
        ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        NMITEMACTIVATE click{{List(), IDC_BATCH_LIST, NM_CLICK}};
        click.iItem = row;
        SendMessageW(H(), WM_NOTIFY, IDC_BATCH_LIST, (LPARAM)&click);
    }
    void Key(WPARAM key) { SendMessageW(List(), WM_KEYDOWN, key, 0); }
    // Rows as "操作", source, destination.
    Rows ListRows() const {
        Rows rows;
        for (const BatchListRow& r : w->Rows()) rows.push_back({r.operation, r.source, r.destination});
        return rows;
    }
    int Selected() const { return ListView_GetNextItem(List(), -1, LVNI_SELECTED); }
    std::wstring Text(int id) const { return w->ItemText(id); }
    // Types the rows into the window: the first into the row it starts with.
    void Compose(const Rows& rows) {
        for (size_t i = 0; i < rows.size(); ++i) {
            if (i > 0) Click(IDC_BATCH_ADD_ROW);
            Operation(rows[i][0] == L"同期");
            Type(IDC_BATCH_SOURCE, rows[i][1]);
            Type(IDC_BATCH_DEST, rows[i][2]);
        }
    }
    BatchFile ReadBack(const std::wstring& path) {
        testing::ReadRecorder recorder;
        ParsedBatch parsed;
        EXPECT_TRUE(ReadBatchFile(path, recorder.Context(), parsed)) << path;
        return ToBatchFile(parsed);
    }

    testing::ScriptedPrompter prompter;
    std::unique_ptr<ScriptedWindow> w;
    TempDir dir;
};

const Rows kTwoRows = {{L"上書き", L"C:\\data\\", L"D:\\backup\\"}, {L"同期", L"C:\\mail\\", L"E:\\mail\\"}};
const BatchFile kTwoRowBatch{L"nightly job",
                             {{L'O', L"C:\\data\\", L"D:\\backup\\"}, {L'S', L"C:\\mail\\", L"E:\\mail\\"}}};

TEST_F(RegisterWindowTest, StartsWithOneEmptyOverwriteRowThatCannotBeWritten) {
    EXPECT_EQ(ListRows(), (Rows{{L"上書き", L"", L""}}));
    EXPECT_EQ(Selected(), 0);
    EXPECT_FALSE(IsWindowEnabled(w->Item(IDC_BATCH_PASTE)));
    Click(IDC_BATCH_WRITE);
    ASSERT_EQ(prompter.prompts().size(), 1u);
    EXPECT_EQ(prompter.prompts()[0].kind, PromptKind::Warning);
    EXPECT_EQ(prompter.prompts()[0].text, text::kNothingToWrite);
    EXPECT_TRUE(w->saveRequests.empty());
}

TEST_F(RegisterWindowTest, FieldsEditTheSelectedRowOnlyAndRowsAreAddedAndDeleted) {
    Compose(kTwoRows);
    Click(IDC_BATCH_ADD_ROW);
    EXPECT_EQ(ListRows(), (Rows{kTwoRows[0], kTwoRows[1], {L"同期", L"", L""}}));
    ClickRow(0);
    EXPECT_EQ(Text(IDC_BATCH_DEST), L"D:\\backup\\");
    EXPECT_TRUE(w->IsChecked(IDC_BATCH_OVERWRITE));
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    Type(IDC_BATCH_DEST, L"X:\\");  // no row selected: nothing changes
    EXPECT_EQ(ListRows()[0][2], L"D:\\backup\\");

    ClickRow(2);
    Click(IDC_BATCH_DELETE_ROW);  // the last of three: the new last row is selected and shown
    EXPECT_EQ(ListRows(), (Rows{kTwoRows[0], kTwoRows[1]}));
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(Text(IDC_BATCH_SOURCE), L"C:\\mail\\");
    ClickRow(0);
    Click(IDC_BATCH_DELETE_ROW);
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Text(IDC_BATCH_SOURCE), L"C:\\mail\\");
    Click(IDC_BATCH_DELETE_ROW);  // the only row: the fields are emptied
    EXPECT_TRUE(ListRows().empty());
    EXPECT_EQ(Text(IDC_BATCH_SOURCE) + Text(IDC_BATCH_DEST), L"");
}

TEST_F(RegisterWindowTest, ArrowKeysMoveTheSelectedRowWithinTheList) {
    const std::vector<std::wstring> a = {L"上書き", L"a", L"1"}, b = {L"同期", L"b", L"2"}, c = {L"上書き", L"c", L"3"};
    struct Case { int row; WPARAM key; Rows after; int selected; };
    const Case cases[] = {
        {0, VK_UP, {a, b, c}, 0}, {2, VK_DOWN, {a, b, c}, 2}, {1, VK_UP, {b, a, c}, 0},
        {1, VK_DOWN, {a, c, b}, 2}, {0, VK_RIGHT, {a, b, c}, 0},
    };
    for (const Case& k : cases) {
        SetUp();
        Compose({a, b, c});
        ClickRow(k.row);
        Key(k.key);
        EXPECT_EQ(ListRows(), k.after) << k.row << " " << k.key;
        EXPECT_EQ(Selected(), k.selected) << k.row << " " << k.key;
    }
}

TEST_F(RegisterWindowTest, CopyAndPasteCarryTheWholeRowAndSwapAllToggles) {
    Compose({{L"同期", L"C:\\a\\", L""}, {L"上書き", L"C:\\b\\", L"D:\\b\\"}});
    ClickRow(0);
    Click(IDC_BATCH_COPY);  // empty paths are copied too
    EXPECT_TRUE(IsWindowEnabled(w->Item(IDC_BATCH_PASTE)));
    ClickRow(1);
    Click(IDC_BATCH_PASTE);
    EXPECT_EQ(ListRows()[1], (std::vector<std::wstring>{L"同期", L"C:\\a\\", L""}));
    EXPECT_TRUE(w->IsChecked(IDC_BATCH_SYNC));

    const std::wstring title = L"ﾊﾞｯﾁﾌｧｲﾙ登録";
    Click(IDC_BATCH_SWAP);
    EXPECT_EQ(ListRows()[0], (std::vector<std::wstring>{L"同期", L"", L"C:\\a\\"}));
    EXPECT_EQ(w->Title(), title + L"[全行左右入替]");
    EXPECT_EQ(Text(IDC_BATCH_SWAP), L"入替を戻す");
    EXPECT_EQ(Text(IDC_BATCH_DEST), L"C:\\a\\");
    Click(IDC_BATCH_SWAP);
    EXPECT_EQ(w->Title(), title);
    EXPECT_EQ(Text(IDC_BATCH_SWAP), L"全行左右入替");

    // A file that cannot be read leaves everything as it was; a successful
    // read ends the swapped state.
    Click(IDC_BATCH_SWAP);
    const Rows swapped = ListRows();
    const std::wstring junk = dir / L"junk.mrx", file = dir / L"read.mrt";
    testing::WriteFile(junk, "not a batch file, long enough");
    testing::WriteFile(file, "comment\t\"two words\"\r\ncopy\tC:\\x\\\tD:\\y\\\r\n");
    w->reads = {junk, file};
    Click(IDC_BATCH_READ);
    EXPECT_EQ(prompter.CountText(L"ﾊﾞｯﾁﾌｧｲﾙの内容に誤りがあります。"), 1u);
    EXPECT_EQ(ListRows(), swapped);
    EXPECT_EQ(w->Title(), title + L"[全行左右入替]");
    Click(IDC_BATCH_READ);
    EXPECT_EQ(w->Title(), title);
    EXPECT_EQ(Text(IDC_BATCH_SWAP), L"全行左右入替");
    EXPECT_EQ(Text(IDC_BATCH_COMMENT), L"two words");
    EXPECT_EQ(ListRows(), (Rows{{L"上書き", L"C:\\x\\", L"D:\\y\\"}}));
    EXPECT_EQ(Text(IDC_BATCH_SOURCE), L"C:\\x\\");
    EXPECT_TRUE(w->textDefault());
    EXPECT_EQ(w->readRequests[0].filter, kBinaryFirst);
    EXPECT_EQ(w->readRequests[1].initialName, junk);
}

HDROP MakeDrop(const std::vector<std::wstring>& paths, POINT at) {
    size_t chars = 1;
    for (const auto& p : paths) chars += p.size() + 1;
    HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
    *df = DROPFILES{sizeof(DROPFILES), at, FALSE, TRUE};
    auto* out = reinterpret_cast<wchar_t*>(df + 1);
    for (const auto& p : paths) out = std::copy(p.begin(), p.end(), out) + 1;
    GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

TEST_F(RegisterWindowTest, DropsFillTheFieldUnderThePointOrTheEmptyOne) {
    testing::MakeFolder(dir / L"folder");
    testing::WriteFile(dir / L"file.txt", "x");
    const std::wstring folder = dir / L"folder", file = dir / L"file.txt";
    enum At { OnSource, OnDest, Elsewhere };
    struct Case { std::wstring source, dest; At at; std::vector<std::wstring> items; std::wstring wantSource, wantDest; bool warn; };
    const Case cases[] = {
        {L"", L"", Elsewhere, {folder}, folder + L"\\", L"", false},
        {L"S", L"", Elsewhere, {folder}, L"S", folder + L"\\", false},
        {L"", L"D", Elsewhere, {folder}, L"", L"D", false},
        {L"S", L"D", Elsewhere, {folder}, L"S", L"D", false},
        {L"S", L"D", OnDest, {file}, L"S", file, false},
        {L"S", L"D", OnSource, {dir / L"missing"}, L"S", L"D", false},
        {L"", L"", OnSource, {folder, file}, L"", L"", true},
    };
    for (const Case& c : cases) {
        SetUp();
        Type(IDC_BATCH_SOURCE, c.source);
        Type(IDC_BATCH_DEST, c.dest);
        POINT at{2, 2};
        if (c.at != Elsewhere) {
            RECT r;
            GetWindowRect(w->Item(c.at == OnSource ? IDC_BATCH_SOURCE : IDC_BATCH_DEST), &r);
            MapWindowPoints(nullptr, H(), reinterpret_cast<POINT*>(&r), 2);
            at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        }
        const size_t before = prompter.prompts().size();
        SendMessageW(H(), WM_DROPFILES, (WPARAM)MakeDrop(c.items, at), 0);
        EXPECT_EQ(ListRows(), (Rows{{L"上書き", c.wantSource, c.wantDest}})) << c.source << "|" << c.dest << "|" << c.at;
        EXPECT_EQ(prompter.CountText(L"複数項目のﾄﾞﾗｯｸｱﾝﾄﾞﾄﾞﾛｯﾌﾟはできません。"), c.warn ? 1u : 0u);
        EXPECT_EQ(prompter.prompts().size() - before, c.warn ? 1u : 0u);
        prompter = {};
    }
}

TEST_F(RegisterWindowTest, FolderChoosersStartWhereTheirSideLastEnded) {
    w->folders = {L"C:\\src\\", L"", L"D:\\dst\\"};
    Click(IDC_BATCH_SOURCE_BROWSE);
    Click(IDC_BATCH_SOURCE_BROWSE);  // cancelled: nothing changes
    Click(IDC_BATCH_DEST_BROWSE);
    EXPECT_EQ(ListRows(), (Rows{{L"上書き", L"C:\\src\\", L"D:\\dst\\"}}));
    EXPECT_EQ(w->folderStarts, (std::vector<std::wstring>{L"", L"C:\\src", L""}));
}

TEST_F(RegisterWindowTest, EnterInAFieldOrTheListKeepsTheWindowOpen) {
    for (int id : {IDC_BATCH_COMMENT, IDC_BATCH_SOURCE, IDC_BATCH_LIST}) {
        MSG enter{w->Item(id), WM_KEYDOWN, VK_RETURN, 0};
        EXPECT_TRUE(IsDialogMessageW(H(), &enter));
        EXPECT_TRUE(IsWindow(H())) << id;
    }
    Click(IDOK);  // "閉じる" closes
    EXPECT_EQ(w->hwnd(), nullptr);
}

TEST_F(RegisterWindowTest, SavesBothFormatsThatReadBackAndProposeTheLastFile) {
    Compose(kTwoRows);
    Type(IDC_BATCH_COMMENT, L"nightly job");
    const std::wstring mrx1 = dir / L"a.mrx", mrx2 = dir / L"b.mrx", mrt = dir / L"c.mrt";
    w->saves = {mrx1, mrx2, mrt};
    Click(IDC_BATCH_WRITE);
    w->seed += 1;  // a second later
    Click(IDC_BATCH_WRITE);
    Click(IDC_BATCH_WRITE);
    EXPECT_EQ(prompter.CountText(text::kWriteFinished), 3u);
    EXPECT_EQ(prompter.prompts().size(), 3u);
    EXPECT_NE(ReadFile(mrx1), ReadFile(mrx2));
    for (const std::wstring& f : {mrx1, mrx2, mrt}) EXPECT_EQ(ReadBack(f), kTwoRowBatch) << f;
    EXPECT_EQ(ReadFile(mrt).substr(0, 8), "comment\t");
    ASSERT_EQ(w->saveRequests.size(), 3u);
    EXPECT_EQ(w->saveRequests[0].filter, kBinaryFirst);
    EXPECT_EQ(w->saveRequests[0].defaultExtension, L"mrx");
    EXPECT_EQ(w->saveRequests[0].initialName, L"");
    EXPECT_EQ(w->saveRequests[1].initialName, mrx1);
    EXPECT_TRUE(w->textDefault());
    EXPECT_EQ(w->lastFile(), mrt);

    // Reading the binary file back into a new window.
    Open(true);
    w->reads = {mrx2};
    w->saves = {dir / L"d.mrt"};
    Click(IDC_BATCH_READ);
    EXPECT_EQ(w->readRequests[0].filter, kTextFirst);
    EXPECT_EQ(Text(IDC_BATCH_COMMENT), L"nightly job");
    EXPECT_EQ(ListRows(), kTwoRows);
    EXPECT_FALSE(w->textDefault());
    Click(IDC_BATCH_WRITE);
    EXPECT_EQ(w->saveRequests[0].initialName, mrx2);
    EXPECT_EQ(ReadBack(dir / L"d.mrt"), kTwoRowBatch);
}

TEST_F(RegisterWindowTest, IncompleteRowsAskFirstAndOnlyCompleteRowsAreWritten) {
    struct Case { Rows rows; std::vector<PromptAnswer> answers; bool written; };
    const Case cases[] = {
        {{{L"上書き", L"C:\\a\\", L""}, {L"同期", L"", L"D:\\b\\"}}, {}, false},
        {{kTwoRows[0], {L"同期", L"", L"D:\\b\\"}}, {PromptAnswer::No}, false},
        {{kTwoRows[0], {L"同期", L"", L"D:\\b\\"}}, {PromptAnswer::Yes}, true},
    };
    for (const Case& c : cases) {
        SetUp();
        prompter = {};
        for (PromptAnswer a : c.answers) prompter.Push(a);
        Compose(c.rows);
        const std::wstring file = dir / L"partial.mrx";
        w->saves = {file};
        Click(IDC_BATCH_WRITE);
        EXPECT_EQ(prompter.CountText(text::kNothingToWrite), c.answers.empty() ? 1u : 0u);
        EXPECT_EQ(prompter.CountText(text::kWriteValidOnlyQuestion), c.answers.empty() ? 0u : 1u);
        EXPECT_EQ(testing::Exists(file), c.written);
        if (c.written) EXPECT_EQ(ReadBack(file), (BatchFile{L"", {kTwoRowBatch.rows[0]}}));
        if (testing::Exists(file)) DeleteFileW(file.c_str());
    }
}

TEST_F(RegisterWindowTest, AFailedWriteOffersAnotherFileAndCancelChangesNothing) {
    Compose(kTwoRows);
    const std::wstring bad = dir / L"missing\\x.mrt", good = dir / L"x.mrx";
    prompter.Push(PromptAnswer::Yes);  // 160: another file
    w->saves = {bad, good};
    Click(IDC_BATCH_WRITE);
    ASSERT_EQ(prompter.prompts().size(), 3u);
    EXPECT_EQ(prompter.prompts()[0].text.rfind(bad + L"の書き込みに失敗しました。原因：", 0), 0u) << prompter.prompts()[0].text;
    EXPECT_EQ(prompter.prompts()[1].text, L"他のﾌｧｲﾙに書き込みますか？");
    EXPECT_EQ(prompter.prompts()[2].text, text::kWriteFinished);
    EXPECT_EQ(w->saveRequests[1].initialName, bad);
    EXPECT_EQ(ReadBack(good).rows, kTwoRowBatch.rows);

    Click(IDC_BATCH_WRITE);  // cancelled: no message, flag and last file kept
    EXPECT_EQ(prompter.prompts().size(), 3u);
    EXPECT_EQ(w->lastFile(), good);
    EXPECT_FALSE(w->textDefault());
}

TEST_F(RegisterWindowTest, APathOutsideTheCodePageIsSavedAsUtf16TextOrLeftOutByTheNarrowProgram) {
    const std::wstring korean = L"C:\\\xD55C\xAD6D\\";
    if (kNarrowBuild) {  // its files are code page 932: the row would name another folder
        Compose({{L"同期", korean, L"D:\\k\\"}, kTwoRows[0]});
        w->saves = {dir / L"k.mrt"};
        Click(IDC_BATCH_WRITE);  // 158 answered Yes
        EXPECT_EQ(prompter.CountText(text::kWriteValidOnlyQuestion), 1u);
        EXPECT_EQ(ReadBack(dir / L"k.mrt").rows, (std::vector<BatchRow>{kTwoRowBatch.rows[0]}));
        return;
    }
    Compose({{L"同期", korean, L"D:\\k\\"}});
    const std::wstring asBinary = dir / L"k.mrx", asText = dir / L"k.mrt";
    w->saves = {asBinary, asText};
    Click(IDC_BATCH_WRITE);
    EXPECT_FALSE(testing::Exists(asBinary));  // refused: it would lose the name
    ASSERT_EQ(w->saveRequests.size(), 2u);
    EXPECT_EQ(w->saveRequests[0].filter, L"ﾃｷｽﾄ形式ﾊﾞｯﾁﾌｧｲﾙ (*.mrt)|*.mrt||");
    EXPECT_EQ(w->saveRequests[0].defaultExtension, L"mrt");
    EXPECT_EQ(w->saveRequests[1].initialName, asText);
    EXPECT_EQ(prompter.CountText(kSaveAsText), 2u);
    EXPECT_EQ(ReadFile(asText).substr(0, 2), "\xff\xfe");
    EXPECT_EQ(ReadBack(asText).rows, (std::vector<BatchRow>{{L'S', korean, L"D:\\k\\"}}));
    // The window's flag is now text: the notice is not shown again.
    w->saves = {asText};
    Click(IDC_BATCH_WRITE);
    EXPECT_EQ(prompter.CountText(kSaveAsText), 2u);
}

// Code page 932 bytes of half-width katakana often pass the reader's UTF-8
// check ("ﾏｲ" is CF B2): such a batch is written as marked UTF-16 so that it
// reads back with the paths the user composed, in both programs.
TEST_F(RegisterWindowTest, ATextBatchReadsBackWithThePathsComposed) {
    struct Case { std::wstring destination; bool marked; };
    const Case cases[] = {{L"D:\\ﾏｲ\\", true}, {L"D:\\ﾀｲﾏｰ\\ﾏｲ\\", true}, {L"D:\\写真\\ﾏｲ\\", false}, {L"D:\\写真\\", false}};
    for (const Case& c : cases) {
        SetUp();
        Compose({{L"上書き", L"C:\\data\\", c.destination}});
        const std::wstring file = dir / L"kana.mrt";
        w->saves = {file};
        Click(IDC_BATCH_WRITE);
        EXPECT_EQ(ReadFile(file).substr(0, 2) == "\xff\xfe", c.marked) << c.destination;
        EXPECT_EQ(ReadBack(file).rows, (std::vector<BatchRow>{{L'O', L"C:\\data\\", c.destination}})) << c.destination;
    }
}

// The reader knows a batch by its extension alone: a name with another one
// gets the extension of the chosen file type before the overwrite question,
// which then names the file actually written.
TEST_F(RegisterWindowTest, ANameWithAnotherExtensionGetsTheFormatsExtension) {
    Compose(kTwoRows);
    const std::wstring typed = dir / L"nightly.v2";
    w->saves = {typed};
    Click(IDC_BATCH_WRITE);
    EXPECT_EQ(w->lastFile(), typed + L".mrx");
    EXPECT_EQ(ReadBack(typed + L".mrx").rows, kTwoRowBatch.rows);
    EXPECT_FALSE(testing::Exists(typed));

    w->fileType = 2;  // "ﾃｷｽﾄ形式ﾊﾞｯﾁﾌｧｲﾙ (*.mrt)" chosen
    const std::string before = "keep";
    testing::WriteFile(typed + L".mrt", before);
    prompter.Push(PromptAnswer::No);
    w->saves = {typed, L""};
    Click(IDC_BATCH_WRITE);  // No: back to the dialog, which is cancelled
    EXPECT_EQ(prompter.CountText(typed + L".mrtは既に存在します。上書きしますか？"), 1u);
    EXPECT_EQ(ReadFile(typed + L".mrt"), before);
    EXPECT_EQ(w->saveRequests.back().initialName, typed + L".mrt");
    EXPECT_FALSE(w->saveRequests.back().askOverwrite);
    w->saves = {typed};
    Click(IDC_BATCH_WRITE);  // Yes
    EXPECT_EQ(ReadBack(typed + L".mrt").rows, kTwoRowBatch.rows);
    EXPECT_FALSE(testing::Exists(typed));
}

}  // namespace
}  // namespace mirrant
