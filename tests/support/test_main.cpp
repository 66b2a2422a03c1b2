// Entry point of every test program: settings go to a private registry key
// that is removed again when the tests end.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/profile.h"

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::wstring root = L"Software\\qorvane\\MirrantTest" + std::to_wstring(GetCurrentProcessId());
    mirrant::SetAppProfileRoot(root);
    int rc = RUN_ALL_TESTS();
    mirrant::AppProfile().DeleteRoot();
    return rc;
}
