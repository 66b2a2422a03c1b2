#pragma once
// The program's version, set here once: the version resources (the programs
// and ClearMirrant.exe), the about box, the help, ReadMe.txt and History.txt
// (docs/CMakeLists.txt) and the package name (scripts/package) take it from
// here.
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
