#pragma once
// Resource ids of the filter subsystem (see res/resource.h for the ranges).
