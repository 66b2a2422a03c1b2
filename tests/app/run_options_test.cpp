#include <gtest/gtest.h>

#include <algorithm>

#include "ui/option_menu.h"
#include "framework/profile.h"
#include "framework/text.h"
#include "res/resource.h"
#include "support/scripted_prompter.h"

namespace mirrant {
namespace {

using testing::ScriptedPrompter;

class RunOptionsTest : public ::testing::Test {
protected:
    void SetUp() override { store.DeleteRoot(); }
    void TearDown() override { store.DeleteRoot(); }
    int Stored(const wchar_t* name) { return store.GetInt(kSettingsSection, name, -12345); }
    ProfileStore store{AppProfile().rootKey() + L"_options"};
    ScriptedPrompter prompter;
};

const MenuItemState& StateOf(const std::vector<MenuItemState>& states, int command) {
    return *std::find_if(states.begin(), states.end(), [&](const MenuItemState& s) { return s.command == command; });
}

TEST_F(RunOptionsTest, DefaultsWithAnEmptyRegistry) {
    RunOptions o;
    o.deletePriority = false;
    LoadRunOptions(o, store);
    EXPECT_TRUE(o.deletePriority);
    EXPECT_TRUE(o.confirmFolderDelete);
    EXPECT_FALSE(o.keepIfSameContent);
    EXPECT_FALSE(o.reverseOverwriteNewer);
    EXPECT_TRUE(o.copyEmptyFolders);
    EXPECT_EQ(o.missingInDestination, MissingPolicy::Copy);
    EXPECT_EQ(o.missingInSource, MissingPolicy::Delete);
    EXPECT_EQ(PackConfirmationPolicies(o), 0x01010101u);
    EXPECT_FALSE(o.suppressFolderDeleteConfirm);
}

TEST_F(RunOptionsTest, LoadingCorrectsOutOfRangeValues) {
    store.SetInt(kSettingsSection, optname::MissingInSource, 7);
    store.SetInt(kSettingsSection, optname::MissingInDestination, -1);
    store.SetInt(kSettingsSection, optname::KeepIfSameContent, 5);
    store.SetInt(kSettingsSection, optname::CopyEmptyFolders, 2);
    store.SetInt(kSettingsSection, optname::ConfirmFolderDelete, 0);
    RunOptions o;
    LoadRunOptions(o, store);
    EXPECT_EQ(o.missingInSource, MissingPolicy::Delete);
    EXPECT_EQ(o.missingInDestination, MissingPolicy::Copy);
    EXPECT_TRUE(o.keepIfSameContent);
    EXPECT_FALSE(o.copyEmptyFolders) << "only bit 0 counts";
    EXPECT_TRUE(o.suppressFolderDeleteConfirm);
}

TEST(TimeTolerance, ClampedOnBothSides) {
    EXPECT_EQ(ClampTimeTolerance(0), 2u);
    EXPECT_EQ(ClampTimeTolerance(-5), 2u);
    EXPECT_EQ(ClampTimeTolerance(1), 1u);
    EXPECT_EQ(ClampTimeTolerance(360), 360u);
    EXPECT_EQ(ClampTimeTolerance(361), 360u);
    EXPECT_EQ(ClampTimeTolerance(1000), 360u);
}

TEST(ConfirmationPolicies, PackAndUnpackBothWays) {
    RunOptions o;
    UnpackConfirmationPolicies(0xFF000100u, o);
    EXPECT_EQ(o.writeFailurePolicy, ErrorPolicy::Abort);
    EXPECT_EQ(o.folderFailurePolicy, ErrorPolicy::Skip);
    EXPECT_EQ(o.deleteFailurePolicy, ErrorPolicy::Confirm);
    EXPECT_FALSE(o.confirmOtherErrors);
    EXPECT_EQ(PackConfirmationPolicies(o), 0xFF000100u);
    UnpackConfirmationPolicies(0x7F02AB05u, o);  // any other byte is Confirm
    EXPECT_EQ(o.writeFailurePolicy, ErrorPolicy::Confirm);
    EXPECT_EQ(o.folderFailurePolicy, ErrorPolicy::Confirm);
    EXPECT_EQ(o.deleteFailurePolicy, ErrorPolicy::Confirm);
    EXPECT_TRUE(o.confirmOtherErrors);
    EXPECT_EQ(PackConfirmationPolicies(o), 0x01010101u);
}

TEST_F(RunOptionsTest, TogglesWriteAtOnceAndWarnOnlyWhenEmptyFoldersGoOff) {
    RunOptions o;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(ToggleOption(o, ID_COPY_EMPTY_FOLDERS, store, prompter));
        EXPECT_EQ(Stored(optname::CopyEmptyFolders), 0);
        ASSERT_TRUE(ToggleOption(o, ID_COPY_EMPTY_FOLDERS, store, prompter));
        EXPECT_EQ(Stored(optname::CopyEmptyFolders), 1);
    }
    EXPECT_EQ(prompter.Count(PromptKind::Warning), 2u);
    EXPECT_EQ(prompter.CountText(LoadText(233)), 2u);

