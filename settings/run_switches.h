#pragma once
// The on/off switches of a run. Each switch is three lines of this file:
//   - its registry value (name, default, load correction) in `setting::`,
//   - its field in RunSwitches (the switch part of RunOptions), initialised
//     from that value's default,
//   - its row in kRunSwitches: value, field and the menu command that
//     toggles it; the command's check mark shows the field.
// Loading and saving (settings/run_options.cpp), the menu toggles, their
// check marks and enable states (ui/option_menu.cpp) and the main window's
// dispatch of the commands all go by the rows, so adding a switch takes these
// three lines, its menu item (res/app.rc, with its command id in the ids
// header of its subsystem) and the code that acts on it.
#include <cstddef>

#include "res/resource.h"
#include "settings/setting_types.h"

namespace mirrant {

namespace setting {
//                                                     name          default  min  max  on load
inline constexpr IntSetting DeletePriority            {L"op1",        1,       0,   1,   OnLoad::Flag};
inline constexpr IntSetting ConfirmFolderDelete       {L"op2",        1,       0,   1,   OnLoad::Flag};
inline constexpr IntSetting UpdateReadOnly            {L"op3",        1,       0,   1,   OnLoad::Flag};
inline constexpr IntSetting ConfirmSameTimeDifferentSize{L"op4",      1,       0,   1,   OnLoad::Flag};
inline constexpr IntSetting SameTimeSameSizeIsSame    {L"op5",        1,       0,   1,   OnLoad::Flag};
inline constexpr IntSetting KeepIfSameContent         {L"op6",        0,       0,   1,   OnLoad::Flag};
inline constexpr IntSetting DelayedWritePriority      {L"op7",        1,       0,   1,   OnLoad::Flag};
inline constexpr IntSetting ConfirmNewerDestination   {L"op11",       1,       0,   1,   OnLoad::Flag};
inline constexpr IntSetting TextBatchDefault          {L"op13",       0,       0,   1,   OnLoad::Flag};
// Only bit 0 is the switch; the other bits are ignored.
inline constexpr IntSetting CopyEmptyFolders          {L"op18",       1,       0,   1,   OnLoad::LowBit};
inline constexpr IntSetting ReverseOverwriteNewer     {L"op19",       0,       0,   1,   OnLoad::Flag};
// Every file a run deletes or replaces is first moved into the set-aside
// folder of its side (kept there "SetAsideDays" days, settings/settings.h).
inline constexpr IntSetting SetAsideFiles             {L"SetAside",   0,       0,   1,   OnLoad::Flag};
// Every copy is read back and compared with its source before it takes the
// destination's name.
inline constexpr IntSetting VerifyCopies              {L"VerifyCopy", 0,       0,   1,   OnLoad::Flag};
// A run ends with a summary of what it did (files, folders, bytes, time).
inline constexpr IntSetting RunSummary                {L"RunSummary", 1,       0,   1,   OnLoad::Flag};
// A run that would delete or replace more than "GuardPercent" per cent (and
// at least "GuardMinimum") of one side's files stops before it changes
// anything, or asks first (settings/settings.h has the two limits).
inline constexpr IntSetting GuardOn                   {L"GuardOn",    1,       0,   1,   OnLoad::Flag};
}  // namespace setting

// The switch part of RunOptions (settings/run_options.h), every field at its
// value's default.
struct RunSwitches {
    bool deletePriority = setting::DeletePriority.defaultValue != 0;
    bool confirmFolderDelete = setting::ConfirmFolderDelete.defaultValue != 0;
    bool updateReadOnly = setting::UpdateReadOnly.defaultValue != 0;
    bool confirmSameTimeDifferentSize = setting::ConfirmSameTimeDifferentSize.defaultValue != 0;
    bool sameTimeSameSizeIsSame = setting::SameTimeSameSizeIsSame.defaultValue != 0;
    bool keepIfSameContent = setting::KeepIfSameContent.defaultValue != 0;
    bool delayedWritePriority = setting::DelayedWritePriority.defaultValue != 0;
    bool confirmNewerDestination = setting::ConfirmNewerDestination.defaultValue != 0;
    bool reverseOverwriteNewer = setting::ReverseOverwriteNewer.defaultValue != 0;
    bool copyEmptyFolders = setting::CopyEmptyFolders.defaultValue != 0;
    bool textBatchDefault = setting::TextBatchDefault.defaultValue != 0;
    bool setAsideFiles = setting::SetAsideFiles.defaultValue != 0;
    bool verifyCopies = setting::VerifyCopies.defaultValue != 0;
    bool runSummary = setting::RunSummary.defaultValue != 0;
    bool guardOn = setting::GuardOn.defaultValue != 0;
};

using SwitchField = bool RunSwitches::*;

struct RunSwitch {
    const IntSetting& value;  // where it is stored, its default and load correction
    SwitchField field;        // what it sets; its menu item's check mark shows it
    int menuCommand;          // the menu item that toggles it; 0: none (a dialog edits it)
};

inline constexpr RunSwitch kRunSwitches[] = {
    {setting::DeletePriority, &RunSwitches::deletePriority, ID_DELETE_PRIORITY},
    {setting::ConfirmFolderDelete, &RunSwitches::confirmFolderDelete, ID_CONFIRM_FOLDER_DELETE},
    {setting::UpdateReadOnly, &RunSwitches::updateReadOnly, ID_UPDATE_READ_ONLY},
    {setting::ConfirmSameTimeDifferentSize, &RunSwitches::confirmSameTimeDifferentSize, ID_CONFIRM_SAME_TIME_DIFF_SIZE},
    {setting::SameTimeSameSizeIsSame, &RunSwitches::sameTimeSameSizeIsSame, ID_SAME_TIME_SAME_SIZE},
    {setting::KeepIfSameContent, &RunSwitches::keepIfSameContent, ID_KEEP_IF_SAME_CONTENT},
    {setting::DelayedWritePriority, &RunSwitches::delayedWritePriority, ID_DELAYED_WRITE},
    {setting::ConfirmNewerDestination, &RunSwitches::confirmNewerDestination, ID_CONFIRM_NEWER_DEST},
    {setting::ReverseOverwriteNewer, &RunSwitches::reverseOverwriteNewer, ID_REVERSE_OVERWRITE_NEWER},
    {setting::CopyEmptyFolders, &RunSwitches::copyEmptyFolders, ID_COPY_EMPTY_FOLDERS},
    {setting::TextBatchDefault, &RunSwitches::textBatchDefault, ID_TEXT_BATCH_DEFAULT},  // the batch menu's
    {setting::SetAsideFiles, &RunSwitches::setAsideFiles, 0},  // the set-aside dialog's
    {setting::VerifyCopies, &RunSwitches::verifyCopies, ID_VERIFY_COPIES},
    {setting::RunSummary, &RunSwitches::runSummary, ID_RUN_SUMMARY},
    {setting::GuardOn, &RunSwitches::guardOn, 0},  // the guard dialog's
};

// The row of a field, or of a menu command; null where there is none.
constexpr const RunSwitch* RunSwitchOf(SwitchField field) {
    for (const RunSwitch& s : kRunSwitches)
        if (s.field == field) return &s;
    return nullptr;
}
constexpr const RunSwitch* RunSwitchOfCommand(int menuCommand) {
    if (menuCommand == 0) return nullptr;
    for (const RunSwitch& s : kRunSwitches)
        if (s.menuCommand == menuCommand) return &s;
    return nullptr;
}

}  // namespace mirrant
