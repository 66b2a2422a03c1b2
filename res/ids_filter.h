// Resource ids of the filter subsystem (see res/resource.h for the ranges).
#pragma once

// Markers appended to the run titles while filters are in force.
#define IDS_FILTER_MARKER_LISTS 6500
#define IDS_FILTER_MARKER_DEST_ONLY 6501
#define IDS_FILTER_MARKER_PROTECT 6502
