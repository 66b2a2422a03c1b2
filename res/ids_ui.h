#pragma once
// Resource ids of the user-interface dialogs (see res/resource.h for the ranges).
