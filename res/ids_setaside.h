#pragma once
// Resource ids of keeping what a run deletes or replaces (the set-aside
// folder): texts 7000-7099, dialog, controls and menu command 7400-7499.

// The dialog of the options menu and its controls.
#define IDD_SET_ASIDE 7400
#define IDC_SET_ASIDE_ON 7401
#define IDC_SET_ASIDE_DAYS 7402
#define IDC_SET_ASIDE_DAYS_LABEL 7403

// Command of the menu IDR_MAINMENU ("ｵﾌﾟｼｮﾝ").
#define ID_SET_ASIDE 7410

// Texts.
#define IDS_SET_ASIDE_REPORT 7000
#define IDS_SET_ASIDE_TEST_REPORT 7001
#define IDS_SET_ASIDE_MOVE_FAILED 7002
#define IDS_SET_ASIDE_EXPIRED_REMOVED 7003
#define IDS_SET_ASIDE_EXPIRED_NOT_REMOVED 7004
#define IDS_SET_ASIDE_DAYS_RANGE 7005
#define IDS_SET_ASIDE_CLOCK_BACK 7006
