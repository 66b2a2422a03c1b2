// The mode table, the worker's priority and its stack.
#include <atomic>
#include <chrono>
#include <thread>

#include "engine_fixture.h"
#include "framework/profile.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

using Driver = EngineTest;

TEST_F(Driver, ModeTableAndPriorities) {
    EXPECT_EQ(ChooseRunMode(false, false, true), RunMode::Overwrite);
    EXPECT_EQ(ChooseRunMode(false, true, true), RunMode::OverwriteTest);
    EXPECT_EQ(ChooseRunMode(true, true, true), RunMode::SyncTest);
    EXPECT_EQ(ChooseRunMode(true, false, true), RunMode::SyncDeletePriority);
    EXPECT_EQ(ChooseRunMode(true, false, false), RunMode::Sync);
    EXPECT_EQ(RunModeCaption(RunMode::OverwriteTest), L"上書きｺﾋﾟｰ ﾃｽﾄﾓｰﾄﾞ");
    EXPECT_EQ(RunModeCaption(RunMode::Overwrite), L"上書きｺﾋﾟｰ");
    EXPECT_EQ(RunModeCaption(RunMode::SyncTest), L"同期ｺﾋﾟｰ ﾃｽﾄﾓｰﾄﾞ");
    EXPECT_EQ(RunModeCaption(RunMode::Sync), L"同期ｺﾋﾟｰ");
    EXPECT_EQ(RunModeCaption(RunMode::SyncDeletePriority), L"同期ｺﾋﾟｰ 削除優先");
    EXPECT_EQ(RunModeCaption(static_cast<RunMode>(7)), L"上書きｺﾋﾟｰ") << "outside the table: overwrite";
    EXPECT_EQ(RunModeCaption(static_cast<RunMode>(-1)), L"上書きｺﾋﾟｰ");
    EXPECT_EQ(WorkerThreadPriority(2), THREAD_PRIORITY_HIGHEST);
    EXPECT_EQ(WorkerThreadPriority(1), THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_EQ(WorkerThreadPriority(0), THREAD_PRIORITY_NORMAL);
    EXPECT_EQ(WorkerThreadPriority(-1), THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_EQ(WorkerThreadPriority(-2), THREAD_PRIORITY_LOWEST);
    EXPECT_EQ(WorkerThreadPriority(5), THREAD_PRIORITY_NORMAL);
}

// The walk recurses once per folder level; the worker's stack is reserved
// for a tree as deep as long paths allow (a tree that deep takes minutes to
// build under Wine, so the reservation itself is checked).
TEST_F(Driver, WorkerStackHoldsTheDeepestTree) {
    Src(L"a.txt", "a", 0);
    SIZE_T reserved = 0;
    host.files.canAddress = [&](const std::wstring& path) {
        MEMORY_BASIC_INFORMATION info{};
        VirtualQuery(&info, &info, sizeof info);
        auto* tib = reinterpret_cast<NT_TIB*>(NtCurrentTeb());
        reserved = static_cast<SIZE_T>(static_cast<char*>(tib->StackBase) - static_cast<char*>(info.AllocationBase));
        return host.files.real.CanAddress(path);
    };
    std::atomic<bool> ended{false}, completed{false};
    unsigned long error = 0;
    auto context = std::make_unique<RunContext>(host.Context({RunMode::Overwrite, src, dst}));
    ASSERT_TRUE(StartWorker(std::move(context), [&](std::unique_ptr<RunOutcome> o) {
        completed = o->completed;
        ended = true;
    }, error));
    for (int i = 0; i < 1000 && !ended; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(ended);
    EXPECT_TRUE(completed);
    // 16,000 levels of about 1.6 KB.
    EXPECT_GE(reserved, SIZE_T(32) << 20);
}

}  // namespace
}  // namespace mirrant::testing
