#pragma once
// Resource ids of the batch subsystem (see res/resource.h for the ranges).
