#include "filter/filter_set.h"

#include <windows.h>

#include "framework/text.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace mirrant {

namespace {

// Entry names longer than this are folded on the heap; a file-system name
// component has at most 255 characters, so the common path never allocates.
constexpr std::size_t kNameBuffer = 512;

// Lower-cases text into out (capacity cap); returns the folded length, or 0
// when it does not fit (text is never empty here). ASCII names, the vast
// majority, are folded inline; the system's mapping gives the same result for
// them and is used for everything else.
std::size_t FoldInto(std::wstring_view text, wchar_t* out, std::size_t cap) {
    if (text.size() > cap) return 0;
    bool ascii = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c >= 0x80) {
            ascii = false;
            break;
        }
        out[i] = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
    }
    if (ascii) return text.size();
    const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, text.data(),
                                static_cast<int>(text.size()), out, static_cast<int>(cap), nullptr,
                                nullptr, 0);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// A pattern matches when MatchPattern holds, or when it has the extension
// form "x.*" (text after the last dot exactly "*", something before it) and
// "x" alone matches, so that 'data.*' also takes the file 'data'.
bool PatternMatchesName(std::wstring_view pattern, std::wstring_view name) {
    if (MatchPattern(pattern, name)) return true;
    const std::size_t dot = pattern.rfind(L'.');
    if (dot == std::wstring_view::npos || dot == 0 || pattern.size() != dot + 2 ||
        pattern[dot + 1] != L'*')
        return false;
    return MatchPattern(pattern.substr(0, dot), name);
}

bool AnyMatches(const std::vector<std::wstring>& patterns, std::wstring_view name) {
    for (const std::wstring& p : patterns)
        if (PatternMatchesName(p, name)) return true;
    return false;
}

// The list test on an already folded name.
bool MatchesFolded(std::wstring_view folded, const std::vector<std::wstring>& includes,
                   const std::vector<std::wstring>& excludes) {
    const bool included = includes.empty() || AnyMatches(includes, folded);
    return included && !AnyMatches(excludes, folded);
}

bool MatchesListImpl(std::wstring_view name, const std::vector<std::wstring>& includes,
                     const std::vector<std::wstring>& excludes) {
    if (name.empty()) return true;
    wchar_t buffer[kNameBuffer];
    const std::size_t n = FoldInto(name, buffer, kNameBuffer);
    if (n > 0) return MatchesFolded(std::wstring_view(buffer, n), includes, excludes);
    const std::wstring folded = FoldCase(name);
    return MatchesFolded(folded, includes, excludes);
}

const std::vector<std::wstring>& NoPatterns() {
    static const std::vector<std::wstring> empty;
    return empty;
}

// The four lists in the order they are loaded and saved.
struct ListSlot {
    const TextSetting& value;
    std::wstring FilterSet::*text;
    std::vector<std::wstring> FilterSet::*patterns;
    bool FilterSet::*off;
};
constexpr ListSlot kLists[] = {
    {setting::FileIncludes, &FilterSet::fileIncludeText, &FilterSet::fileIncludes,
     &FilterSet::fileIncludeOff},
    {setting::FileExcludes, &FilterSet::fileExcludeText, &FilterSet::fileExcludes,
     &FilterSet::fileExcludeOff},
    {setting::FolderIncludes, &FilterSet::folderIncludeText, &FilterSet::folderIncludes,
     &FilterSet::folderIncludeOff},
    {setting::FolderExcludes, &FilterSet::folderExcludeText, &FilterSet::folderExcludes,
     &FilterSet::folderExcludeOff},
};

void LoadRange(const ProfileStore& store, const RecordSetting& value, unsigned kind,
               const LocalDateTime& now, bool rangesApply, TimeRangeSpec& record, bool& active,
               std::uint64_t& start, std::uint64_t& end) {
    record = TimeRangeSpec::Defaults(kind);
    if (auto bytes = ReadSetting(store, value)) record.OverlayBytes(*bytes);
    // A side that cannot be computed stays open; the time page shows why.
    const TimeBounds b = ComputeTimeBounds(record, now);
    start = b.start;
    end = b.end;
    active = rangesApply && record.rangeType() != kRangeNone;
}

}  // namespace

std::wstring FoldCase(std::wstring_view text) {
    if (text.empty()) return {};
    std::wstring out(text.size(), L'\0');
    std::size_t n = FoldInto(text, out.data(), out.size());
    if (n == 0) {
        // Lower-casing may lengthen a text in rare scripts; ask for the size.
        const int need = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, text.data(),
                                       static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr, 0);
        if (need <= 0) return std::wstring(text);
        out.assign(static_cast<std::size_t>(need), L'\0');
        n = FoldInto(text, out.data(), out.size());
        if (n == 0) return std::wstring(text);
    }
    out.resize(n);
    return out;
}

