#pragma once
// The stored filter settings as the engine's per-entry test. A run gets its
// own copy of the settings as loaded at its start, so nothing the window
// does meanwhile reaches the worker.
#include <utility>

#include "engine/entry_filter.h"
#include "filter/filter_set.h"

namespace mirrant {

class StoredFilter : public EntryFilter {
public:
    explicit StoredFilter(FilterSet filter) : filter_(std::move(filter)) {}
    bool Accept(const std::wstring& name, bool isFolder, std::uint64_t creationTime,
                std::uint64_t lastWriteTime) const override {
        return filter_.AcceptEntry(name, isFolder, creationTime, lastWriteTime);
    }
    bool DestinationOnly() const override { return filter_.destinationOnly; }
    bool ProtectDestination() const override { return filter_.protectDestination; }
    bool NameListsInUse() const override { return filter_.anyListActive(); }

private:
    const FilterSet filter_;
};

}  // namespace mirrant
