#include <gtest/gtest.h>

#include "framework/encoding.h"
#include "framework/text.h"

namespace mirrant {
namespace {

TEST(FormatText, SubstitutesTextsAndNumbersInOrder) {
    EXPECT_EQ(FormatText(L"\"%s\"は\"%s\"より古いﾌｧｲﾙです。", {L"C:\\a.txt", std::wstring(L"D:\\a.txt")}),
              L"\"C:\\a.txt\"は\"D:\\a.txt\"より古いﾌｧｲﾙです。");
    EXPECT_EQ(FormatText(L"配下に%u個", {3u}), L"配下に3個");
    EXPECT_EQ(FormatText(L"%.1fﾒｶﾞ", {1.25}), L"1.2ﾒｶﾞ");
    EXPECT_EQ(FormatText(L"%.2fｷﾞｶﾞ", {2.0}), L"2.00ｷﾞｶﾞ");
    EXPECT_EQ(FormatText(L"%02d:%d", {7, -3}), L"07:-3");
    EXPECT_EQ(FormatText(L"%I64u", {18446744073709551615ULL}), L"18446744073709551615");
}

TEST(FormatText, KeepsPercentSignsAndToleratesMissingArguments) {
    EXPECT_EQ(FormatText(L"100%% %s"), L"100% ");
    EXPECT_EQ(FormatText(L"%q stays"), L"%q stays");
    EXPECT_EQ(FormatText(L"trailing %"), L"trailing %");
}

TEST(StringTable, NumberedMessagesAreExact) {
    EXPECT_EQ(LoadText(127), L"\"%s\"は更新されました。");
    EXPECT_EQ(LoadText(228), L"アクセスは拒否されました。（ｺﾋﾟｰ先ﾌｧｲﾙ\"%s\"は隠しﾌｧｲﾙですが、"
                             L"ｺﾋﾟｰ元ﾌｧｲﾙ\"%s\"は隠しﾌｧｲﾙではありません。）");
    EXPECT_EQ(LoadText(224), L"--------------------\r\n");
    EXPECT_EQ(LoadText(229), L"もうしばらくお待ちください...\nここで、「いいえ」を選択すると中断をｷｬﾝｾﾙできますが、"
                             L"ﾀｲﾐﾝｸﾞによっては中断してしまう場合があります。");
    EXPECT_EQ(LoadText(170), L"%sの保存に失敗しました｡原因：%s");
    EXPECT_EQ(LoadText(102), L"Mirrantﾊﾞｯﾁﾌｧｲﾙ (*.mrx)|*.mrx|ﾃｷｽﾄ形式ﾊﾞｯﾁﾌｧｲﾙ (*.mrt)|*.mrt||");
    EXPECT_EQ(LoadText(107), L"qorvane");
    EXPECT_EQ(Message(139, {L"C:\\x\\", 3u}), L"ﾌｫﾙﾀﾞ\"C:\\x\\\"は削除できません。配下に3個のﾌｫﾙﾀﾞまたはﾌｧｲﾙが残っています。");
}

TEST(StringTable, MissingIdIsEmpty) { EXPECT_EQ(LoadText(65000), L""); }

TEST(Encoding, CodePage932RoundTripAndDefaultCharacter) {
    std::wstring kana = L"ﾃｽﾄ日本語.txt";
    EXPECT_TRUE(FitsCodePage(kana, kCodePage932));
    EXPECT_EQ(FromCodePage(ToCodePage(kana, kCodePage932), kCodePage932), kana);
    bool used = false;
    std::string bytes = ToCodePage(L"a\u00e9\U0001F600b", kCodePage932, &used);
    EXPECT_TRUE(used);
    EXPECT_FALSE(FitsCodePage(L"\u00e9", kCodePage932));
    EXPECT_EQ(bytes.front(), 'a');
    EXPECT_EQ(bytes.back(), 'b');
    // No best-fit replacement by a similar letter: that would name another file.
    EXPECT_EQ(ToCodePage(L"caf\u00e9", kCodePage932, &used), "caf?");
    EXPECT_TRUE(used);
}

TEST(Encoding, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8(ToUtf8(L"日本語")));
    EXPECT_FALSE(IsValidUtf8(std::string("\xE6\x97", 2)));
    EXPECT_FALSE(IsValidUtf8(std::string("\xC0\xAF", 2)));
    EXPECT_EQ(FromUtf8(ToUtf8(L"ｺﾋﾟｰ元")), L"ｺﾋﾟｰ元");
}

}  // namespace
}  // namespace mirrant
