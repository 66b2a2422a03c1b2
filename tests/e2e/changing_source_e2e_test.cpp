// A scheduled run of the real programs while another process rewrites a
// large source file in place, version after version (each version one
// repeated byte value, its size unchanged): the destination never holds a
// file the source never held, the log says the file changed while it was
// copied, and once the writing stops the next run copies it whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "e2e/program_fixture.h"
#include "framework/encoding.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace mirrant {
namespace {

constexpr DWORD kFileSize = 64u << 20;
constexpr DWORD kChunk = 1u << 20;

// Writes the whole file with one byte value, in chunks; false on failure.
bool WriteVersion(HANDLE file, unsigned char value, const std::atomic<bool>* stop = nullptr) {
    std::vector<char> chunk(kChunk, static_cast<char>(value));
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
    for (DWORD done = 0; done < kFileSize; done += kChunk) {
        DWORD wrote = 0;
        if (!::WriteFile(file, chunk.data(), kChunk, &wrote, nullptr) || wrote != kChunk) return false;
        if (stop) {
            if (stop->load()) return true;
            Sleep(1);
        }
    }
    return true;
}

// Whether the file holds one byte value throughout (one version of the
// source), and which.
bool Uniform(const std::string& content, unsigned char& value) {
    if (content.size() != kFileSize) return false;
    value = static_cast<unsigned char>(content[0]);
    return content.find_first_not_of(content[0]) == std::string::npos;
}

class ChangingSourceE2E : public TwoFoldersTest {
protected:
    // One scheduled sync; its exit code.
    DWORD ScheduledSync() {
        const std::wstring batch = dir / L"nightly.mrt";
        WriteFile(batch, ToCodePage(L"sync\t" + source + L"\t" + destination + L"\r\n", kCodePage932));
        RunningProgram program(GetParam().exe, L"/S \"" + batch + L"\"", dir.path());
        EXPECT_TRUE(program.started());
        DWORD code = 99;
        EXPECT_TRUE(program.WaitForExit(240000, &code)) << "the program did not end by itself";
        return code;
    }
    std::wstring Log() {
        const std::wstring text = testing::ReadLogText(logPath, GetParam().narrow);
        DeleteFileW(logPath.c_str());
        return text;
    }
    const std::wstring logPath = dir / L"schedule.txt";
};

// With "VerifyCopy" off and on: the check of a changed source is always made.
TEST_P(ChangingSourceE2E, AFileRewrittenWhileItIsCopiedIsNeverKeptTorn) {
    for (int verify : {0, 1}) {
        SCOPED_TRACE(verify ? "verified" : "not verified");
        store.SetString(kSettingsSection, L"ScheduleLog", logPath);
        store.SetInt(kSettingsSection, L"VerifyCopy", verify);
        const std::wstring big = source + L"big.dat";
        const std::wstring copy = destination + L"big.dat";
        HANDLE file = CreateFileW(big.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(WriteVersion(file, 1));

        // The writer: the next version's bytes over the blocks, a millisecond
        // apart, until told to stop; the last version it finished is kept.
        std::atomic<bool> stop{false};
        std::atomic<int> versions{1};
        std::thread writer([&] {
            for (unsigned char v = 2; !stop.load(); v = static_cast<unsigned char>(v == 250 ? 2 : v + 1)) {
                if (!WriteVersion(file, v, &stop)) break;
                if (!stop.load()) versions = v;
            }
        });
        const DWORD busyCode = ScheduledSync();
        stop = true;
        writer.join();

        unsigned char value = 0;
        const bool exists = Exists(copy);
        if (exists) EXPECT_TRUE(Uniform(ReadFile(copy), value)) << "the destination holds pieces of several versions";
        const std::wstring busyLog = Log();
        // The writer keeps writing through both passes of the copy.
        EXPECT_FALSE(exists) << "a copy was kept although the source changed during both passes";
        EXPECT_NE(busyLog.find(L"ｺﾋﾟｰ中にｺﾋﾟｰ元\"" + big + L"\"が変更されたので、もう一度ｺﾋﾟｰします。"),
                  std::wstring::npos)
            << "no retry line";
        EXPECT_NE(busyLog.find(L"原因：ｺﾋﾟｰ中にｺﾋﾟｰ元\"" + big + L"\"が変更されました。"), std::wstring::npos)
            << "no failure line";
        EXPECT_EQ(busyCode, 1u) << "a run that could not copy a file ends without errors";

        // The writer finished one more whole version and stopped: copied whole.
        ASSERT_TRUE(WriteVersion(file, 251));
        CloseHandle(file);
        EXPECT_EQ(ScheduledSync(), 0u);
        ASSERT_TRUE(Uniform(ReadFile(copy), value));
        EXPECT_EQ(value, 251);
        EXPECT_EQ(Log().find(L"が変更されました"), std::wstring::npos);
        DeleteFileW(copy.c_str());
        DeleteFileW(big.c_str());
    }
}

MIRRANT_FOR_BOTH_PROGRAMS(ChangingSourceE2E);

}  // namespace
}  // namespace mirrant