bool MatchPattern(std::wstring_view pattern, std::wstring_view text) {
    // Greedy scan that returns to the last "*" on a mismatch: the same result
    // as trying every position for every "*", without its exponential cost on
    // patterns such as 'a*a*a*b'.
    std::size_t p = 0, t = 0;
    std::size_t starP = std::wstring_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            while (p < pattern.size() && pattern[p] == L'*') ++p;
            if (p == pattern.size()) return true;
            starP = p;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP != std::wstring_view::npos) {
            p = starP;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

bool MatchesList(std::wstring_view name, const std::vector<std::wstring>& includes,
                 const std::vector<std::wstring>& excludes) {
    return MatchesListImpl(name, includes, excludes);
}

bool FilterSet::AcceptEntry(std::wstring_view name, bool isFolder, std::uint64_t creationTime,
                            std::uint64_t lastWriteTime) const {
    bool result = true;
    if (generalMode != kGeneralAll && listsActive) {
        if (isFolder)
            result = MatchesListImpl(name, folderIncludeOff ? NoPatterns() : folderIncludes,
                                     folderExcludeOff ? NoPatterns() : folderExcludes);
        else
            result = MatchesListImpl(name, fileIncludeOff ? NoPatterns() : fileIncludes,
                                     fileExcludeOff ? NoPatterns() : fileExcludes);
    }
    // The time ranges never reject a folder: its files are tested one by one.
    if (isFolder || !result) return result;

    const bool creationHolds = creationStart <= creationTime && creationTime < creationEnd;
    if (modificationActive) {
        const bool modificationHolds =
            modificationStart <= lastWriteTime && lastWriteTime < modificationEnd;
        if (!timeAnd) return modificationHolds || (creationActive && creationHolds);
        if (!modificationHolds) return false;
    }
    if (creationActive) result = creationHolds;
    return result;
}

std::uint32_t PackFilterFlags(const FilterSet& f) {
    std::uint32_t bits = static_cast<std::uint32_t>(f.generalMode) & filterbits::GeneralModeMask;
    if (f.fileIncludeOff) bits |= filterbits::FileIncludeOff;
    if (f.fileExcludeOff) bits |= filterbits::FileExcludeOff;
    if (f.folderIncludeOff) bits |= filterbits::FolderIncludeOff;
    if (f.folderExcludeOff) bits |= filterbits::FolderExcludeOff;
    if (f.destinationOnly) bits |= filterbits::DestinationOnly;
    if (f.protectDestination) bits |= filterbits::ProtectDestination;
    return bits;
}

void UnpackFilterFlags(std::uint32_t bits, FilterSet& f) {
    f.generalMode = static_cast<int>(bits & filterbits::GeneralModeMask);
    f.fileIncludeOff = (bits & filterbits::FileIncludeOff) != 0;
    f.fileExcludeOff = (bits & filterbits::FileExcludeOff) != 0;
    f.folderIncludeOff = (bits & filterbits::FolderIncludeOff) != 0;
    f.folderExcludeOff = (bits & filterbits::FolderExcludeOff) != 0;
    f.destinationOnly = (bits & filterbits::DestinationOnly) != 0;
    f.protectDestination = (bits & filterbits::ProtectDestination) != 0;
}

std::vector<std::wstring> SplitListText(std::wstring_view text) {
    std::vector<std::wstring> entries;
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t bar = text.find(L'|', from);
        if (bar == std::wstring_view::npos) bar = text.size();
        if (bar > from) entries.emplace_back(text.substr(from, bar - from));
        from = bar + 1;
    }
    return entries;
}

std::wstring JoinListText(const std::vector<std::wstring>& entries) {
    std::wstring text;
    for (const std::wstring& e : entries) {
        if (!text.empty()) text += L'|';
        text += e;
    }
    return text;
}

void LoadFilterSet(FilterSet& f, const ProfileStore& store, const LocalDateTime& now) {
    f.listsActive = false;
    UnpackFilterFlags(static_cast<std::uint32_t>(ReadSetting(store, setting::FilterFlags)), f);
    // Both modes at once cannot be chosen on the general page; the
    // destination-only mode wins.
    if (f.destinationOnly && f.generalMode != kGeneralAll) f.generalMode = kGeneralAll;

    for (const ListSlot& slot : kLists) {
        f.*slot.text = ReadSetting(store, slot.value);
        std::vector<std::wstring>& patterns = f.*slot.patterns;
        patterns.clear();
        for (const std::wstring& entry : SplitListText(f.*slot.text)) patterns.push_back(FoldCase(entry));
        if (!(f.*slot.off) && !patterns.empty()) f.listsActive = true;
    }

    const bool rangesApply = f.generalMode != kGeneralAll || f.destinationOnly;
    LoadRange(store, setting::CreationRange, kCreationRecord, now, rangesApply, f.creationSpec,
              f.creationActive, f.creationStart, f.creationEnd);
    LoadRange(store, setting::ModificationRange, kModificationRecord, now, rangesApply,
              f.modificationSpec, f.modificationActive, f.modificationStart, f.modificationEnd);
    f.timeAnd = f.creationSpec.andMark() != 0 && f.modificationSpec.andMark() != 0;
}

void LoadFilterSet(FilterSet& f, const ProfileStore& store) {
    LoadFilterSet(f, store, CurrentLocalTime());
}

void SaveFilterSet(const FilterSet& f, ProfileStore& store) {
    for (const ListSlot& slot : kLists) {
        const std::wstring& text = f.*slot.text;
        if (text.empty())
            RemoveSetting(store, slot.value);
        else
            WriteSetting(store, slot.value, text);
    }
    WriteSetting(store, setting::FilterFlags, PackFilterFlags(f));
    WriteSetting(store, setting::CreationRange, f.creationSpec.ToBytes());
    WriteSetting(store, setting::ModificationRange, f.modificationSpec.ToBytes());
}

std::wstring TitleMarkers(bool listsInForce, bool destinationOnly, bool protectDestination) {
    std::wstring markers;
    if (listsInForce) markers += LoadText(IDS_FILTER_MARKER_LISTS);
    if (destinationOnly) {
        markers += LoadText(IDS_FILTER_MARKER_DEST_ONLY);
        if (protectDestination) markers += LoadText(IDS_FILTER_MARKER_PROTECT);
    }
    return markers;
}

std::wstring TitleMarkers(const FilterSet& f) {
    return TitleMarkers(f.anyListActive(), f.destinationOnly, f.protectDestination);
}

}  // namespace mirrant
