// The registration window of the real programs: a batch composed there and
// saved as a binary file runs unattended, row by row.
#include <gtest/gtest.h>

#include "e2e/program_fixture.h"
#include "framework/encoding.h"
#include "framework/profile.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

// A top-level window of the program other than these, waiting for it.
HWND WaitForOther(RunningProgram& program, std::vector<HWND> known, const std::function<bool(HWND)>& match) {
    for (int i = 0; i < 200; ++i) {
        for (HWND w : program.TopLevelWindows())
            if (IsWindowVisible(w) && std::find(known.begin(), known.end(), w) == known.end() && match(w)) return w;
        Sleep(100);
    }
    return nullptr;
}

bool WaitGone(HWND window) {
    for (int i = 0; i < 100 && IsWindow(window) && IsWindowVisible(window); ++i) Sleep(100);
    return !IsWindow(window) || !IsWindowVisible(window);
}

void SetText(HWND control, const std::wstring& text) {
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Presses "書き込み", names the file in the save dialog (whose file type box
// shows fileType first), confirms msg::kWriteFinished, closes the window and the
// program.
void SaveAndClose(RunningProgram& program, HWND main, HWND w, const std::wstring& batch,
                  const std::wstring& fileType) {
    testing::PressButton(w, IDC_BATCH_WRITE);
    // The save dialog: its file name box, then OK.
    HWND save = WaitForOther(program, {main, w}, [](HWND d) { return GetDlgItem(d, 0x480) || GetDlgItem(d, 0x47c); });
    ASSERT_NE(save, nullptr) << "the save dialog did not open";
    EXPECT_EQ(WindowText(GetDlgItem(save, 0x470)), fileType);  // the file type box
    HWND name = GetDlgItem(save, 0x47c);  // the file name combo box; an edit box in older dialogs
    SetText(name ? name : GetDlgItem(save, 0x480), batch);
    testing::PressButton(save, IDOK);
    HWND done = WaitForOther(program, {main, w, save},
                             [](HWND d) { return testing::MessageBoxText(d) == L"書き込みが終了しました。"; });
    ASSERT_NE(done, nullptr) << "message 167 did not appear";
    testing::PressButton(done, IDOK);
    ASSERT_TRUE(WaitGone(done));
    testing::PressButton(w, IDOK);
    ASSERT_TRUE(WaitGone(w));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(10000));
}

class BatchRegisterE2E : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        store.SetString(kSettingsSection, L"ScheduleLog", logPath);
    }

    // Starts the program, opens the registration window from the menu, lets
    // compose fill it in, and saves it as batch (the save dialog showing
    // fileType first), closing the window and the program.
    void ComposeAndSave(const std::wstring& batch, const std::wstring& fileType,
                        const std::function<void(HWND window)>& compose) {
        RunningProgram program(GetParam().exe, L"", dir.path());
        HWND main = program.WaitForWindowTitled(GetParam().title);
        ASSERT_NE(main, nullptr);
        PostMessageW(main, WM_COMMAND, ID_BATCH_REGISTER, 0);
        HWND w = program.WaitForWindowTitled(L"ﾊﾞｯﾁﾌｧｲﾙ登録");
        ASSERT_NE(w, nullptr) << "the registration window did not open";
        compose(w);
        if (HasFatalFailure()) return;
        SaveAndClose(program, main, w, batch, fileType);
    }

    // Runs the saved batch unattended as a scheduled task would ("/s");
    // false when the program does not end by itself.
    bool RunUnattended(const std::wstring& batch, DWORD& exitCode) {
        RunningProgram run(GetParam().exe, L"/s \"" + batch + L"\"", dir.path());
        return run.WaitForExit(60000, &exitCode);
    }

    std::wstring logPath = dir / L"schedule.txt";
};

