#include "log/log_settings.h"

namespace mirrant {

unsigned TimeFormatOf(std::uint32_t word, bool schedule) {
    int shift = schedule ? logbit::ScheduleTimeFormatShift : logbit::TimeFormatShift;
    return (word >> shift) & 63u;
}

std::uint32_t WithTimeFormat(std::uint32_t word, bool schedule, unsigned format) {
    int shift = schedule ? logbit::ScheduleTimeFormatShift : logbit::TimeFormatShift;
    return (word & ~(63u << shift)) | ((format & 63u) << shift);
}

LogSettings DecodeLogSettings(std::uint32_t word, bool schedule, bool scheduleAppend) {
    LogSettings s;
    s.timeFormat = TimeFormatOf(word, schedule);
    if (schedule) {
        s.saveToFile = true;
        s.append = scheduleAppend;
        s.hideResultDialog = true;
        s.hideNothingToUpdate = true;
        s.exitWhenDone = true;
        s.saveInTestMode = true;
        s.stampLines = LogBit(word, logbit::ScheduleStampLines);
        s.writeDuringRun = LogBit(word, logbit::ScheduleWriteDuringRun);
        s.noBuffering = LogBit(word, logbit::ScheduleNoBuffering);
        s.noAlternative = LogBit(word, logbit::ScheduleNoAlternative);
    } else {
        s.saveToFile = LogBit(word, logbit::SaveToFile);
        s.append = LogBit(word, logbit::Append);
        s.hideResultDialog = LogBit(word, logbit::HideResultDialog);
        s.hideNothingToUpdate = LogBit(word, logbit::HideNothingToUpdate);
        s.exitWhenDone = LogBit(word, logbit::ExitWhenDone);
        s.saveInTestMode = LogBit(word, logbit::SaveInTestMode);
        s.stampLines = LogBit(word, logbit::StampLines);
        s.writeDuringRun = LogBit(word, logbit::WriteDuringRun);
        s.noBuffering = LogBit(word, logbit::NoBuffering);
        s.noAlternative = LogBit(word, logbit::NoAlternative);
    }
    return s;
}

}  // namespace mirrant
