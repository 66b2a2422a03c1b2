#include "engine/run_plan.h"

#include <algorithm>
#include <utility>

#include "log/line_store.h"

namespace mirrant {

namespace {

size_t g_stepsInMemory = RunPlan::kDefaultStepsInMemory;
size_t g_packedBytes = LineStore::kDefaultMemoryBound;
size_t g_readBlock = RunPlan::kDefaultReadBlock;
bool g_loseFile = false;

// A packed step: its fixed fields as 16-bit units, then its text.
constexpr size_t kPackedFields = 4 + 2 + 2 + 16 + 4 + 4 + 4;

void PutWide(std::wstring& out, std::uint64_t value, int units) {
    for (int i = 0; i < units; ++i) out.push_back(static_cast<wchar_t>((value >> (16 * i)) & 0xFFFF));
}

std::uint64_t TakeWide(const std::wstring& in, size_t& at, int units) {
    std::uint64_t value = 0;
    for (int i = 0; i < units; ++i) value |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(in[at++])) << (16 * i);
    return value;
}

std::wstring Pack(const Step& s) {
    std::wstring out;
    out.reserve(kPackedFields + s.text.size());
    const unsigned flags = (s.error ? 1u : 0u) | (s.isLink ? 2u : 0u) | (s.subtree ? 4u : 0u) | (s.readFailed ? 8u : 0u);
    PutWide(out, static_cast<unsigned>(s.kind) | (flags << 8), 1);
    PutWide(out, 0, 1);
    PutWide(out, static_cast<unsigned>(s.decision.action) | (static_cast<unsigned>(s.decision.order) << 8), 1);
    PutWide(out, static_cast<unsigned>(s.decision.content), 1);
    PutWide(out, s.decision.lineId, 2);
    PutWide(out, s.index, 2);
    for (std::uint64_t v : {s.thisStamp.creation, s.thisStamp.access, s.thisStamp.write, s.thisStamp.size})
        PutWide(out, v, 4);
    PutWide(out, s.otherWrite, 4);
    PutWide(out, s.otherSize, 4);
    PutWide(out, s.filesBelow, 4);
    out += s.text;
    return out;
}

Step Unpack(const std::wstring& in) {
    Step s;
    if (in.size() < kPackedFields) return s;
    size_t at = 0;
    const auto head = static_cast<unsigned>(TakeWide(in, at, 1));
    s.kind = static_cast<StepKind>(head & 0xFF);
    const unsigned flags = head >> 8;
    s.error = flags & 1u;
    s.isLink = flags & 2u;
    s.subtree = flags & 4u;
    s.readFailed = flags & 8u;
    TakeWide(in, at, 1);
    const auto decision = static_cast<unsigned>(TakeWide(in, at, 1));
    s.decision.action = static_cast<Action>(decision & 0xFF);
    s.decision.order = static_cast<PairOrder>(decision >> 8);
    s.decision.content = static_cast<Content>(TakeWide(in, at, 1));
    s.decision.lineId = static_cast<unsigned>(TakeWide(in, at, 2));
    s.index = static_cast<std::uint32_t>(TakeWide(in, at, 2));
    s.thisStamp.creation = TakeWide(in, at, 4);
    s.thisStamp.access = TakeWide(in, at, 4);
    s.thisStamp.write = TakeWide(in, at, 4);
    s.thisStamp.size = TakeWide(in, at, 4);
    s.otherWrite = TakeWide(in, at, 4);
    s.otherSize = TakeWide(in, at, 4);
    s.filesBelow = TakeWide(in, at, 4);
    s.text = in.substr(at);
    return s;
}

}  // namespace

void RunPlan::SetBoundsForTest(size_t steps, size_t packedBytes, size_t readBlock) {
    g_stepsInMemory = steps;
    g_packedBytes = packedBytes;
    g_readBlock = readBlock;
}

void RunPlan::LoseFileForTest(bool lose) { g_loseFile = lose; }

RunPlan::RunPlan()
    : stepsInMemory_(g_stepsInMemory), packedBytes_(g_packedBytes), readBlock_(g_readBlock) {
    details_.emplace_back();  // detail 0: none
}
RunPlan::~RunPlan() = default;
RunPlan::RunPlan(RunPlan&&) noexcept = default;
RunPlan& RunPlan::operator=(RunPlan&&) noexcept = default;

