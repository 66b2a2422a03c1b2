// How two files present on both sides are compared and decided: the time
// tolerance, equal times with different sizes, the content options and a
// newer, different destination in every mode.
#include "engine_fixture.h"
#include "texts.h"

namespace mirrant::testing {
namespace {

using namespace text;

class Comparison : public EngineTest {};

TEST_F(Comparison, TimesCloserThanTheToleranceCountAsSame) {
    // Equal sizes, different contents: only the times decide.
    Src(L"a.txt", "AAAA", 1.9);
    Dst(L"a.txt", "aaaa", 0);
    Src(L"b.txt", "BBBB", 2.0);
    Dst(L"b.txt", "bbbb", 0);
    Src(L"c.txt", "CCCC", 0);
    Dst(L"c.txt", "cccc", 1.9);
    Src(L"d.txt", "DDDD", 0);
    Dst(L"d.txt", "dddd", 2.0);
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted({Updated(D(L"b.txt")), OverwriteNewer(S(L"d.txt"), D(L"d.txt")),
                                           Updated(D(L"d.txt"))})));
    EXPECT_EQ(ReadFile(D(L"a.txt")), "aaaa");
    EXPECT_EQ(ReadFile(D(L"b.txt")), "BBBB");
    EXPECT_EQ(ReadFile(D(L"c.txt")), "cccc");
    EXPECT_EQ(ReadFile(D(L"d.txt")), "DDDD");
}

TEST_F(Comparison, TimesFarApartNeverCountAsSameWhateverTheTolerance) {
    host.options.timeToleranceSeconds = 360;
    Src(L"a.txt", "AAAA", 300);
    Dst(L"a.txt", "aaaa", 0);
    Src(L"b.txt", "BBBB", 430);
    Dst(L"b.txt", "bbbb", 0);
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(Lines(), {Updated(D(L"b.txt"))}));
}

TEST_F(Comparison, SameTimeDifferentSizeAsksBeforeCopying) {
    Src(L"big.txt", std::string(1500000, 'x'), 0);
    Dst(L"big.txt", std::string(1000, 'y'), 1);
    const std::wstring line = SameTimeDifferentSize(S(L"big.txt"), L"1,500,000", L"(1.4ﾒｶﾞ)", D(L"big.txt"),
                                                    L"1,000", L"");
    host.prompter.boxes.Push(PromptAnswer::No);
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(Lines(), {line}));
    ASSERT_EQ(host.prompter.boxes.prompts().size(), 1u);
    EXPECT_EQ(host.prompter.boxes.prompts()[0].kind, PromptKind::YesNo);
    EXPECT_EQ(host.prompter.boxes.prompts()[0].text, line + kCopyFormerToLatter);
    EXPECT_EQ(ReadFile(D(L"big.txt")).size(), 1000u);

    ClearRecords();
    host.prompter.boxes.Push(PromptAnswer::Yes);
    EXPECT_EQ(Run(RunMode::Sync), 1);
    // Nothing more in the reverse pass.
    EXPECT_TRUE(SameLines(Lines(), Sorted({line, Updated(D(L"big.txt"))})));
    EXPECT_EQ(ReadFile(D(L"big.txt")).size(), 1500000u);
}

TEST_F(Comparison, SameTimeDifferentSizeWithoutConfirmationCopiesAtOnce) {
    host.options.confirmSameTimeDifferentSize = false;
    Src(L"a.txt", "longer", 0);
    Dst(L"a.txt", "short", 0);
    const std::wstring line = SameTimeDifferentSize(S(L"a.txt"), L"6", L"", D(L"a.txt"), L"5", L"");

    auto before = Snapshot(temp.path());
    EXPECT_EQ(Run(RunMode::SyncTest), 1);
    EXPECT_EQ(Snapshot(temp.path()), before);
    EXPECT_TRUE(SameLines(Lines(), {line}));

    ClearRecords();
    EXPECT_EQ(Run(RunMode::SyncDeletePriority), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted({line, Updated(D(L"a.txt"))})));
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());
    EXPECT_EQ(ReadFile(D(L"a.txt")), "longer");
}

