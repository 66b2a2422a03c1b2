#pragma once
// Every value the program keeps in the registry, each named once here with its
// default, its range and what reading makes of a stored value outside that
// range. The values live below Software\qorvane\<program name> (each build
// keeps its own) in two sections: "Settings" for the options and
// "Recent File List" for the batch history.
//
// The on/off switches of a run are in settings/run_switches.h, one row each
// with its value, its RunOptions field and its menu command; this header
// takes them in, so everything here reaches them too.
//
// Code reads and writes these values through the functions at the end of
// this file, so a value's name, default and correction cannot drift apart
// between the places that use it. Stored values are never rewritten
// merely because reading corrected them; the next save of the option does it.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/progress.h"
#include "settings/run_switches.h"
#include "settings/setting_types.h"

namespace mirrant {

class ProfileStore;

// ---- sections -----------------------------------------------------------------

inline constexpr wchar_t kSettingsSection[] = L"Settings";

// The batch history: "File1" to "File16", the newest first.
inline constexpr wchar_t kHistorySection[] = L"Recent File List";
inline constexpr wchar_t kHistoryEntryFormat[] = L"File%d";
inline constexpr std::size_t kHistoryEntries = 16;

// ---- the values of "Settings" -------------------------------------------------

namespace setting {

// The missing-item policies (MissingPolicy: 0 copy, 1 delete, 2 neither, 3 ask):
// items the destination lacks, and (sync only) items the source lacks.
inline constexpr IntSetting MissingInDestination      {L"op14",       0,       0,   3,   OnLoad::DefaultOutside};
inline constexpr IntSetting MissingInSource           {L"op15",       1,       0,   3,   OnLoad::DefaultOutside};

// The failure policies packed into one word (PackConfirmationPolicies):
// byte 3 write failures, byte 2 folder failures, byte 1 delete failures
// (0x01 confirm, 0x00 skip, 0xFF abort; any other byte reads as confirm),
// byte 0 whether other errors are shown in message boxes. Every word decodes.
inline constexpr IntSetting ConfirmationPolicies      {L"op12",       0x01010101, INT_MIN, INT_MAX, OnLoad::Keep};

// Seconds within which two modification times count as equal. Read once at
// start-up; the tolerance dialog accepts exactly min..max.
inline constexpr IntSetting TimeDelta                 {L"TimeDelta",  2,       1,   360, OnLoad::CapAboveDefaultBelow};

// Detail threshold of the progress window; the display dialog writes one of
// the display:: thresholds. Kept as stored: a hand-edited 15 hides file names
// and shows folder names until the dialog saves a value again.
inline constexpr IntSetting DisplayLevel              {L"op9",        display::Largest, display::Largest, display::Smallest, OnLoad::Keep};
// Priority of the worker thread, +2 highest to -2 lowest, 0 normal.
inline constexpr IntSetting RunPriority               {L"op10",       0,       -2,  2,   OnLoad::DefaultOutside};

// How many days a run's dated folder is kept in the set-aside folder (the
// switch itself, "SetAside", is in settings/run_switches.h).
inline constexpr IntSetting SetAsideDays              {L"SetAsideDays", 30,    1,   3650, OnLoad::DefaultOutside};

// The limits of the guard against large changes (the switch itself,
// "GuardOn", is in settings/run_switches.h): a run stops when it would
// delete or replace more than this per cent of one side's files ...
inline constexpr IntSetting GuardPercent              {L"GuardPercent", 50,    1,   100, OnLoad::DefaultOutside};
// ... and at least this many of them.
inline constexpr IntSetting GuardMinimum              {L"GuardMinimum", 20,    1,   1000000, OnLoad::DefaultOutside};

// The filter's modes and the off switches of its lists (filterbits in
// filter/filter_set.h). LoadFilterSet lets the destination-only mode win over
// a partial general mode; that correction needs two fields at once.
inline constexpr IntSetting FilterFlags               {L"op8",        0,       INT_MIN, INT_MAX, OnLoad::Keep};

// The log settings word (logbit in log/log_settings.h): 0x1C72AA, 1864362.
inline constexpr IntSetting LogSettings               {L"op16",       0x1C72AA, INT_MIN, INT_MAX, OnLoad::Keep};

// Answers of "do not ask again" in batch execution (batchnotice below).
inline constexpr IntSetting BatchNoticeFlags          {L"op17",       0,       INT_MIN, INT_MAX, OnLoad::Keep};

// Log file name templates. Missing: the start folder followed by the default
// log file name of the build (DefaultLogPath, log/log_buffer.h).
inline constexpr TextSetting UserLog{L"UserLog"};
inline constexpr TextSetting ScheduleLog{L"ScheduleLog"};

// The filter's name lists, entries joined by "|". Missing: an empty list; an
// empty list is removed rather than written.
inline constexpr TextSetting FileIncludes{L"MFiles"};
inline constexpr TextSetting FileExcludes{L"MFilesExc"};
inline constexpr TextSetting FolderIncludes{L"MFolders"};
inline constexpr TextSetting FolderExcludes{L"MFoldersExc"};

// The filter's time ranges, 32 bytes each (TimeRangeSpec, filter/time_range.h).
// Missing: the default record of its kind; stored bytes, at most 32 of them,
// are laid over that default, so a short record changes only its leading words.
inline constexpr RecordSetting CreationRange{L"TmFilterC"};
inline constexpr RecordSetting ModificationRange{L"TmFilterM"};

}  // namespace setting

// Bits of "op17".
namespace batchnotice {
// A batch file named on the command line that cannot be read ends the
// program at once instead of asking for another file.
inline constexpr int EndAtOnceOnLoadFailure = 1;
// The notice that a batch stopped after an incomplete row is not shown.
inline constexpr int InterruptedNoticeOff = 2;
}  // namespace batchnotice

// ---- reading and writing ------------------------------------------------------

// The value a stored integer reads as (the setting's OnLoad rule).
int CorrectSetting(const IntSetting& s, int stored);

// Missing or not an integer: the default; otherwise the stored value corrected.
int ReadSetting(const ProfileStore& store, const IntSetting& s);
// Writes the value as given (reading corrects it). False when the registry
// refused.
bool WriteSetting(ProfileStore& store, const IntSetting& s, int value);
bool WriteSetting(ProfileStore& store, const IntSetting& s, std::uint32_t value);

// Missing or not a text: def.
std::wstring ReadSetting(const ProfileStore& store, const TextSetting& s, const std::wstring& def = {});
bool WriteSetting(ProfileStore& store, const TextSetting& s, const std::wstring& value);
// Removes the value (a missing one counts as removed).
bool RemoveSetting(ProfileStore& store, const TextSetting& s);

// The stored bytes as they are (any length), or nothing when missing.
std::optional<std::vector<std::uint8_t>> ReadSetting(const ProfileStore& store, const RecordSetting& s);
bool WriteSetting(ProfileStore& store, const RecordSetting& s, const std::vector<std::uint8_t>& bytes);

// The bare value names, for code that plants or inspects stored values
// directly, as the tests do (also with values no writer would store).
namespace optname {
inline constexpr const wchar_t* DeletePriority = setting::DeletePriority.name;
inline constexpr const wchar_t* ConfirmFolderDelete = setting::ConfirmFolderDelete.name;
inline constexpr const wchar_t* UpdateReadOnly = setting::UpdateReadOnly.name;
inline constexpr const wchar_t* ConfirmSameTimeDifferentSize = setting::ConfirmSameTimeDifferentSize.name;
inline constexpr const wchar_t* SameTimeSameSizeIsSame = setting::SameTimeSameSizeIsSame.name;
inline constexpr const wchar_t* KeepIfSameContent = setting::KeepIfSameContent.name;
inline constexpr const wchar_t* DelayedWritePriority = setting::DelayedWritePriority.name;
inline constexpr const wchar_t* FilterFlags = setting::FilterFlags.name;
inline constexpr const wchar_t* DisplayLevel = setting::DisplayLevel.name;
inline constexpr const wchar_t* RunPriority = setting::RunPriority.name;
inline constexpr const wchar_t* ConfirmNewerDestination = setting::ConfirmNewerDestination.name;
inline constexpr const wchar_t* ConfirmationPolicies = setting::ConfirmationPolicies.name;
inline constexpr const wchar_t* TextBatchDefault = setting::TextBatchDefault.name;
inline constexpr const wchar_t* MissingInDestination = setting::MissingInDestination.name;
inline constexpr const wchar_t* MissingInSource = setting::MissingInSource.name;
inline constexpr const wchar_t* LogSettings = setting::LogSettings.name;
inline constexpr const wchar_t* BatchNoticeFlags = setting::BatchNoticeFlags.name;
inline constexpr const wchar_t* CopyEmptyFolders = setting::CopyEmptyFolders.name;
inline constexpr const wchar_t* ReverseOverwriteNewer = setting::ReverseOverwriteNewer.name;
inline constexpr const wchar_t* TimeDelta = setting::TimeDelta.name;
inline constexpr const wchar_t* SetAsideFiles = setting::SetAsideFiles.name;
inline constexpr const wchar_t* SetAsideDays = setting::SetAsideDays.name;
inline constexpr const wchar_t* GuardOn = setting::GuardOn.name;
inline constexpr const wchar_t* GuardPercent = setting::GuardPercent.name;
inline constexpr const wchar_t* GuardMinimum = setting::GuardMinimum.name;
inline constexpr const wchar_t* VerifyCopies = setting::VerifyCopies.name;
inline constexpr const wchar_t* UserLog = setting::UserLog.name;
inline constexpr const wchar_t* ScheduleLog = setting::ScheduleLog.name;
inline constexpr const wchar_t* FileIncludes = setting::FileIncludes.name;
inline constexpr const wchar_t* FileExcludes = setting::FileExcludes.name;
inline constexpr const wchar_t* FolderIncludes = setting::FolderIncludes.name;
inline constexpr const wchar_t* FolderExcludes = setting::FolderExcludes.name;
inline constexpr const wchar_t* CreationRange = setting::CreationRange.name;
inline constexpr const wchar_t* ModificationRange = setting::ModificationRange.name;
}  // namespace optname

}  // namespace mirrant
