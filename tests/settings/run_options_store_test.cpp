#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <tuple>

#include "engine/texts.h"
#include "framework/profile.h"
#include "settings/run_options.h"
#include "support/scripted_prompter.h"

namespace mirrant {
namespace {

using ::mirrant::testing::ScriptedPrompter;

namespace text = testing::text;
const std::wstring* const kOff = &text::kDeletePriorityOff;
const std::wstring* const kAskOn = &text::kDeletePriorityOnQuestion;

class RunOptionsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { store.DeleteRoot(); }
    void TearDown() override { store.DeleteRoot(); }
    int Stored(const wchar_t* name) { return store.GetInt(L"Settings", name, -12345); }
    void Plant(const wchar_t* name, int value) { store.SetInt(L"Settings", name, value); }
    ProfileStore store{AppProfile().rootKey() + L"_run_options"};
};

auto Persisted(const RunOptions& o) {
    return std::tuple(o.deletePriority, o.confirmFolderDelete, o.updateReadOnly, o.confirmSameTimeDifferentSize,
                      o.sameTimeSameSizeIsSame, o.keepIfSameContent, o.delayedWritePriority,
                      o.confirmNewerDestination, o.reverseOverwriteNewer, o.copyEmptyFolders, o.textBatchDefault,
                      o.missingInDestination, o.missingInSource, o.writeFailurePolicy, o.folderFailurePolicy,
                      o.deleteFailurePolicy, o.confirmOtherErrors, o.displayLevel, o.runPriority,
                      o.setAsideFiles, o.setAsideDays, o.verifyCopies, o.guardOn, o.guardPercent, o.guardMinimum);
}

// The record's initialisers and the loader take their defaults from the same
// place; the literal defaults themselves are checked value by value in
// settings_table_test.cpp.
TEST_F(RunOptionsStoreTest, ARecordStartsAsAnEmptyRegistryLoads) {
    RunOptions fresh;
    RunOptions loaded;
    loaded.deletePriority = false;
    loaded.missingInSource = MissingPolicy::Ask;
    loaded.runPriority = 2;
    LoadRunOptions(loaded, store);
    EXPECT_EQ(Persisted(loaded), Persisted(fresh));
}

// Every value planted with something other than its default shows up in its
// own field and in no other.
TEST_F(RunOptionsStoreTest, EachValueLoadsIntoItsField) {
    Plant(L"op1", 0);
    Plant(L"op2", 0);
    Plant(L"op3", 0);
    Plant(L"op4", 0);
    Plant(L"op5", 0);
    Plant(L"op6", 1);
    Plant(L"op7", 0);
    Plant(L"op9", 20);
    Plant(L"op10", -1);
    Plant(L"op11", 0);
    Plant(L"op12", static_cast<int>(0xFF000100u));
    Plant(L"op13", 1);
    Plant(L"op14", 3);
    Plant(L"op15", 2);
    Plant(L"op18", 0);
    Plant(L"op19", 1);
    Plant(L"SetAside", 1);
    Plant(L"SetAsideDays", 90);
    Plant(L"GuardOn", 0);
    Plant(L"GuardPercent", 75);
    Plant(L"GuardMinimum", 1000000);
    Plant(L"TimeDelta", 100);  // read by the application, not here
    RunOptions o;
    LoadRunOptions(o, store);
    RunOptions expected;
    expected.deletePriority = false;
    expected.confirmFolderDelete = false;
    expected.updateReadOnly = false;
    expected.confirmSameTimeDifferentSize = false;
    expected.sameTimeSameSizeIsSame = false;
    expected.keepIfSameContent = true;
    expected.delayedWritePriority = false;
    expected.displayLevel = 20;
    expected.runPriority = -1;
    expected.confirmNewerDestination = false;
    expected.writeFailurePolicy = ErrorPolicy::Abort;
    expected.folderFailurePolicy = ErrorPolicy::Skip;
    expected.deleteFailurePolicy = ErrorPolicy::Confirm;
    expected.confirmOtherErrors = false;
    expected.textBatchDefault = true;
    expected.missingInDestination = MissingPolicy::Ask;
    expected.missingInSource = MissingPolicy::Ignore;
    expected.copyEmptyFolders = false;
    expected.reverseOverwriteNewer = true;
    expected.setAsideFiles = true;
    expected.setAsideDays = 90;
    expected.guardOn = false;
    expected.guardPercent = 75;
    expected.guardMinimum = 1000000;
    EXPECT_EQ(Persisted(o), Persisted(expected));
    EXPECT_EQ(o.timeToleranceSeconds, 2u);
    EXPECT_TRUE(o.suppressFolderDeleteConfirm) << "follows confirmFolderDelete";
}

TEST_F(RunOptionsStoreTest, EachFieldSavesUnderItsOwnName) {
    RunOptions o;
    o.deletePriority = false;
    o.confirmFolderDelete = false;
    o.updateReadOnly = false;
    o.confirmSameTimeDifferentSize = false;
    o.sameTimeSameSizeIsSame = false;
    o.keepIfSameContent = true;
    o.delayedWritePriority = false;
    o.confirmNewerDestination = false;
    o.reverseOverwriteNewer = true;
    o.copyEmptyFolders = false;
    o.textBatchDefault = true;
    o.missingInDestination = MissingPolicy::Ignore;
    o.missingInSource = MissingPolicy::Ask;
    o.displayLevel = 80;
    o.runPriority = 2;
    o.timeToleranceSeconds = 360;
    o.writeFailurePolicy = ErrorPolicy::Skip;
    o.deleteFailurePolicy = ErrorPolicy::Abort;
    o.setAsideFiles = true;
    o.setAsideDays = 7;
    o.guardOn = false;
    o.guardPercent = 1;
    o.guardMinimum = 500;
    struct Case {
        bool saved;
        const wchar_t* name;
        int stored;
    };
    const Case cases[] = {
        {SaveRunOption(store, o, &RunOptions::deletePriority), L"op1", 0},
        {SaveRunOption(store, o, &RunOptions::confirmFolderDelete), L"op2", 0},
        {SaveRunOption(store, o, &RunOptions::updateReadOnly), L"op3", 0},
        {SaveRunOption(store, o, &RunOptions::confirmSameTimeDifferentSize), L"op4", 0},
        {SaveRunOption(store, o, &RunOptions::sameTimeSameSizeIsSame), L"op5", 0},
        {SaveRunOption(store, o, &RunOptions::keepIfSameContent), L"op6", 1},
        {SaveRunOption(store, o, &RunOptions::delayedWritePriority), L"op7", 0},
        {SaveRunOption(store, o, &RunOptions::displayLevel), L"op9", 80},
        {SaveRunOption(store, o, &RunOptions::runPriority), L"op10", 2},
        {SaveRunOption(store, o, &RunOptions::confirmNewerDestination), L"op11", 0},
        {SaveConfirmationPolicies(store, o), L"op12", 0x0001FF01},
        {SaveRunOption(store, o, &RunOptions::textBatchDefault), L"op13", 1},
        {SaveRunOption(store, o, &RunOptions::missingInDestination), L"op14", 2},
        {SaveRunOption(store, o, &RunOptions::missingInSource), L"op15", 3},
        {SaveRunOption(store, o, &RunOptions::copyEmptyFolders), L"op18", 0},
        {SaveRunOption(store, o, &RunOptions::reverseOverwriteNewer), L"op19", 1},
        {SaveRunOption(store, o, &RunOptions::timeToleranceSeconds), L"TimeDelta", 360},
        {SaveRunOption(store, o, &RunOptions::setAsideFiles), L"SetAside", 1},
        {SaveRunOption(store, o, &RunOptions::setAsideDays), L"SetAsideDays", 7},
        {SaveRunOption(store, o, &RunOptions::guardOn), L"GuardOn", 0},
        {SaveRunOption(store, o, &RunOptions::guardPercent), L"GuardPercent", 1},
        {SaveRunOption(store, o, &RunOptions::guardMinimum), L"GuardMinimum", 500},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.saved) << c.name;
        EXPECT_EQ(Stored(c.name), c.stored) << c.name;
    }
}

