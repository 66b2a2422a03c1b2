#pragma once
// Resource ids of the batch subsystem (see res/resource.h for the ranges).

// Dialogs, under the numbers the program has always used.
#define IDD_BATCH_REGISTER 135
#define IDD_BATCH_EXECUTE 136

// Controls of the batch windows, under their fixed numbers.
#define IDC_BATCH_SOURCE 1018
#define IDC_BATCH_SOURCE_BROWSE 1019
#define IDC_BATCH_DEST 1020
#define IDC_BATCH_DEST_BROWSE 1021
#define IDC_BATCH_LIST 1022
#define IDC_BATCH_COPY 1023
#define IDC_BATCH_DELETE_ROW 1024
#define IDC_BATCH_OVERWRITE 1025
#define IDC_BATCH_SYNC 1026
#define IDC_BATCH_WRITE 1027
#define IDC_BATCH_READ 1028
#define IDC_BATCH_ADD_ROW 1029
#define IDC_BATCH_PASTE 1030
#define IDC_BATCH_COMMENT 1031
#define IDC_BATCH_RELOAD 1032
#define IDC_BATCH_SWAP 1083

// Texts.
#define IDS_BATCH_COLUMN_OPERATION 6000
#define IDS_BATCH_COLUMN_SOURCE 6001
#define IDS_BATCH_COLUMN_DEST 6002
#define IDS_BATCH_SWAP 6003
#define IDS_BATCH_UNSWAP 6004
#define IDS_BATCH_SWAPPED_TITLE 6005
#define IDS_BATCH_SAVE_AS_TEXT 6006
// The save's own overwrite question: it names the file actually written,
// after the program added the format's extension.
#define IDS_BATCH_OVERWRITE_QUESTION 7100