    ToggleOption(o, ID_CONFIRM_FOLDER_DELETE, store, prompter);
    EXPECT_FALSE(o.confirmFolderDelete);
    EXPECT_TRUE(o.suppressFolderDeleteConfirm);
    EXPECT_EQ(Stored(optname::ConfirmFolderDelete), 0);
    ToggleOption(o, ID_REVERSE_OVERWRITE_NEWER, store, prompter);
    EXPECT_EQ(Stored(optname::ReverseOverwriteNewer), 1);
    EXPECT_FALSE(ToggleOption(o, ID_TOLERANCE, store, prompter));
}

TEST_F(RunOptionsTest, MissingSourcePolicyChoicesSwitchDeletePriority) {
    RunOptions o;
    ChooseMissingPolicy(o, ID_MISSING_SRC_IGNORE, store, prompter);
    EXPECT_EQ(o.missingInSource, MissingPolicy::Ignore);
    EXPECT_FALSE(o.deletePriority);
    EXPECT_EQ(Stored(optname::DeletePriority), 0);
    EXPECT_EQ(Stored(optname::MissingInSource), 2);
    EXPECT_EQ(prompter.CountText(LoadText(245)), 1u);

    prompter.Push(PromptAnswer::No);
    ChooseMissingPolicy(o, ID_MISSING_SRC_DELETE, store, prompter);
    EXPECT_FALSE(o.deletePriority);
    prompter.Push(PromptAnswer::Yes);
    ChooseMissingPolicy(o, ID_MISSING_SRC_DELETE, store, prompter);
    EXPECT_TRUE(o.deletePriority);
    EXPECT_EQ(Stored(optname::DeletePriority), 1);
    EXPECT_EQ(prompter.CountText(LoadText(246)), 2u);

    ChooseMissingPolicy(o, ID_MISSING_DST_ASK, store, prompter);
    EXPECT_EQ(o.missingInDestination, MissingPolicy::Ask);
    EXPECT_EQ(Stored(optname::MissingInDestination), 3);
}

TEST(OptionMenu, EnableRules) {
    RunOptions o;
    auto s = OptionMenuStates(o, {}, false);
    EXPECT_FALSE(StateOf(s, ID_REVERSE_OVERWRITE_NEWER).enabled) << "grayed while 32787 is checked";
    EXPECT_TRUE(StateOf(s, ID_CONFIRM_NEWER_DEST).checked);
    EXPECT_TRUE(StateOf(s, ID_DELETE_PRIORITY).enabled);
    EXPECT_TRUE(StateOf(s, ID_MISSING_SRC_DELETE).checked);
    EXPECT_FALSE(StateOf(s, ID_MISSING_SRC_COPY).checked);

    o.confirmNewerDestination = false;
    o.missingInSource = MissingPolicy::Ask;
    s = OptionMenuStates(o, {true, false}, false);
    EXPECT_TRUE(StateOf(s, ID_REVERSE_OVERWRITE_NEWER).enabled);
    EXPECT_FALSE(StateOf(s, ID_DELETE_PRIORITY).enabled);
    EXPECT_FALSE(StateOf(s, ID_MISSING_DST_COPY).enabled);
    EXPECT_TRUE(StateOf(s, ID_MISSING_DST_IGNORE).enabled);
    EXPECT_TRUE(StateOf(s, ID_MISSING_SRC_COPY).enabled);

    s = OptionMenuStates(o, {true, true}, false);
    EXPECT_FALSE(StateOf(s, ID_MISSING_SRC_ASK).enabled);
    EXPECT_TRUE(StateOf(s, ID_MISSING_SRC_IGNORE).enabled);
}

TEST(OptionMenu, ARunGraysEverythingButTheReadOnlyDialogs) {
    RunOptions o;
    for (const auto& st : OptionMenuStates(o, {}, true)) {
        bool stays = st.command == ID_CONFIRM_OPTIONS || st.command == ID_LOG_SETTINGS ||
                     st.command == ID_DISPLAY_SETTINGS || st.command == ID_PRIORITY;
        EXPECT_EQ(st.enabled, stays) << st.command;
    }
}

TEST_F(RunOptionsTest, StartupConsistencyIsSilentAndWritesBack) {
    RunOptions o;
    o.missingInSource = MissingPolicy::Ignore;
    o.deletePriority = true;
    EXPECT_TRUE(ApplyStartupConsistency(o, {}, store));
    EXPECT_FALSE(o.deletePriority);
    EXPECT_EQ(Stored(optname::DeletePriority), 0);

    RunOptions p;
    EXPECT_TRUE(ApplyStartupConsistency(p, {true, true}, store));
    EXPECT_EQ(p.missingInDestination, MissingPolicy::Ignore);
    EXPECT_EQ(p.missingInSource, MissingPolicy::Ignore);
    EXPECT_FALSE(p.deletePriority);

    RunOptions q;
    EXPECT_FALSE(ApplyStartupConsistency(q, {}, store));
}

TEST_F(RunOptionsTest, FilterConsistencyAsksInOrder) {
    RunOptions o;
    ApplyFilterConsistency(o, {true, true}, store, prompter);
    ASSERT_EQ(prompter.prompts().size(), 3u);
    EXPECT_EQ(prompter.prompts()[0].text, LoadText(IDS_MISSING_DST_TO_IGNORE));
    EXPECT_EQ(prompter.prompts()[1].text, LoadText(IDS_MISSING_SRC_TO_IGNORE));
    EXPECT_EQ(prompter.prompts()[2].text, LoadText(245));
    EXPECT_EQ(Stored(optname::MissingInDestination), 2);
    EXPECT_EQ(Stored(optname::MissingInSource), 2);

    ScriptedPrompter back;
    back.Push(PromptAnswer::Yes, 3);
    ApplyFilterConsistency(o, {}, store, back);
    ASSERT_EQ(back.prompts().size(), 3u);
    EXPECT_EQ(back.prompts()[0].text, LoadText(IDS_MISSING_DST_ASK_COPY));
    EXPECT_EQ(back.prompts()[2].text, LoadText(246));
    EXPECT_EQ(o.missingInDestination, MissingPolicy::Copy);
    EXPECT_EQ(o.missingInSource, MissingPolicy::Delete);
    EXPECT_TRUE(o.deletePriority);
}

}  // namespace
}  // namespace mirrant