// Every on/off switch of a run, as users' registries have always held it.
struct SwitchCase {
    SwitchField field;
    const wchar_t* name;
    bool defaultOn;
};
const SwitchCase kSwitches[] = {
    {&RunOptions::deletePriority, L"op1", true},
    {&RunOptions::confirmFolderDelete, L"op2", true},
    {&RunOptions::updateReadOnly, L"op3", true},
    {&RunOptions::confirmSameTimeDifferentSize, L"op4", true},
    {&RunOptions::sameTimeSameSizeIsSame, L"op5", true},
    {&RunOptions::keepIfSameContent, L"op6", false},
    {&RunOptions::delayedWritePriority, L"op7", true},
    {&RunOptions::confirmNewerDestination, L"op11", true},
    {&RunOptions::textBatchDefault, L"op13", false},
    {&RunOptions::copyEmptyFolders, L"op18", true},
    {&RunOptions::reverseOverwriteNewer, L"op19", false},
    {&RunOptions::setAsideFiles, L"SetAside", false},
    {&RunOptions::verifyCopies, L"VerifyCopy", false},
    {&RunOptions::runSummary, L"RunSummary", true},
    {&RunOptions::guardOn, L"GuardOn", true},
};

// Each switch starts at its default, is written under its own name and reads
// back into its own field and no other.
TEST_F(RunOptionsStoreTest, EverySwitchRoundTripsUnderItsValueName) {
    EXPECT_EQ(std::size(kSwitches), std::size(kRunSwitches)) << "every switch of the program has a case here";
    for (const SwitchCase& c : kSwitches) {
        SCOPED_TRACE(c.name);
        store.DeleteRoot();
        EXPECT_EQ(RunOptions().*c.field, c.defaultOn);
        RunOptions flipped;
        flipped.*c.field = !c.defaultOn;
        ASSERT_TRUE(SaveRunOption(store, flipped, c.field));
        EXPECT_EQ(Stored(c.name), c.defaultOn ? 0 : 1);
        RunOptions loaded;
        LoadRunOptions(loaded, store);
        EXPECT_EQ(Persisted(loaded), Persisted(flipped));
        flipped.*c.field = c.defaultOn;
        ASSERT_TRUE(SaveRunOption(store, flipped, c.field));
        EXPECT_EQ(Stored(c.name), c.defaultOn ? 1 : 0);
    }
}

