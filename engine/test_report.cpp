// Test mode: what each decision would do, said in the log, and what it would
// set aside counted for the line after the run. Nothing is changed.
#include "engine/plan_executor.h"

#include "framework/log_sink.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

// "%s" arguments of msg::kSameTimeDifferentSize: the byte count and the unit in parentheses.
std::wstring ByteCount(std::uint64_t size, std::wstring& unit) {
    std::wstring count = FormatSizeText(size, unit);
    if (!unit.empty()) unit = L"(" + unit + L")";
    return count;
}

}  // namespace

std::wstring SizesLine(const StepPaths& p, const Step& s) {
    std::wstring thisUnit, otherUnit;
    const std::wstring thisCount = ByteCount(s.thisStamp.size, thisUnit);
    const std::wstring otherCount = ByteCount(s.otherSize, otherUnit);
    return Message(msg::kSameTimeDifferentSize, {p.t, thisCount, thisUnit, p.o, otherCount, otherUnit});
}

void TestReport::WouldSetAside(const std::wstring& path, bool folder) {
    if (!ctx_.setAside || !ctx_.setAside->on()) return;
    if (folder) ctx_.setAside->CountTree(path);
    else ctx_.setAside->Count(path);
}

// What a decision would do, counted for the summary of a test run.
void TestReport::Count(const Step& s, const PassInfo& pass) {
    switch (s.decision.action) {
    case Action::Copy:
    case Action::MarkReverse:
        if (!pass.forward) return;
        Tally(ctx_, &RunTally::replaced);
        Tally(ctx_, &RunTally::bytes, s.decision.action == Action::Copy ? s.thisStamp.size : s.otherSize);
        return;
    case Action::CopyNew:
        Tally(ctx_, &RunTally::newFiles);
        Tally(ctx_, &RunTally::bytes, s.thisStamp.size);
        return;
    case Action::ReStamp:
        if (pass.forward) Tally(ctx_, &RunTally::restamped);
        return;
    case Action::Delete: Tally(ctx_, &RunTally::deleted); return;
    case Action::CreateFolder: Tally(ctx_, &RunTally::foldersCreated); return;
    case Action::DeleteFolder: Tally(ctx_, &RunTally::foldersDeleted); return;
    default: return;
    }
}

void TestReport::File(const Step& s, const StepPaths& p, const PassInfo& pass, const std::wstring& detail) {
    Count(s, pass);
    switch (s.decision.action) {
    case Action::CopyNew:
    case Action::Delete:
    case Action::AskMissing:
    case Action::Ignore: Missing(s, p, pass); return;
    default: Pair(s, p, pass, detail); return;
    }
}

// Two files: only the forward pass says what it would do with them.
void TestReport::Pair(const Step& s, const StepPaths& p, const PassInfo& pass, const std::wstring& detail) {
    if (!pass.forward) return;
    LogSink& log = ctx_.log;
    const Decision& d = s.decision;
    const std::wstring compareError = Message(msg::kCompareReadError, {p.o, p.t, detail});
    switch (d.order) {
    case PairOrder::ThisNewer:
        log.AppendLine(Message(msg::kOlderThan, {p.o, p.t}));
        switch (d.content) {
        case Content::Equal: log.AppendLine(Message(msg::kSameContent, {p.o, p.t})); return;
        case Content::Failed: log.AppendError(compareError); break;
        case Content::Differ: log.AppendLine(Message(msg::kDifferentContent, {p.o, p.t})); break;
        case Content::NotCompared: break;
        }
        WouldSetAside(p.o);
        return;
    case PairOrder::SameTimeOtherSize:
        log.AppendLine(SizesLine(p, s));
        WouldSetAside(p.o);
        return;
    case PairOrder::SameTimeSameSize:
        if (d.action == Action::CompareFailed) {
            log.AppendError(compareError);
            return;
        }
        // The same time and size with other bytes: what a check of a backup
        // looks for (a copy damaged on its disk, or torn), so an error.
        log.AppendError(Message(msg::kDifferentContent, {p.o, p.t}));
        WouldSetAside(p.o);
        return;
    case PairOrder::OtherNewer: break;
    }
    switch (d.action) {
    case Action::ReStamp:
        log.AppendLine(Message(msg::kNewerThan, {p.o, p.t}));
        log.AppendLine(Message(msg::kSameContent, {p.o, p.t}));
        return;
    case Action::CompareFailed:
        log.AppendLine(Message(msg::kNewerThan, {p.o, p.t}));
        log.AppendError(compareError);
        return;
    case Action::MarkReverse:
        log.AppendLine(Message(msg::kReverseOverwriteNewer, {p.t, p.o}));
        WouldSetAside(p.t);
        return;
    case Action::Copy:
        if (pass.single) break;
        log.AppendLine(Message(msg::kOverwriteNewer, {p.t, p.o}));
        WouldSetAside(p.o);
        return;
    default: break;
    }
    // Replaced after a question, or a single file.
    log.AppendLine(Message(msg::kNewerThan, {p.o, p.t}));
    log.AppendLine(Message(msg::kDifferentContent, {p.o, p.t}));
    WouldSetAside(p.o);
}

