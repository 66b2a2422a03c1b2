// Resource ids of the fileops subsystem (see res/resource.h for the ranges).
#pragma once

// Texts of the root search, the copy and the deletion.
#define IDS_FILEOPS_SOURCE_LABEL 3000
#define IDS_FILEOPS_DESTINATION_LABEL 3001
#define IDS_FILEOPS_SEARCHING 3002
#define IDS_FILEOPS_SECONDS_LEFT 3003
#define IDS_FILEOPS_DELETING_FILE 3004
#define IDS_FILEOPS_DELETING_SUFFIX 3005
#define IDS_FILEOPS_SOURCE_READ_ERROR 3006
#define IDS_FILEOPS_STATUS_PERCENT 3007
// Messages of failed file steps (open, read, write, flush).
#define IDS_FILEOPS_OPEN_ERROR 3008
#define IDS_FILEOPS_READ_ERROR 3009
#define IDS_FILEOPS_WRITE_ERROR 3010
#define IDS_FILEOPS_FLUSH_ERROR 3011
// The checks of a copy before it takes the destination's name.
#define IDS_FILEOPS_SOURCE_CHANGED 3012
#define IDS_FILEOPS_COPY_DIFFERS 3013
#define IDS_FILEOPS_RETRY_CHANGED 3014
#define IDS_FILEOPS_RETRY_DIFFERS 3015
#define IDS_FILEOPS_OLD_FILE_AT 3016