TEST_F(Comparison, SameTimeAndSizeAreComparedByContentWhenAsked) {
    host.options.sameTimeSameSizeIsSame = false;
    Src(L"differ.txt", "AAAA", 0);
    Dst(L"differ.txt", "aaaa", 0);
    Src(L"equal.txt", "same", 0);
    Dst(L"equal.txt", "same", 0);
    EXPECT_EQ(Run(RunMode::OverwriteTest), 1);
    // The same time and size with other bytes is a damaged copy to a test
    // run: an error line.
    EXPECT_TRUE(SameLines(Lines(), {}));
    EXPECT_TRUE(SameLines(Errors(), {DifferentContent(D(L"differ.txt"), S(L"differ.txt"))}));

    for (RunMode mode : {RunMode::Overwrite, RunMode::Sync, RunMode::SyncDeletePriority}) {
        ClearRecords();
        Dst(L"differ.txt", "aaaa", 0);
        EXPECT_EQ(Run(mode), 1);
        EXPECT_TRUE(SameLines(Lines(), {Updated(D(L"differ.txt"))})) << static_cast<int>(mode);
        EXPECT_EQ(ReadFile(D(L"differ.txt")), "AAAA");
    }
    EXPECT_TRUE(host.prompter.boxes.prompts().empty());
}

TEST_F(Comparison, SameContentOfANewerDestinationOnlyTakesTheTime) {
    Src(L"a.txt", "same", 0);
    Dst(L"a.txt", "same", 100);
    EXPECT_EQ(Run(RunMode::OverwriteTest), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted({NewerThan(D(L"a.txt"), S(L"a.txt")), SameContent(D(L"a.txt"), S(L"a.txt"))})));
    EXPECT_EQ(GetWriteTime(D(L"a.txt")), kBaseTime + 100 * kSecond);

    ClearRecords();
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(Lines(), {TimesMatched(D(L"a.txt"))}));
    EXPECT_EQ(GetWriteTime(D(L"a.txt")), kBaseTime);
    EXPECT_EQ(host.files.copies, 0);
}

TEST_F(Comparison, KeepIfSameContentLeavesAnOlderEqualDestination) {
    host.options.keepIfSameContent = true;
    Src(L"equal.txt", "same", 100);
    Dst(L"equal.txt", "same", 0);
    Src(L"differ.txt", "new", 100);
    Dst(L"differ.txt", "old", 0);

    auto before = Snapshot(temp.path());
    EXPECT_EQ(Run(RunMode::OverwriteTest), 1);
    EXPECT_EQ(Snapshot(temp.path()), before);
    EXPECT_TRUE(SameLines(Lines(), Sorted({OlderThan(D(L"equal.txt"), S(L"equal.txt")),
                                           SameContent(D(L"equal.txt"), S(L"equal.txt")),
                                           OlderThan(D(L"differ.txt"), S(L"differ.txt")),
                                           DifferentContent(D(L"differ.txt"), S(L"differ.txt"))})));

    ClearRecords();
    EXPECT_EQ(Run(RunMode::Overwrite), 1);
    EXPECT_TRUE(SameLines(Lines(), Sorted({OlderSameContentKept(D(L"equal.txt"), S(L"equal.txt")),
                                           Updated(D(L"differ.txt"))})));
    EXPECT_EQ(GetWriteTime(D(L"equal.txt")), kBaseTime);
    EXPECT_EQ(ReadFile(D(L"differ.txt")), "new");
    EXPECT_EQ(host.files.copies, 1);
}

// A destination newer than its source and different from it, in every mode
// and with every setting of the two options; the file sizes differ, so the
// contents need no reading.
struct NewerDestinationCase {
    const char* name;
    RunMode mode;
    bool confirm;
    bool reverse;
    PromptAnswer answer;  // to the question, when one is asked
    // Expected: question kind (none when Ok), result, lines, contents.
    int result;
    enum Expect { Report131, Report232, Report244, None, Forward232, Forward, Back, Back244, Cancelled } expect;
};

class NewerDestination : public EngineTest, public ::testing::WithParamInterface<NewerDestinationCase> {};

