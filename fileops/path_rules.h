#pragma once
// The rules every path follows on its way to the file system: the drive and
// share forms, normalisation of typed paths, the long-path form, folder
// creation and one look at a run's root. They report what they find and ask
// no one: what follows from it is the engine's decision.
//
// Folder paths end with a backslash wherever they are stored or passed.
// Texts shown or logged always carry the plain path, never the \\?\ form.
#include <functional>
#include <string>
#include <string_view>

namespace mirrant {

// Writes a path back to wherever the user sees it (the main window's box);
// the file operations know no windows. May be empty.
using PathDisplay = std::function<void(const std::wstring&)>;

// "\\?\" + path, "\\?\UNC\server\share..." for a share, unchanged when the
// path already has the long form.
std::wstring ToLongPath(const std::wstring& path);

// A letter and a colon at the start ("C:", "C:\data", "C:data").
bool IsDriveForm(const std::wstring& path);
// Two backslashes and a character that is not one ("\\server\...", "\\.\...").
bool IsShareForm(const std::wstring& path);
// "\\?\" at the start.
bool IsLongForm(const std::wstring& path);
// Appends a backslash when the text has none or has characters after its last one.
void EnsureTrailingBackslash(std::wstring& path);
// "C:\" style: three characters, a colon second and a backslash third.
bool IsBareDriveRoot(const std::wstring& path);

// True when the path starts with a drive or a share. "C:" becomes "C:\" and
// is shown again.
bool StartsAtDriveOrShare(std::wstring& path, const PathDisplay& show);

// "D:work\x" becomes "<current folder of D:>work\x". The path is shown again
// in every case.
void ResolveDriveRelative(std::wstring& path, const PathDisplay& show);

// Validates and normalises a typed path: separators, "." and "..",
// blanks and dots around names, forbidden characters and device names.
// Rewrites the path only when it is valid.
bool NormalizePath(std::wstring& path);

// A path as msg::kInvalidPath (and any message about a path that was refused)
// shows it: as typed, unless it is beyond the longest path this program can
// use (fs::WithinPathLimit); then its start and end around "...", so that a
// damaged batch file of megabytes makes no log line or box of megabytes.
std::wstring ShownPath(const std::wstring& typed);

// How a run's source and destination roots lie to each other.
enum class RootOverlap {
    Separate,                 // neither holds the other
    Same,                     // both name one folder
    DestinationInsideSource,  // the destination is a folder below the source
    SourceInsideDestination,  // the source is a folder below the destination
};

// Compares two roots by the folders they name, after bringing both to one
// form: "/" taken as "\", the long forms "\\?\C:\..." and
// "\\?\UNC\server\share..." (and "\\.\") as the plain ones, "C:" as
// "C:\", a drive-relative "C:foo" resolved against the drive's current folder
// (as ResolveDriveRelative does), empty names and "." dropped, ".." taking
// away the name before it (never the drive, the server or the share), and
// names compared without regard to case as the file system compares them
// (the system's ordinal upper-casing, not just ASCII). A trailing backslash
// makes no difference, and whole names are compared, so "D:\data" and
// "D:\data2" are separate. Names are otherwise taken as they stand (a
// trailing dot is part of a name to the long form). The text alone cannot
// see a short name ("PROGRA~1"), a folder link, a mapped or substituted drive
// leading to the same folder: GetFolderIdentity (fs_edge.h) can.
RootOverlap CompareRoots(const std::wstring& source, const std::wstring& destination);

bool IsFolder(const std::wstring& path);
bool IsFile(const std::wstring& path);

// Creates the folder and every missing folder above it. errorCode is 183
// after success when the folder existed already (callers then log no
// creation). cause is a plain-path text after a failure. A folder beyond the
// longest path this program can use (fs::WithinPathLimit) fails with error
// 206 at once, and nothing is made. A failure part-way
// removes again the empty folders this call made, newest first.
bool CreateFolderTree(const std::wstring& folder, std::wstring& cause, unsigned long& errorCode);

// Makes sure the folder part of a file path exists (error 13 when the path
// has no folder part).
bool EnsureParentFolder(const std::wstring& filePath, unsigned long& errorCode);

// What one look at a run's root found.
enum class RootFound {
    Folder,
    File,
    DriveThere,  // only the drive was looked at, and it answers
    NotReady,    // refused, not ready, a device or a network failure: it may come with time
    Missing,     // any other failure: not there
};
struct RootLook {
    RootFound found = RootFound::Missing;
    unsigned long error = 0;  // after a failure: the system's error code
    std::wstring cause;       // and its text (plain paths)
};

// Looks once at the drive of a root ("C:\" of "C:\data\"): a drive that
// is not ready would fail every look at a path on it.
RootLook LookAtDrive(const std::wstring& root);
// Looks once at the root itself.
RootLook LookAtRoot(const std::wstring& root);

// Names and paths as the file system compares them: without regard to
// case. NameKey gives the same key to names SameName takes for one (for sets
// and maps of names).
bool SameName(std::wstring_view a, std::wstring_view b);
bool StartsWithName(std::wstring_view path, std::wstring_view prefix);
std::wstring NameKey(std::wstring_view name);
// The folder a path lies in, with its trailing backslash; empty for a bare
// name.
std::wstring ParentFolder(const std::wstring& path);

}  // namespace mirrant
