#pragma once
// What a run did, counted as it does it (in test mode: what it would do),
// for the summary after its lines and for the whole of a batch.
#include <cstdint>

namespace mirrant {

class LogSink;

struct RunTally {
    std::uint64_t newFiles = 0;        // copied where the other side had none
    std::uint64_t replaced = 0;        // copied over the other side's file
    std::uint64_t restamped = 0;       // the same bytes, the time matched
    std::uint64_t deleted = 0;         // files deleted one by one
    std::uint64_t setAside = 0;        // files moved into the set-aside folder
    std::uint64_t foldersCreated = 0;
    std::uint64_t foldersDeleted = 0;
    std::uint64_t failed = 0;          // error lines
    std::uint64_t left = 0;            // items an answer (or the unattended safe answer) left as they were
    std::uint64_t bytes = 0;           // bytes of the files copied
    std::uint64_t elapsedMs = 0;

    void Add(const RunTally& other);
};

// The summary: three normal lines, each led by the text prefixId
// (IDS_SUMMARY_RUN, IDS_SUMMARY_TEST or IDS_SUMMARY_BATCH).
void LogSummary(LogSink& log, const RunTally& tally, unsigned prefixId);

}  // namespace mirrant
