#include "engine/walk_context.h"

#include "fileops/path_rules.h"
#include "framework/log_sink.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

std::wstring ItemKey(const std::wstring& path) {
    if (!path.empty() && path.back() == L'\\') return path.substr(0, path.size() - 1);
    return path;
}

bool WalkGuards::HoldsARoot(const std::wstring& folder) const {
    const RunRoots* roots = ctx_.roots;
    return roots && (StartsWithName(roots->destination, folder) || StartsWithName(roots->source, folder));
}

bool WalkGuards::HoldsUnknown(const std::wstring& folder) const {
    return ctx_.state.unknownFolders.AnyUnder(folder) || ctx_.state.unknownItems.AnyUnder(folder);
}

bool WalkGuards::IsUnknownItem(const std::wstring& t, const std::wstring& o) const {
    const PathSet& items = ctx_.state.unknownItems;
    return items.Contains(ItemKey(t)) || items.Contains(ItemKey(o));
}

void WalkGuards::LeaveAlone(const std::wstring& t, const std::wstring& o) {
    ctx_.state.unknownItems.Add(ItemKey(t));
    ctx_.state.unknownItems.Add(ItemKey(o));
}

// A share that dropped or a drive that was pulled would otherwise make
// everything look missing.
bool WalkGuards::OtherSideStillThere(const std::wstring& otherFolder, bool sourceIsOther, LogSink& log) {
    const RunRoots* roots = ctx_.roots;
    if (!roots) return true;
    const std::wstring& root = sourceIsOther ? roots->source : roots->destination;
    bool there = ctx_.files.IsFolder(otherFolder);
    if (there && roots->idsKnown) {
        FolderId now;
        there = ctx_.files.GetFolderId(root, now) && now == (sourceIsOther ? roots->sourceId : roots->destinationId);
    }
    if (there) return true;
    const unsigned side = sourceIsOther ? IDS_FILEOPS_SOURCE_LABEL : IDS_FILEOPS_DESTINATION_LABEL;
    log.AppendError(Message(IDS_ROOT_GONE, {LoadText(side), root}));
    return false;
}

// It is never taken as missing on the other side, and nothing is written
// under another name.
bool WalkGuards::Reachable(const std::wstring& t, const std::wstring& o, LogSink& log) {
    const bool thisReachable = ctx_.files.CanAddress(t);
    if (thisReachable && ctx_.files.CanAddress(o)) return true;
    log.AppendError(Message(IDS_UNADDRESSABLE_NAME, {thisReachable ? o : t}));
    return false;
}

// Such a link would make the walk go round until the paths grow too long.
bool WalkGuards::LinkLoopsBack(const std::wstring& thisFolder, const std::wstring& link) {
    FolderId target;
    if (!ctx_.files.GetFolderId(link, target)) return false;
    for (size_t end = thisFolder.find(L'\\', 3); end != std::wstring::npos; end = thisFolder.find(L'\\', end + 1)) {
        FolderId parent;
        if (ctx_.files.GetFolderId(thisFolder.substr(0, end + 1), parent) && parent == target) return true;
    }
    return false;
}

// A folder that cannot be listed: one error line in the shape of the
// source's listing message with the side named, and one line saying that
// nothing under it or its counterpart is touched for the rest of the run.
void WalkReports::UnknownFolder(const std::wstring& unknown, bool unknownIsSource, const std::wstring& cause,
                                const std::wstring& counterpart) {
    state_.unknownFolders.Add(unknown);
    if (unknownIsSource) {
        log_.AppendError(Message(msg::kListingFailed, {unknown, cause}));
    } else {
        const std::wstring named = LoadText(IDS_FILEOPS_DESTINATION_LABEL) + L"\"" + unknown + L"\"";
        log_.AppendError(Message(msg::kSearchFailed, {named, cause}));
    }
    log_.AppendLine(Message(IDS_UNKNOWN_FOLDER_LEFT, {unknown, counterpart}));
}

// A listed entry that a look cannot reach (a dropped share, a busy server, a
// link whose target is offline): neither it nor its counterpart is touched
// in any pass.
void WalkReports::LookFailed(const std::wstring& path, const std::wstring& counterpart, const std::wstring& cause) {
    guards_.LeaveAlone(path, counterpart);
    log_.AppendError(Message(IDS_LOOK_FAILED, {path, counterpart, cause}));
}

// Neither is what the other lacks, and neither replaces the other.
void WalkReports::KindsDiffer(const std::wstring& t, const std::wstring& o) {
    guards_.LeaveAlone(t, o);
    log_.AppendError(Message(IDS_KINDS_DIFFER, {t, o}));
}

// At the destination such an entry would take the place of the program's
// own folder: never copied, reported once.
void WalkReports::ReservedName(const std::wstring& path) {
    if (state_.unknownItems.Contains(path)) return;
    state_.unknownItems.Add(path);
    log_.AppendLine(Message(IDS_RESERVED_NAME_NOT_COPIED, {path}));
}

}  // namespace mirrant