std::uint32_t RunPlan::AddPass(PassInfo pass) {
    passes_.push_back(std::move(pass));
    const auto index = static_cast<std::uint32_t>(passes_.size() - 1);
    Step step;
    step.kind = StepKind::Pass;
    step.index = index;
    Add(std::move(step));
    return index;
}

std::uint32_t RunPlan::AddDetail(std::wstring text) {
    details_.push_back(std::move(text));
    return static_cast<std::uint32_t>(details_.size() - 1);
}

void RunPlan::Add(Step step) {
    KeepOpenedFolders();
    Push(std::move(step));
}

void RunPlan::Push(Step step) {
    tail_.push_back(std::move(step));
    if (tail_.size() >= stepsInMemory_) PackTail();
}

// The steps so far go into the store, in order; the store keeps what it
// cannot hold in memory in its file.
void RunPlan::PackTail() {
    if (!store_) {
        store_ = std::make_unique<LineStore>();
        store_->SetMemoryBound(packedBytes_);
    }
    for (const Step& s : tail_) store_->Append(Pack(s));
    stored_ += tail_.size();
    tail_.clear();
}

const Step& RunPlan::operator[](size_t i) const {
    if (i >= stored_) return tail_[i - stored_];
    if (i < blockFirst_ || i >= blockFirst_ + block_.size()) {
        block_.clear();
        blockFirst_ = i;
        DWORD error = 0;
        const size_t count = std::min(readBlock_, stored_ - i);
        if (g_loseFile) store_->BreakFileForTest();
        const bool read = store_->Read(
            i, count,
            [this](const std::wstring& packed) {
                block_.push_back(Unpack(packed));
                return true;
            },
            error);
        if (!read || block_.size() != count) {
            broken_ = true;
            block_.assign(1, Step{});  // a line with no text: nothing is done for it
            block_[0].kind = StepKind::ErrorText;
            blockFirst_ = i;
        }
    }
    return block_[std::min(i - blockFirst_, block_.size() - 1)];
}

// A folder is kept with its parents once something is kept inside it.
void RunPlan::KeepOpenedFolders() {
    for (OpenedFolder& f : opened_) {
        if (f.kept) continue;
        f.kept = true;
        Step enter;
        enter.kind = StepKind::Enter;
        enter.text = std::move(f.name);
        Push(std::move(enter));
        for (std::wstring& name : f.leftovers) {
            Step leftover;
            leftover.kind = StepKind::Leftover;
            leftover.text = std::move(name);
            Push(std::move(leftover));
        }
        f.leftovers.clear();
    }
}

void RunPlan::OpenFolder(std::wstring name, bool keepEmpty) {
    OpenedFolder f;
    f.name = std::move(name);
    f.keepEmpty = keepEmpty;
    opened_.push_back(std::move(f));
}

void RunPlan::AddLeftover(std::wstring name) {
    if (!opened_.empty() && !opened_.back().kept) {
        opened_.back().leftovers.push_back(std::move(name));
        return;
    }
    Step leftover;
    leftover.kind = StepKind::Leftover;
    leftover.text = std::move(name);
    Push(std::move(leftover));  // the pass's own folder, or one kept already
}

void RunPlan::CloseFolder() {
    if (opened_.empty()) return;
    if (opened_.back().keepEmpty) KeepOpenedFolders();
    const bool kept = opened_.back().kept;
    opened_.pop_back();
    if (!kept) return;
    Step leave;
    leave.kind = StepKind::Leave;
    Push(std::move(leave));
}

size_t RunPlan::EndOfFolder(size_t enter) const {
    int depth = 0;
    for (size_t i = enter; i < size(); ++i) {
        const StepKind kind = (*this)[i].kind;
        if (kind == StepKind::Enter) ++depth;
        else if (kind == StepKind::Leave && --depth == 0) return i;
    }
    return size();
}

void PlanLog::AppendLine(const std::wstring& text, const std::wstring& errorText) {
    const bool error = !errorText.empty();
    Step line;
    line.kind = StepKind::Line;
    line.error = error;
    line.text = text;
    plan_->Add(std::move(line));
    if (error && errorText != text) {
        Step extra;
        extra.kind = StepKind::ErrorText;
        extra.text = errorText;
        plan_->Add(std::move(extra));
    }
}

}  // namespace mirrant
