// Runs one unattended overwrite of the real engine between two folders and
// prints its time, its log counts and the process's peak memory. Every
// question is answered Yes; nothing is shown. Used by run_engine_bench.sh.
//   mirrant_engine_bench.exe <source folder> <destination folder>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/file_access.h"
#include "engine/run_driver.h"
#include "engine/stored_filter.h"
#include "filter/filter_set.h"
#include "framework/log_sink.h"
#include "framework/profile.h"
#include "framework/progress.h"

using namespace mirrant;

namespace {

class YesPrompter : public EnginePrompter {
public:
    void Warning(const std::wstring& text) override { Note(text); }
    void Information(const std::wstring& text) override { Note(text); }
    bool YesNo(const std::wstring& text, bool) override { return Note(text), true; }
    PromptAnswer YesNoCancel(const std::wstring& text) override { return Note(text), PromptAnswer::Yes; }
    ItemChoiceAnswer ChooseMissingItem(const ItemChoiceRequest& r) override { return Note(r.path), ItemChoiceAnswer{}; }
    FolderDeleteAnswer ConfirmFolderDelete(const std::wstring& f) override { return Note(f), FolderDeleteAnswer{}; }
    unsigned asked = 0;

private:
    void Note(const std::wstring&) { ++asked; }
};

// Keeps every line in memory as the run log does.
class MemoryLog : public LogSink {
public:
    void AppendLine(const std::wstring& text, const std::wstring& errorText) override {
        lines.push_back(text);
        if (!errorText.empty()) errors.push_back(errorText);
    }
    std::vector<std::wstring> lines, errors;
};

class NullProgress : public Progress {
public:
    void Show(const std::wstring&, int) override {}
    void SetStatus(const std::wstring&) override {}
    void Reset() override {}
    void SetDirection(const std::wstring&) override {}
    void SetTitle(const std::wstring&) override {}
    void SetVisible(bool) override {}
    bool CancelRequested() const override { return false; }
    bool PauseRequested() const override { return false; }
};

class BenchHost : public RunHost {
public:
    BenchHost() : filterAdapter_(filter_) {}
    RunOptions options;
    YesPrompter prompts;
    MemoryLog log;
    NullProgress progress;

    RunOptions& Options() override { return options; }
    EngineState& State() override { return state_; }
    const EntryFilter& Filter() override { return filterAdapter_; }
    FileAccess& Files() override { return SystemFileAccess(); }
    std::wstring SourceText() override { return {}; }
    std::wstring DestinationText() override { return {}; }
    bool TestModeChecked() override { return false; }
    bool Scheduled() override { return true; }
    void ClearBatchQueue() override {}
    bool BatchRowsWaiting() override { return false; }
    void StartNextBatchRow() override {}
    void BeginRunLog() override {}
    bool LogGoesToFile() override { return false; }
    void LoadFilterForRun() override { LoadFilterSet(filter_, AppProfile()); }
    Progress& AcquireProgress() override { return progress; }
    void ReleaseProgress() override {}
    Prompter& UiPrompter() override { return prompts; }
    bool CloseProgramAfterRun() override { return false; }
    void CloseMainWindow() override {}
    EnginePrompter& Prompts() override { return prompts; }
    LogSink& Log() override { return log; }
    void SetSourceText(const std::wstring&) override {}
    void SetDestinationText(const std::wstring&) override {}
    void SetRunActive(bool) override {}
    void WriteRunLog() override {}
    void ShowRunResult(bool) override {}
    void PostRunEnd(bool) override {}

private:
    EngineState state_;
    FilterSet filter_;
    StoredFilter filterAdapter_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mirrant_engine_bench <source folder> <destination folder>\n");
        return 2;
    }
    // A key of its own that is never written: no filter, default options.
    SetAppProfileRoot(L"Software\\qorvane\\MirrantBench");
    BenchHost host;
    RunRequest request;
    request.mode = RunMode::Overwrite;
    request.sourcePath = argv[1];
    request.destinationPath = argv[2];
    request.scheduled = true;
    if (!host.Files().NormalizePath(request.sourcePath) || !host.Files().NormalizePath(request.destinationPath)) {
        std::fprintf(stderr, "invalid path\n");
        return 2;
    }
    host.options.confirmNewerDestination = false;
    host.LoadFilterForRun();

    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&a);
    const int result = PerformRun(host, host.progress, request);
    QueryPerformanceCounter(&b);

    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    std::printf("result=%d seconds=%.3f lines=%zu errors=%zu prompts=%u peak_working_set_mib=%.1f "
                "peak_pagefile_mib=%.1f\n",
                result, static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart),
                host.log.lines.size(), host.log.errors.size(), host.prompts.asked,
                static_cast<double>(pmc.PeakWorkingSetSize) / 1048576.0,
                static_cast<double>(pmc.PeakPagefileUsage) / 1048576.0);
    for (size_t i = 0; i < host.log.errors.size() && i < 5; ++i)
        std::fwprintf(stderr, L"error: %ls\n", host.log.errors[i].c_str());
    return result == 1 ? 0 : 1;
}