TEST_P(NewerDestination, IsDecidedByTheModeAndTheOptions) {
    const NewerDestinationCase& c = GetParam();
    host.options.confirmNewerDestination = c.confirm;
    host.options.reverseOverwriteNewer = c.reverse;
    Src(L"f.txt", "old", 0);
    Dst(L"f.txt", "newer", 100);
    const std::wstring t = S(L"f.txt"), o = D(L"f.txt");
    host.prompter.boxes.Push(c.answer);
    auto before = Snapshot(temp.path());

    EXPECT_EQ(Run(c.mode), c.result);

    const bool sync = c.mode == RunMode::Sync || c.mode == RunMode::SyncDeletePriority;
    const bool test = c.mode == RunMode::OverwriteTest || c.mode == RunMode::SyncTest;
    const auto& prompts = host.prompter.boxes.prompts();
    if (c.confirm && !test) {
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].kind, sync ? PromptKind::YesNoCancel : PromptKind::YesNo);
        EXPECT_EQ(prompts[0].text, OverwriteNewerQuestion(t, o) + (sync ? kReverseNotice : L""));
    } else {
        EXPECT_TRUE(prompts.empty());
    }
    std::vector<std::wstring> lines;
    std::string source = "old", destination = "newer";
    switch (c.expect) {
    case NewerDestinationCase::Report131: lines = {NewerThan(o, t), DifferentContent(o, t)}; break;
    case NewerDestinationCase::Report232: lines = {OverwriteNewer(t, o)}; break;
    case NewerDestinationCase::Report244: lines = {ReverseOverwriteNewer(t, o)}; break;
    case NewerDestinationCase::None: break;
    case NewerDestinationCase::Forward232: lines = {OverwriteNewer(t, o), Updated(o)}; destination = "old"; break;
    case NewerDestinationCase::Forward: lines = {Updated(o)}; destination = "old"; break;
    case NewerDestinationCase::Back: lines = {Updated(t)}; source = "newer"; break;
    case NewerDestinationCase::Back244: lines = {ReverseOverwriteNewer(t, o), Updated(t)}; source = "newer"; break;
    case NewerDestinationCase::Cancelled: lines = {kInterrupted}; break;
    }
    EXPECT_TRUE(SameLines(Lines(), Sorted(lines)));
    EXPECT_EQ(ReadFile(t), source);
    EXPECT_EQ(ReadFile(o), destination);
    if (test) EXPECT_EQ(Snapshot(temp.path()), before);
    if (source == destination) EXPECT_EQ(GetWriteTime(t), GetWriteTime(o));
}

using C = NewerDestinationCase;
constexpr PromptAnswer Y = PromptAnswer::Yes, N = PromptAnswer::No, X = PromptAnswer::Cancel;
INSTANTIATE_TEST_SUITE_P(
    AllModes, NewerDestination,
    ::testing::Values(
        C{"OverwriteTestConfirm", RunMode::OverwriteTest, true, false, Y, 1, C::Report131},
        C{"OverwriteTestNoConfirm", RunMode::OverwriteTest, false, false, Y, 1, C::Report232},
        C{"OverwriteTestNoConfirmReverse", RunMode::OverwriteTest, false, true, Y, 1, C::Report232},
        C{"SyncTestConfirm", RunMode::SyncTest, true, true, Y, 1, C::Report131},
        C{"SyncTestNoConfirm", RunMode::SyncTest, false, false, Y, 1, C::Report232},
        C{"SyncTestNoConfirmReverse", RunMode::SyncTest, false, true, Y, 1, C::Report244},
        C{"OverwriteConfirmYes", RunMode::Overwrite, true, false, Y, 1, C::Forward},
        C{"OverwriteConfirmNo", RunMode::Overwrite, true, false, N, 1, C::None},
        C{"OverwriteNoConfirm", RunMode::Overwrite, false, false, Y, 1, C::Forward232},
        C{"OverwriteNoConfirmReverse", RunMode::Overwrite, false, true, Y, 1, C::Forward232},
        C{"SyncConfirmYes", RunMode::Sync, true, false, Y, 1, C::Forward},
        C{"SyncConfirmNo", RunMode::Sync, true, false, N, 1, C::Back},
        C{"SyncConfirmCancel", RunMode::Sync, true, false, X, 0, C::Cancelled},
        C{"SyncConfirmReverseNo", RunMode::Sync, true, true, N, 1, C::Back},
        C{"SyncNoConfirm", RunMode::Sync, false, false, Y, 1, C::Forward232},
        C{"SyncNoConfirmReverse", RunMode::Sync, false, true, Y, 1, C::Back244},
        C{"DeletePriorityConfirmYes", RunMode::SyncDeletePriority, true, false, Y, 1, C::Forward},
        C{"DeletePriorityConfirmNo", RunMode::SyncDeletePriority, true, false, N, 1, C::Back},
        C{"DeletePriorityConfirmCancel", RunMode::SyncDeletePriority, true, false, X, 0, C::Cancelled},
        C{"DeletePriorityNoConfirm", RunMode::SyncDeletePriority, false, false, Y, 1, C::Forward232},
        C{"DeletePriorityNoConfirmReverse", RunMode::SyncDeletePriority, false, true, Y, 1, C::Back244}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mirrant::testing
