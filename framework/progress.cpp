#include "framework/progress.h"

#include <windows.h>

namespace mirrant {

bool StopRequested(const Progress& progress) {
    while (progress.PauseRequested()) Sleep(500);
    return progress.CancelRequested();
}

bool InterruptibleSleep(const Progress& progress, unsigned ms) {
    while (ms > 0) {
        if (StopRequested(progress)) return false;
        unsigned step = ms < 500 ? ms : 500;
        Sleep(step);
        ms -= step;
    }
    return !StopRequested(progress);
}

}  // namespace mirrant
