#include "log/time_format_dialog.h"

#include "framework/dialog.h"
#include "res/resource.h"

namespace mirrant {

namespace {

constexpr UINT_PTR kExampleTimer = 1;

// The check boxes and the bit each one stands for.
struct Switch {
    int id;
    unsigned bit;
};
constexpr Switch kSwitches[] = {{IDC_TF_KANJI, timefmt::KanjiUnits},
                                {IDC_TF_YEAR, timefmt::ShowYear},
                                {IDC_TF_WEEKDAY, timefmt::ShowWeekday},
                                {IDC_TF_AMPM, timefmt::AmPm},
                                {IDC_TF_NO_DATE, timefmt::NoDate}};

class TimeFormatDialog : public Dialog {
public:
    TimeFormatDialog(unsigned format, LocalTime (*clock)())
        : Dialog(IDD_TIME_FORMAT), format_(format & timefmt::Mask), clock_(clock ? clock : &LocalTimeNow) {}
    unsigned format() const { return format_; }

protected:
    bool OnInit() override {
        for (const Switch& s : kSwitches) SetChecked(s.id, (format_ & s.bit) != 0);
        const bool twoDigits = (format_ & timefmt::TwoDigitYear) != 0;
        SetChecked(IDC_TF_TWO_DIGITS, twoDigits);
        SetChecked(IDC_TF_FOUR_DIGITS, !twoDigits);
        ShowExample();
        ApplyEnabling();
        SetTimer(hwnd(), kExampleTimer, 1000, nullptr);
        return true;
    }

    bool OnCommand(int id, int code, HWND) override {
        if (code != BN_CLICKED) return false;
        for (const Switch& s : kSwitches) {
            if (s.id != id) continue;
            format_ = IsChecked(id) ? (format_ | s.bit) : (format_ & ~s.bit);
            if (id == IDC_TF_YEAR || id == IDC_TF_NO_DATE) ApplyEnabling();
            ShowExample();
            return true;
        }
        if (id == IDC_TF_FOUR_DIGITS || id == IDC_TF_TWO_DIGITS) {
            format_ = IsChecked(IDC_TF_TWO_DIGITS) ? (format_ | timefmt::TwoDigitYear)
                                                   : (format_ & ~timefmt::TwoDigitYear);
            ShowExample();
            return true;
        }
        return false;
    }

    void OnTimer(UINT_PTR id) override {
        if (id == kExampleTimer) ShowExample();
    }
    void OnOK() override {
        KillTimer(hwnd(), kExampleTimer);
        End(IDOK);
    }
    void OnCancel() override {
        KillTimer(hwnd(), kExampleTimer);
        End(IDCANCEL);
    }

private:
    void ShowExample() { SetItemText(IDC_TF_EXAMPLE, TimeStampText(format_, clock_())); }

    // Without the date the year and weekday switches mean nothing; the year
    // digits only with the year.
    void ApplyEnabling() {
        const bool date = !IsChecked(IDC_TF_NO_DATE);
        const bool year = date && IsChecked(IDC_TF_YEAR);
        EnableItem(IDC_TF_YEAR, date);
        EnableItem(IDC_TF_WEEKDAY, date);
        EnableItem(IDC_TF_FOUR_DIGITS, year);
        EnableItem(IDC_TF_TWO_DIGITS, year);
    }

    unsigned format_;
    LocalTime (*clock_)();
};

}  // namespace

bool ChooseTimeFormat(HWND owner, unsigned& format, LocalTime (*clock)()) {
    TimeFormatDialog dialog(format, clock);
    if (dialog.DoModal(owner) != IDOK) return false;
    format = dialog.format();
    return true;
}

}  // namespace mirrant
