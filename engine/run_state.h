#pragma once
// What the worker of one run keeps while its passes walk: which pass is
// walking, and what the search passes, the reverse marks and the folders that
// could not be listed recorded. The run driver owns it; the walk reads and
// writes it.
#include <string>
#include <unordered_set>

namespace mirrant {

// A set of paths, compared without regard to case as the file system does.
class PathSet {
public:
    void Add(const std::wstring& path);
    bool Contains(const std::wstring& path) const;
    // Whether the set holds folder itself or a path below it.
    bool AnyUnder(const std::wstring& folder) const;

private:
    std::unordered_set<std::wstring> set_;
};

struct RunState {
    bool testMode = false;
    bool forwardPass = true;
    bool executePhase = true;
    bool workFound = false;
    PathSet pendingActions;
    PathSet reverseMarks;
    PathSet declinedFolders;
    PathSet leftoversMet;  // copy leftovers already removed or reported
    // Folders of either side that could not be listed (at once or part-way):
    // their contents are unknown for the rest of the run, so nothing under
    // them or under their counterparts is decided.
    PathSet unknownFolders;
    // Entries whose look failed, or that are a file on one side and a folder
    // on the other, with their counterparts (without a trailing backslash):
    // reported once, and left alone with their counterparts in every pass.
    PathSet unknownItems;
};

}  // namespace mirrant
