// Loading and saving the filter settings through the registry.
#include <gtest/gtest.h>

#include "filter/filter_set.h"
#include "framework/profile.h"
#include "settings/settings.h"

namespace mirrant {
namespace {

const LocalDateTime kNow{2024, 5, 10, 14, 30, 15};

class FilterStore : public ::testing::Test {
protected:
    void SetUp() override { store.DeleteRoot(); }
    void TearDown() override { store.DeleteRoot(); }
    FilterSet Load() {
        FilterSet f;
        LoadFilterSet(f, store, kNow);
        return f;
    }
    void SetFlags(std::uint32_t bits) {
        store.SetInt(kSettingsSection, optname::FilterFlags, static_cast<int>(bits));
    }
    ProfileStore store{AppProfile().rootKey() + L"_filter"};
};

TEST_F(FilterStore, NothingStoredLoadsTheDefaults) {
    const FilterSet f = Load();
    EXPECT_EQ(f.generalMode, 0);
    EXPECT_FALSE(f.destinationOnly || f.protectDestination || f.listsActive || f.timeAnd);
    EXPECT_FALSE(f.creationActive || f.modificationActive);
    EXPECT_EQ(f.creationSpec, TimeRangeSpec::Defaults(kCreationRecord));
    EXPECT_EQ(f.modificationSpec, TimeRangeSpec::Defaults(kModificationRecord));
    EXPECT_EQ(f.creationStart, 0u);
    EXPECT_EQ(f.creationEnd, kOpenEnd);
    EXPECT_TRUE(f.fileIncludes.empty() && f.folderExcludes.empty());
}

TEST_F(FilterStore, FlagBitsSplitIntoTheirFields) {
    SetFlags(0x3B1);  // mode 1, three lists off, destination only, protect
    FilterSet f = Load();
    EXPECT_EQ(f.generalMode, 0);  // destination-only wins over partial
    EXPECT_TRUE(f.fileIncludeOff && f.fileExcludeOff && f.folderExcludeOff);
    EXPECT_FALSE(f.folderIncludeOff);
    EXPECT_TRUE(f.destinationOnly && f.protectDestination);

    SetFlags(0x101);
    f = Load();
    EXPECT_EQ(f.generalMode, 0);
    EXPECT_TRUE(f.destinationOnly);

    SetFlags(0xFFFFFC06);  // mode 6, unknown high bits ignored
    f = Load();
    EXPECT_EQ(f.generalMode, 6);
    EXPECT_FALSE(f.destinationOnly || f.protectDestination || f.fileIncludeOff);
    EXPECT_EQ(PackFilterFlags(f), 6u);
}

TEST_F(FilterStore, ListTextsSplitDropEmptiesAndFoldCase) {
    SetFlags(1);
    store.SetString(kSettingsSection, optname::FileIncludes, L"|a||b|");
    store.SetString(kSettingsSection, optname::FileExcludes, L" Tmp *|*.BAK");
    store.SetString(kSettingsSection, optname::FolderIncludes, L"ＳＲＣ");
    FilterSet f = Load();
    EXPECT_EQ(f.fileIncludeText, L"|a||b|");
    EXPECT_EQ(f.fileIncludes, (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(f.fileExcludes, (std::vector<std::wstring>{L" tmp *", L"*.bak"}));
    EXPECT_EQ(f.folderIncludes, (std::vector<std::wstring>{L"ｓｒｃ"}));
    EXPECT_TRUE(f.listsActive);
    EXPECT_TRUE(f.anyListActive());
    EXPECT_TRUE(f.AcceptEntry(L"Ｓｒｃ", true, 0, 0));
}

TEST_F(FilterStore, ListsActiveNeedsAListInUseWithAPattern) {
    SetFlags(1);
    EXPECT_FALSE(Load().listsActive);  // partial with every list empty
    store.SetString(kSettingsSection, optname::FolderExcludes, L"||");
    EXPECT_FALSE(Load().listsActive);  // only empty pieces
    store.SetString(kSettingsSection, optname::FolderExcludes, L"obj");
    SetFlags(1 | filterbits::FolderExcludeOff);
    FilterSet f = Load();
    EXPECT_FALSE(f.listsActive);  // the only list is temporarily unused
    EXPECT_EQ(f.folderExcludes, std::vector<std::wstring>{L"obj"});  // but keeps its entries
    EXPECT_TRUE(f.AcceptEntry(L"obj", true, 0, 0));
    EXPECT_EQ(TitleMarkers(f), L"");
    SetFlags(1);
    EXPECT_TRUE(Load().listsActive);
}

TEST_F(FilterStore, DestinationOnlyIgnoresTheListsButKeepsTheTimeRanges) {
    store.SetString(kSettingsSection, optname::FileIncludes, L"*.c");
    TimeRangeSpec m = TimeRangeSpec::Defaults(kModificationRecord);
    m.Set(tf::RangeType, kRangeDetailed);
    m.Set(tf::EndKind, kBoundRunStart);
    store.SetBinary(kSettingsSection, optname::ModificationRange, m.ToBytes());

    FilterSet f = Load();  // mode 0, nothing else: ranges are not in force
    EXPECT_FALSE(f.modificationActive);

    SetFlags(filterbits::DestinationOnly);
    f = Load();
    EXPECT_TRUE(f.listsActive);    // derived from the lists alone ...
    EXPECT_FALSE(f.anyListActive());  // ... but they do not apply
    EXPECT_TRUE(f.modificationActive);
    EXPECT_FALSE(f.creationActive);
    EXPECT_TRUE(f.AcceptEntry(L"readme.txt", false, 0, f.modificationEnd - 1));
    EXPECT_FALSE(f.AcceptEntry(L"main.c", false, 0, f.modificationEnd));
    EXPECT_EQ(TitleMarkers(f), L"［ｺﾋﾟｰ先にあるものを対象］");

    SetFlags(kGeneralPartial);
    f = Load();
    EXPECT_TRUE(f.modificationActive);
    EXPECT_FALSE(f.AcceptEntry(L"readme.txt", false, 0, 0));
    EXPECT_TRUE(f.AcceptEntry(L"main.c", false, 0, 0));
}

TEST_F(FilterStore, SaveWritesEveryValueAndRemovesEmptyLists) {
    FilterSet f;
    f.generalMode = 9;  // masked to three bits on save
    f.folderIncludeOff = true;
    f.protectDestination = true;
    f.fileIncludeText = L"*.c|*.H";
    f.folderExcludeText = L"obj";
    f.creationSpec.Set(tf::RangeType, kRangeSimple);
    f.creationSpec.Set(tf::AndMark, 1);
    f.modificationSpec.Set(tf::AndMark, 2);
    f.modificationSpec.Set(tf::EndDateYear, 9999);
    f.modificationSpec.Set(tf::EndDateSecond, 59);
    store.SetString(kSettingsSection, optname::FileExcludes, L"old");
    SaveFilterSet(f, store);

    EXPECT_EQ(store.GetInt(kSettingsSection, optname::FilterFlags, -1), 1 | 0x40 | 0x200);
    EXPECT_EQ(store.GetString(kSettingsSection, optname::FileIncludes, L"?"), L"*.c|*.H");
    EXPECT_FALSE(store.HasValue(kSettingsSection, optname::FileExcludes));
    EXPECT_FALSE(store.HasValue(kSettingsSection, optname::FolderIncludes));
    EXPECT_EQ(store.GetString(kSettingsSection, optname::FolderExcludes, L"?"), L"obj");
    EXPECT_EQ(*store.GetBinary(kSettingsSection, optname::CreationRange), f.creationSpec.ToBytes());
    EXPECT_EQ(*store.GetBinary(kSettingsSection, optname::ModificationRange),
              f.modificationSpec.ToBytes());

    f.lastFilterPage = 3;
    LoadFilterSet(f, store, kNow);
    EXPECT_EQ(f.lastFilterPage, 3);  // survives reloads
    EXPECT_EQ(f.generalMode, 1);
    EXPECT_EQ(f.fileIncludes, (std::vector<std::wstring>{L"*.c", L"*.h"}));
    EXPECT_TRUE(f.timeAnd);
    EXPECT_TRUE(f.creationActive);
    EXPECT_FALSE(f.modificationActive);  // range type 0
    // The records come back byte for byte, bits the program does not use included.
    TimeRangeSpec odd;
    for (std::size_t i = 0; i < odd.words.size(); ++i) odd.words[i] = 0x9E3779B9u * (i + 1);
    f.creationSpec = odd;
    SaveFilterSet(f, store);
    EXPECT_EQ(Load().creationSpec, odd);
}

TEST_F(FilterStore, AndNeedsTheMarkInBothRecords) {
    TimeRangeSpec c = TimeRangeSpec::Defaults(kCreationRecord);
    TimeRangeSpec m = TimeRangeSpec::Defaults(kModificationRecord);
    c.Set(tf::AndMark, 1);
    store.SetBinary(kSettingsSection, optname::CreationRange, c.ToBytes());
    store.SetBinary(kSettingsSection, optname::ModificationRange, m.ToBytes());
    EXPECT_FALSE(Load().timeAnd);
    m.Set(tf::AndMark, 2);
    store.SetBinary(kSettingsSection, optname::ModificationRange, m.ToBytes());
    EXPECT_TRUE(Load().timeAnd);
}

TEST_F(FilterStore, ShortAndLongRecordsOverlayTheDefaults) {
    // Four bytes: only W0 changes; the counts keep their default 1.
    store.SetBinary(kSettingsSection, optname::CreationRange, {0x20, 0x00, 0x00, 0x00});
    // Forty bytes: the first 32 count.
    std::vector<std::uint8_t> longer(40, 0);
    longer[4] = 7;        // simple count 7
    longer[32] = 0xFF;    // cut off
    store.SetBinary(kSettingsSection, optname::ModificationRange, longer);
    SetFlags(1);
    const FilterSet f = Load();
    EXPECT_EQ(f.creationSpec.words[0], 0x20u);  // kind overwritten to 0, simple range
    EXPECT_EQ(f.creationSpec.Get(tf::SimpleCount), 1u);
    EXPECT_EQ(f.creationSpec.Get(tf::StartPeriodCount), 1u);
    EXPECT_TRUE(f.creationActive);
    EXPECT_EQ(f.modificationSpec.Get(tf::SimpleCount), 7u);
    EXPECT_EQ(f.modificationSpec.Get(tf::StartPeriodCount), 0u);
    EXPECT_EQ(f.modificationSpec.ToBytes(), std::vector<std::uint8_t>(longer.begin(), longer.begin() + 32));
}

TEST_F(FilterStore, AnUncomputableBoundStaysOpen) {
    TimeRangeSpec c = TimeRangeSpec::Defaults(kCreationRecord);
    c.Set(tf::RangeType, kRangeDetailed);
    c.Set(tf::StartKind, kBoundDate);  // February 30
    c.Set(tf::StartDateYear, 2024);
    c.Set(tf::StartDateMonth, 2);
    c.Set(tf::StartDateDay, 30);
    c.Set(tf::EndKind, kBoundRunStart);
    store.SetBinary(kSettingsSection, optname::CreationRange, c.ToBytes());
    SetFlags(1);
    const FilterSet f = Load();
    EXPECT_TRUE(f.creationActive);
    EXPECT_EQ(f.creationStart, 0u);
    EXPECT_NE(f.creationEnd, kOpenEnd);
    EXPECT_TRUE(f.AcceptEntry(L"old.txt", false, 0, 0));
}

TEST(ListText, SplitAndJoin) {
    EXPECT_EQ(SplitListText(L"|Ab||c d|"), (std::vector<std::wstring>{L"Ab", L"c d"}));
    EXPECT_TRUE(SplitListText(L"").empty());
    EXPECT_TRUE(SplitListText(L"|||").empty());
    EXPECT_EQ(JoinListText({L"Ab", L"c d"}), L"Ab|c d");
    EXPECT_EQ(JoinListText({}), L"");
}

}  // namespace
}  // namespace mirrant
