#include "engine/decision.h"

#include "engine/file_access.h"
#include "res/messages.h"

namespace mirrant {

namespace {

Decision Make(Action action, unsigned lineId = 0) { return {action, PairOrder::SameTimeSameSize, Content::NotCompared, lineId}; }

// This side's file is newer: copied over the other; with "keep if same
// content" the bytes are looked at first.
Decision ThisNewer(Content content, const DecisionRules& rules) {
    if (rules.search) return Make(Action::Pending);
    if (!rules.forward) return Make(Action::CopyIfMarked);
    if (!rules.options.keepIfSameContent) return Make(Action::Copy);
    switch (content) {
    case Content::NotCompared: return Make(Action::CompareFirst);
    case Content::Equal: return Make(Action::Leave, msg::kOlderSameContentKept);
    case Content::Failed: return Make(Action::Copy, msg::kCompareReadError);
    case Content::Differ: break;
    }
    return Make(Action::Copy);
}

// The same time within the tolerance, other sizes: copied forward, after a
// question when the options ask for one.
Decision SizesDiffer(const DecisionRules& rules) {
    if (!rules.forward) return Make(Action::Leave);
    if (rules.search) return Make(Action::Pending);
    const bool ask = rules.options.confirmSameTimeDifferentSize;
    return Make(ask ? Action::AskSizes : Action::Copy, msg::kSameTimeDifferentSize);
}

// The other side's newer file holds other bytes: replaced (after a question
// when the options ask for one), or in a sync copied back instead.
Decision OtherNewerDiffers(const DecisionRules& rules) {
    const RunOptions& o = rules.options;
    if (o.confirmNewerDestination) return Make(rules.overwriteRules ? Action::AskNewer : Action::AskNewerSync);
    if (rules.overwriteRules || !o.reverseOverwriteNewer) return Make(Action::Copy, msg::kOverwriteNewer);
    return Make(Action::MarkReverse, msg::kReverseOverwriteNewer);
}

// The same time and size, or the other side newer: only the forward pass
// decides, by the bytes where the sizes match.
Decision ByContent(bool otherNewer, bool sameSize, Content content, const DecisionRules& rules) {
    if (!rules.forward) return Make(Action::Leave);
    if (otherNewer && rules.search) return Make(Action::Pending);
    if (sameSize && content == Content::NotCompared) return Make(Action::CompareFirst);
    if (!sameSize) content = Content::Differ;
    switch (content) {
    case Content::Equal: return Make(otherNewer ? Action::ReStamp : Action::Leave);
    case Content::Failed: return Make(Action::CompareFailed, msg::kCompareReadError);
    case Content::Differ:
    case Content::NotCompared: break;
    }
    if (!otherNewer) return Make(rules.search ? Action::Pending : Action::Copy);
    return OtherNewerDiffers(rules);
}

}  // namespace

PairOrder ComparePair(std::uint64_t thisWrite, std::uint64_t thisSize, std::uint64_t otherWrite,
                      std::uint64_t otherSize, unsigned toleranceSeconds) {
    switch (CompareTimes(thisWrite, otherWrite, toleranceSeconds)) {
    case TimeOrder::ThisNewer: return PairOrder::ThisNewer;
    case TimeOrder::OtherNewer: return PairOrder::OtherNewer;
    case TimeOrder::Same: break;
    }
    return thisSize == otherSize ? PairOrder::SameTimeSameSize : PairOrder::SameTimeOtherSize;
}

Decision DecidePair(PairOrder order, bool sameSize, Content content, const DecisionRules& rules) {
    Decision d;
    switch (order) {
    case PairOrder::ThisNewer: d = ThisNewer(content, rules); break;
    case PairOrder::SameTimeOtherSize: d = SizesDiffer(rules); break;
    case PairOrder::SameTimeSameSize:
        d = rules.options.sameTimeSameSizeIsSame ? Make(Action::Leave) : ByContent(false, true, content, rules);
        break;
    case PairOrder::OtherNewer: d = ByContent(true, sameSize, content, rules); break;
    }
    d.order = order;
    d.content = content;
    return d;
}

MissingPolicy PolicyOf(const DecisionRules& rules) {
    return rules.forward ? rules.options.missingInDestination : rules.options.missingInSource;
}

Decision DecideMissingFile(const DecisionRules& rules) {
    if (rules.search && rules.forward) return Make(Action::Pending);
    switch (PolicyOf(rules)) {
    case MissingPolicy::Ask: return Make(Action::AskMissing);
    case MissingPolicy::Copy: return Make(Action::CopyNew);
    case MissingPolicy::Delete: return Make(Action::Delete);
    case MissingPolicy::Ignore: break;
    }
    return Make(Action::Ignore);
}

Decision DecideMissingFolder(bool guarded, const DecisionRules& rules) {
    const MissingPolicy policy = PolicyOf(rules);
    if (policy != MissingPolicy::Copy && guarded) return Make(Action::Leave);
    if (rules.search && rules.forward) return Make(Action::Descend);
    switch (policy) {
    case MissingPolicy::Ask: return Make(Action::AskMissing);
    case MissingPolicy::Copy: return Make(rules.options.copyEmptyFolders ? Action::CreateFolder : Action::Descend);
    case MissingPolicy::Delete: return Make(Action::DeleteFolder);
    case MissingPolicy::Ignore: break;
    }
    return Make(Action::Ignore);
}

}  // namespace mirrant
