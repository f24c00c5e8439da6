// The undo history of the list's edits. A step is one thing the user did (one
// field edit from entering the field to leaving it, one apply-to-all, one
// numbering, one fill from names, one reset); it keeps, for exactly the rows
// and fields it touched, the value before and after. Nothing of a file on disk
// is in it: undoing a step changes the current values only.
#pragma once

#include "core/CoverEdit.h"
#include "tags/common/TagFields.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace velmora::core {

// A row's identity: stays with the row through every operation and is never
// given to another row.
using RowId = std::uint64_t;

// One field of one row, as a step changed it.
struct FieldChange {
    RowId row = 0;
    Field field = Field::Title;
    std::string before;
    std::string after;
};

// The cover change of one row, as a step changed it.
struct CoverChange {
    RowId row = 0;
    CoverEdit before;
    CoverEdit after;
};

// One undoable step. Further kinds of change join as vectors of their own
// beside `fields` and `covers`.
struct EditStep {
    std::vector<FieldChange> fields;
    std::vector<CoverChange> covers;

    bool empty() const { return fields.empty() && covers.empty(); }
    // What the step holds in memory, roughly.
    std::size_t bytes() const;
};

struct HistoryLimits {
    // Steps kept for undo; the oldest go first.
    std::size_t maxSteps = 200;
    // Memory the kept steps may take; the newest step is kept whatever its size.
    std::size_t maxBytes = std::size_t{64} << 20;
};

class EditHistory {
public:
    explicit EditHistory(HistoryLimits limits = {}) : limits_(limits) {}

    // Opens a step; every change recorded until the matching close joins it.
    // Opens nest: the outermost close ends the step.
    void open();
    void close();
    bool isOpen() const { return depth_ > 0; }

    // Records a change into the open step. A field changed again within one
    // step keeps its first `before`.
    void record(RowId row, Field field, const std::string& before, const std::string& after);
    // The same for a row's cover change.
    void recordCover(RowId row, const CoverEdit& before, const CoverEdit& after);

    // The step to undo (its changes to be put back, last first), moved to the
    // redo side; null when there is none. An open step is closed first.
    const EditStep* undo();
    // The step to redo (its changes to be made again, first first), moved
    // back to the undo side; null when there is none.
    const EditStep* redo();
    bool canUndo() const { return !undo_.empty() || !open_.empty(); }
    bool canRedo() const { return !redo_.empty() && open_.empty(); }
    std::size_t undoCount() const { return undo_.size(); }
    std::size_t redoCount() const { return redo_.size(); }
    std::size_t bytes() const { return bytes_; }

    // Forgets every change of these rows (sorted ascending); steps left with
    // nothing go.
    void forgetRows(std::span<const RowId> sortedRows);
    void clear();

private:
    void pushClosed();
    void enforceLimits();

    HistoryLimits limits_;
    std::deque<EditStep> undo_;
    std::vector<EditStep> redo_;
    EditStep open_;
    // Where a row's field sits in open_, so repeated changes merge.
    std::unordered_map<std::uint64_t, std::size_t> openIndex_;
    std::unordered_map<RowId, std::size_t> openCoverIndex_;
    int depth_ = 0;
    // Memory of undo_ and redo_.
    std::size_t bytes_ = 0;
};

} // namespace velmora::core
