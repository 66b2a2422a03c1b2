#include "log/log_names.h"

#include <windows.h>

#include "framework/edition.h"
#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

namespace {

void ReplaceAll(std::wstring& text, std::wstring_view from, const std::wstring& to) {
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::wstring::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

}  // namespace

std::wstring DefaultLogFileName(bool schedule, bool unique) {
    std::wstring name = ProductName();
    if (schedule) name += LoadText(IDS_SCHEDULE_WORD);
    name += LoadText(IDS_RUN_LOG_WORD);
    if (unique) name += LoadText(IDS_LOG_UNIQUE_CODE);
    return name + LoadText(IDS_LOG_EXTENSION);
}

std::wstring CurrentUserName() {
    wchar_t buffer[512];
    DWORD size = 512;
    if (!GetUserNameW(buffer, &size)) return {};
    return buffer;
}

std::wstring ExpandLogName(const std::wstring& pattern, const LocalTime& t,
                           const std::wstring& userName) {
    if (pattern.find(L'%') == std::wstring::npos) return pattern;
    const std::wstring year = FormatText(L"%d", {t.year});
    const std::wstring year2 = FormatText(L"%02d", {t.year % 100});
    const std::wstring month = FormatText(L"%02d", {t.month});
    const std::wstring day = FormatText(L"%02d", {t.day});
    const std::wstring hour = FormatText(L"%02d", {t.hour});
    const std::wstring minute = FormatText(L"%02d", {t.minute});
    const std::wstring second = FormatText(L"%02d", {t.second});
    const std::wstring hour12 =
        LoadText(t.hour < 12 ? IDS_STAMP_MORNING : IDS_STAMP_AFTERNOON) + FormatText(L"%02d", {t.hour % 12});

    // A literal percent sign waits as a tab (which no path can hold) until
    // every code is replaced, so "%%Y" stays "%Y".
    std::wstring s = pattern;
    ReplaceAll(s, L"%%", L"\t");
    ReplaceAll(s, L"%T", L"%H%m%s");
    ReplaceAll(s, L"%t", L"%h%m%s");
    ReplaceAll(s, L"%Y", year);
    ReplaceAll(s, L"%y", year2);
    ReplaceAll(s, L"%M", month);
    ReplaceAll(s, L"%D", day);
    ReplaceAll(s, L"%h", hour12);
    ReplaceAll(s, L"%H", hour);
    ReplaceAll(s, L"%m", minute);
    ReplaceAll(s, L"%s", second);
    ReplaceAll(s, L"%U", userName);
    ReplaceAll(s, L"\t", L"%");
    return s;
}

std::wstring ExpandLogName(const std::wstring& pattern, const LocalTime& time) {
    if (pattern.find(L"%U") == std::wstring::npos) return ExpandLogName(pattern, time, std::wstring());
    return ExpandLogName(pattern, time, CurrentUserName());
}

std::wstring FolderPart(const std::wstring& path) {
    size_t pos = path.rfind(L'\\');
    return pos == std::wstring::npos ? std::wstring() : path.substr(0, pos + 1);
}

std::wstring NamePart(const std::wstring& path) {
    size_t pos = path.rfind(L'\\');
    return pos == std::wstring::npos ? path : path.substr(pos + 1);
}

}  // namespace mirrant
