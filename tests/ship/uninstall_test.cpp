// ClearMirrant.exe under Wine: copied into a scratch folder with program
// files beside it, its question answered through its buttons, the keys of
// the builds in the registry and the files checked afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/program.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

using testing::Exists;
using testing::RunningProgram;
using testing::TempDir;
using testing::WindowText;

const std::wstring kCompany = L"Software\\qorvane";
// Where the prefix's own keys wait while a test runs.
const std::wstring kSaved = L"Software\\qorvane_saved_by_uninstall_test";

const std::wstring kDone = L"完了しました。後はこのｱﾝｲﾝｽﾄｰﾙﾌﾟﾛｸﾞﾗﾑを削除してください。";
const std::wstring kRegistryFailed = L"いくつかのﾚｼﾞｽﾄﾘ情報が削除できませんでした。";
const std::wstring kFilesFailed = L"いくつかのﾌｧｲﾙは削除できませんでした。手動で削除してください。";
const wchar_t* const kProgramFiles[] = {L"Mirrant.exe", L"Mirrant_U.exe", L"Mirrant.chm", L"Mirrant.hlp",
                                        L"Mirrant.cnt", L"Mirrant.gid",   L"ReadMe.txt",  L"History.txt"};

bool KeyExists(const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void MakeKey(const std::wstring& path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExW(key, L"op1", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(key);
}

// The keys a build leaves: its settings and its batch history.
void MakeApplicationKeys(const std::wstring& application) {
    MakeKey(kCompany + L"\\" + application + L"\\Settings");
    MakeKey(kCompany + L"\\" + application + L"\\Recent File List");
}

void CopyKey(const std::wstring& from, const std::wstring& to) {
    HKEY source, target;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, from.c_str(), 0, KEY_READ, &source) != ERROR_SUCCESS) return;
    RegCreateKeyExW(HKEY_CURRENT_USER, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr);
    RegCopyTreeW(source, nullptr, target);
    RegCloseKey(target);
    RegCloseKey(source);
}

void PlaceProgramFiles(const std::wstring& folder) {
    for (const wchar_t* name : kProgramFiles) testing::WriteFile(folder + name, "program file");
}

class Uninstaller : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSaved.c_str());
        CopyKey(kCompany, kSaved);
        RegDeleteTreeW(HKEY_CURRENT_USER, kCompany.c_str());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kCompany.c_str());
        if (KeyExists(kSaved)) CopyKey(kSaved, kCompany);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSaved.c_str());
    }

    // Copies the uninstaller into the program folder, starts it there with
    // the given current folder, presses the button and confirms every
    // message box it shows until it ends; the boxes' texts in order.
    std::vector<std::wstring> Run(int button, const std::wstring& currentFolder = L"") {
        std::wstring exe = folder.path() + L"ClearMirrant.exe";
        EXPECT_TRUE(CopyFileW(testing::BinPath(L"ClearMirrant.exe").c_str(), exe.c_str(), FALSE));
        RunningProgram program(exe, L"", currentFolder.empty() ? folder.path() : currentFolder);
        EXPECT_TRUE(program.started());
        HWND dialog = program.WaitForWindowTitled(L"Mirrantｱﾝｲﾝｽﾄｰﾙ");
        if (!dialog) {
            ADD_FAILURE() << "the question did not appear";
            return {};
        }
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), L"はい");
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDCANCEL)), L"いいえ");
        testing::PressButton(dialog, button);
        std::vector<std::wstring> shown;
        DWORD start = GetTickCount();
        DWORD exitCode = 1;
        while (!program.WaitForExit(100, &exitCode)) {
            if (GetTickCount() - start > 30000) {
                ADD_FAILURE() << "the uninstaller did not end";
                break;
            }
            for (HWND window : program.TopLevelWindows()) {
                std::wstring text = testing::MessageBoxText(window);
                if (window == dialog || text.empty()) continue;
                shown.push_back(text);
                testing::PressButton(window, IDOK);
                for (int i = 0; i < 100 && IsWindow(window); ++i) Sleep(50);
            }
        }
        EXPECT_EQ(exitCode, 0u);
        return shown;
    }

    std::vector<std::wstring> Left(const std::wstring& in) const {
        std::vector<std::wstring> left;
        for (const wchar_t* name : kProgramFiles)
            if (Exists(in + name)) left.push_back(name);
        return left;
    }

    TempDir folder;
};

