#pragma once
// A LogSink that keeps the lines and the error lines, like the run log does
// without stamps.
#include <mutex>
#include <string>
#include <vector>

#include "framework/log_sink.h"

namespace mirrant::testing {

class RecordingLog : public LogSink {
public:
    void AppendLine(const std::wstring& text, const std::wstring& errorText = {}) override {
        std::lock_guard lock(mutex_);
        lines.push_back(text);
        if (!errorText.empty()) errorLines.push_back(errorText);
    }
    std::vector<std::wstring> lines;
    std::vector<std::wstring> errorLines;

private:
    std::mutex mutex_;
};

}  // namespace mirrant::testing