TEST_P(BatchRegisterE2E, TwoRowsComposedInTheWindowAndSavedAsBinaryRunUnattended) {
    const std::wstring src1 = dir / L"ｺﾋﾟｰ元 1\\", src2 = dir / L"src2\\", dst1 = dir / L"dst1\\",
                       dst2 = dir / L"dst2\\", batch = dir / L"composed.mrx";
    for (const auto& f : {src1, src2, dst1, dst2}) testing::MakeFolder(f);
    testing::WriteFile(src1 + L"one.txt", "1");
    testing::WriteFile(src2 + L"two.txt", "2");
    // The narrow program starts with text as its default format: the window's
    // save dialog then offers the text filter first.
    const bool textDefault = GetParam().narrow;
    store.SetInt(kSettingsSection, optname::TextBatchDefault, textDefault ? 1 : 0);
    const std::wstring fileType = textDefault ? L"ﾃｷｽﾄ形式ﾊﾞｯﾁﾌｧｲﾙ (*.mrt)" : L"Mirrantﾊﾞｯﾁﾌｧｲﾙ (*.mrx)";
    ComposeAndSave(batch, fileType, [&](HWND w) {
        auto send = [&](int id) { SendMessageW(GetDlgItem(w, id), BM_CLICK, 0, 0); };
        SetText(GetDlgItem(w, IDC_BATCH_COMMENT), L"two rows");
        SetText(GetDlgItem(w, IDC_BATCH_SOURCE), src1);
        SetText(GetDlgItem(w, IDC_BATCH_DEST), dst1);
        send(IDC_BATCH_ADD_ROW);
        send(IDC_BATCH_SYNC);
        SetText(GetDlgItem(w, IDC_BATCH_SOURCE), src2);
        SetText(GetDlgItem(w, IDC_BATCH_DEST), dst2);
        // Enter in a field goes through the window's own dialog loop and does not close it.
        PostMessageW(GetDlgItem(w, IDC_BATCH_DEST), WM_KEYDOWN, VK_RETURN, 0);
        PostMessageW(GetDlgItem(w, IDC_BATCH_DEST), WM_KEYUP, VK_RETURN, 0xC0000001);
        Sleep(500);
        ASSERT_TRUE(IsWindowVisible(w)) << "Enter closed the window";
    });
    ASSERT_TRUE(Exists(batch));

    DWORD code = 99;
    ASSERT_TRUE(RunUnattended(batch, code)) << "the unattended run did not end by itself";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ReadFile(dst1 + L"one.txt"), "1");
    EXPECT_EQ(ReadFile(dst2 + L"two.txt"), "2");
    const std::wstring log = testing::ReadLogText(logPath, GetParam().narrow);
    EXPECT_NE(log.find(L"ﾊﾞｯﾁﾌｧｲﾙを実行します。(ﾊﾞｯﾁﾌｧｲﾙ名：" + batch + L")"), std::wstring::npos) << log;
    EXPECT_LT(log.find(L"one.txt"), log.find(L"two.txt")) << log;
}

// Half-width katakana whose code page 932 bytes pass the UTF-8 check ("ﾀｲﾏｰ"
// is C0 B2 CF B0): the saved text batch still names the folder the user
// chose, and the unattended run lands there.
TEST_P(BatchRegisterE2E, AKatakanaDestinationSavedAsTextRunsIntoTheNamedFolder) {
    const std::wstring src = dir / L"src\\", dst = dir / L"ﾀｲﾏｰ\\ﾏｲ\\", batch = dir / L"kana.mrt";
    testing::MakeFolder(src);
    testing::MakeFolder(dst);
    testing::WriteFile(src + L"one.txt", "1");
    store.SetInt(kSettingsSection, optname::TextBatchDefault, 1);
    ComposeAndSave(batch, L"ﾃｷｽﾄ形式ﾊﾞｯﾁﾌｧｲﾙ (*.mrt)", [&](HWND w) {
        SetText(GetDlgItem(w, IDC_BATCH_SOURCE), src);
        SetText(GetDlgItem(w, IDC_BATCH_DEST), dst);
    });
    ASSERT_TRUE(Exists(batch));

    DWORD code = 99;
    ASSERT_TRUE(RunUnattended(batch, code)) << "the unattended run did not end by itself";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ReadFile(dst + L"one.txt"), "1");
}

MIRRANT_FOR_BOTH_PROGRAMS(BatchRegisterE2E);

}  // namespace
}  // namespace mirrant
