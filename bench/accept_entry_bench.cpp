// Time per entry of FilterSet::AcceptEntry with ten include and ten exclude
// patterns in each list, over a mix of names such as a source tree holds.
// Prints nanoseconds per entry; not a test (the figure depends on the machine).
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "filter/filter_set.h"

using namespace mirrant;

// Every heap allocation of the program is counted.
static std::atomic<long> g_allocations{0};
void* operator new(std::size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

std::vector<std::wstring> Fold(std::initializer_list<const wchar_t*> patterns) {
    std::vector<std::wstring> out;
    for (const wchar_t* p : patterns) out.push_back(FoldCase(p));
    return out;
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER freq) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const long rounds = argc > 1 ? _wtol(argv[1]) : 200;

    // As LoadFilterSet leaves the set: partial mode, lists lower-cased, both
    // time ranges in force with OR.
    FilterSet f;
    f.generalMode = kGeneralPartial;
    f.fileIncludes = Fold({L"*.c", L"*.cpp", L"*.h", L"*.hpp", L"*.txt", L"*.md", L"data.*", L"Makefile",
                           L"*.rc", L"src?.*"});
    f.fileExcludes = Fold({L"~*", L"*.bak", L"*.tmp", L"*.obj", L"*.o", L"thumbs.db", L"*.swp", L"#*#",
                           L"*.log", L"core.*"});
    f.folderIncludes = Fold({L"src", L"include", L"lib*", L"doc?", L"test*", L"res", L"app", L"ui",
                             L"engine", L"filter"});
    f.folderExcludes = Fold({L".git", L"build*", L"obj", L"bin", L"node_modules", L"*.cache", L"tmp",
                             L"out", L"debug", L"release"});
    f.listsActive = true;
    f.modificationActive = f.creationActive = true;
    f.modificationStart = 133000000000000000ULL;
    f.creationStart = 132000000000000000ULL;

    struct Entry {
        std::wstring name;
        bool folder;
        std::uint64_t time;
    };
    std::vector<Entry> entries;
    const wchar_t* stems[] = {L"main", L"Readme", L"tree_walk", L"FILTER_SET", L"data", L"~lock",
                              L"ÄnderungsListe", L"ＤＡＴＡ", L"a_rather_long_file_name_of_some_length",
                              L"x"};
    const wchar_t* exts[] = {L".c", L".CPP", L".h", L".txt", L".bak", L".tmp", L"", L".obj", L".md",
                             L".csv"};
    for (const wchar_t* s : stems)
        for (const wchar_t* e : exts)
            entries.push_back({std::wstring(s) + e, false, 133100000000000000ULL});
    for (const wchar_t* d : {L"src", L"Include", L"build-x64", L".git", L"docs", L"node_modules",
                             L"engine", L"Photos", L"testdata", L"OBJ"})
        entries.push_back({d, true, 0});

    volatile unsigned sink = 0;
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    // Warm-up, then the timed rounds.
    for (const Entry& e : entries) sink = sink + f.AcceptEntry(e.name, e.folder, e.time, e.time);
    const long allocationsBefore = g_allocations.load();
    QueryPerformanceCounter(&a);
    for (long r = 0; r < rounds * 100; ++r)
        for (const Entry& e : entries) sink = sink + f.AcceptEntry(e.name, e.folder, e.time, e.time);
    QueryPerformanceCounter(&b);
    const long allocations = g_allocations.load() - allocationsBefore;
    const double calls = static_cast<double>(rounds) * 100.0 * static_cast<double>(entries.size());
    std::printf("AcceptEntry: %zu names (%zu folders), 10 include + 10 exclude patterns per list\n",
                entries.size(), static_cast<size_t>(10));
    std::printf("%.0f calls in %.3f s: %.1f ns/entry (accepted %u)\n", calls, Seconds(a, b, freq),
                Seconds(a, b, freq) * 1e9 / calls, static_cast<unsigned>(sink));
    std::printf("heap allocations during the timed calls: %ld\n", allocations);

    // ASCII names only: the common case that never calls the system.
    std::vector<Entry> ascii;
    for (const Entry& e : entries)
        if (e.name.find_first_not_of(L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-~") ==
            std::wstring::npos)
            ascii.push_back(e);
    QueryPerformanceCounter(&a);
    for (long r = 0; r < rounds * 100; ++r)
        for (const Entry& e : ascii) sink = sink + f.AcceptEntry(e.name, e.folder, e.time, e.time);
    QueryPerformanceCounter(&b);
    const double asciiCalls = static_cast<double>(rounds) * 100.0 * static_cast<double>(ascii.size());
    std::printf("ASCII names only (%zu): %.1f ns/entry\n", ascii.size(), Seconds(a, b, freq) * 1e9 / asciiCalls);
    return 0;
}
