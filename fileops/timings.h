#pragma once
// The fixed waits of the file operations. Users always get the defaults;
// tests shorten them with ScopedFileOpTimings so that retry loops finish
// quickly. Nothing stored or typed by a user reaches these values.
namespace mirrant {

struct FileOpTimings {
    unsigned fileInfoRetryMs = 1000;   // between attempts to read a file's times and size
    unsigned setTimesRetryMs = 2000;   // between attempts to set a file's times
    unsigned rootRetryMs = 1000;       // between searches for an unreachable root
    unsigned rootSettleMs = 3000;      // after a drive came back but the path did not
};

// The timings in force (the defaults unless a test overrides them).
const FileOpTimings& CurrentFileOpTimings();

// Test-only: replaces the timings for its lifetime.
class ScopedFileOpTimings {
public:
    explicit ScopedFileOpTimings(const FileOpTimings& timings);
    ~ScopedFileOpTimings();
    ScopedFileOpTimings(const ScopedFileOpTimings&) = delete;
    ScopedFileOpTimings& operator=(const ScopedFileOpTimings&) = delete;

private:
    FileOpTimings saved_;
};

}  // namespace mirrant
