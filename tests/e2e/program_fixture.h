#pragma once
// What every test of the real programs starts from: the program under test
// as the parameter (each test runs against both), its settings key deleted
// before and after, and a temporary folder; and the helpers the tests name
// without their namespace.
#include <gtest/gtest.h>

#include "e2e/program.h"
#include "framework/profile.h"
#include "support/temp_dir.h"

namespace mirrant {

using testing::Edition;
using testing::Exists;
using testing::ReadFile;
using testing::RunningProgram;
using testing::TempDir;
using testing::WindowText;
using testing::WriteFile;

class ProgramTest : public ::testing::TestWithParam<Edition> {
protected:
    void SetUp() override { store.DeleteRoot(); }
    void TearDown() override { store.DeleteRoot(); }

    ProfileStore store{GetParam().registryRoot};
    TempDir dir;
};

}  // namespace mirrant
