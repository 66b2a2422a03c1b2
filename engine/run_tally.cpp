#include "engine/run_tally.h"

#include <cwchar>
#include <string>

#include "framework/log_sink.h"
#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

namespace {

// 1234567 as "1,234,567".
std::wstring Grouped(std::uint64_t n) {
    const std::wstring digits = std::to_wstring(n);
    std::wstring text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += L',';
        text += digits[i];
    }
    return text;
}

std::wstring OneDecimal(double value) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.1f", value);
    return text;
}

// "12.3 秒", "4 分 05 秒", "1 時間 02 分 03 秒".
std::wstring Elapsed(std::uint64_t ms) {
    const std::uint64_t seconds = ms / 1000;
    if (seconds < 60) return Message(IDS_SUMMARY_SECONDS, {OneDecimal(static_cast<double>(ms) / 1000.0)});
    auto two = [](std::uint64_t n) { return (n < 10 ? L"0" : L"") + std::to_wstring(n); };
    if (seconds < 3600) return Message(IDS_SUMMARY_MINUTES, {std::to_wstring(seconds / 60), two(seconds % 60)});
    return Message(IDS_SUMMARY_HOURS, {std::to_wstring(seconds / 3600), two(seconds / 60 % 60), two(seconds % 60)});
}

}  // namespace

void RunTally::Add(const RunTally& o) {
    newFiles += o.newFiles;
    replaced += o.replaced;
    restamped += o.restamped;
    deleted += o.deleted;
    setAside += o.setAside;
    foldersCreated += o.foldersCreated;
    foldersDeleted += o.foldersDeleted;
    failed += o.failed;
    left += o.left;
    bytes += o.bytes;
    elapsedMs += o.elapsedMs;
}

void LogSummary(LogSink& log, const RunTally& t, unsigned prefixId) {
    const std::wstring prefix = LoadText(prefixId);
    log.AppendLine(Message(IDS_SUMMARY_FILES, {prefix, Grouped(t.newFiles), Grouped(t.replaced), Grouped(t.restamped),
                                               Grouped(t.deleted), Grouped(t.setAside)}));
    log.AppendLine(Message(IDS_SUMMARY_FOLDERS, {prefix, Grouped(t.foldersCreated), Grouped(t.foldersDeleted),
                                                 Grouped(t.failed), Grouped(t.left)}));
    const double seconds = static_cast<double>(t.elapsedMs) / 1000.0;
    const double rate = seconds > 0 ? static_cast<double>(t.bytes) / 1048576.0 / seconds : 0.0;
    log.AppendLine(Message(IDS_SUMMARY_AMOUNT, {prefix, Grouped(t.bytes), Elapsed(t.elapsedMs), OneDecimal(rate)}));
}

}  // namespace mirrant
