#pragma once
// The engine's view of the copy-target and exclusion filters: the per-entry
// test and the destination modes. The program wires the filter settings in
// (filter/); until they are loaded every entry takes part.
#include <cstdint>
#include <string>

namespace mirrant {

class EntryFilter {
public:
    virtual ~EntryFilter() = default;
    // name: the entry's own name as the listing returned it; the times are
    // UTC file times of the same listing record.
    virtual bool Accept(const std::wstring& name, bool isFolder, std::uint64_t creationTime,
                        std::uint64_t lastWriteTime) const = 0;
    // Only items that already exist at the destination are copy targets.
    virtual bool DestinationOnly() const { return false; }
    // Destination items the source lacks are protected (with DestinationOnly).
    virtual bool ProtectDestination() const { return false; }
    // Name lists are in effect (partial mode with at least one active list):
    // the run title then carries the filter marker.
    virtual bool NameListsInUse() const { return false; }
};

class AcceptAllFilter : public EntryFilter {
public:
    bool Accept(const std::wstring&, bool, std::uint64_t, std::uint64_t) const override { return true; }
};

}  // namespace mirrant
