#pragma once
// What happens after a failure: it is logged as an error line first, then
// the policy of its class decides between skipping, retrying and aborting,
// asking the user in one of three shapes when the policy is Confirm.
#include <string>

#include "settings/run_options.h"

namespace mirrant {

class LogSink;
class Progress;
class Prompter;

enum class FailureClass { Write, Folder, Delete };
enum class FailureAction { Skip, Retry, Abort };

enum class PromptShape {
    SkipRetryAbort,  // warning box, then msg::kSkipRetryCancel (Yes skip, No retry, Cancel abort)
    RetryOrAbort,    // warning box, then msg::kRetryQuestion (Yes retry, No abort)
    DeleteNotice,    // warning box, then msg::kDeleteNotice; never a retry
};

class FailureHandler {
public:
    FailureHandler(RunOptions& options, Prompter& prompter, LogSink& log, const Progress& progress)
        : options_(options), prompter_(prompter), log_(log), progress_(progress) {}

    // Logs message as an error line and decides. A retry logs "再試行します。",
    // an abort by policy or by Cancel logs "ﾕｰｻﾞの指示により中断しました。".
    // When the user has asked to interrupt, the answer is Abort.
    FailureAction Handle(const std::wstring& message, FailureClass cls, PromptShape shape);
    // The same for a failure whose error line the operation logged itself.
    FailureAction HandleLogged(const std::wstring& message, FailureClass cls, PromptShape shape);

private:
    ErrorPolicy PolicyOf(FailureClass cls) const;

    RunOptions& options_;
    Prompter& prompter_;
    LogSink& log_;
    const Progress& progress_;
};

}  // namespace mirrant
