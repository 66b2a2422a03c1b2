#pragma once
// The options that shape a run: the switches of the options menu, the two
// missing-item policies, the failure policies, the time tolerance, the
// progress display level and the run priority, with their registry values.
#include <cstdint>
#include <vector>

namespace mirrant {

class ProfileStore;
class Prompter;

enum class MissingPolicy : int { Copy = 0, Delete = 1, Ignore = 2, Ask = 3 };
enum class ErrorPolicy : int { Confirm = 1, Skip = 0, Abort = -1 };

struct RunOptions {
    // Persisted (section "Settings").
    bool deletePriority = true;                 // "op1"
    bool confirmFolderDelete = true;            // "op2"
    bool updateReadOnly = true;                 // "op3"
    bool confirmSameTimeDifferentSize = true;   // "op4"
    bool sameTimeSameSizeIsSame = true;         // "op5"
    bool keepIfSameContent = false;             // "op6"
    bool delayedWritePriority = true;           // "op7"
    bool confirmNewerDestination = true;        // "op11"
    bool reverseOverwriteNewer = false;         // "op19"
    bool copyEmptyFolders = true;               // "op18"
    bool textBatchDefault = false;              // "op13"
    MissingPolicy missingInDestination = MissingPolicy::Copy;  // "op14"
    MissingPolicy missingInSource = MissingPolicy::Delete;     // "op15"
    ErrorPolicy writeFailurePolicy = ErrorPolicy::Confirm;     // "op12" bits 24-31
    ErrorPolicy folderFailurePolicy = ErrorPolicy::Confirm;    // "op12" bits 16-23
    ErrorPolicy deleteFailurePolicy = ErrorPolicy::Confirm;    // "op12" bits 8-15
    bool confirmOtherErrors = true;                            // "op12" bits 0-7
    unsigned timeToleranceSeconds = 2;          // "TimeDelta", 1 to 360
    bool keepTolerance = true;                  // not stored
    int displayLevel = 0;                       // "op9": 0, 10, 20 or 80
    int runPriority = 0;                        // "op10": -2 to +2
    unsigned rootWaitSeconds = 60;              // not stored

    // Run-time flags, cleared at the end of every run.
    bool suppressFolderDeleteConfirm = false;
    bool suppressDeleteFailureMessages = false;
};

// Registry value names, each defined once, next to nothing else.
namespace optname {
inline constexpr wchar_t DeletePriority[] = L"op1";
inline constexpr wchar_t ConfirmFolderDelete[] = L"op2";
inline constexpr wchar_t UpdateReadOnly[] = L"op3";
inline constexpr wchar_t ConfirmSameTimeDifferentSize[] = L"op4";
inline constexpr wchar_t SameTimeSameSizeIsSame[] = L"op5";
inline constexpr wchar_t KeepIfSameContent[] = L"op6";
inline constexpr wchar_t DelayedWritePriority[] = L"op7";
inline constexpr wchar_t FilterFlags[] = L"op8";
inline constexpr wchar_t DisplayLevel[] = L"op9";
inline constexpr wchar_t RunPriority[] = L"op10";
inline constexpr wchar_t ConfirmNewerDestination[] = L"op11";
inline constexpr wchar_t ConfirmationPolicies[] = L"op12";
inline constexpr wchar_t TextBatchDefault[] = L"op13";
inline constexpr wchar_t MissingInDestination[] = L"op14";
inline constexpr wchar_t MissingInSource[] = L"op15";
inline constexpr wchar_t LogSettings[] = L"op16";
inline constexpr wchar_t BatchNoticeFlags[] = L"op17";
inline constexpr wchar_t CopyEmptyFolders[] = L"op18";
inline constexpr wchar_t ReverseOverwriteNewer[] = L"op19";
inline constexpr wchar_t TimeDelta[] = L"TimeDelta";
inline constexpr wchar_t ScheduleLog[] = L"ScheduleLog";
inline constexpr wchar_t UserLog[] = L"UserLog";
}  // namespace optname

// "op12": the four confirmation settings packed into one 32-bit word.
std::uint32_t PackConfirmationPolicies(const RunOptions& o);
void UnpackConfirmationPolicies(std::uint32_t word, RunOptions& o);
inline constexpr std::uint32_t kDefaultConfirmationPolicies = 0x01010101u;

// "TimeDelta" as loaded: above 360 becomes 360, 0 or below becomes 2.
unsigned ClampTimeTolerance(int stored);

// Reads every persisted field (except TimeDelta, read by the application at
// start-up) with its corrections.
void LoadRunOptions(RunOptions& o, const ProfileStore& store);

// The filter modes that the option rules depend on.
struct FilterModes {
    bool destinationOnly = false;
    bool protectDestination = false;
};

// Menu commands of the options that the user changes: a toggle inverts its
// field, a choice sets a missing-item policy; each writes its value at once
// and shows the messages that go with it. False for any other command.
bool IsOptionToggleCommand(int command);
bool ToggleOption(RunOptions& o, int command, ProfileStore& store, Prompter& prompter);
bool IsMissingPolicyCommand(int command);
bool ChooseMissingPolicy(RunOptions& o, int command, ProfileStore& store, Prompter& prompter);
// The batch menu's "テキスト形式" switch ("op13").
void ToggleTextBatchDefault(RunOptions& o, ProfileStore& store);

// Check marks and enable states of the options and batch menus.
struct MenuItemState {
    int command;
    bool checked;
    bool enabled;
};
std::vector<MenuItemState> OptionMenuStates(const RunOptions& o, FilterModes modes, bool runActive);
// Commands of the batch menu that a run grays (and the rebuild enables).
const std::vector<int>& BatchMenuCommands();

// The silent start-up rules: forces Ignore where the filter modes demand it
// and switches delete priority off unless missingInSource is Delete; writes
// back what changed. True when something changed.
bool ApplyStartupConsistency(RunOptions& o, FilterModes modes, ProfileStore& store);
// The rules after the filter sheet closed with OK, with their messages.
void ApplyFilterConsistency(RunOptions& o, FilterModes modes, ProfileStore& store, Prompter& prompter);

}  // namespace mirrant
