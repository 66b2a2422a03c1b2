#pragma once
// What a run does with one entry, decided from its facts alone: the two
// files' times and sizes (and their contents where that was asked for), or
// which side lacks the item, under the mode's pass and the options. No file
// system, no prompter, no window: the walk gathers the facts, the executor
// carries the decision out (or, in test mode, says what it would do).
#include <cstdint>

#include "settings/run_options.h"

namespace mirrant {

// What the walk found when it compared the two files' bytes.
enum class Content : std::uint8_t { NotCompared, Equal, Differ, Failed };

// How the two files of a pair compare by time within the tolerance, then by
// size.
enum class PairOrder : std::uint8_t { ThisNewer, SameTimeOtherSize, SameTimeSameSize, OtherNewer };

enum class Action : std::uint8_t {
    Leave,          // nothing to do (kept only when it has a line: lineId)
    Pending,        // a search pass of delete priority: the later pass decides it again
    CompareFirst,   // the decision needs the contents compared: compare, then decide again
    CompareFailed,  // the contents could not be compared: an error line, nothing else
    Copy,           // this side's file over the other's
    CopyIfMarked,   // reverse pass: copied back when the forward pass marked it
    MarkReverse,    // forward pass of a sync: the other side's newer file is copied back later
    ReStamp,        // the same bytes: the other file takes this one's time
    AskSizes,       // the same time, other sizes: copy after a Yes
    AskNewer,       // the other file is newer: copy after a Yes
    AskNewerSync,   // the same in a sync: Yes copies, No copies back later, Cancel stops
    // An item the other side lacks.
    CopyNew,        // a file, copied to the other side
    Delete,         // a file, deleted on this side
    AskMissing,     // the per-item choice, at the time the run reaches it
    Ignore,         // left on this side only, by the policy
    Descend,        // a folder, walked into: its files are copied, it is made with the first
    CreateFolder,   // a folder, made on the other side, then walked into
    DeleteFolder,   // a folder tree, deleted on this side
};

struct Decision {
    Action action = Action::Leave;
    PairOrder order = PairOrder::SameTimeSameSize;  // a pair: how the files compared
    Content content = Content::NotCompared;         // a pair: what the comparison of bytes found
    // The line that comes before what the action itself logs; 0: none.
    unsigned lineId = 0;
};

// The pass and the options a decision is made under.
struct DecisionRules {
    const RunOptions& options;
    bool forward = true;         // from the source to the destination
    bool search = false;         // a search pass of delete priority
    bool overwriteRules = true;  // one way (overwrite, or a single file): nothing is copied back
};

PairOrder ComparePair(std::uint64_t thisWrite, std::uint64_t thisSize, std::uint64_t otherWrite,
                      std::uint64_t otherSize, unsigned toleranceSeconds);

// Two files of one name; sameSize: their sizes are equal (only then do
// their bytes decide).
Decision DecidePair(PairOrder order, bool sameSize, Content content, const DecisionRules& rules);
// A file the other side lacks.
Decision DecideMissingFile(const DecisionRules& rules);
// A folder the other side lacks; guarded: it holds a root or something the
// run could not see, and is only ever copied.
Decision DecideMissingFolder(bool guarded, const DecisionRules& rules);

// The missing-item policy of the side a pass changes.
MissingPolicy PolicyOf(const DecisionRules& rules);

}  // namespace mirrant
