#pragma once
// What the pages of the filter sheet share: the live FilterSet they edit,
// where their messages go, and whether the sheet was closed with OK.
#include "filter/filter_set.h"
#include "framework/message_box.h"
#include "framework/property_sheet.h"

namespace mirrant {

struct FilterSheetState {
    FilterSet& filters;
    Prompter* prompter = nullptr;  // null: real message boxes over the sheet
    bool accepted = false;         // the pages ran their OK processing
};

class FilterPage : public PropertyPage {
public:
    FilterPage(int resourceId, FilterSheetState& state) : PropertyPage(resourceId), state_(state) {}

protected:
    FilterSet& filters() { return state_.filters; }
    Prompter* injectedPrompter() { return state_.prompter; }
    Prompter& Prompts() {
        if (state_.prompter) return *state_.prompter;
        boxes_.setOwner(GetParent(hwnd()));
        return boxes_;
    }
    // OK reaches every page that was shown; Cancel reaches them too.
    bool OnApply() override {
        Commit();
        state_.accepted = true;
        return true;
    }
    void OnReset() override { state_.accepted = false; }
    // The page's own OK processing.
    virtual void Commit() {}

private:
    FilterSheetState& state_;
    MessageBoxPrompter boxes_{nullptr};
};

}  // namespace mirrant
