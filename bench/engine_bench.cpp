// Runs one unattended overwrite of the real engine between two folders and
// prints its time, its log counts and the process's peak memory. Every
// question is answered Yes; nothing is shown. The engine runs through the
// fake run context of the tests. Used by run_engine_bench.sh.
//   mirrant_engine_bench.exe <source folder> <destination folder>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/file_access.h"
#include "engine/run_driver.h"
#include "engine/stored_filter.h"
#include "fileops/path_rules.h"
#include "filter/filter_set.h"
#include "framework/log_sink.h"
#include "framework/profile.h"
#include "framework/progress.h"
#include "support/fake_run.h"

using namespace mirrant;
using mirrant::testing::FakeRun;

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mirrant_engine_bench <source folder> <destination folder>\n");
        return 2;
    }
    // A key of its own that is never written: no filter, default options.
    SetAppProfileRoot(L"Software\\qorvane\\MirrantBench");
    // The fake run context of the tests, with the progress display keeping
    // nothing (a real window keeps only its last texts).
    FakeRun run;
    run.progress.keep = false;
    run.scheduled = true;
    RunRequest request{RunMode::Overwrite, argv[1], argv[2]};
    if (!NormalizePath(request.sourcePath) || !NormalizePath(request.destinationPath)) {
        std::fprintf(stderr, "invalid path\n");
        return 2;
    }
    run.options.confirmNewerDestination = false;
    // BENCH_SET_ASIDE=1: what the run replaces is kept in the set-aside folder.
    const char* setAside = std::getenv("BENCH_SET_ASIDE");
    run.options.setAsideFiles = setAside && std::string(setAside) == "1";
    FilterSet filter;
    LoadFilterSet(filter, AppProfile());
    run.filter = std::make_shared<StoredFilter>(filter);

    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&a);
    const int result = run.Run(request).completed ? 1 : 0;
    QueryPerformanceCounter(&b);

    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    std::printf("result=%d seconds=%.3f lines=%zu errors=%zu prompts=%u peak_working_set_mib=%.1f "
                "peak_pagefile_mib=%.1f\n",
                result, static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart),
                run.log.lines.size(), run.log.errorLines.size(),
                static_cast<unsigned>(run.prompter.boxes.prompts().size() + run.prompter.choiceRequests.size() +
                                      run.prompter.folderRequests.size()),
                static_cast<double>(pmc.PeakWorkingSetSize) / 1048576.0,
                static_cast<double>(pmc.PeakPagefileUsage) / 1048576.0);
    for (size_t i = 0; i < run.log.errorLines.size() && i < 5; ++i)
        std::fwprintf(stderr, L"error: %ls\n", run.log.errorLines[i].c_str());
    return result == 1 ? 0 : 1;
}
