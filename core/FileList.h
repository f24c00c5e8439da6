// The list of files being edited and every operation on it: add, scan, edit,
// apply to all, number, reset, undo and redo, remove, rename and write. Plain
// C++; the window and the command line are thin layers over it.
//
// Each row keeps two value sets: the baseline (what the file holds: the values
// read when the row was added, or last written) and the current values (what
// the user sees and what a write puts into the file). A write touches only the
// rows whose values differ from their baseline, and in them only the fields
// that differ.
#pragma once

#include "core/Formats.h"
#include "core/History.h"
#include "tags/common/TagFields.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora::core {

enum class RowState : std::uint8_t {
    Read,        // the values are the file's
    ReadFailed,  // the file could not be read; the values are empty
    WriteFailed, // the last write failed; the unwritten values are kept
};

// The cover a row shows.
struct CoverView {
    enum Kind : std::uint8_t {
        None,        // the file has no picture, or its cover is to be removed
        Shown,       // picture holds it (the file's, or the one to be written)
        Unsupported, // the row's format has no covers
        Failed,      // the file's cover could not be read: problem says why
    };
    Kind kind = None;
    std::shared_ptr<const Picture> picture;
    bool pending = false; // an unwritten cover change
    std::string problem;
};

// Whether two rows show the same cover (both none, or equal pictures): rows
// selected together whose covers differ show "(several covers)".
bool sameCover(const CoverView& a, const CoverView& b);

struct Row {
    RowId id = 0;
    // The file system's bytes, exactly (need not be UTF-8).
    std::string path;
    // The format the row was added as; null when Velmora does not know it.
    const Format* format = nullptr;
    TagValues baseline;
    TagValues current;
    RowState state = RowState::Read;
    // Why the last read or write failed, naming the file; empty after success.
    std::string problem;
    // The unwritten cover change.
    CoverEdit cover;

    // The row's format has tags that Velmora reads and writes.
    bool holdsTags() const { return format && format->hasTags(); }
    // The row's format has covers that Velmora reads and writes.
    bool holdsCovers() const { return format && format->hasCovers(); }
    // The current values as a write stores them (a typed track number keeps
    // the stored total).
    TagValues valuesToWrite() const;
    // The fields a write would change.
    FieldMask pendingChanges() const;
    // A write would change the file: fields or the cover.
    bool hasPendingChanges() const {
        return !pendingChanges().empty() || cover.kind != CoverEdit::Keep;
    }
};

enum class WriteOutcome : std::uint8_t { Unchanged, Written, Failed };

struct WriteResult {
    RowId id = 0;
    std::string path;
    WriteOutcome outcome = WriteOutcome::Unchanged;
    // For a failure: the message, naming the file and the system's reason.
    std::string reason;
};

// Told between files of a long operation (done of total); returning false
// stops it there, keeping what was done.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

class FileList {
public:
    // formats: the table files are looked up in.
    explicit FileList(std::span<const Format> formats = allFormats(), HistoryLimits limits = {})
        : formats_(formats), history_(limits) {}

    // Appends one row per path, in order, each read through its format's
    // reader. A file that cannot be read still gets its row, with empty values
    // and the reason in `problem`. Rows already listed keep their values and
    // unwritten edits. Adding a listed file again gives a second row.
    std::vector<RowId> add(const std::vector<std::string>& paths, const Progress& progress = {});
    RowId add(const std::string& path);

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    // Rows in the order they were added.
    std::span<const Row> rows() const { return rows_; }
    const Row& at(std::size_t index) const { return rows_.at(index); }
    // The row of an id, or null when it was removed.
    const Row* find(RowId id) const;

    // Every edit below (setField, setFieldInAll, numberTracks, reset and the
    // fills of core/TagsFromNames.h) is one undo step of its own, unless a
    // step is open: then it joins that step.

    // Sets one field of the given rows (rows of a format without tags are
    // left alone). An empty value removes the field when written.
    void setField(std::span<const RowId> ids, Field field, const std::string& value);
    // Sets one field of every row.
    void setFieldInAll(Field field, const std::string& value);
    // Numbers the given rows 1, 2, 3 ... in the order given, each keeping its
    // track total; rows of a format without tags take no number.
    void numberTracks(std::span<const RowId> idsInOrder);
    // Makes `picture` the front cover of the given rows (rows of a format
    // without covers are left alone); one copy serves every row.
    void setCover(std::span<const RowId> ids, std::shared_ptr<const Picture> picture);
    // Removes the front cover of the given rows when written.
    void removeCover(std::span<const RowId> ids);
    // The cover of a row as it shows: the pending change, else the file's front
    // cover, read now (only the shown row's; the caller keeps it while shown).
    CoverView coverOf(RowId id) const;

    // Puts the current values back to the baseline (and drops cover changes):
    // as the files hold them.
    void reset();
    void reset(std::span<const RowId> ids);

    // Opens a step that the edits until endStep() join: the window opens one
    // when a field gains the focus and ends it when the field loses it, so
    // the keystrokes between make one step. Steps nest; an unmatched end is
    // ignored, and a step that changed nothing leaves no trace.
    void beginStep() { history_.open(); }
    void endStep() { history_.close(); }
    // Puts back the current values the latest step changed (an open step is
    // ended first, wholly: a field that keeps the focus begins a new one) /
    // makes the latest undone step again. Returns the rows whose values
    // changed, ascending; empty when there was nothing to do. Baselines and files stay as they are:
    // after a write, undo changes the table only, and the undone values become changes to write.
    // Renames and writes are no steps.
    std::vector<RowId> undo();
    std::vector<RowId> redo();
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    const EditHistory& history() const { return history_; }

    // Removes the given rows (and their part of every undo step); returns how
    // many there were.
    std::size_t remove(std::span<const RowId> ids);
    // Removes every row and the undo history.
    void clear();

    // Renames the row's file within its folder to exactly newName. Returns
    // empty on success, else the reason (the name is refused, a file of that
    // name exists, the system's error); the row then keeps its path.
    std::string rename(RowId id, const std::string& newName);

    // Writes every row with pending changes, in order, going on after a
    // failure; one result per row reached. The fields go first, then the
    // cover. A written row's baseline and current values become what its file
    // now holds; a row whose cover failed keeps its cover change.
    std::vector<WriteResult> writeAll(const Progress& progress = {});
    // The same for one row (Unchanged when it has nothing to write).
    WriteResult write(RowId id);

    // How many rows have pending changes.
    std::size_t pendingCount() const;

private:
    Row* findRow(RowId id);
    WriteResult writeRow(Row& row);
    void rereadBaseline(Row& row, const TagValues& written);
    // Sets a current value, recording it in the history.
    void assign(Row& row, Field field, const std::string& value);
    // Sets the cover change, recording it in the history.
    void assignCover(Row& row, const CoverEdit& edit);
    void resetRow(Row& row);

    std::span<const Format> formats_;
    EditHistory history_;
    // Ordered by id: ids only grow and rows keep their order.
    std::vector<Row> rows_;
    RowId nextId_ = 1;
};

// Reads one file into a fresh row (without an id), its format looked up in formats.
Row readRow(const std::string& path, std::span<const Format> formats = allFormats());

// A failure's message naming the file once: the message as it is when it
// already names the file, else the file in quotes, a colon and the message.
std::string namingFile(const std::string& path, const std::string& message);

} // namespace velmora::core
