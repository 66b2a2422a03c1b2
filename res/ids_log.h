#pragma once
// Resource ids of the log subsystem (see res/resource.h for the ranges).
