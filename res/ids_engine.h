#pragma once
// Resource ids of the engine subsystem (see res/resource.h for the ranges).