using Texts = std::vector<std::wstring>;
using Names = std::vector<std::wstring>;

TEST_F(Uninstaller, AnsweredNoChangesNothing) {
    MakeApplicationKeys(L"Mirrant_U");
    PlaceProgramFiles(folder.path());
    EXPECT_EQ(Run(IDCANCEL), Texts{});
    EXPECT_TRUE(KeyExists(kCompany + L"\\Mirrant_U\\Settings"));
    EXPECT_EQ(Left(folder.path()).size(), std::size(kProgramFiles));
}

TEST_F(Uninstaller, RemovesTheKeysOfEveryApplicationTheEmptyCompanyKeyAndTheProgramFiles) {
    for (const wchar_t* application : {L"Dunvale", L"Mirrant", L"Mirrant_U"}) MakeApplicationKeys(application);
    PlaceProgramFiles(folder.path());
    testing::WriteFile(folder / L"my notes.txt", "not ours");
    SetFileAttributesW((folder / L"Mirrant.exe").c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(Run(IDOK), Texts{kDone});
    EXPECT_FALSE(KeyExists(kCompany));
    EXPECT_EQ(Left(folder.path()), Names{});
    EXPECT_TRUE(Exists(folder / L"my notes.txt"));
    EXPECT_TRUE(Exists(folder / L"ClearMirrant.exe"));
}

TEST_F(Uninstaller, NothingToRemoveStillFinishesWithoutARegistryWarning) {
    EXPECT_EQ(Run(IDOK), Texts{kDone});
}

TEST_F(Uninstaller, AnotherApplicationsKeyKeepsTheCompanyKeyWithoutAWarning) {
    MakeApplicationKeys(L"Mirrant");
    MakeKey(kCompany + L"\\Other");
    EXPECT_EQ(Run(IDOK), Texts{kDone});
    EXPECT_FALSE(KeyExists(kCompany + L"\\Mirrant"));
    EXPECT_TRUE(KeyExists(kCompany + L"\\Other"));
}

TEST_F(Uninstaller, AnApplicationKeyWithASubkeyOfItsOwnStaysAndIsReported) {
    MakeApplicationKeys(L"Mirrant_U");
    MakeKey(kCompany + L"\\Mirrant_U\\Extra");
    PlaceProgramFiles(folder.path());
    EXPECT_EQ(Run(IDOK), (Texts{kRegistryFailed, kDone}));
    EXPECT_FALSE(KeyExists(kCompany + L"\\Mirrant_U\\Settings"));
    EXPECT_TRUE(KeyExists(kCompany + L"\\Mirrant_U\\Extra"));
    EXPECT_EQ(Left(folder.path()), Names{});
}

// Held by another program, readable by others or not at all: either way the
// file stays, the others go, and the user is told to delete it by hand.
TEST_F(Uninstaller, AFileInUseIsReportedAfterTheOthersWent) {
    for (DWORD share : {DWORD{FILE_SHARE_READ}, DWORD{0}}) {
        SCOPED_TRACE(share);
        PlaceProgramFiles(folder.path());
        std::wstring held = folder / L"Mirrant_U.exe";
        HANDLE handle = CreateFileW(held.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(Run(IDOK), Texts{kFilesFailed});
        CloseHandle(handle);
        EXPECT_EQ(Left(folder.path()), Names{L"Mirrant_U.exe"});
    }
}

// Started through a shortcut or from a command prompt elsewhere: the files
// beside the uninstaller go, those of the current folder stay.
TEST_F(Uninstaller, StartedFromAnotherFolderRemovesTheFilesBesideIt) {
    PlaceProgramFiles(folder.path());
    TempDir elsewhere;
    PlaceProgramFiles(elsewhere.path());
    EXPECT_EQ(Run(IDOK, elsewhere.path()), Texts{kDone});
    EXPECT_EQ(Left(folder.path()), Names{});
    EXPECT_EQ(Left(elsewhere.path()).size(), std::size(kProgramFiles));
}

}  // namespace
}  // namespace mirrant
