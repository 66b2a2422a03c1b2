#pragma once
// The time-range page (IDD_TIME_FILTER), shown twice in the filter sheet: once
// for the creation-time record and once for the modification-time record.
// It edits the record in the live FilterSet, shows the bounds the record
// yields now (once a second while they move with the clock) and cannot be
// left while the start bound is not before the end bound.
#include <cstdint>
#include <string>

#include "filter/filter_pages.h"

namespace mirrant {

// Stored unit of a list entry, and back (-1 for a unit not in the list).
unsigned SimpleUnitAt(int index);
unsigned PeriodUnitAt(int index);
int SimpleUnitIndex(unsigned unit);
int PeriodUnitIndex(unsigned unit);

// The number a count box stands for: empty is 0; leading zeros are dropped
// and at most four digits are read.
unsigned ReadCountText(const std::wstring& text);

class TimeFilterPage : public FilterPage {
public:
    struct Instance {
        unsigned tabText;   // also named in the "treated as not used" notice
        unsigned kind;      // what the reset gives the record
        TimeRangeSpec FilterSet::*record;
        TimeRangeSpec FilterSet::*other;
        unsigned andText;
        int pageIndex;
    };
    static const Instance& Creation();
    static const Instance& Modification();

    TimeFilterPage(FilterSheetState& state, const Instance& instance);

protected:
    void OnSetActive() override;
    bool OnKillActive() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR OnNotify(NMHDR* header) override;
    void OnTimer(UINT_PTR id) override;

private:
    TimeRangeSpec& record() { return filters().*instance_.record; }
    void Fill();
    void RefreshRadios();
    void UpdateBoundTexts();
    void ApplyEnabling();
    bool MovesWithClock();
    bool ExchangeCounts();
    void SetTextIfChanged(int id, const std::wstring& text);

    const Instance& instance_;
    bool initializing_ = false;
    bool rangeValid_ = true;
};

}  // namespace mirrant
