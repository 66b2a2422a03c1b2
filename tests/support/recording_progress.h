#pragma once
// A Progress that records what the worker shows and lets a test raise the
// interrupt or pause flag, optionally after a number of Show/SetStatus calls
// (to interrupt in the middle of a walk or a copy).
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "framework/progress.h"

namespace mirrant::testing {

class RecordingProgress : public Progress {
public:
    void Show(const std::wstring& text, int level) override;
    void SetStatus(const std::wstring& text) override;
    std::wstring StatusText() const override;
    void Reset() override;
    void SetDirection(const std::wstring& text) override {
        direction = text;
        directions.push_back(text);
    }
    void SetTitle(const std::wstring& text) override {
        title = text;
        titles.push_back(text);
        if (onTitle) onTitle(text);
    }
    void SetVisible(bool v) override { visible = v; }
    void SetTotals(const ProgressTotals& t) override {
        std::lock_guard lock(mutex);
        totals.push_back(t);
    }
    bool CancelRequested() const override;
    bool PauseRequested() const override { return pause.load(); }

    // Raises cancel once this many further Show/SetStatus calls have been made.
    void CancelAfterUpdates(int n) { cancelCountdown = n; }

    std::atomic<bool> cancel{false};
    std::atomic<bool> pause{false};
    std::atomic<int> cancelCountdown{-1};
    // Raises cancel after this many reads of CancelRequested (-1: never).
    mutable std::atomic<int> cancelAfterPolls{-1};

    std::mutex mutex;
    std::vector<std::pair<int, std::wstring>> shown;
    std::vector<std::wstring> statuses;
    std::wstring direction, title;
    std::vector<std::wstring> titles, directions;  // every call, in order
    std::vector<ProgressTotals> totals;
    bool visible = false;
    int resets = 0;
    // false: keep no texts (a long benchmark run), only the last status.
    bool keep = true;
    // Called with every title: a run's passes take theirs when they are
    // carried out, after the whole run was decided.
    std::function<void(const std::wstring&)> onTitle;

private:
    void CountUpdate();
};

}  // namespace mirrant::testing
