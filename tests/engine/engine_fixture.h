#pragma once
// Runs of the engine on real trees in a temporary folder, through the fake
// run context of tests/support.
#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/file_access.h"
#include "engine/run_driver.h"
#include "engine/tree_walk.h"
#include "support/fake_run.h"
#include "support/temp_dir.h"

namespace mirrant::testing {

// One file or folder of a tree as seen on disk.
struct EntryImage {
    std::string content;
    std::uint64_t writeTime = 0;
    unsigned long attributes = 0;
    bool operator==(const EntryImage&) const = default;
};
// Every entry below folder (relative path → image), for "nothing changed".
std::map<std::wstring, EntryImage> Snapshot(const std::wstring& folder);

void SetReadOnly(const std::wstring& path, bool readOnly);

// A source and a destination folder in a temporary folder, a host with the
// options a test usually wants (no folder-delete confirmation, no question
// about a newer destination), and helpers to run and to look at the log.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // src\ and dst\ with the given file: content and write time (seconds
    // after kBaseTime).
    void Src(const std::wstring& rel, std::string_view content, double seconds = 0);
    void Dst(const std::wstring& rel, std::string_view content, double seconds = 0);
    std::wstring S(const std::wstring& rel) const { return src + rel; }
    std::wstring D(const std::wstring& rel) const { return dst + rel; }

    int Run(RunMode mode);
    int Run(RunMode mode, const std::wstring& source, const std::wstring& destination, int rowsAfter = 0);

    // The normal lines, sorted (the listing order of a folder is the
    // system's); errors are the error lines, sorted.
    std::vector<std::wstring> Lines() const;
    std::vector<std::wstring> Errors() const;
    size_t CountLines(const std::wstring& text) const;
    void ClearRecords();
    // Between the runs of one test: empty src\ and dst\ and no lines.
    void EmptyTrees();
    // Between the cases of one test: EmptyTrees, no copy hook, and the
    // options as SetUp left them.
    void StartAfresh();

    TempDir temp;
    std::wstring src, dst;
    FakeRun host;
    RunOutcome lastOutcome;
};

std::vector<std::wstring> Sorted(std::vector<std::wstring> v);

}  // namespace mirrant::testing

namespace mirrant::testing {
// Compares two lists of lines and, when they differ, shows both readably.
::testing::AssertionResult SameLines(const std::vector<std::wstring>& actual,
                                     const std::vector<std::wstring>& expected);
}  // namespace mirrant::testing
