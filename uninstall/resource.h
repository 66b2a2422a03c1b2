#pragma once
// Resource ids of ClearMirrant.exe (its own resources; it shares nothing
// with the backup program).

// Registry keys under HKEY_CURRENT_USER, %s standing for an application name.
#define IDS_KEY_HISTORY 1
#define IDS_KEY_SETTINGS 2
#define IDS_KEY_APPLICATION 3
#define IDS_KEY_COMPANY 4
#define IDS_REGISTRY_FAILED 5
// The files of the program folder.
#define IDS_FILE_PROGRAM 6
#define IDS_FILE_HELP 7
#define IDS_FILE_HELP_CONTENTS 8
#define IDS_FILE_HELP_INDEX 9
#define IDS_FILE_README 10
#define IDS_FILE_HISTORY 11
#define IDS_FILE_PROGRAM_WIDE 12
#define IDS_FILES_FAILED 13
#define IDS_DONE 14
#define IDS_FILE_COMPILED_HELP 15
// The application names whose keys are removed, in this order.
#define IDS_APP_DUNVALE 16
#define IDS_APP_NARROW 17
#define IDS_APP_WIDE 18

#define IDD_UNINSTALL 102
#define IDI_UNINSTALL 128
#define IDC_PROMPT 1000
