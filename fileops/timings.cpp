#include "fileops/timings.h"

namespace mirrant {

namespace {
FileOpTimings& Timings() {
    static FileOpTimings timings;
    return timings;
}
}  // namespace

const FileOpTimings& CurrentFileOpTimings() { return Timings(); }

ScopedFileOpTimings::ScopedFileOpTimings(const FileOpTimings& timings) : saved_(Timings()) {
    Timings() = timings;
}

ScopedFileOpTimings::~ScopedFileOpTimings() { Timings() = saved_; }

}  // namespace mirrant
