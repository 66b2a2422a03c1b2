#include "engine/failure_policy.h"

#include "framework/log_sink.h"
#include "framework/progress.h"
#include "framework/prompts.h"
#include "framework/text.h"
#include "res/messages.h"

namespace mirrant {

ErrorPolicy FailureHandler::PolicyOf(FailureClass cls) const {
    switch (cls) {
    case FailureClass::Write: return options_.writeFailurePolicy;
    case FailureClass::Folder: return options_.folderFailurePolicy;
    case FailureClass::Delete: return options_.deleteFailurePolicy;
    }
    return ErrorPolicy::Confirm;
}

FailureAction FailureHandler::Handle(const std::wstring& message, FailureClass cls, PromptShape shape) {
    log_.AppendError(message);
    return HandleLogged(message, cls, shape);
}

FailureAction FailureHandler::HandleLogged(const std::wstring& message, FailureClass cls, PromptShape shape) {
    // A retry loop ends when the user has asked to interrupt: nothing more is
    // asked, the run stops.
    if (StopRequested(progress_)) {
        log_.AppendLine(LoadText(msg::kInterrupted));
        return FailureAction::Abort;
    }
    switch (PolicyOf(cls)) {
    case ErrorPolicy::Skip:
        return FailureAction::Skip;
    case ErrorPolicy::Abort:
        log_.AppendLine(LoadText(msg::kInterrupted));
        return FailureAction::Abort;
    case ErrorPolicy::Confirm:
        break;
    }

    switch (shape) {
    case PromptShape::SkipRetryAbort: {
        prompter_.Warning(message);
        PromptAnswer a = prompter_.YesNoCancel(LoadText(msg::kSkipRetryCancel));
        if (a == PromptAnswer::Yes || a == PromptAnswer::Ok) return FailureAction::Skip;
        if (a == PromptAnswer::No) {
            log_.AppendLine(LoadText(msg::kRetrying));
            return FailureAction::Retry;
        }
        log_.AppendLine(LoadText(msg::kInterrupted));
        return FailureAction::Abort;
    }
    case PromptShape::RetryOrAbort:
        prompter_.Warning(message);
        if (prompter_.YesNo(LoadText(msg::kRetryQuestion))) {
            log_.AppendLine(LoadText(msg::kRetrying));
            return FailureAction::Retry;
        }
        return FailureAction::Abort;
    case PromptShape::DeleteNotice: {
        if (options_.suppressDeleteFailureMessages) return FailureAction::Skip;
        prompter_.Warning(message);
        PromptAnswer a = prompter_.YesNoCancel(LoadText(msg::kDeleteNotice));
        if (a == PromptAnswer::Yes || a == PromptAnswer::Ok) return FailureAction::Skip;
        if (a == PromptAnswer::No) {
            options_.suppressDeleteFailureMessages = true;
            return FailureAction::Skip;
        }
        log_.AppendLine(LoadText(msg::kInterrupted));
        return FailureAction::Abort;
    }
    }
    return FailureAction::Abort;
}

}  // namespace mirrant
