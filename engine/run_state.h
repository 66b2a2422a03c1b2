#pragma once
// What the worker of one run keeps while it decides and acts: what the
// search passes chose, the reverse marks, and the folders and items that
// could not be seen. The run driver owns it; the walk that decides and the
// executor read and write it.
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
    bool workFound = false;  // the search passes found something to copy
    PathSet pendingActions;  // the files the search passes chose
    // Files of the other side that the reverse pass copies back: marked as
    // decided, or when the question about them is answered No; reverseAsks
    // are the ones that question may mark.
    PathSet reverseMarks;
    PathSet reverseAsks;
    PathSet declinedFolders;  // folders whose deletion was declined
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
