#pragma once
// Deleting one file or a whole folder tree for the missing-item policies.
// Both log one line per failure and let the run be interrupted.
#include <string>

namespace mirrant {

class Progress;
class LogSink;

// Deletes a file, logging ""%s"は削除されました。" or, as an error line,
// ""%s"は削除できません。原因：%s". A read-only file is refused unless
// updateReadOnly. failureMessage (optional) receives the error line, for the
// engine's deletion failure policy.
bool DeleteOneFile(const std::wstring& path, Progress& progress, LogSink& log, bool updateReadOnly,
                   std::wstring* failureMessage = nullptr);

// Deletes a folder (with trailing backslash) and everything below it, depth
// first. remaining is the caller's counter (set to 0 before): it grows by one
// for every folder, this one included, that could not be removed, and for
// every folder that could not be listed (its error line is msg::kListingFailed; a
// listing that breaks off counts the same, and the folder is not removed).
// A folder that lists no entries at all is removed like an empty one. So
// after a failure that leaves anything behind, remaining is above 0. refused is
// set when this folder itself is read-only and updateReadOnly is off (its
// contents are deleted, it stays). True when the whole tree is gone.
// Instead of deleting a file: moves it to `to` (a free name on the same
// volume; never a copy), where the run keeps what it deletes or replaces.
// A read-only file is refused unless updateReadOnly, as a deletion would be;
// it keeps its attributes. False with a cause (plain paths).
bool MoveFileAside(const std::wstring& path, const std::wstring& to, bool updateReadOnly, std::wstring& cause);

// Gives an existing folder the hidden attribute (kept with its others).
bool MarkFolderHidden(const std::wstring& folder);

bool DeleteFolderTree(const std::wstring& folder, unsigned& remaining, Progress& progress, LogSink& log,
                      bool updateReadOnly, bool& refused);

}  // namespace mirrant
