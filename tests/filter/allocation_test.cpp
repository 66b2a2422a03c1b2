// The per-entry test runs for every entry of both trees: it must not touch
// the heap for ordinary names, whatever their letters.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "filter/filter_set.h"

// Counts every heap allocation of this test program.
static std::atomic<long> g_allocations{0};
void* operator new(std::size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace mirrant {
namespace {

TEST(AcceptEntry, AllocatesNothingForOrdinaryNames) {
    FilterSet f;
    f.generalMode = kGeneralPartial;
    for (const wchar_t* p : {L"*.c", L"DATA.*", L"Ｒｅａｄｍｅ*", L"ä*"}) f.fileIncludes.push_back(FoldCase(p));
    for (const wchar_t* p : {L"~*", L"*.bak"}) f.fileExcludes.push_back(FoldCase(p));
    f.folderExcludes.push_back(L"obj");
    f.listsActive = true;
    f.modificationActive = true;
    const std::wstring names[] = {L"Main.C", L"data", L"ＲＥＡＤＭＥ.txt", L"Änderung.doc", L"~x.c",
                                  std::wstring(255, L'A') + L".c"};
    int accepted = 0;
    const long before = g_allocations.load();
    for (const std::wstring& n : names) accepted += f.AcceptEntry(n, false, 1, 1);
    accepted += f.AcceptEntry(L"OBJ", true, 0, 0);
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_EQ(accepted, 5);  // all but '~x.c' and the folder 'OBJ'
}

}  // namespace
}  // namespace mirrant
