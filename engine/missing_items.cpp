// The questions the executor asks when it reaches an item: the per-item
// choice for an item one side lacks (and the choice remembered for the next
// question), a size difference at the same time, and a newer file on the
// other side. No one answers an unattended run: each gets its safe answer,
// and the log says so.
#include <optional>

#include "engine/plan_executor.h"
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

std::optional<MissingPolicy> RunQuestions::AskMissing(MissingSide side, bool isFolder, const StepPaths& p) {
    const std::wstring& thisPath = p.t;
    const std::wstring& otherPath = p.o;
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

bool RunQuestions::CopySizesDiffer(const StepPaths& p, const Step& s) {
    if (ctx_.unattended) {
        ctx_.log.AppendLine(Message(IDS_UNATTENDED_NOT_COPIED, {p.t}));
        return false;
    }
    return ctx_.prompter.YesNo(SizesLine(p, s) + LoadText(IDS_COPY_FORMER_TO_LATTER));
}

bool RunQuestions::OverwriteNewer(const StepPaths& p) {
    if (ctx_.unattended) {
        ctx_.log.AppendLine(Message(IDS_UNATTENDED_KEEP_BOTH, {p.t, p.o}));
        return false;
    }
    return ctx_.prompter.YesNo(Message(msg::kOverwriteNewerQuestion, {p.t, p.o}));
}

RunQuestions::Answer RunQuestions::OverwriteNewerInSync(const StepPaths& p) {
    if (ctx_.unattended) {
        ctx_.log.AppendLine(Message(IDS_UNATTENDED_KEEP_BOTH, {p.t, p.o}));
        return Answer::Keep;
    }
    const PromptAnswer a =
        ctx_.prompter.YesNoCancel(Message(msg::kOverwriteNewerQuestion, {p.t, p.o}) + LoadText(msg::kReverseNotice));
    if (a == PromptAnswer::Yes || a == PromptAnswer::Ok) return Answer::Copy;
    if (a == PromptAnswer::No) return Answer::Mark;
    ctx_.log.AppendLine(LoadText(msg::kInterrupted));
    return Answer::Stop;
}

}  // namespace mirrant
