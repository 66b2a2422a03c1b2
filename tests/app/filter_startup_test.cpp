// The main window and the stored filter settings: start-up adjusts the
// missing-item policies to the destination modes without a word, and every
// run sees the settings as stored at its start.
#include <gtest/gtest.h>

#include "framework/profile.h"
#include "res/resource.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

namespace mirrant {
namespace {

using testing::ScriptedPrompter;

struct Window {
    explicit Window(ScriptedPrompter& prompter) {
        app.prompter = &prompter;
        window = std::make_unique<MainWindow>(app);
        created = window->CreateModeless(nullptr);
    }
    ~Window() {
        window.reset();
        AppProfile().DeleteRoot();
    }
    bool Grayed(int id) const {
        return (GetMenuState(GetMenu(window->hwnd()), id, MF_BYCOMMAND) & MF_GRAYED) != 0;
    }
    AppState app;
    std::unique_ptr<MainWindow> window;
    bool created = false;
};

TEST(MainWindowFilters, StartupForcesIgnoreForProtectedDestinationSilently) {
    ProfileStore& store = AppProfile();
    store.SetInt(kSettingsSection, optname::FilterFlags,
                 static_cast<int>(filterbits::DestinationOnly | filterbits::ProtectDestination));
    store.SetInt(kSettingsSection, optname::MissingInDestination, 0);
    store.SetInt(kSettingsSection, optname::MissingInSource, 1);
    store.SetInt(kSettingsSection, optname::DeletePriority, 1);
    ScriptedPrompter prompter;
    Window w(prompter);
    ASSERT_TRUE(w.created);

    const RunOptions& o = w.window->session().options();
    EXPECT_EQ(o.missingInDestination, MissingPolicy::Ignore);
    EXPECT_EQ(o.missingInSource, MissingPolicy::Ignore);
    EXPECT_FALSE(o.deletePriority);
    EXPECT_EQ(store.GetInt(kSettingsSection, optname::MissingInDestination, -1), 2);
    EXPECT_EQ(store.GetInt(kSettingsSection, optname::MissingInSource, -1), 2);
    EXPECT_EQ(store.GetInt(kSettingsSection, optname::DeletePriority, -1), 0);
    EXPECT_TRUE(prompter.prompts().empty());
    EXPECT_TRUE(w.Grayed(ID_MISSING_DST_COPY));
    EXPECT_FALSE(w.Grayed(ID_MISSING_DST_IGNORE));
    EXPECT_TRUE(w.Grayed(ID_MISSING_SRC_DELETE));
    EXPECT_FALSE(w.Grayed(ID_MISSING_SRC_IGNORE));
    EXPECT_TRUE(w.window->session().filterSet().destinationOnly);
    EXPECT_TRUE(w.window->session().filterSet().protectDestination);
}

TEST(MainWindowFilters, EachRunReloadsTheStoredSettings) {
    ScriptedPrompter prompter;
    Window w(prompter);
    ASSERT_TRUE(w.created);
    const FilterSet& filter = w.window->session().filterSet();
    EXPECT_TRUE(filter.AcceptEntry(L"a.tmp", false, 0, 0));

    AppProfile().SetInt(kSettingsSection, optname::FilterFlags, kGeneralPartial);
    AppProfile().SetString(kSettingsSection, optname::FileExcludes, L"*.TMP");
    testing::TempDir dir;
    testing::MakeFolder(dir / L"s\\");
    testing::MakeFolder(dir / L"d\\");  // nothing to do: the result is a box, answered
    w.window->SetPathText(PathSide::Source, dir / L"s\\");
    w.window->SetPathText(PathSide::Destination, dir / L"d\\");
    ASSERT_TRUE(w.window->session().OnRunButton(false));
    EXPECT_FALSE(filter.AcceptEntry(L"a.tmp", false, 0, 0));
    EXPECT_TRUE(filter.anyListActive());
    // The run ends through the window's messages.
    for (int i = 0; i < 1000 && w.window->session().busy(); ++i) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        Sleep(10);
    }
    EXPECT_FALSE(w.window->session().busy());
}

}  // namespace
}  // namespace mirrant