// A file the other side lacks: the line says what the policy would do.
void TestReport::Missing(const Step& s, const StepPaths& p, const PassInfo& pass) {
    const Action a = s.decision.action;
    std::wstring line;
    if (pass.single) {
        line = Message(msg::kMissingAtDestination, {p.o});
        if (ctx_.options.missingInDestination != MissingPolicy::Copy) line += LoadText(IDS_SINGLE_FILE_COPIED_ANYWAY);
    } else if (pass.forward) {
        line = Message(msg::kMissingAtDestination, {p.o});
        switch (a) {
        case Action::Delete:
            line += Message(IDS_TEST_SOURCE_DELETED, {p.t});
            WouldSetAside(p.t);
            break;
        case Action::Ignore: line += LoadText(IDS_TEST_NOT_COPIED); break;
        case Action::AskMissing: line += LoadText(IDS_TEST_ASK_AT_RUN); break;
        default: break;
        }
    } else {
        line = Message(msg::kMissingAtSource, {p.o});
        switch (a) {
        case Action::CopyNew: line += Message(IDS_TEST_COPIED_TO_SOURCE, {p.t}); break;
        case Action::Ignore: line += LoadText(IDS_TEST_NEITHER); break;
        case Action::AskMissing: line += LoadText(IDS_TEST_ASK_AT_RUN); break;
        default:
            line += Message(IDS_TEST_DELETED_BY_SYNC, {p.t});
            WouldSetAside(p.t);
            break;
        }
    }
    ctx_.log.AppendLine(line);
}

// A folder the other side lacks. In the forward pass the files inside are
// reported in turn after it; a link would be deleted as a link.
void TestReport::Folder(const Step& s, const StepPaths& p, const PassInfo& pass) {
    Count(s, pass);
    const Action a = s.decision.action;
    std::wstring line;
    if (pass.forward) {
        line = Message(msg::kFolderMissingAtDestination, {p.o});
        switch (a) {
        case Action::DeleteFolder: line += Message(IDS_TEST_SOURCE_FOLDER_DELETED, {p.t}); break;
        case Action::Ignore: line += LoadText(IDS_TEST_NOT_COPIED); break;
        case Action::AskMissing: line += LoadText(IDS_TEST_ASK_AT_RUN); break;
        default: break;
        }
    } else {
        line = Message(msg::kFolderMissingAtSource, {p.o});
        switch (a) {
        case Action::Ignore: line += LoadText(IDS_TEST_NEITHER); break;
        case Action::AskMissing: line += LoadText(IDS_TEST_ASK_AT_RUN); break;
        case Action::CreateFolder: line += Message(IDS_TEST_FOLDER_COPIED_TO_SOURCE, {p.t}); break;
        default:
            line += Message(IDS_TEST_FOLDER_DELETED_BY_SYNC, {p.t});
            if (!s.isLink) WouldSetAside(p.t, true);
            break;
        }
    }
    ctx_.log.AppendLine(line);
}

}  // namespace mirrant