// A whole record away from every default, saved field by field, loads back
// as it was; the set-aside values among them.
TEST_F(RunOptionsStoreTest, AWholeRecordRoundTrips) {
    RunOptions o;
    for (const SwitchCase& c : kSwitches) o.*c.field = !c.defaultOn;
    o.missingInDestination = MissingPolicy::Ask;
    o.missingInSource = MissingPolicy::Ignore;
    o.writeFailurePolicy = ErrorPolicy::Abort;
    o.folderFailurePolicy = ErrorPolicy::Skip;
    o.deleteFailurePolicy = ErrorPolicy::Abort;
    o.confirmOtherErrors = false;
    o.displayLevel = 80;
    o.runPriority = -2;
    o.setAsideDays = 3650;
    o.guardPercent = 100;
    o.guardMinimum = 1;
    for (const SwitchCase& c : kSwitches) EXPECT_TRUE(SaveRunOption(store, o, c.field)) << c.name;
    for (auto field : {&RunOptions::missingInDestination, &RunOptions::missingInSource})
        EXPECT_TRUE(SaveRunOption(store, o, field));
    for (auto field : {&RunOptions::displayLevel, &RunOptions::runPriority, &RunOptions::setAsideDays,
                       &RunOptions::guardPercent, &RunOptions::guardMinimum})
        EXPECT_TRUE(SaveRunOption(store, o, field));
    EXPECT_TRUE(SaveConfirmationPolicies(store, o));
    EXPECT_EQ(Stored(L"SetAsideDays"), 3650);
    RunOptions loaded;
    LoadRunOptions(loaded, store);
    EXPECT_EQ(Persisted(loaded), Persisted(o));

    // And back to every default, which an empty registry also reads as.
    const RunOptions defaults;
    for (const SwitchCase& c : kSwitches) SaveRunOption(store, defaults, c.field);
    SaveRunOption(store, defaults, &RunOptions::setAsideDays);
    LoadRunOptions(loaded, store);
    EXPECT_FALSE(loaded.setAsideFiles);
    EXPECT_EQ(loaded.setAsideDays, 30);
}

