// A batch run from the main window in-process, whose last row asks the
// user: the question is a box of the window's thread, the worker waits for
// the answer and acts on it, and the batch ends after it on that thread.
#include <gtest/gtest.h>

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

TEST(RunQuestionsFromTheWindow, TheLastRowsQuestionIsAnsweredOnTheWindowThreadBeforeTheBatchEnds) {
    struct Case {
        int press;
        std::string kept;  // the newer destination file afterwards
    } cases[] = {{IDYES, "older source"}, {IDNO, "newer destination"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.press);
        TempDir dir;
        // No result window at the end, so that the batch's end needs no answer.
        AppProfile().SetInt(kSettingsSection, L"op16",
                            static_cast<int>(WithLogBit(kDefaultLogSettingsWord, logbit::HideResultDialog, true)));
        const std::wstring src1 = dir / L"s1\\", dst1 = dir / L"d1\\", src2 = dir / L"s2\\", dst2 = dir / L"d2\\";
        for (const auto& f : {src1, dst1, src2, dst2}) MakeFolder(f);
        WriteFile(src1 + L"a.txt", "a");
        WriteFile(src2 + L"b.txt", "older source");
        WriteFile(dst2 + L"b.txt", "newer destination");
        SetWriteTime(src2 + L"b.txt", kBaseTime);
        SetWriteTime(dst2 + L"b.txt", kBaseTime + 3600 * kSecond);

        ScriptedPrompter prompter;
        AppState app;
        app.prompter = &prompter;
        MainWindow window(app);
        ASSERT_TRUE(window.CreateModeless(nullptr));
        RunSession& session = window.session();
        session.options().confirmNewerDestination = true;

        std::wstring question;
        bool onWindowThreadOnly = false;
        UserScript user([&](DWORD windowThread) {
            HWND box = WaitForWindow(windowThread, ProductName());
            if (!box) return;
            question = MessageBoxText(box);
            onWindowThreadOnly = GetWindowThreadProcessId(box, nullptr) == windowThread;
            Press(box, c.press);
        });
        session.BeginBatchLog(dir / L"job.mrt");
        ASSERT_TRUE(session.StartBatch({{kOverwriteLetter, src1, dst1}, {kOverwriteLetter, src2, dst2}}));
        EXPECT_TRUE(PumpUntil([&] { return !session.busy(); }, 30000));
        user.Join();

        EXPECT_TRUE(onWindowThreadOnly);
        EXPECT_NE(question.find(L"上書きしますか"), std::wstring::npos) << question;
        EXPECT_EQ(ReadFile(dst1 + L"a.txt"), "a");
        EXPECT_EQ(ReadFile(dst2 + L"b.txt"), c.kept);
        EXPECT_TRUE(session.queue().empty());
        EXPECT_TRUE(IsWindowEnabled(window.Item(IDC_RUN_OVERWRITE)));
        EXPECT_TRUE(prompter.prompts().empty());
        AppProfile().DeleteRoot();
    }
}

}  // namespace
}  // namespace mirrant
