#include "support/recording_progress.h"

namespace mirrant::testing {

void RecordingProgress::CountUpdate() {
    int n = cancelCountdown.load();
    if (n > 0 && --cancelCountdown == 0) cancel = true;
}

void RecordingProgress::Show(const std::wstring& text, int level) {
    std::lock_guard lock(mutex);
    if (keep) shown.emplace_back(level, text);
    CountUpdate();
}

void RecordingProgress::SetStatus(const std::wstring& text) {
    std::lock_guard lock(mutex);
    if (!keep) statuses.clear();
    statuses.push_back(text);
    CountUpdate();
}

std::wstring RecordingProgress::StatusText() const {
    std::lock_guard lock(const_cast<std::mutex&>(mutex));
    return statuses.empty() ? std::wstring() : statuses.back();
}

void RecordingProgress::Reset() {
    std::lock_guard lock(mutex);
    ++resets;
}

bool RecordingProgress::CancelRequested() const {
    int n = cancelAfterPolls.load();
    if (n == 0) return true;
    if (n > 0 && --cancelAfterPolls == 0) const_cast<RecordingProgress*>(this)->cancel = true;
    return cancel.load();
}

}  // namespace mirrant::testing
