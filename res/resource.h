#pragma once
// Resource ids shared by the program, the resource script and the tests.
// Numbered messages (102 to 251) have their names in res/messages.h, apart
// from 107 and 108, which are named here. Each subsystem keeps its own ids in res/ids_<subsystem>.h,
// in its own range, so that one id means one thing.
//
// Ranges of unnumbered texts and controls:
//   1000-2999 application, main window, framework
//   3000-3499 file operations      3500-3999 logging
//   4000-4999 engine              5000-5999 progress window and small dialogs (ui)
//   6000-6499 batch                 6500-6999 filters
//   7000-7099 set-aside folder and restore texts  7400-7499 their dialogs, controls and menu commands

// Icons, menus, dialogs of the application.
#define IDI_MAIN 128
#define IDR_MAINMENU 132
#define IDD_ABOUT 100
#define IDD_MAIN 102

// Application texts.
#define IDS_PRODUCT_NAME_WIDE 1000
#define IDS_PRODUCT_NAME_NARROW 1001
#define IDS_REGISTRY_COMPANY 107
#define IDS_SETTINGS_SECTION 108
#define IDS_ABOUT_MENU_ITEM 1002
#define IDS_SCHEDULE_TITLE_SUFFIX 1003
#define IDS_SCHEDULE_WORD 1005
#define IDS_RUN_LOG_WORD 1006
#define IDS_LOG_UNIQUE_CODE 1007
#define IDS_LOG_EXTENSION 1008
#define IDS_MISSING_DST_TO_IGNORE 1010
#define IDS_MISSING_DST_ASK_COPY 1011
#define IDS_MISSING_SRC_TO_IGNORE 1012
#define IDS_MISSING_SRC_ASK_DELETE 1013

// Controls of the main window (IDD_MAIN).
#define IDC_SOURCE_EDIT 1100
#define IDC_SOURCE_BROWSE 1101
#define IDC_DEST_EDIT 1102
#define IDC_DEST_BROWSE 1103
#define IDC_RUN_OVERWRITE 1104
#define IDC_RUN_SYNC 1105
#define IDC_SHOW_LOG 1106
#define IDC_TEST_MODE 1107
#define IDC_SOURCE_LABEL 1108
#define IDC_DEST_LABEL 1109
#define IDC_ARROW_LABEL 1110
#define IDC_ABOUT_TEXT 1120

// Commands of the menu IDR_MAINMENU.
#define ID_TOLERANCE 32771
#define ID_DELETE_PRIORITY 32772
#define ID_BATCH_REGISTER 32773
#define ID_BATCH_RUN 32774
#define ID_BATCH_DELETE 32775
#define ID_BATCH_CLEAR_HISTORY 32776
#define ID_CONFIRM_FOLDER_DELETE 32777
#define ID_UPDATE_READ_ONLY 32778
#define ID_CONFIRM_SAME_TIME_DIFF_SIZE 32779
#define ID_SAME_TIME_SAME_SIZE 32780
#define ID_LOG_SETTINGS 32781
#define ID_KEEP_IF_SAME_CONTENT 32782
#define ID_DELAYED_WRITE 32783
#define ID_FILTER 32784
#define ID_DISPLAY_SETTINGS 32785
#define ID_PRIORITY 32786
#define ID_CONFIRM_NEWER_DEST 32787
#define ID_CONFIRM_OPTIONS 32788
#define ID_TEXT_BATCH_DEFAULT 32789
#define ID_MISSING_DST_COPY 32790
#define ID_MISSING_DST_DELETE 32791
#define ID_MISSING_DST_IGNORE 32792
#define ID_MISSING_DST_ASK 32793
#define ID_MISSING_SRC_COPY 32794
#define ID_MISSING_SRC_DELETE 32795
#define ID_MISSING_SRC_IGNORE 32796
#define ID_MISSING_SRC_ASK 32797
#define ID_COPY_EMPTY_FOLDERS 32798
#define ID_REVERSE_OVERWRITE_NEWER 32799
#define ID_VERIFY_COPIES 32800
#define ID_RUN_SUMMARY 32801
#define ID_BATCH_HISTORY_FIRST 57616
#define ID_HELP_ABOUT 57664
#define ID_HELP_CONTENTS 57666
#define ID_SYSTEM_ABOUT 16

#include "res/ids_fileops.h"
#include "res/ids_log.h"
#include "res/ids_engine.h"
#include "res/ids_batch.h"
#include "res/ids_filter.h"
#include "res/ids_ui.h"
#include "res/ids_setaside.h"
#include "res/ids_guard.h"
