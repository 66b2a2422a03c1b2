// What the run decides for one entry from its facts alone, written from the
// rules of the modes and the missing-item policies: two files by time, size
// and (where asked) content; an item one side lacks by the policy of the
// side the pass changes.
#include <functional>

#include <gtest/gtest.h>

#include "engine/decision.h"

namespace mirrant::testing {
namespace {

// The log texts a decision leads with, by their message numbers.
constexpr unsigned kOlderSameContentKept = 133, kCompareReadError = 145, kSameTimeDifferentSize = 220,
                   kOverwriteNewer = 232, kReverseOverwriteNewer = 244;

enum Pass { Forward, Reverse, SearchForward, SearchReverse };
enum Rules { OneWay, TwoWay };

using Options = std::function<void(RunOptions&)>;
const Options kDefaults = [](RunOptions&) {};
const Options kKeepSame = [](RunOptions& o) { o.keepIfSameContent = true; };
const Options kAskSizes = [](RunOptions& o) { o.confirmSameTimeDifferentSize = true; };
const Options kCompareSame = [](RunOptions& o) { o.sameTimeSameSizeIsSame = false; };
const Options kAskNewer = [](RunOptions& o) { o.confirmNewerDestination = true; };
const Options kCopyBack = [](RunOptions& o) { o.reverseOverwriteNewer = true; };

RunOptions Make(const Options& set) {
    RunOptions o;
    o.keepIfSameContent = false;
    o.confirmSameTimeDifferentSize = false;
    o.sameTimeSameSizeIsSame = true;
    o.confirmNewerDestination = false;
    o.reverseOverwriteNewer = false;
    o.copyEmptyFolders = false;
    o.missingInDestination = MissingPolicy::Copy;
    o.missingInSource = MissingPolicy::Delete;
    set(o);
    return o;
}

DecisionRules RulesOf(const RunOptions& o, Pass pass, Rules rules) {
    const bool forward = pass == Forward || pass == SearchForward;
    const bool search = pass == SearchForward || pass == SearchReverse;
    return {o, forward, search, rules == OneWay};
}

struct PairCase {
    const char* what;
    PairOrder order;
    bool sameSize;
    Content content;
    Pass pass;
    Rules rules;
    Options options;
    Action action;
    unsigned lineId;
};

const PairCase kPairs[] = {
    {"newer source is copied", PairOrder::ThisNewer, false, Content::NotCompared, Forward, OneWay, kDefaults, Action::Copy, 0},
    {"keep-if-same compares first", PairOrder::ThisNewer, true, Content::NotCompared, Forward, OneWay, kKeepSame, Action::CompareFirst, 0},
    {"keep-if-same keeps equal bytes", PairOrder::ThisNewer, true, Content::Equal, Forward, OneWay, kKeepSame, Action::Leave, kOlderSameContentKept},
    {"keep-if-same copies after a failed comparison", PairOrder::ThisNewer, true, Content::Failed, Forward, OneWay, kKeepSame, Action::Copy, kCompareReadError},
    {"keep-if-same copies other bytes", PairOrder::ThisNewer, true, Content::Differ, Forward, OneWay, kKeepSame, Action::Copy, 0},
    {"reverse pass copies back only what was marked", PairOrder::ThisNewer, false, Content::NotCompared, Reverse, TwoWay, kDefaults, Action::CopyIfMarked, 0},
    {"search pass records a newer file", PairOrder::ThisNewer, false, Content::NotCompared, SearchForward, TwoWay, kKeepSame, Action::Pending, 0},
    {"reverse search records a newer destination file", PairOrder::ThisNewer, false, Content::NotCompared, SearchReverse, TwoWay, kDefaults, Action::Pending, 0},
    {"same time, other size is copied", PairOrder::SameTimeOtherSize, false, Content::NotCompared, Forward, OneWay, kDefaults, Action::Copy, kSameTimeDifferentSize},
    {"same time, other size asks first", PairOrder::SameTimeOtherSize, false, Content::NotCompared, Forward, TwoWay, kAskSizes, Action::AskSizes, kSameTimeDifferentSize},
    {"same time, other size: nothing in reverse", PairOrder::SameTimeOtherSize, false, Content::NotCompared, Reverse, TwoWay, kDefaults, Action::Leave, 0},
    {"same time, other size: search records it", PairOrder::SameTimeOtherSize, false, Content::NotCompared, SearchForward, TwoWay, kDefaults, Action::Pending, 0},
    {"same time, other size: reverse search leaves it", PairOrder::SameTimeOtherSize, false, Content::NotCompared, SearchReverse, TwoWay, kDefaults, Action::Leave, 0},
    {"same time and size is the same file", PairOrder::SameTimeSameSize, true, Content::NotCompared, Forward, OneWay, kDefaults, Action::Leave, 0},
    {"same time and size compared when asked", PairOrder::SameTimeSameSize, true, Content::NotCompared, Forward, OneWay, kCompareSame, Action::CompareFirst, 0},
    {"same time and size, equal bytes", PairOrder::SameTimeSameSize, true, Content::Equal, Forward, OneWay, kCompareSame, Action::Leave, 0},
    {"same time and size, other bytes", PairOrder::SameTimeSameSize, true, Content::Differ, Forward, OneWay, kCompareSame, Action::Copy, 0},
    {"same time and size, unreadable", PairOrder::SameTimeSameSize, true, Content::Failed, Forward, OneWay, kCompareSame, Action::CompareFailed, kCompareReadError},
    {"same time and size: nothing in reverse", PairOrder::SameTimeSameSize, true, Content::NotCompared, Reverse, TwoWay, kCompareSame, Action::Leave, 0},
    {"same time and size, other bytes: search records it", PairOrder::SameTimeSameSize, true, Content::Differ, SearchForward, TwoWay, kCompareSame, Action::Pending, 0},
    {"newer destination of other size is replaced", PairOrder::OtherNewer, false, Content::NotCompared, Forward, OneWay, kDefaults, Action::Copy, kOverwriteNewer},
    {"newer destination of the same size is compared", PairOrder::OtherNewer, true, Content::NotCompared, Forward, OneWay, kDefaults, Action::CompareFirst, 0},
    {"newer destination with the same bytes is re-stamped", PairOrder::OtherNewer, true, Content::Equal, Forward, OneWay, kDefaults, Action::ReStamp, 0},
    {"newer destination that cannot be read", PairOrder::OtherNewer, true, Content::Failed, Forward, OneWay, kDefaults, Action::CompareFailed, kCompareReadError},
    {"newer destination asked about", PairOrder::OtherNewer, false, Content::NotCompared, Forward, OneWay, kAskNewer, Action::AskNewer, 0},
    {"newer destination asked about in a sync", PairOrder::OtherNewer, false, Content::NotCompared, Forward, TwoWay, kAskNewer, Action::AskNewerSync, 0},
    {"newer destination copied back in a sync", PairOrder::OtherNewer, false, Content::NotCompared, Forward, TwoWay, kCopyBack, Action::MarkReverse, kReverseOverwriteNewer},
    {"one way never copies back", PairOrder::OtherNewer, false, Content::NotCompared, Forward, OneWay, kCopyBack, Action::Copy, kOverwriteNewer},
    {"newer destination replaced in a sync without copy-back", PairOrder::OtherNewer, true, Content::Differ, Forward, TwoWay, kDefaults, Action::Copy, kOverwriteNewer},
    {"newer destination: search records it without comparing", PairOrder::OtherNewer, true, Content::NotCompared, SearchForward, TwoWay, kDefaults, Action::Pending, 0},
    {"newer other side: nothing in reverse", PairOrder::OtherNewer, false, Content::NotCompared, Reverse, TwoWay, kDefaults, Action::Leave, 0},
};

TEST(Decision, TwoFilesByTimeSizeAndContent) {
    for (const PairCase& c : kPairs) {
        const RunOptions o = Make(c.options);
        const Decision d = DecidePair(c.order, c.sameSize, c.content, RulesOf(o, c.pass, c.rules));
        EXPECT_EQ(d.action, c.action) << c.what;
        EXPECT_EQ(d.lineId, c.lineId) << c.what;
        EXPECT_EQ(d.order, c.order) << c.what;
    }
}

TEST(Decision, TimesWithinTheToleranceThenSizes) {
    constexpr std::uint64_t kSecond = 10'000'000;
    const std::uint64_t t = 1000 * kSecond;
    // A difference of exactly the tolerance is a difference; 1.9 s of 2 is none.
    EXPECT_EQ(ComparePair(t + 2 * kSecond, 1, t, 1, 2), PairOrder::ThisNewer);
    EXPECT_EQ(ComparePair(t, 1, t + 2 * kSecond, 1, 2), PairOrder::OtherNewer);
    EXPECT_EQ(ComparePair(t + 19 * kSecond / 10, 1, t, 1, 2), PairOrder::SameTimeSameSize);
    EXPECT_EQ(ComparePair(t, 1, t + 19 * kSecond / 10, 2, 2), PairOrder::SameTimeOtherSize);
}

struct MissingCase {
    const char* what;
    bool folder;
    bool guarded;
    Pass pass;
    MissingPolicy policy;  // of the side the pass changes
    bool copyEmptyFolders;
    Action action;
};

const MissingCase kMissing[] = {
    {"file copied", false, false, Forward, MissingPolicy::Copy, false, Action::CopyNew},
    {"file deleted", false, false, Forward, MissingPolicy::Delete, false, Action::Delete},
    {"file asked about", false, false, Forward, MissingPolicy::Ask, false, Action::AskMissing},
    {"file left", false, false, Forward, MissingPolicy::Ignore, false, Action::Ignore},
    {"file deleted by a sync", false, false, Reverse, MissingPolicy::Delete, false, Action::Delete},
    {"file copied back to the source", false, false, Reverse, MissingPolicy::Copy, false, Action::CopyNew},
    {"file recorded by the search", false, false, SearchForward, MissingPolicy::Copy, false, Action::Pending},
    {"file deleted while searching", false, false, SearchReverse, MissingPolicy::Delete, false, Action::Delete},
    {"folder made with its first file", true, false, Forward, MissingPolicy::Copy, false, Action::Descend},
    {"folder made at once", true, false, Forward, MissingPolicy::Copy, true, Action::CreateFolder},
    {"folder deleted", true, false, Reverse, MissingPolicy::Delete, false, Action::DeleteFolder},
    {"folder asked about", true, false, Forward, MissingPolicy::Ask, true, Action::AskMissing},
    {"folder left", true, false, Reverse, MissingPolicy::Ignore, false, Action::Ignore},
    {"guarded folder never deleted", true, true, Reverse, MissingPolicy::Delete, false, Action::Leave},
    {"guarded folder never asked about", true, true, Forward, MissingPolicy::Ask, false, Action::Leave},
    {"guarded folder still copied", true, true, Forward, MissingPolicy::Copy, true, Action::CreateFolder},
    {"folder walked by the search", true, false, SearchForward, MissingPolicy::Copy, true, Action::Descend},
    {"folder deleted while searching", true, false, SearchReverse, MissingPolicy::Delete, false, Action::DeleteFolder},
};

TEST(Decision, AnItemOneSideLacksByThePolicyOfTheSideThePassChanges) {
    for (const MissingCase& c : kMissing) {
        RunOptions o = Make(kDefaults);
        o.copyEmptyFolders = c.copyEmptyFolders;
        const bool forward = c.pass == Forward || c.pass == SearchForward;
        // The other side's policy is one that would decide otherwise.
        o.missingInDestination = forward ? c.policy : MissingPolicy::Ignore;
        o.missingInSource = forward ? MissingPolicy::Ignore : c.policy;
        const DecisionRules rules = RulesOf(o, c.pass, TwoWay);
        const Decision d = c.folder ? DecideMissingFolder(c.guarded, rules) : DecideMissingFile(rules);
        EXPECT_EQ(d.action, c.action) << c.what;
    }
}

}  // namespace
}  // namespace mirrant::testing
