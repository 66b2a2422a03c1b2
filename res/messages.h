#pragma once
// The names of the numbered messages of res/messages.rc. Code asks for a
// numbered message by its name here (LoadText(msg::kInterrupted)); the
// resource script keeps the bare numbers, so a number changes in both places.
// Each name says what its message says. 107 and 108 (the registry company and
// section) are IDS_REGISTRY_COMPANY and IDS_SETTINGS_SECTION in res/resource.h.

namespace mirrant::msg {

// Batch file dialogs and the operation column.
inline constexpr unsigned kBatchFilterBinaryFirst = 102;  // *.mrx first, then *.mrt
inline constexpr unsigned kBatchFilterTextFirst = 103;    // *.mrt first, then *.mrx
inline constexpr unsigned kBatchFilterTextOnly = 104;     // *.mrt only
inline constexpr unsigned kOverwriteLabel = 105;          // "上書き"
inline constexpr unsigned kSyncLabel = 106;               // "同期"

// The main window's folder choosers and path boxes.
inline constexpr unsigned kChooseSourcePrompt = 110;
inline constexpr unsigned kChooseSourceTitle = 111;
inline constexpr unsigned kChooseDestinationPrompt = 112;
inline constexpr unsigned kChooseDestinationTitle = 113;
inline constexpr unsigned kSeveralItemsDropped = 114;
inline constexpr unsigned kAmbiguousPath = 115;
inline constexpr unsigned kReadFailed = 117;  // reading path failed, with the cause
inline constexpr unsigned kSourceEmpty = 118;
inline constexpr unsigned kDestinationEmpty = 119;
inline constexpr unsigned kOneSideFile = 120;

// What a run does and fails to do, item by item.
inline constexpr unsigned kFolderMissingAtDestination = 121;
inline constexpr unsigned kFolderNotCreated = 122;
inline constexpr unsigned kMissingAtDestination = 123;
inline constexpr unsigned kTimeReadFailed = 124;
inline constexpr unsigned kOlderThan = 125;
inline constexpr unsigned kMissingAtSource = 126;
inline constexpr unsigned kUpdated = 127;
inline constexpr unsigned kNotUpdated = 128;
inline constexpr unsigned kFolderCreated = 130;
inline constexpr unsigned kNewerThan = 131;
inline constexpr unsigned kTimeSetFailed = 132;
inline constexpr unsigned kOlderSameContentKept = 133;
inline constexpr unsigned kNothingToUpdate = 134;
inline constexpr unsigned kNewlyStored = 135;
inline constexpr unsigned kFolderMissingAtSource = 136;
inline constexpr unsigned kDeleted = 137;        // "path" was deleted
inline constexpr unsigned kCannotDelete = 138;   // "path" cannot be deleted, with the cause
inline constexpr unsigned kFolderNotDeleted = 139;
inline constexpr unsigned kFolderDeleted = 141;
inline constexpr unsigned kInterruptQuestion = 142;
inline constexpr unsigned kInterrupted = 143;
inline constexpr unsigned kCompareReadError = 145;
inline constexpr unsigned kTimesMatched = 146;
inline constexpr unsigned kSameContent = 147;
inline constexpr unsigned kDifferentContent = 148;
inline constexpr unsigned kOverwriteNewerQuestion = 149;
inline constexpr unsigned kReverseNotice = 150;
inline constexpr unsigned kSkipRetryCancel = 151;
inline constexpr unsigned kFolderOntoFile = 152;
inline constexpr unsigned kBadFolderPath = 153;
inline constexpr unsigned kNetworkPathNotFound = 154;

// Batch files, their history and their execution.
inline constexpr unsigned kDeletedNotice = 155;  // "削除しました。" without a path
inline constexpr unsigned kBadBatchContent = 156;
inline constexpr unsigned kNothingToWrite = 157;
inline constexpr unsigned kWriteValidOnlyQuestion = 158;
inline constexpr unsigned kWriteFailed = 159;
inline constexpr unsigned kWriteAnother = 160;
inline constexpr unsigned kReadAnother = 161;
inline constexpr unsigned kCannotShow = 162;
inline constexpr unsigned kBatchInterrupted = 163;
inline constexpr unsigned kClearHistory = 164;
inline constexpr unsigned kRetrying = 165;
inline constexpr unsigned kRetryQuestion = 166;
inline constexpr unsigned kWriteFinished = 167;
inline constexpr unsigned kEmptyPath = 168;
inline constexpr unsigned kDeleteNotice = 169;  // show each delete failure from now on?

// Saving the log.
inline constexpr unsigned kSaveFailed = 170;
inline constexpr unsigned kWritingTo = 172;
inline constexpr unsigned kClosing = 173;

inline constexpr unsigned kSameTimeDifferentSize = 220;
inline constexpr unsigned kSearchFailed = 221;  // searching path failed, with the cause
inline constexpr unsigned kScheduleRunning = 223;
inline constexpr unsigned kSeparator = 224;
inline constexpr unsigned kMegaUnit = 225;  // "%.1fﾒｶﾞ"
inline constexpr unsigned kGigaUnit = 226;  // "%.2fｷﾞｶﾞ"
inline constexpr unsigned kPercent = 227;   // "%.1f"
inline constexpr unsigned kDeniedHiddenDestination = 228;
inline constexpr unsigned kInterruptPendingQuestion = 229;
inline constexpr unsigned kLastRunUpdatedNothing = 230;
inline constexpr unsigned kRemoveFromHistory = 231;
inline constexpr unsigned kOverwriteNewer = 232;
inline constexpr unsigned kPartialSyncRisk = 233;
inline constexpr unsigned kRunSwapped = 234;
inline constexpr unsigned kDeleteSelectedQuestion = 235;
inline constexpr unsigned kSelectToDelete = 236;
inline constexpr unsigned kSelectOneToChange = 237;
inline constexpr unsigned kFolderDeleteHint = 238;
inline constexpr unsigned kPleaseWait = 239;
inline constexpr unsigned kListingFailed = 240;      // searching the source folder failed
inline constexpr unsigned kFileSearchFailed = 241;   // searching a file failed
inline constexpr unsigned kIgnoredLines = 242;
inline constexpr unsigned kInvalidPath = 243;
inline constexpr unsigned kReverseOverwriteNewer = 244;
inline constexpr unsigned kDeletePriorityOff = 245;
inline constexpr unsigned kDeletePriorityOnQuestion = 246;
inline constexpr unsigned kDeniedReadOnlyDestination = 247;
inline constexpr unsigned kDeniedReadOnly = 248;
inline constexpr unsigned kWritten = 249;
inline constexpr unsigned kDontShowAgain = 250;
inline constexpr unsigned kEndAtOnceFromNowOn = 251;

}  // namespace mirrant::msg
