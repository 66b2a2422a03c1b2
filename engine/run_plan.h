#pragma once
// What a run decided, kept in walk order between deciding and doing: the
// passes, the folders walked into and out of, every line the walk logged,
// and every entry with something to do, with the facts it was decided on.
// Entries with nothing to do are not kept, nor a folder with nothing to do
// inside. A step names its entry by its own name below the folder it lies
// in; the folders come from the Enter and Leave steps around it. Steps are
// only ever appended, and read from the front: beyond a bound they are
// packed into a line store (log/line_store.h), whose lines beyond its own
// bound live in a temporary file, so that a plan of a million entries costs
// the memory of a few thousand.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/decision.h"
#include "engine/file_access.h"
#include "framework/log_sink.h"

namespace mirrant {

enum class StepKind : std::uint8_t {
    Pass,         // a pass begins: RunPlan::pass(index)
    Enter,        // into the folder pair `name` below the current one
    Leave,        // back to the parent folder pair
    Line,         // a line the walk logged (text); error: also as the error text
    ErrorText,    // the error text of the line before, where it differs from its text
    Leftover,     // a copy's leftover in the other folder: removed before the first copy into it
    OwnLeftover,  // a copy's leftover on this side: removed
    File,         // a file entry and what was decided for it
    Folder,       // a folder entry and what was decided for it
};

struct Step {
    StepKind kind = StepKind::Line;
    bool error = false;     // Line: an error line
    bool isLink = false;    // Folder: a folder link, deleted as a link
    bool subtree = false;   // Folder: its Enter ... Leave follow, for the answer that walks into it
    bool readFailed = false;  // File: the other file's times could not be read (decision left to the retry)
    Decision decision;
    std::uint32_t index = 0;   // Pass: the pass; File: the detail text (0: none)
    std::wstring text;         // the entry's or folder's name, or the line
    FileStamp thisStamp;       // File: this side's file as it was decided on
    std::uint64_t otherWrite = 0;
    std::uint64_t otherSize = 0;
    // Folder, deleted without being walked into: the files below it, for the
    // guard against large changes (counted only while the guard is on).
    std::uint64_t filesBelow = 0;
};

// One pass of the mode: its direction, whether it only searches (delete
// priority), its title, and where it starts.
struct PassInfo {
    bool forward = true;
    bool search = false;
    bool single = false;       // a single file: thisFile and otherFile are the two files
    std::wstring title;        // shown when the pass begins; empty: the run's title stays
    unsigned directionId = 0;  // 0: no direction shown
    std::wstring thisRoot;     // the folder this pass walks (trailing backslash)
    std::wstring otherRoot;
    std::wstring thisFile;     // single: the source as given
    std::wstring otherFile;    // single: where it is copied
};

class LineStore;

class RunPlan {
public:
    // Steps kept as they are before the earlier ones are packed into a line
    // store, which keeps some megabytes in memory and the rest in a
    // temporary file of the program's own.
    static constexpr size_t kDefaultStepsInMemory = 16384;

    RunPlan();
    ~RunPlan();
    RunPlan(const RunPlan&) = delete;
    RunPlan& operator=(const RunPlan&) = delete;
    RunPlan(RunPlan&&) noexcept;
    RunPlan& operator=(RunPlan&&) noexcept;

    std::uint32_t AddPass(PassInfo pass);
    const PassInfo& pass(std::uint32_t index) const { return passes_[index]; }
    PassInfo& EditPass(std::uint32_t index) { return passes_[index]; }
    void Add(Step step);
    std::uint32_t AddDetail(std::wstring text);
    const std::wstring& detail(std::uint32_t index) const { return details_[index]; }

    size_t size() const { return stored_ + tail_.size(); }
    bool empty() const { return size() == 0; }
    // The step at i. A step packed away is read back a block at a time: the
    // reference holds until the next call.
    const Step& operator[](size_t i) const;
    // A step could not be read back (the temporary file failed): the plan
    // cannot be carried out to its end.
    bool broken() const { return broken_; }

    // The walk goes into the folder pair `name`: its Enter step, and the
    // other folder's leftovers (AddLeftover), are kept only once something
    // else is kept inside, or, with keepEmpty, in any case (a folder that an
    // answer may make). CloseFolder ends the innermost one.
    void OpenFolder(std::wstring name, bool keepEmpty);
    void AddLeftover(std::wstring name);
    void CloseFolder();
    // The index of the Leave step that ends the folder whose Enter is at `enter`.
    size_t EndOfFolder(size_t enter) const;

    // Tests: how many steps stay as they are, how many bytes of packed steps
    // the store keeps in memory and how many packed steps are read back at a
    // time, for the plans made from now on.
    static constexpr size_t kDefaultReadBlock = 1024;
    static void SetBoundsForTest(size_t steps, size_t packedBytes, size_t readBlock = kDefaultReadBlock);
    // Tests: while set, a plan that reads packed steps back first loses its
    // temporary file, as a failing disk would take it away.
    static void LoseFileForTest(bool lose);

private:
    struct OpenedFolder {
        std::wstring name;
        bool keepEmpty = false;
        bool kept = false;
        std::vector<std::wstring> leftovers;
    };
    void KeepOpenedFolders();
    void Push(Step step);
    void PackTail();

    std::vector<Step> tail_;  // the steps after the packed ones
    size_t stored_ = 0;       // steps packed into store_
    std::unique_ptr<LineStore> store_;
    mutable std::vector<Step> block_;  // packed steps read back
    mutable size_t blockFirst_ = 0;
    mutable bool broken_ = false;
    std::vector<OpenedFolder> opened_;
    std::vector<PassInfo> passes_;
    std::vector<std::wstring> details_;
    size_t stepsInMemory_;
    size_t packedBytes_;
    size_t readBlock_;
};

// The log of a walk that decides: every line goes into the plan, to be
// logged when the executor reaches it.
class PlanLog : public LogSink {
public:
    explicit PlanLog(RunPlan& plan) : plan_(&plan) {}
    void Into(RunPlan& plan) { plan_ = &plan; }
    void AppendLine(const std::wstring& text, const std::wstring& errorText = {}) override;

private:
    RunPlan* plan_;
};

}  // namespace mirrant
