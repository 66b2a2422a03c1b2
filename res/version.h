#pragma once
// The program's version, set here once: the version resource, the about box
// and the packages take it from here.
#define MIRRANT_VERSION_MAJOR 1
#define MIRRANT_VERSION_MINOR 0
#define MIRRANT_VERSION_PATCH 0
#define MIRRANT_VERSION_STRINGIFY2(x) #x
#define MIRRANT_VERSION_STRINGIFY(x) MIRRANT_VERSION_STRINGIFY2(x)
// "1.0.0.0" for the version resource.
#define MIRRANT_VERSION_RESOURCE_TEXT                                                      \
    MIRRANT_VERSION_STRINGIFY(MIRRANT_VERSION_MAJOR) "." MIRRANT_VERSION_STRINGIFY(        \
        MIRRANT_VERSION_MINOR) "." MIRRANT_VERSION_STRINGIFY(MIRRANT_VERSION_PATCH) ".0"
// "Version 1.0" as the about box shows it.
#define MIRRANT_VERSION_DISPLAY_TEXT                                                       \
    "Version " MIRRANT_VERSION_STRINGIFY(MIRRANT_VERSION_MAJOR) "." MIRRANT_VERSION_STRINGIFY( \
        MIRRANT_VERSION_MINOR)
