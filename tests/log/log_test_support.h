#pragma once
// Helpers of the log tests: a status window that records what the writer
// shows, and the expected bytes of a log file in this program's encoding.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/edition.h"
#include "framework/encoding.h"
#include "log/log_buffer.h"

namespace mirrant::testing {

class RecordingSaveUi : public LogSaveUi {
public:
    struct Status : LogSaveStatus {
        RecordingSaveUi* owner;
        explicit Status(RecordingSaveUi* o) : owner(o) {}
        void SetText(const std::wstring& text) override { owner->Record(text); }
        void Hide() override {}
        void Close() override { ++owner->closes; }
    };
    std::unique_ptr<LogSaveStatus> Open(const std::wstring& text, std::atomic<bool>* cancel) override {
        ++opens;
        cancelFlag = cancel;
        if (!text.empty()) Record(text);
        return std::make_unique<Status>(this);
    }
    void Hold(unsigned ms) override { holds.push_back(ms); }
    void Record(const std::wstring& text) {
        std::lock_guard lock(mutex);
        texts.push_back(text);
        if (!cancelOnTextStart.empty() && text.rfind(cancelOnTextStart, 0) == 0 && cancelFlag) *cancelFlag = true;
    }

    std::mutex mutex;
    std::vector<std::wstring> texts;
    std::vector<unsigned> holds;
    int opens = 0;
    int closes = 0;
    std::atomic<bool>* cancelFlag = nullptr;
    // Presses "中断" when a text starting with this is shown.
    std::wstring cancelOnTextStart;
};

// The bytes a log file holds for this text: UTF-16LE after FF FE (wide
// program, bom true) or code page 932 (narrow program, never a mark).
inline std::string FileBytes(const std::wstring& text, bool bom = true) {
    if constexpr (kNarrowBuild) {
        return ToCodePage(text, kCodePage932);
    } else {
        std::string out = bom ? std::string("\xFF\xFE", 2) : std::string();
        out.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        return out;
    }
}

}  // namespace mirrant::testing
