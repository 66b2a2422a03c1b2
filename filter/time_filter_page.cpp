#include "filter/time_filter_page.h"

#include <commctrl.h>

#include <algorithm>
#include <span>

#include "framework/text.h"
#include "res/resource.h"

namespace mirrant {

namespace {

constexpr UINT_PTR kBoundsTimer = 1;
constexpr unsigned kMaxCount = 9999;

// List index to stored unit: the lists start with years, the record counts
// from days.
constexpr unsigned kSimpleUnits[] = {kYearsBefore, kMonthsBefore, kDaysBefore, kHoursBefore, kMinutesBefore};
constexpr unsigned kPeriodUnits[] = {kYearsBefore, kMonthsBefore, kDaysBefore, kHoursBefore, kMinutesBefore,
                                     kYearsAfter,  kMonthsAfter,  kDaysAfter,  kHoursAfter,  kMinutesAfter};

// A time of day a picker shows and the record fields it edits.
struct TimeTriple {
    int picker;
    TimeField hour, minute, second;
};
constexpr TimeTriple kTimes[] = {
    {IDC_TP_START_TODAY_TIME, tf::StartTodayHour, tf::StartTodayMinute, tf::StartTodaySecond},
    {IDC_TP_START_PERIOD_TIME, tf::StartPeriodHour, tf::StartPeriodMinute, tf::StartPeriodSecond},
    {IDC_TP_START_DATE_TIME, tf::StartDateHour, tf::StartDateMinute, tf::StartDateSecond},
    {IDC_TP_END_TODAY_TIME, tf::EndTodayHour, tf::EndTodayMinute, tf::EndTodaySecond},
    {IDC_TP_END_PERIOD_TIME, tf::EndPeriodHour, tf::EndPeriodMinute, tf::EndPeriodSecond},
    {IDC_TP_END_DATE_TIME, tf::EndDateHour, tf::EndDateMinute, tf::EndDateSecond},
};

struct DateFields {
    int picker;
    int radio;  // choosing this radio takes the picker's date
    TimeField chosen, year, month, day;
};
constexpr DateFields kDates[] = {
    {IDC_TP_START_DATE_PICKER, IDC_TP_START_DATE, tf::StartDateChosen, tf::StartDateYear, tf::StartDateMonth,
     tf::StartDateDay},
    {IDC_TP_END_DATE_PICKER, IDC_TP_END_DATE, tf::EndDateChosen, tf::EndDateYear, tf::EndDateMonth, tf::EndDateDay},
};

// The three number boxes, the count each edits and its allowed range.
struct CountBox {
    int box;
    TimeField field;
    unsigned min;
};
constexpr CountBox kCounts[] = {
    {IDC_TP_SIMPLE_COUNT, tf::SimpleCount, 1},
    {IDC_TP_START_COUNT, tf::StartPeriodCount, 0},
    {IDC_TP_END_COUNT, tf::EndPeriodCount, 0},
};

struct UnitList {
    int list;
    TimeField field;
    bool simple;
};
constexpr UnitList kUnitLists[] = {
    {IDC_TP_SIMPLE_UNIT, tf::SimpleUnit, true},
    {IDC_TP_START_UNIT, tf::StartPeriodUnit, false},
    {IDC_TP_END_UNIT, tf::EndPeriodUnit, false},
};

bool IsHoursOrMinutes(unsigned unit) {
    return unit == kHoursBefore || unit == kMinutesBefore || unit == kHoursAfter || unit == kMinutesAfter;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
    return kDays[month - 1];
}

bool IsValidDate(unsigned year, unsigned month, unsigned day) {
    return year >= 1970 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           static_cast<int>(day) <= DaysInMonth(static_cast<int>(year), static_cast<int>(month));
}

SYSTEMTIME ToSystemTime(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    return st;
}

const TimeFilterPage::Instance kCreation{IDS_TIME_TAB_CREATION, kCreationRecord, &FilterSet::creationSpec,
                                          &FilterSet::modificationSpec, IDS_TIME_AND_CREATION, 3};
const TimeFilterPage::Instance kModification{IDS_TIME_TAB_MODIFICATION, kModificationRecord,
                                              &FilterSet::modificationSpec, &FilterSet::creationSpec,
                                              IDS_TIME_AND_MODIFICATION, 4};

}  // namespace

unsigned SimpleUnitAt(int index) { return index >= 0 && index < 5 ? kSimpleUnits[index] : 0; }
unsigned PeriodUnitAt(int index) { return index >= 0 && index < 10 ? kPeriodUnits[index] : 0; }

int SimpleUnitIndex(unsigned unit) {
    for (int i = 0; i < 5; ++i)
        if (kSimpleUnits[i] == unit) return i;
    return -1;
}

int PeriodUnitIndex(unsigned unit) {
    for (int i = 0; i < 10; ++i)
        if (kPeriodUnits[i] == unit) return i;
    return -1;
}

unsigned ReadCountText(const std::wstring& text) {
    std::size_t from = 0;
    while (from + 1 < text.size() && text[from] == L'0') ++from;
    unsigned value = 0;
    for (std::size_t i = from; i < text.size() && i < from + 4; ++i) {
        if (text[i] < L'0' || text[i] > L'9') break;
        value = value * 10 + static_cast<unsigned>(text[i] - L'0');
    }
    return value;
}

const TimeFilterPage::Instance& TimeFilterPage::Creation() { return kCreation; }
const TimeFilterPage::Instance& TimeFilterPage::Modification() { return kModification; }

TimeFilterPage::TimeFilterPage(FilterSheetState& state, const Instance& instance)
    : FilterPage(IDD_TIME_FILTER, state), instance_(instance) {
    SetTabText(LoadText(instance.tabText));
}

void TimeFilterPage::OnSetActive() {
    if (SendItem(IDC_TP_SIMPLE_UNIT, CB_GETCOUNT) <= 0) {
        for (int i = 0; i < 5; ++i) {
            std::wstring unit = LoadText(IDS_TIME_SIMPLE_UNIT_FIRST + i);
            SendItem(IDC_TP_SIMPLE_UNIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(unit.c_str()));
        }
        for (int list : {IDC_TP_START_UNIT, IDC_TP_END_UNIT})
            for (int i = 0; i < 10; ++i) {
                std::wstring unit = LoadText(IDS_TIME_PERIOD_UNIT_FIRST + i);
                SendItem(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(unit.c_str()));
            }
    }
    Fill();
    filters().lastFilterPage = instance_.pageIndex;
    SetTimer(hwnd(), kBoundsTimer, 1000, nullptr);
}

void TimeFilterPage::Fill() {
    initializing_ = true;
    TimeRangeSpec& r = record();
    const LocalDateTime now = CurrentLocalTime();

    if (r.Get(tf::SimpleCount) > kMaxCount) r.Set(tf::SimpleCount, kMaxCount);
    SetItemText(IDC_TP_SIMPLE_COUNT, std::to_wstring(r.Get(tf::SimpleCount)));
    if (r.Get(tf::SimpleUnit) > kMinutesBefore) r.Set(tf::SimpleUnit, 0);
    SendItem(IDC_TP_SIMPLE_UNIT, CB_SETCURSEL, SimpleUnitIndex(r.Get(tf::SimpleUnit)));

    SYSTEMTIME range[2] = {ToSystemTime(1970, 1, 1, 0, 0, 0), ToSystemTime(9999, 12, 31, 23, 59, 59)};
    for (const TimeTriple& t : kTimes)
        SendItem(t.picker, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
    for (const DateFields& d : kDates)
        SendItem(d.picker, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));

    for (const TimeTriple& t : kTimes) {
        // Only the part out of range is corrected: 25:30:00 becomes 0:30:00.
        if (r.Get(t.hour) > 23) r.Set(t.hour, 0);
        if (r.Get(t.minute) > 59) r.Set(t.minute, 0);
        if (r.Get(t.second) > 59) r.Set(t.second, 0);
        SYSTEMTIME st = ToSystemTime(now.year, now.month, now.day, static_cast<int>(r.Get(t.hour)),
                                     static_cast<int>(r.Get(t.minute)), static_cast<int>(r.Get(t.second)));
        SendItem(t.picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    }

    // The two period boxes and lists (the simple ones come first).
    for (const CountBox& c : std::span(kCounts).subspan(1)) {
        if (r.Get(c.field) > kMaxCount) r.Set(c.field, kMaxCount);
        SetItemText(c.box, std::to_wstring(r.Get(c.field)));
    }
    for (const UnitList& u : std::span(kUnitLists).subspan(1)) {
        if (r.Get(u.field) > kMinutesAfter) r.Set(u.field, 0);
        SendItem(u.list, CB_SETCURSEL, PeriodUnitIndex(r.Get(u.field)));
    }

    for (const DateFields& d : kDates) {
        if (r.Get(d.chosen)) {
            if (IsValidDate(r.Get(d.year), r.Get(d.month), r.Get(d.day))) {
                SYSTEMTIME st = ToSystemTime(static_cast<int>(r.Get(d.year)), static_cast<int>(r.Get(d.month)),
                                             static_cast<int>(r.Get(d.day)), 0, 0, 0);
                SendItem(d.picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
            }
        } else {
            SYSTEMTIME st = ToSystemTime(now.year, now.month, now.day, 0, 0, 0);
            SendItem(d.picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
        }
    }

    RefreshRadios();
    initializing_ = false;
}

void TimeFilterPage::RefreshRadios() {
    TimeRangeSpec& r = record();
    if (r.Get(tf::RangeType) > kRangeDetailed) r.Set(tf::RangeType, kRangeNone);
    if (r.Get(tf::StartKind) >= kBoundRunStart) r.Set(tf::StartKind, kBoundNone);
    if (r.Get(tf::EndKind) > kBoundRunStart) r.Set(tf::EndKind, kBoundNone);
    CheckRadioButton(hwnd(), IDC_TP_NONE, IDC_TP_DETAILED, IDC_TP_NONE + static_cast<int>(r.Get(tf::RangeType)));
    CheckRadioButton(hwnd(), IDC_TP_START_NONE, IDC_TP_START_DATE,
                     IDC_TP_START_NONE + static_cast<int>(r.Get(tf::StartKind)));
    CheckRadioButton(hwnd(), IDC_TP_END_NONE, IDC_TP_END_RUN_START,
                     IDC_TP_END_NONE + static_cast<int>(r.Get(tf::EndKind)));
    if (r.Get(tf::RangeType) == kRangeNone) filters().timeAnd = false;
    SetItemText(IDC_TP_AND, LoadText(instance_.andText));
    SetChecked(IDC_TP_AND, filters().timeAnd);
    UpdateBoundTexts();
    ApplyEnabling();
}

void TimeFilterPage::UpdateBoundTexts() {
    const TimeRangeSpec& r = record();
    const TimeBounds b = ComputeTimeBounds(r);
    rangeValid_ = b.start < b.end;
    const unsigned type = r.Get(tf::RangeType);
    const std::wstring word = LoadText(IDS_TIME_WORD);

    auto text = [&](bool error, unsigned kind, std::uint64_t bound, bool start) -> std::wstring {
        if (error) return LoadText(IDS_TIME_BOUND_ERROR);
        if (type == kRangeNone || (type == kRangeDetailed && kind == kBoundNone)) return {};
        LocalDateTime t;
        if ((bound >> 63) != 0 || !UtcFileTimeToLocal(bound, t)) return LoadText(IDS_TIME_NOT_SHOWABLE);
        const unsigned y = static_cast<unsigned>(t.year), mo = static_cast<unsigned>(t.month),
                       d = static_cast<unsigned>(t.day), h = static_cast<unsigned>(t.hour),
                       mi = static_cast<unsigned>(t.minute), s = static_cast<unsigned>(t.second);
        return start ? Message(IDS_TIME_START_FORMAT, {y, mo, d, h, mi, s, word})
                     : Message(IDS_TIME_END_FORMAT, {word, y, mo, d, h, mi, s});
    };
    SetTextIfChanged(IDC_TP_START_TEXT, text(b.startError, r.Get(tf::StartKind), b.start, true));
    SetTextIfChanged(IDC_TP_END_TEXT, text(b.endError, r.Get(tf::EndKind), b.end, false));
}

void TimeFilterPage::SetTextIfChanged(int id, const std::wstring& text) {
    if (ItemText(id) != text) SetItemText(id, text);
}

void TimeFilterPage::ApplyEnabling() {
    const FilterSet& f = filters();
    const TimeRangeSpec& r = record();
    const unsigned type = r.Get(tf::RangeType), start = r.Get(tf::StartKind), end = r.Get(tf::EndKind);
    const bool a = f.generalMode != kGeneralAll || f.destinationOnly;
    const bool s = a && type == kRangeSimple;
    const bool d = a && type == kRangeDetailed;
    // The time of day of a period counts only for days, months and years.
    auto dayBased = [](unsigned unit) { return !IsHoursOrMinutes(unit); };

    for (int id : {IDC_TP_NONE, IDC_TP_SIMPLE, IDC_TP_DETAILED, IDC_TP_START_TEXT, IDC_TP_END_TEXT, IDC_TP_RESET})
        EnableItem(id, a);
    for (int id : {IDC_TP_PAST_LABEL, IDC_TP_SIMPLE_COUNT, IDC_TP_SIMPLE_UNIT}) EnableItem(id, s);
    for (int id = IDC_TP_START_GROUP; id <= IDC_TP_START_DATE; ++id) EnableItem(id, d);
    for (int id = IDC_TP_END_GROUP; id <= IDC_TP_END_RUN_START; ++id) EnableItem(id, d);
    EnableItem(IDC_TP_START_TODAY_TIME, d && start == kBoundToday);
    EnableItem(IDC_TP_START_COUNT, d && start == kBoundPeriod);
    EnableItem(IDC_TP_START_UNIT, d && start == kBoundPeriod);
    EnableItem(IDC_TP_START_PERIOD_TIME, d && start == kBoundPeriod && dayBased(r.Get(tf::StartPeriodUnit)));
    EnableItem(IDC_TP_START_DATE_PICKER, d && start == kBoundDate);
    EnableItem(IDC_TP_START_DATE_TIME, d && start == kBoundDate);
    EnableItem(IDC_TP_END_TODAY_TIME, d && end == kBoundToday);
    EnableItem(IDC_TP_END_COUNT, d && end == kBoundPeriod);
    EnableItem(IDC_TP_END_UNIT, d && end == kBoundPeriod);
    EnableItem(IDC_TP_END_PERIOD_TIME, d && end == kBoundPeriod && dayBased(r.Get(tf::EndPeriodUnit)));
    EnableItem(IDC_TP_END_DATE_PICKER, d && end == kBoundDate);
    EnableItem(IDC_TP_END_DATE_TIME, d && end == kBoundDate);
    EnableItem(IDC_TP_AND, a && type != kRangeNone && (f.*instance_.other).Get(tf::RangeType) != kRangeNone);
}

bool TimeFilterPage::MovesWithClock() {
    const TimeRangeSpec& r = record();
    const unsigned type = r.Get(tf::RangeType);
    if (type == kRangeSimple) return true;
    if (type != kRangeDetailed) return false;
    return (r.Get(tf::StartKind) == kBoundPeriod && IsHoursOrMinutes(r.Get(tf::StartPeriodUnit))) ||
           (r.Get(tf::EndKind) == kBoundPeriod && IsHoursOrMinutes(r.Get(tf::EndPeriodUnit))) ||
           r.Get(tf::EndKind) == kBoundRunStart;
}

bool TimeFilterPage::OnCommand(int id, int code, HWND) {
    TimeRangeSpec& r = record();
    if (code == BN_CLICKED) {
        if (id >= IDC_TP_NONE && id <= IDC_TP_DETAILED) {
            r.Set(tf::RangeType, static_cast<unsigned>(id - IDC_TP_NONE));
        } else if (id >= IDC_TP_START_NONE && id <= IDC_TP_START_PERIOD) {
            r.Set(tf::StartKind, static_cast<unsigned>(id - IDC_TP_START_NONE));
        } else if (id >= IDC_TP_END_NONE && id <= IDC_TP_END_RUN_START && id != IDC_TP_END_DATE) {
            r.Set(tf::EndKind, static_cast<unsigned>(id - IDC_TP_END_NONE));
        } else if (id == IDC_TP_START_DATE || id == IDC_TP_END_DATE) {
            // The date shown counts from now on, even if it was never touched.
            const DateFields& d = kDates[id == IDC_TP_START_DATE ? 0 : 1];
            SYSTEMTIME st{};
            if (SendItem(d.picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) == GDT_VALID) {
                r.Set(d.year, st.wYear);
                r.Set(d.month, st.wMonth);
                r.Set(d.day, st.wDay);
            }
            r.Set(id == IDC_TP_START_DATE ? tf::StartKind : tf::EndKind, kBoundDate);
        } else if (id == IDC_TP_RESET) {
            filters().timeAnd = false;
            r = TimeRangeSpec::Defaults(instance_.kind);
            Fill();
            return true;
        } else if (id == IDC_TP_AND) {
            filters().timeAnd = !filters().timeAnd;
            return true;
        } else {
            return false;
        }
        RefreshRadios();
        return true;
    }
    if (initializing_) return false;
    if (code == EN_CHANGE) {
        for (const CountBox& c : kCounts) {
            if (c.box != id) continue;
            const std::wstring text = ItemText(id);
            // Out-of-range numbers are reported as they are typed; the box
            // still counts (an emptied box as 0), leaving the page checks again.
            if (!text.empty()) ExchangeCounts();
            const unsigned value = ReadCountText(text);
            if (value != r.Get(c.field)) {
                r.Set(c.field, value);
                UpdateBoundTexts();
            }
            return true;
        }
    }
    if (code == CBN_SELCHANGE) {
        for (const UnitList& u : kUnitLists) {
            if (u.list != id) continue;
            const int index = static_cast<int>(SendItem(id, CB_GETCURSEL));
            const unsigned unit = u.simple ? SimpleUnitAt(index) : PeriodUnitAt(index);
            if (index >= 0 && unit != r.Get(u.field)) {
                r.Set(u.field, unit);
                RefreshRadios();
            }
            return true;
        }
    }
    return false;
}

INT_PTR TimeFilterPage::OnNotify(NMHDR* header) {
    if (header->code != DTN_DATETIMECHANGE) return FilterPage::OnNotify(header);
    if (initializing_) return 0;
    const auto* change = reinterpret_cast<const NMDATETIMECHANGE*>(header);
    if (change->dwFlags != GDT_VALID) return 0;
    const SYSTEMTIME& st = change->st;
    TimeRangeSpec& r = record();
    const TimeRangeSpec before = r;
    for (const TimeTriple& t : kTimes) {
        if (static_cast<int>(header->idFrom) != t.picker) continue;
        r.Set(t.hour, st.wHour);
        r.Set(t.minute, st.wMinute);
        r.Set(t.second, st.wSecond);
    }
    for (const DateFields& d : kDates) {
        if (static_cast<int>(header->idFrom) != d.picker) continue;
        r.Set(d.chosen, 1);
        r.Set(d.year, st.wYear);
        r.Set(d.month, st.wMonth);
        r.Set(d.day, st.wDay);
    }
    if (!(r == before)) UpdateBoundTexts();
    return 0;
}

void TimeFilterPage::OnTimer(UINT_PTR id) {
    if (id == kBoundsTimer && MovesWithClock()) UpdateBoundTexts();
}

bool TimeFilterPage::ExchangeCounts() {
    for (const CountBox& c : kCounts) {
        const std::wstring text = ItemText(c.box);
        // The value decides, not the number of characters: "0000000001" is 1.
        bool ok = !text.empty();
        unsigned value = 0;
        for (wchar_t ch : text) {
            if (ch < L'0' || ch > L'9') {
                ok = false;
                break;
            }
            value = std::min(value * 10 + static_cast<unsigned>(ch - L'0'), kMaxCount + 1);
        }
        if (ok && value >= c.min && value <= kMaxCount) continue;
        Prompts().Warning(Message(IDS_TOLERANCE_RANGE, {c.min, kMaxCount}));
        SetFocus(Item(c.box));
        SendItem(c.box, EM_SETSEL, 0, -1);
        return false;
    }
    return true;
}

bool TimeFilterPage::OnKillActive() {
    if (!ExchangeCounts()) return false;
    UpdateBoundTexts();
    if (!rangeValid_) {
        Prompts().Warning(LoadText(IDS_TIME_START_NOT_BEFORE_END));
        return false;
    }
    KillTimer(hwnd(), kBoundsTimer);
    TimeRangeSpec& r = record();
    if (r.Get(tf::RangeType) == kRangeDetailed && r.Get(tf::StartKind) == kBoundNone &&
        r.Get(tf::EndKind) == kBoundNone) {
        r.Set(tf::RangeType, kRangeNone);
        filters().timeAnd = false;
        Prompts().Warning(Message(IDS_TIME_DETAILED_EMPTY, {LoadText(instance_.tabText)}));
    }
    return true;
}

}  // namespace mirrant
