#pragma once
// The copy-target and exclusion settings: which files and sub-folders a run
// considers at all. Stored as seven values of the section "Settings" and
// loaded again at the start of every run, so that the time bounds are those
// of that moment.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "filter/time_range.h"

namespace mirrant {

class ProfileStore;

// Bits of "op8" (the seven values are named in settings/settings.h).
namespace filterbits {
inline constexpr std::uint32_t GeneralModeMask = 0x7;
inline constexpr std::uint32_t FileIncludeOff = 1u << 4;
inline constexpr std::uint32_t FileExcludeOff = 1u << 5;
inline constexpr std::uint32_t FolderIncludeOff = 1u << 6;
inline constexpr std::uint32_t FolderExcludeOff = 1u << 7;
inline constexpr std::uint32_t DestinationOnly = 1u << 8;
inline constexpr std::uint32_t ProtectDestination = 1u << 9;
}  // namespace filterbits

// Values of generalMode: 0 every entry is a target; any nonzero value means
// only some are (1 is the one written).
inline constexpr int kGeneralAll = 0;
inline constexpr int kGeneralPartial = 1;

// The longest joined list text, entries and separators together.
inline constexpr std::size_t kMaxListText = 250;

struct FilterSet {
    int generalMode = kGeneralAll;      // 0..7
    bool destinationOnly = false;       // only entries present at the destination
    bool protectDestination = false;    // with destinationOnly: never delete destination-only entries

    // "一時的に使用しない": the list keeps its entries but counts as empty.
    bool fileIncludeOff = false;
    bool fileExcludeOff = false;
    bool folderIncludeOff = false;
    bool folderExcludeOff = false;

    // The lists as stored: entries joined by "|".
    std::wstring fileIncludeText;
    std::wstring fileExcludeText;
    std::wstring folderIncludeText;
    std::wstring folderExcludeText;

    // Derived at load: the patterns of each list in stored order, lower case.
    std::vector<std::wstring> fileIncludes;
    std::vector<std::wstring> fileExcludes;
    std::vector<std::wstring> folderIncludes;
    std::vector<std::wstring> folderExcludes;
    bool listsActive = false;   // some list is in use and holds a pattern

    TimeRangeSpec creationSpec = TimeRangeSpec::Defaults(kCreationRecord);
    TimeRangeSpec modificationSpec = TimeRangeSpec::Defaults(kModificationRecord);
    // Derived at load.
    bool creationActive = false;
    bool modificationActive = false;
    std::uint64_t creationStart = 0;
    std::uint64_t creationEnd = kOpenEnd;
    std::uint64_t modificationStart = 0;
    std::uint64_t modificationEnd = kOpenEnd;
    bool timeAnd = false;       // both ranges must hold, otherwise either

    int lastFilterPage = 0;     // the sheet page shown last; not stored, kept across loads

    // The per-entry test of every run, in the forward and the reverse pass
    // and for the single-file run (as a file). name is the entry's own name as
    // the directory search returned it, isFolder its directory attribute, the
    // two times its UTC file times from the same search record (in the
    // reverse pass those of the destination entry). True: the entry takes
    // part in the run. The folder lists test only folders, the file lists only
    // files, and the time ranges never reject a folder. Allocates nothing for
    // names up to 512 characters; safe to call from the worker thread while
    // nothing changes the set.
    bool AcceptEntry(std::wstring_view name, bool isFolder, std::uint64_t creationTime,
                     std::uint64_t lastWriteTime) const;

    // The name lists are in force (the run title then carries the filter marker).
    bool anyListActive() const { return generalMode != kGeneralAll && listsActive; }
    // After AcceptEntry passed and the other side lacks the entry: the forward
    // pass skips an entry missing at the destination when this holds ...
    bool skipsMissingAtDestination() const { return destinationOnly; }
    // ... and the reverse pass skips an entry missing at the source when this
    // holds (neither copied, nor deleted, nor handed to the missing-item policy).
    bool skipsMissingAtSource() const { return destinationOnly && protectDestination; }
};

// Reads the seven values and rebuilds every field, the derived ones included,
// with the time bounds computed at `now`. lastFilterPage is left as it is.
void LoadFilterSet(FilterSet& f, const ProfileStore& store, const LocalDateTime& now);
// The same at the current local time (the start of a run, the main window).
void LoadFilterSet(FilterSet& f, const ProfileStore& store);
// Writes the list texts (removing empty ones), "op8" and the two records.
// The derived fields are not written. Registry failures are not reported.
void SaveFilterSet(const FilterSet& f, ProfileStore& store);

// "op8" from the fields and back (the load correction for destinationOnly
// together with a nonzero generalMode is LoadFilterSet's).
std::uint32_t PackFilterFlags(const FilterSet& f);
void UnpackFilterFlags(std::uint32_t bits, FilterSet& f);

// The entries of a stored list text in order, empty pieces dropped, case and
// blanks kept as typed (for the list pages).
std::vector<std::wstring> SplitListText(std::wstring_view text);
// Entries joined by "|" (the stored form).
std::wstring JoinListText(const std::vector<std::wstring>& entries);

// Lower case through the system's case mapping (full-width and accented
// letters included); names and patterns are folded the same way.
std::wstring FoldCase(std::wstring_view text);

// Whole-text match of a lower-case pattern: "?" one character, "*" any run of
// characters (also none); everything else, "." included, literal.
bool MatchPattern(std::wstring_view pattern, std::wstring_view text);

// The name test: accepted when the include list is empty or a pattern of it
// matches, and no pattern of the exclude list does; an empty name is
// accepted. The name is lower-cased here, the patterns must already be. A
// pattern of the extension form 'x.*' also matches the bare 'x'.
bool MatchesList(std::wstring_view name, const std::vector<std::wstring>& includes,
                 const std::vector<std::wstring>& excludes);

// The run title's filter markers, in title order: "［対象・除外指定あり］"
// when the name lists are in force, "［ｺﾋﾟｰ先にあるものを対象］" with
// destinationOnly, then "[ｺﾋﾟｰ先保護]" when protectDestination is also on.
// Empty when none applies; appended to the pass's title text.
std::wstring TitleMarkers(const FilterSet& f);
std::wstring TitleMarkers(bool listsInForce, bool destinationOnly, bool protectDestination);

}  // namespace mirrant
