#pragma once
// Resource ids of the fileops subsystem (see res/resource.h for the ranges).
