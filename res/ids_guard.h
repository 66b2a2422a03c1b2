#pragma once
// Resource ids of the guard against large changes (a run that would delete
// or replace most of a side stops or asks first): dialog, controls and menu
// command 7500-7599, texts 7600-7699.

// The dialog of the options menu and its controls.
#define IDD_GUARD 7500
#define IDC_GUARD_ON 7501
#define IDC_GUARD_PERCENT 7502
#define IDC_GUARD_MINIMUM 7503

// Command of the menu IDR_MAINMENU ("ｵﾌﾟｼｮﾝ").
#define ID_GUARD 7510

// Texts.
#define IDS_GUARD_STOPPED 7600
#define IDS_GUARD_HOW_TO_GO_ON 7601
#define IDS_GUARD_SIDE_COUNTS 7602
#define IDS_GUARD_QUESTION 7603
#define IDS_GUARD_TEST_VERDICT 7604
#define IDS_GUARD_PERCENT_RANGE 7605
#define IDS_GUARD_MINIMUM_RANGE 7606
