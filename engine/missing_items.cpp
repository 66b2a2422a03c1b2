// An item that one side has and the other lacks: what the missing-item
// policies of the options make of a file or a folder, the per-item choice
// when they ask, and the choice remembered for the next question.
#include <optional>

#include "engine/tree_walk.h"
#include "engine/walk_parts.h"
#include "framework/log_sink.h"
#include "framework/profile.h"
#include "framework/progress.h"
#include "framework/text.h"
#include "res/messages.h"
#include "res/resource.h"

namespace mirrant {

namespace {

// The last radio choice per side, for the program's lifetime.
int g_rememberedChoice[2] = {0, 1};

}  // namespace

int RememberedItemChoice(MissingSide side) { return g_rememberedChoice[side == MissingSide::Source ? 1 : 0]; }
void RememberItemChoice(MissingSide side, int choice) { g_rememberedChoice[side == MissingSide::Source ? 1 : 0] = choice; }
void ResetItemChoiceMemory() {
    g_rememberedChoice[0] = static_cast<int>(MissingPolicy::Copy);
    g_rememberedChoice[1] = static_cast<int>(MissingPolicy::Delete);
}

std::wstring ItemChoiceText(MissingSide side, int choice) {
    if (choice < 0 || choice > 2) choice = 0;
    unsigned base = side == MissingSide::Source ? IDS_CHOICE_SRC_COPY : IDS_CHOICE_DST_COPY;
    return LoadText(base + static_cast<unsigned>(choice));
}

ItemChoiceRequest MakeItemChoiceRequest(MissingSide side, bool isFolder, const std::wstring& path,
                                        int rememberedChoice) {
    ItemChoiceRequest r;
    r.side = side;
    r.isFolder = isFolder;
    bool source = side == MissingSide::Source;
    r.title = LoadText(source ? IDS_CHOICE_TITLE_SOURCE : IDS_CHOICE_TITLE_DESTINATION);
    std::wstring kind = LoadText(isFolder ? IDS_WORD_FOLDER : IDS_WORD_FILE);
    std::wstring here = LoadText(source ? IDS_FILEOPS_DESTINATION_LABEL : IDS_FILEOPS_SOURCE_LABEL);
    std::wstring there = LoadText(source ? IDS_FILEOPS_SOURCE_LABEL : IDS_FILEOPS_DESTINATION_LABEL);
    r.message = Message(IDS_CHOICE_MESSAGE, {here, kind, there});
    r.path = path;
    for (int i = 0; i < 3; ++i) r.choiceTexts[i] = ItemChoiceText(side, i);
    r.checkBoxText = LoadText(IDS_CHOICE_CHECK_BOX);
    if (rememberedChoice >= 0 && rememberedChoice <= 2) r.preselected = rememberedChoice;
    else r.preselected = source ? 1 : 0;
    return r;
}

Next TreeWalk::MissingFile(FolderWalk& walk, FileCase& f) {
    const RunOptions& o = ctx_.options;
    RunState& st = ctx_.state;
    if (Test()) {
        std::wstring line;
        if (Forward()) {
            line = Message(msg::kMissingAtDestination, {f.o});
            switch (o.missingInDestination) {
            case MissingPolicy::Delete:
                line += Message(IDS_TEST_SOURCE_DELETED, {f.t});
                WouldSetAside(f.t);
                break;
            case MissingPolicy::Ignore: line += LoadText(IDS_TEST_NOT_COPIED); break;
            case MissingPolicy::Ask: line += LoadText(IDS_TEST_ASK_AT_RUN); break;
            case MissingPolicy::Copy: break;
            }
        } else {
            line = Message(msg::kMissingAtSource, {f.o});
            switch (o.missingInSource) {
            case MissingPolicy::Copy: line += Message(IDS_TEST_COPIED_TO_SOURCE, {f.t}); break;
            case MissingPolicy::Ignore: line += LoadText(IDS_TEST_NEITHER); break;
            case MissingPolicy::Ask: line += LoadText(IDS_TEST_ASK_AT_RUN); break;
            default:
                line += Message(IDS_TEST_DELETED_BY_SYNC, {f.t});
                WouldSetAside(f.t);
                break;
            }
        }
        ctx_.log.AppendLine(line);
        return Next::Go;
    }
    if (Forward() && !st.executePhase) {
        st.pendingActions.Add(f.t);
        st.workFound = true;
        return Next::Go;
    }
    MissingSide side = Forward() ? MissingSide::Destination : MissingSide::Source;
    MissingPolicy policy = Forward() ? o.missingInDestination : o.missingInSource;
    if (policy == MissingPolicy::Ask) {
        std::optional<MissingPolicy> chosen = AskMissing(side, false, f.t, f.o);
        if (!chosen) return Next::Stop;
        policy = *chosen;
    }
    if (policy == MissingPolicy::Copy) {
        f.otherExisted = false;
        return Copy(walk, f);
    }
    if (policy == MissingPolicy::Delete) {
        if (!OtherSideStillThere(walk)) return Next::Stop;
        std::wstring failureLine;
        if (!RemoveFile(f.t, failureLine)) {
            if (failures_.HandleLogged(failureLine, FailureClass::Delete, PromptShape::DeleteNotice) ==
                FailureAction::Abort)
                return Next::Stop;
        }
        AfterAction(walk);
    }
    return Next::Go;
}

std::optional<MissingPolicy> TreeWalk::AskMissing(MissingSide side, bool isFolder, const std::wstring& thisPath,
                                                  const std::wstring& otherPath) {
    bool source = side == MissingSide::Source;
    unsigned lineId = source ? (isFolder ? msg::kFolderMissingAtSource : msg::kMissingAtSource)
                             : (isFolder ? msg::kFolderMissingAtDestination : msg::kMissingAtDestination);
    if (ctx_.unattended) {
        ctx_.log.AppendLine(Message(lineId, {otherPath}) + LoadText(IDS_UNATTENDED_ITEM_LEFT));
        return MissingPolicy::Ignore;
    }
    ItemChoiceRequest request = MakeItemChoiceRequest(side, isFolder, thisPath, RememberedItemChoice(side));
    ItemChoiceAnswer answer = ctx_.prompter.ChooseMissingItem(request);
    if (answer.interrupted) {
        ctx_.log.AppendLine(LoadText(msg::kInterrupted));
        return std::nullopt;
    }
    int choice = answer.choice < 0 || answer.choice > 2 ? request.preselected : answer.choice;
    RememberItemChoice(side, choice);

    unsigned chosenId = (source ? IDS_CHOSEN_SRC_COPY : IDS_CHOSEN_DST_COPY) + static_cast<unsigned>(choice);
    ctx_.log.AppendLine(Message(lineId, {otherPath}) + LoadText(chosenId));

    if (answer.changeSetting) {
        // From here on the run goes by the new choice; the settings module
        // stores it and the window takes it over at the end of the run.
        RunOptions& o = ctx_.options;
        auto policy = static_cast<MissingPolicy>(choice);
        if (source) SetMissingInSource(o, policy, AppProfile(), ctx_.prompter);
        else SetMissingInDestination(o, policy, AppProfile());
        if (ctx_.policyChanges) ctx_.policyChanges->Record(o);
        ctx_.log.AppendLine(Message(IDS_CHOICE_SETTING_CHANGED, {request.title, request.choiceTexts[choice]}));
    }
    return static_cast<MissingPolicy>(choice);
}

Next TreeWalk::MissingFolder(FolderWalk& walk, const std::wstring& t, const std::wstring& o, bool isLink) {
    const RunOptions& opt = ctx_.options;
    RunState& st = ctx_.state;
    // A folder that holds one of the roots, or something the run could not
    // see, is only ever copied: never deleted, asked about or left as missing.
    const MissingPolicy configured = Forward() ? opt.missingInDestination : opt.missingInSource;
    if (configured != MissingPolicy::Copy && (HoldsARoot(t) || HoldsUnknown(t))) return Next::Go;
    if (Test()) {
        if (Forward()) {
            MissingPolicy p = opt.missingInDestination;
            if (!(p == MissingPolicy::Copy && !opt.copyEmptyFolders)) {
                std::wstring line = Message(msg::kFolderMissingAtDestination, {o});
                switch (p) {
                case MissingPolicy::Delete: line += Message(IDS_TEST_SOURCE_FOLDER_DELETED, {t}); break;
                case MissingPolicy::Ignore: line += LoadText(IDS_TEST_NOT_COPIED); break;
                case MissingPolicy::Ask: line += LoadText(IDS_TEST_ASK_AT_RUN); break;
                case MissingPolicy::Copy: break;
                }
                ctx_.log.AppendLine(line);
            }
            // A link would be deleted as a link: nothing inside it is.
            if (isLink && p == MissingPolicy::Delete) return Next::Go;
            // Every file inside is reported in turn.
            return CompareFolder(t, true, o);
        }
        MissingPolicy p = opt.missingInSource;
        if (p == MissingPolicy::Copy && !opt.copyEmptyFolders) return CompareFolder(t, true, o);
        std::wstring line = Message(msg::kFolderMissingAtSource, {o});
        switch (p) {
        case MissingPolicy::Ignore: line += LoadText(IDS_TEST_NEITHER); break;
        case MissingPolicy::Ask: line += LoadText(IDS_TEST_ASK_AT_RUN); break;
        case MissingPolicy::Copy: line += Message(IDS_TEST_FOLDER_COPIED_TO_SOURCE, {t}); break;
        default:
            line += Message(IDS_TEST_FOLDER_DELETED_BY_SYNC, {t});
            if (!isLink) WouldSetAside(t, true);
            break;
        }
        ctx_.log.AppendLine(line);
        return Next::Go;
    }
    if (Forward() && !st.executePhase) {
        st.workFound = true;
        return CompareFolder(t, true, o);
    }
    MissingSide side = Forward() ? MissingSide::Destination : MissingSide::Source;
    MissingPolicy policy = Forward() ? opt.missingInDestination : opt.missingInSource;
    if (policy == MissingPolicy::Ask) {
        std::optional<MissingPolicy> chosen = AskMissing(side, true, t, o);
        if (!chosen) return Next::Stop;
        policy = *chosen;
    }
    if (policy == MissingPolicy::Copy) return CreateFolderAndDescend(walk, t, o);
    if (policy == MissingPolicy::Delete) {
        if (!OtherSideStillThere(walk)) return Next::Stop;
        return DeleteFolder(walk, t, isLink);
    }
    return Next::Go;
}

}  // namespace mirrant