// Delete priority may be on only while the missing-at-source policy is Delete.
TEST_F(RunOptionsStoreTest, ChoosingTheMissingAtSourcePolicyKeepsDeletePriorityInStep) {
    struct Case {
        bool priorityBefore;
        MissingPolicy before;
        MissingPolicy chosen;
        PromptAnswer answer;
        const std::wstring* prompt;  // nullptr: none
        PromptKind kind;
        bool priorityAfter;
        bool policyChanged;
    };
    const Case cases[] = {
        {true, MissingPolicy::Delete, MissingPolicy::Copy, PromptAnswer::Ok, kOff, PromptKind::Information, false, true},
        {true, MissingPolicy::Delete, MissingPolicy::Ignore, PromptAnswer::Ok, kOff, PromptKind::Information, false, true},
        {true, MissingPolicy::Delete, MissingPolicy::Ask, PromptAnswer::Ok, kOff, PromptKind::Information, false, true},
        {false, MissingPolicy::Ignore, MissingPolicy::Delete, PromptAnswer::Yes, kAskOn, PromptKind::YesNo, true, true},
        {false, MissingPolicy::Ignore, MissingPolicy::Delete, PromptAnswer::No, kAskOn, PromptKind::YesNo, false, true},
        // Choosing Delete again asks again while delete priority is off.
        {false, MissingPolicy::Delete, MissingPolicy::Delete, PromptAnswer::No, kAskOn, PromptKind::YesNo, false, false},
        {true, MissingPolicy::Delete, MissingPolicy::Delete, PromptAnswer::Ok, nullptr, PromptKind::YesNo, true, false},
        {false, MissingPolicy::Copy, MissingPolicy::Ignore, PromptAnswer::Ok, nullptr, PromptKind::YesNo, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        RunOptions o;
        o.deletePriority = c.priorityBefore;
        o.missingInSource = c.before;
        ScriptedPrompter prompter;
        prompter.Push(c.answer);
        MissingPolicyChange change = SetMissingInSource(o, c.chosen, store, prompter);
        EXPECT_EQ(o.missingInSource, c.chosen);
        EXPECT_EQ(o.deletePriority, c.priorityAfter);
        EXPECT_EQ(change.policy, c.policyChanged);
        EXPECT_EQ(change.deletePriority, c.priorityAfter != c.priorityBefore);
        if (c.prompt) {
            ASSERT_EQ(prompter.prompts().size(), 1u);
            EXPECT_EQ(prompter.prompts()[0].kind, c.kind);
            EXPECT_EQ(prompter.prompts()[0].text, *c.prompt);
        } else {
            EXPECT_TRUE(prompter.prompts().empty());
        }
        EXPECT_EQ(Stored(L"op15"), static_cast<int>(c.chosen));
        EXPECT_EQ(Stored(L"op1"), c.priorityAfter ? 1 : 0);
    }
}

}  // namespace
}  // namespace mirrant
