#pragma once
// What every test of the real programs starts from: the program under test
// as the parameter (each test runs against both), its settings key deleted
// before and after, and a temporary folder; and the helpers the tests name
// without their namespace.
#include <gtest/gtest.h>

#include "e2e/program.h"
#include "framework/profile.h"
#include "log/log_settings.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace mirrant {

using testing::Edition;
using testing::Exists;
using testing::ReadFile;
using testing::RunningProgram;
using testing::TempDir;
using testing::WindowText;
using testing::WriteFile;

// A path in double quotes, as on a command line and in the log.
inline std::wstring Q(const std::wstring& path) { return L"\"" + path + L"\""; }

class ProgramTest : public ::testing::TestWithParam<Edition> {
protected:
    void SetUp() override { store.DeleteRoot(); }
    void TearDown() override { store.DeleteRoot(); }

    ProfileStore store{GetParam().registryRoot};
    TempDir dir;
};

// With a source and a destination folder, empty, in the temporary folder.
class TwoFoldersTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        testing::MakeFolder(source);
        testing::MakeFolder(destination);
        // These tests read the run's own lines; the summary after them has
        // tests of its own (batch_test.cpp).
        store.SetInt(kSettingsSection, L"RunSummary", 0);
    }
    // Has the program save the log to this file at the end of every run.
    void SaveLogTo(const std::wstring& logPath) {
        store.SetInt(kSettingsSection, L"op16", static_cast<int>(kDefaultLogSettingsWord | 1u));
        store.SetString(kSettingsSection, L"UserLog", logPath);
    }

    const std::wstring source = dir / L"src\\", destination = dir / L"dst\\";
};

}  // namespace mirrant
