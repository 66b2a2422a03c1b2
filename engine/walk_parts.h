#pragma once
// What the walk's own files share: the state of one folder's walk and of one
// file being decided. Only the walk includes this.
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/tree_walk.h"

namespace mirrant {

// One listing of a folder: the two folders and whether the other folder is
// known to exist (checked once before the first copy).
struct TreeWalk::FolderWalk {
    std::wstring thisFolder;
    std::wstring otherFolder;
    bool otherFolderReady = false;
    bool singleFile = false;
    bool leftoversSwept = false;  // the other folder was searched for copy leftovers
    // The other folder was seen as a folder when this one's parent was
    // walked: if it cannot be listed now, it did not simply not exist.
    bool otherSeen = false;
    // The other folder's entries, listed once before the first entry of this
    // one is decided (names in upper case, whether each is a folder). When
    // that listing fails the other folder is unknown and this folder is left
    // alone.
    bool otherListed = false;
    bool otherUnknown = false;
    std::optional<std::unordered_map<std::wstring, bool>> otherKinds;
    std::vector<std::wstring> otherLeftovers;
};

// A file being decided: T on this side, O on the other.
struct TreeWalk::FileCase {
    std::wstring t;
    std::wstring o;
    FileStamp thisStamp;
    FileStamp otherStamp;
    bool otherExisted = false;
    bool otherAbsent = false;  // the other folder's listing holds no entry of this name
};

}  // namespace mirrant
