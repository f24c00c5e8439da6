#include "core/History.h"

#include <algorithm>
#include <utility>

namespace velmora::core {

namespace {

std::uint64_t keyOf(RowId row, Field field) {
    return row * FieldCount + static_cast<std::uint64_t>(field);
}

} // namespace

std::size_t EditStep::bytes() const {
    // A cover's picture is shared with the rows and other steps: not counted.
    std::size_t total = sizeof(EditStep) + fields.capacity() * sizeof(FieldChange) +
                        covers.capacity() * sizeof(CoverChange);
    for (const FieldChange& change : fields)
        total += change.before.capacity() + change.after.capacity();
    return total;
}

void EditHistory::open() {
    ++depth_;
}

void EditHistory::close() {
    if (depth_ == 0)
        return;
    if (--depth_ == 0)
        pushClosed();
}

void EditHistory::record(RowId row, Field field, const std::string& before,
                         const std::string& after) {
    if (depth_ == 0) {
        // A change outside any step is a step of its own.
        open();
        record(row, field, before, after);
        close();
        return;
    }
    const auto [it, added] = openIndex_.try_emplace(keyOf(row, field), open_.fields.size());
    if (added)
        open_.fields.push_back({row, field, before, after});
    else
        open_.fields[it->second].after = after;
}

void EditHistory::recordCover(RowId row, const CoverEdit& before, const CoverEdit& after) {
    if (depth_ == 0) {
        open();
        recordCover(row, before, after);
        close();
        return;
    }
    const auto [it, added] = openCoverIndex_.try_emplace(row, open_.covers.size());
    if (added)
        open_.covers.push_back({row, before, after});
    else
        open_.covers[it->second].after = after;
}

void EditHistory::pushClosed() {
    openIndex_.clear();
    openCoverIndex_.clear();
    // A field edited and edited back is no change.
    std::erase_if(open_.fields,
                  [](const FieldChange& change) { return change.before == change.after; });
    std::erase_if(open_.covers,
                  [](const CoverChange& change) { return change.before == change.after; });
    if (open_.empty()) {
        open_ = {};
        return;
    }
    open_.fields.shrink_to_fit();
    open_.covers.shrink_to_fit();
    for (const EditStep& step : redo_)
        bytes_ -= step.bytes();
    redo_.clear();
    bytes_ += open_.bytes();
    undo_.push_back(std::exchange(open_, {}));
    enforceLimits();
}

void EditHistory::enforceLimits() {
    while (undo_.size() > 1 && (undo_.size() > limits_.maxSteps || bytes_ > limits_.maxBytes)) {
        bytes_ -= undo_.front().bytes();
        undo_.pop_front();
    }
}

const EditStep* EditHistory::undo() {
    if (depth_ > 0) {
        depth_ = 0;
        pushClosed();
    }
    if (undo_.empty())
        return nullptr;
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    return &redo_.back();
}

const EditStep* EditHistory::redo() {
    if (redo_.empty() || !open_.empty())
        return nullptr;
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    return &undo_.back();
}

void EditHistory::forgetRows(std::span<const RowId> sortedRows) {
    if (sortedRows.empty())
        return;
    auto listed = [&](const auto& change) {
        return std::binary_search(sortedRows.begin(), sortedRows.end(), change.row);
    };
    auto prune = [&](auto& steps) {
        for (EditStep& step : steps) {
            const std::size_t before = step.bytes();
            if (std::erase_if(step.fields, listed) + std::erase_if(step.covers, listed) == 0)
                continue;
            step.fields.shrink_to_fit();
            step.covers.shrink_to_fit();
            bytes_ = bytes_ - before + step.bytes();
        }
        std::erase_if(steps, [&](const EditStep& step) {
            if (!step.empty())
                return false;
            bytes_ -= step.bytes();
            return true;
        });
    };
    prune(undo_);
    prune(redo_);
    // The open step: its index is rebuilt for what stays.
    if (std::erase_if(open_.fields, listed) > 0) {
        openIndex_.clear();
        for (std::size_t i = 0; i < open_.fields.size(); ++i)
            openIndex_[keyOf(open_.fields[i].row, open_.fields[i].field)] = i;
    }
    if (std::erase_if(open_.covers, listed) > 0) {
        openCoverIndex_.clear();
        for (std::size_t i = 0; i < open_.covers.size(); ++i)
            openCoverIndex_[open_.covers[i].row] = i;
    }
}

void EditHistory::clear() {
    undo_.clear();
    redo_.clear();
    open_ = {};
    openIndex_.clear();
    openCoverIndex_.clear();
    bytes_ = 0;
}

} // namespace velmora::core
