#pragma once
// The facts in which the two programs built from this source differ by name.
// Mirrant_U.exe (wide) and Mirrant.exe (narrow, MIRRANT_NARROW) differ
// otherwise only at their edges: file-system calls (fileops/fs_edge.h) and
// file encodings (framework/encoding.h).
#include <string>

namespace mirrant {

#ifdef MIRRANT_NARROW
inline constexpr bool kNarrowBuild = true;
#else
inline constexpr bool kNarrowBuild = false;
#endif

// "Mirrant(Unicode版)" or "Mirrant": window titles, default log names.
std::wstring ProductName();

// The program file's name without folder and extension ("Mirrant_U" or
// "Mirrant"); the registry key of the settings is named after it.
std::wstring ProgramName();

// The program's own folder, ending in a backslash.
std::wstring ProgramFolder();

// "Version 1.0": the version as the about box shows it.
std::wstring ProgramVersionText();

// HKCU\Software\<company>\<program name>.
std::wstring RegistryRootFor(const std::wstring& programName);

}  // namespace mirrant
