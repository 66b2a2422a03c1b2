#pragma once
// The log lines, questions and messages of a run and of a batch, written out
// as the user reads them, so that the tests check the string table and the
// argument order together. Every test that compares a text takes it from here.
#include <string>

namespace mirrant::testing::text {

inline std::wstring Q(const std::wstring& p) { return L"\"" + p + L"\""; }

inline std::wstring FolderMissingAtDestination(const std::wstring& o) { return L"ﾌｫﾙﾀﾞ" + Q(o) + L"はｺﾋﾟｰ先にありません。"; }
inline std::wstring FolderNotCreated(const std::wstring& o, const std::wstring& cause) {
    return L"ﾌｫﾙﾀﾞ" + Q(o) + L"を作成できませんでした。原因：" + cause;
}
inline std::wstring MissingAtDestination(const std::wstring& o) { return Q(o) + L"はｺﾋﾟｰ先にありません。"; }
inline std::wstring TimeReadFailed(const std::wstring& o) { return Q(o) + L"の時刻取得に失敗しました。"; }
inline std::wstring OlderThan(const std::wstring& o, const std::wstring& t) { return Q(o) + L"は" + Q(t) + L"より古いﾌｧｲﾙです。"; }
inline std::wstring MissingAtSource(const std::wstring& o) { return Q(o) + L"はｺﾋﾟｰ元にありません。"; }
inline std::wstring Updated(const std::wstring& o) { return Q(o) + L"は更新されました。"; }
inline std::wstring NotUpdated(const std::wstring& o) { return Q(o) + L"は更新できませんでした。"; }
inline std::wstring FolderCreated(const std::wstring& o) { return L"ﾌｫﾙﾀﾞ" + Q(o) + L"を作成しました。"; }
inline std::wstring NewerThan(const std::wstring& o, const std::wstring& t) { return Q(o) + L"は" + Q(t) + L"より新しいﾌｧｲﾙです。"; }
inline std::wstring TimeSetFailed(const std::wstring& o) { return Q(o) + L"の時刻設定に失敗しました。"; }
inline std::wstring OlderSameContentKept(const std::wstring& o, const std::wstring& t) {
    return Q(o) + L"は" + Q(t) + L"より古いﾌｧｲﾙですが、内容が同じなのでｺﾋﾟｰしません。（上書きしない指定あり）";
}
inline std::wstring NewlyStored(const std::wstring& o) { return Q(o) + L"は新規に格納されました。"; }
inline std::wstring FolderMissingAtSource(const std::wstring& o) { return L"ﾌｫﾙﾀﾞ" + Q(o) + L"はｺﾋﾟｰ元にありません。"; }
inline std::wstring Deleted(const std::wstring& t) { return Q(t) + L"は削除されました。"; }
inline std::wstring NotDeleted(const std::wstring& t, const std::wstring& cause) { return Q(t) + L"は削除できません。原因：" + cause; }
inline std::wstring ReadOnlyRefused(const std::wstring& t) {
    return L"アクセスは拒否されました。（" + Q(t) + L"は読み取り専用ですが、「読み取り専用でも更新」ｵﾌﾟｼｮﾝがｵﾌです。）";
}
inline std::wstring FolderNotDeleted(const std::wstring& t, unsigned n) {
    return L"ﾌｫﾙﾀﾞ" + Q(t) + L"は削除できません。配下に" + std::to_wstring(n) + L"個のﾌｫﾙﾀﾞまたはﾌｧｲﾙが残っています。";
}
inline std::wstring FolderDeleted(const std::wstring& t) { return L"ﾌｫﾙﾀﾞ" + Q(t) + L"とその配下のﾌｧｲﾙは削除されました。"; }
inline const std::wstring kInterruptQuestion = L"中断しますか？";
inline const std::wstring kInterrupted = L"ﾕｰｻﾞの指示により中断しました。";
inline std::wstring TimesMatched(const std::wstring& o) { return Q(o) + L"の更新時刻を一致させました。"; }
inline std::wstring SameContent(const std::wstring& o, const std::wstring& t) { return Q(o) + L"と" + Q(t) + L"は同じ内容です。"; }
inline std::wstring DifferentContent(const std::wstring& o, const std::wstring& t) { return Q(o) + L"と" + Q(t) + L"は異なる内容です。"; }
inline std::wstring OverwriteNewerQuestion(const std::wstring& t, const std::wstring& o) {
    return L"更新時刻が古い" + Q(t) + L"とそれより新しい" + Q(o) + L"は内容が異なります。古いﾌｧｲﾙを新しいﾌｧｲﾙに上書きしますか？";
}
inline const std::wstring kReverseNotice =
    L"ここで「いいえ」を選択すると、逆向き照合時に新しいﾌｧｲﾙを古いﾌｧｲﾙに上書きします。この逆向きの上書きをしたくない場合は、「ｷｬﾝｾﾙ」を選択して操作を中断してください。";
inline const std::wstring kSkipRetryCancel =
    L"ｴﾗｰが発生した部分をｽｷｯﾌﾟしますか？「いいえ」の場合は再試行します。「ｷｬﾝｾﾙ」の場合はここで処理を中断します。";
inline const std::wstring kRetrying = L"再試行します。";
inline const std::wstring kRetryQuestion = L"再試行しますか？";
inline const std::wstring kDeleteNotice =
    L"以後、削除失敗ごとにﾒｯｾｰｼﾞを表示しますか？「いいえ」の場合は処理が終了するまで表示しません。「ｷｬﾝｾﾙ」の場合はここで処理を中断します。";
inline std::wstring SameTimeDifferentSize(const std::wstring& t, const std::wstring& tCount, const std::wstring& tUnit,
                                          const std::wstring& o, const std::wstring& oCount, const std::wstring& oUnit) {
    return Q(t) + L"は" + tCount + L"ﾊﾞｲﾄ" + tUnit + L"で、 " + Q(o) + L"は" + oCount + L"ﾊﾞｲﾄ" + oUnit +
           L"ですが、作成時刻が照合誤差範囲内です。";
}
inline const std::wstring kCopyFormerToLatter = L"前者から後者へｺﾋﾟｰしますか？";
inline std::wstring OverwriteNewer(const std::wstring& t, const std::wstring& o) {
    return L"更新時刻が古い" + Q(t) + L"とそれより新しい" + Q(o) + L"は内容が異なりますが、古い方から新しい方へ上書きします。";
}
inline std::wstring ReverseOverwriteNewer(const std::wstring& t, const std::wstring& o) {
    return L"更新時刻が古い" + Q(t) + L"とそれより新しい" + Q(o) +
           L"は内容が異なりますが、逆向き照合時に新しい方から古い方へ上書きします。";
}
inline const std::wstring kFolderDeleteHint =
    L"この確認画面を最初から表示させないようにするには、ﾒﾆｭｰの[ｵﾌﾟｼｮﾝ]-[詳細設定]-[ﾌｫﾙﾀﾞ削除確認]をｵﾌにしてください。";
inline const std::wstring kDeletePriorityOff = L"「削除優先」をｵﾌにします。";
inline const std::wstring kDeletePriorityOnQuestion = L"「削除優先」がｵﾌになっています。これをｵﾝ(初期値)に変更しますか？";
inline const std::wstring kOneSideFile = L"一方がﾌｧｲﾙの場合は、上書きとみなします。";
inline const std::wstring kSourceEmpty = L"ｺﾋﾟｰ元が空欄です。";
inline const std::wstring kDestinationEmpty = L"ｺﾋﾟｰ先が空欄です。";
inline const std::wstring kFolderOntoFileQuestion = L"ｺﾋﾟｰ元がﾃﾞｨﾚｸﾄﾘでｺﾋﾟｰ先がﾌｧｲﾙです。続行しますか？";
inline const std::wstring kUnsupported = L"現在、この組み合わせは未ｻﾎﾟｰﾄです。";
inline const std::wstring kFolderOntoFileLine = L"ｺﾋﾟｰ元がﾃﾞｨﾚｸﾄﾘでｺﾋﾟｰ先がﾌｧｲﾙですが、現在、この組み合わせは未ｻﾎﾟｰﾄです。";
inline const std::wstring kBatchInterrupted = L"ﾊﾞｯﾁﾌｧｲﾙが最後まで実行されずに中断されました。";
inline const std::wstring kDontShowAgain = L"今後このﾒｯｾｰｼﾞを表示しないようにしますか？";

// Batch files: reading, registering and running them.
inline const std::wstring kBadBatchContent = L"ﾊﾞｯﾁﾌｧｲﾙの内容に誤りがあります。";
inline const std::wstring kNothingToWrite = L"書き込む内容がありません。";
inline const std::wstring kWriteValidOnlyQuestion = L"いくつかの内容が不完全なので無視します。正しい内容のみ書き込みますか？";
inline const std::wstring kReadAnother = L"他のﾌｧｲﾙを読み出しますか？";
inline const std::wstring kWriteFinished = L"書き込みが終了しました。";
inline const std::wstring kEmptyPath = L"送り元または送り先が空欄のものがあります。";
inline const std::wstring kRemoveFromHistory = L"履歴から削除します。よろしいですか？";
inline const std::wstring kRunSwapped = L"ｺﾋﾟｰ元とｺﾋﾟｰ先が入れ替わった状態で実行してもよろしいですか？";
inline const std::wstring kEndAtOnceFromNowOn = L"今後このﾒｯｾｰｼﾞを表示しないで、すぐ終了するようにしますか？";

// Test-mode endings of the missing-item lines.
inline std::wstring WillDeleteSource(const std::wstring& t) { return L"ｺﾋﾟｰ元を削除する指示があるので、" + Q(t) + L"は削除されます。"; }
inline std::wstring WillDeleteSourceFolder(const std::wstring& t) {
    return L"ｺﾋﾟｰ元を削除する指示があるので、ﾌｫﾙﾀﾞ" + Q(t) + L"は削除されます。";
}
inline const std::wstring kIgnoredNotCopied = L"ｺﾋﾟｰしない指示があるので、無視されます。";
inline const std::wstring kAskAtRun = L"実行時に処理方法を選択します。";
inline std::wstring WillCopyToSource(const std::wstring& t) { return Q(t) + L"はｺﾋﾟｰ元にｺﾋﾟｰされます。"; }
inline std::wstring WillCopyFolderToSource(const std::wstring& t) { return L"ﾌｫﾙﾀﾞ" + Q(t) + L"はｺﾋﾟｰ元にｺﾋﾟｰされます。"; }
inline const std::wstring kIgnoredNeither = L"ｺﾋﾟｰも削除もしない指示があるので、無視されます。";
inline std::wstring WillDeleteBySync(const std::wstring& t) { return Q(t) + L"は同期操作時に削除されます。"; }
inline std::wstring WillDeleteFolderBySync(const std::wstring& t) { return L"ﾌｫﾙﾀﾞ" + Q(t) + L"は同期操作時に削除されます。"; }
inline const std::wstring kSingleFileCopiedAnyway =
    L"ｺﾋﾟｰ先にない場合の扱いが「ｺﾋﾟｰ元からｺﾋﾟｰ先にｺﾋﾟｰする」になっていませんが、通常どおりｺﾋﾟｰ先にｺﾋﾟｰされます。";
inline std::wstring UnattendedKeepBoth(const std::wstring& t, const std::wstring& o) {
    return L"ｽｹｼﾞｭｰﾙ実行中のため、" + Q(t) + L"と" + Q(o) + L"はどちらも上書きせずにそのままにしました。";
}

// The checks of a copy before its new file takes the destination's name.
inline std::wstring SourceChanged(const std::wstring& s) { return L"ｺﾋﾟｰ中にｺﾋﾟｰ元" + Q(s) + L"が変更されました。"; }
inline std::wstring CopyDiffers(const std::wstring& d, const std::wstring& s) {
    return L"ｺﾋﾟｰした" + Q(d) + L"の内容がｺﾋﾟｰ元" + Q(s) + L"と一致しません。";
}
inline std::wstring RetryChanged(const std::wstring& s) {
    return L"ｺﾋﾟｰ中にｺﾋﾟｰ元" + Q(s) + L"が変更されたので、もう一度ｺﾋﾟｰします。";
}
inline std::wstring RetryDiffers(const std::wstring& d, const std::wstring& s) {
    return L"ｺﾋﾟｰした" + Q(d) + L"の内容がｺﾋﾟｰ元" + Q(s) + L"と一致しないので、もう一度ｺﾋﾟｰします。";
}
inline std::wstring OldFileAt(const std::wstring& p) { return L" 元のﾌｧｲﾙは" + Q(p) + L"にあります。"; }
inline std::wstring NameAppeared(const std::wstring& o) {
    return L"ｺﾋﾟｰ中に" + Q(o) + L"が作られたので、置き換えずに改めて照合します。";
}

// Bringing set-aside files back.
inline std::wstring Restored(const std::wstring& to, const std::wstring& from) {
    return Q(to) + L"を" + Q(from) + L"から復元しました。";
}
inline std::wstring RestoredReplacing(const std::wstring& to, const std::wstring& from, const std::wstring& kept) {
    return Q(to) + L"を" + Q(from) + L"から復元しました。それまでのﾌｧｲﾙは" + Q(kept) + L"に退避しました。";
}
inline std::wstring WouldRestore(const std::wstring& to, const std::wstring& from) {
    return Q(to) + L"を" + Q(from) + L"から復元します。";
}
inline std::wstring WouldRestoreReplacing(const std::wstring& to, const std::wstring& from) {
    return Q(to) + L"を" + Q(from) + L"から復元します。それまでのﾌｧｲﾙは退避します。";
}
inline std::wstring NotRestored(const std::wstring& to, const std::wstring& cause) {
    return Q(to) + L"を復元できませんでした。" + cause;
}
inline const std::wstring kFolderInPlace = L"同じ名前のﾌｫﾙﾀﾞがあります。";
inline std::wstring NotSetAside(const std::wstring& target, const std::wstring& cause) {
    return Q(target) + L"へ退避できませんでした。" + cause;
}
inline std::wstring RestoreReport(unsigned n) { return std::to_wstring(n) + L"個のﾌｧｲﾙを復元しました。"; }
inline std::wstring RestoreTestReport(unsigned n, unsigned kept, const std::wstring& run) {
    return L"ﾃｽﾄﾓｰﾄﾞのため復元はしません。実行時には、" + std::to_wstring(n) + L"個のﾌｧｲﾙを復元し、置き換える" +
           std::to_wstring(kept) + L"個のﾌｧｲﾙを" + Q(run) + L"に退避します。";
}
inline std::wstring RestoreKeptReport(unsigned n, const std::wstring& run) {
    return L"復元で置き換えた" + std::to_wstring(n) + L"個のﾌｧｲﾙを" + Q(run) +
           L"に退避しました。この退避ﾌｫﾙﾀﾞを復元すると元に戻ります。";
}
inline std::wstring RunFolderUnreadable(const std::wstring& folder, const std::wstring& cause) {
    return L"退避ﾌｫﾙﾀﾞ" + Q(folder) + L"を読めませんでした。" + cause;
}
inline std::wstring NothingSetAside(const std::wstring& root) { return Q(root) + L"には退避したﾌｧｲﾙがありません。"; }
inline std::wstring NothingAfter(const std::wstring& root, const std::wstring& when) {
    return Q(root) + L"には" + when + L"より後に退避したﾌｧｲﾙがないため、何も復元しません。";
}
inline std::wstring Unaddressable(const std::wstring& p) { return Q(p) + L"はこのﾌﾟﾛｸﾞﾗﾑでは扱えない名前のため、ｽｷｯﾌﾟしました。"; }
// The guard against large changes.
inline std::wstring GuardCounts(const std::wstring& side, unsigned files, unsigned changed) {
    return side + L"のﾌｧｲﾙ " + std::to_wstring(files) + L" 個のうち " + std::to_wstring(changed) + L" 個を削除・上書き";
}
inline std::wstring Limit(unsigned percent) { return L"(上限 " + std::to_wstring(percent) + L"%)"; }
inline std::wstring GuardStopped(const std::wstring& side, unsigned files, unsigned changed, unsigned percent = 50) {
    return GuardCounts(side, files, changed) + L"するため、処理を中止しました。" + Limit(percent);
}
inline const std::wstring kGuardHowToGoOn =
    L"意図した変更であれば、一度ｳｨﾝﾄﾞｳから実行して確認に「はい」と答えるか、「ｵﾌﾟｼｮﾝ」の「大量変更の保護」で上限を変更してください。";
inline std::wstring GuardQuestion(const std::wstring& side, unsigned files, unsigned changed, unsigned percent = 50) {
    return GuardCounts(side, files, changed) + L"します。" + Limit(percent) +
           L"\nﾊﾞｯｸｱｯﾌﾟの消失やﾌｧｲﾙの破損(暗号化など)が写されるおそれがあります。このまま実行しますか？";
}
inline std::wstring GuardTestVerdict(const std::wstring& side, unsigned files, unsigned changed, unsigned percent = 50) {
    return L"ﾃｽﾄﾓｰﾄﾞ: 実行時には、" + GuardCounts(side, files, changed) + L"するため、大量変更の保護により処理を中止します。" +
           Limit(percent);
}
inline const std::wstring kSourceSide = L"ｺﾋﾟｰ元";
inline const std::wstring kDestinationSide = L"ｺﾋﾟｰ先";

}  // namespace mirrant::testing::text
