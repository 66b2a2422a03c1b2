// The help command of the real programs: the old help files of the program
// folder go (a read-only one too), and the HTML help viewer opens the
// program folder's Mirrant.chm even when the program was started from
// another folder. Under Wine the viewer has no browser to render the pages
// with, but its window takes its title from inside the help file, which
// shows that the file was found and opened.
#include <windows.h>

#include <gtest/gtest.h>

#include "e2e/program.h"
#include "res/resource.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::Edition;
using testing::Exists;
using testing::RunningProgram;

class HelpCommand : public ::testing::TestWithParam<Edition> {};

TEST_P(HelpCommand, DeletesTheOldHelpFilesAndOpensTheProgramFoldersHelp) {
    ASSERT_TRUE(Exists(testing::BinPath(L"Mirrant.chm"))) << "the help file was not built";
    const wchar_t* old[] = {L"Mirrant.hlp", L"Mirrant.cnt", L"Mirrant.gid"};
    for (const wchar_t* name : old) testing::WriteFile(testing::BinPath(name), "old help");
    SetFileAttributesW(testing::BinPath(L"Mirrant.gid").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

    testing::TempDir elsewhere;
    RunningProgram program(GetParam().exe, L"", elsewhere.path());
    HWND main = program.WaitForWindowTitled(GetParam().title);
    ASSERT_NE(main, nullptr) << "main window did not appear";
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_HELP_CONTENTS, 0), 0);

    HWND viewer = program.WaitForWindow(
        [](const std::wstring& title) { return title.rfind(L"Mirrant ヘルプ", 0) == 0; }, 20000);
    EXPECT_NE(viewer, nullptr) << "no help viewer showing Mirrant.chm";
    for (const wchar_t* name : old) {
        EXPECT_FALSE(Exists(testing::BinPath(name))) << name << " was left";
        SetFileAttributesW(testing::BinPath(name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(testing::BinPath(name).c_str());
    }
    if (viewer) PostMessageW(viewer, WM_CLOSE, 0, 0);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(10000));
}

MIRRANT_FOR_BOTH_PROGRAMS(HelpCommand);

}  // namespace
}  // namespace mirrant
