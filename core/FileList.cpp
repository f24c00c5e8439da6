#include "core/FileList.h"

#include "base/FileLayer.h"
#include "base/GroupCommitScope.h"
#include "core/RenameFile.h"
#include "core/TrackNumber.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace velmora::core {

namespace {

// The message of the exception in flight.
std::string currentErrorText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "An unknown error occurred.";
    }
}

// Reads the file's values through its format's reader; false (with the
// reason) when it cannot be read.
bool readValues(const std::string& path, const Format* format, TagValues& values,
                std::string& problem) {
    values = {};
    if (!format || !format->readTags)
        return true;
    try {
        // A copy cut short is finished first; when it cannot be, the row
        // shows why rather than half-copied values.
        recoverPendingWrite(path);
        // Some readers show a file they cannot open as untagged, and an open
        // error explains a failed read better than the reader's own: when the
        // reader fails or finds nothing, an open error comes first. A file
        // that shows values was opened, so most rows cost one open.
        try {
            values = format->readTags(path);
        } catch (...) {
            InputFile{path};
            throw;
        }
        const auto& fields = values.values;
        if (std::all_of(fields.begin(), fields.end(), [](const auto& v) { return v.empty(); }))
            InputFile{path};
        return true;
    } catch (...) {
        values = {};
        problem = namingFile(path, currentErrorText());
        return false;
    }
}

} // namespace

TagValues Row::valuesToWrite() const {
    TagValues values = current;
    values[Field::Track] = mergeTrack(current[Field::Track], baseline[Field::Track]);
    return values;
}

FieldMask Row::pendingChanges() const {
    return changedFields(baseline, valuesToWrite());
}

std::string namingFile(const std::string& path, const std::string& message) {
    if (message.find(path) != std::string::npos)
        return message;
    return "\"" + path + "\": " + message;
}

Row readRow(const std::string& path, std::span<const Format> formats) {
    Row row;
    row.path = path;
    row.format = formatOf(path, formats);
    if (!readValues(path, row.format, row.baseline, row.problem))
        row.state = RowState::ReadFailed;
    row.current = row.baseline;
    return row;
}

std::vector<RowId> FileList::add(const std::vector<std::string>& paths, const Progress& progress) {
    std::vector<RowId> ids;
    ids.reserve(paths.size());
    rows_.reserve(rows_.size() + paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (progress && !progress(i, paths.size()))
            break;
        ids.push_back(add(paths[i]));
    }
    return ids;
}

RowId FileList::add(const std::string& path) {
    return append(readRow(path, formats_));
}

RowId FileList::append(Row row) {
    row.id = nextId_++;
    rows_.push_back(std::move(row));
    return rows_.back().id;
}

const Row* FileList::find(RowId id) const {
    const auto it = std::lower_bound(rows_.begin(), rows_.end(), id,
                                     [](const Row& row, RowId key) { return row.id < key; });
    return it != rows_.end() && it->id == id ? &*it : nullptr;
}

Row* FileList::findRow(RowId id) {
    return const_cast<Row*>(std::as_const(*this).find(id));
}

namespace {

// Makes the edits of its lifetime one undo step, or part of the open one.
class StepScope {
public:
    explicit StepScope(EditHistory& history) : history_(history) { history_.open(); }
    ~StepScope() { history_.close(); }
    StepScope(const StepScope&) = delete;
    StepScope& operator=(const StepScope&) = delete;

private:
    EditHistory& history_;
};

// The rows of a step, ascending and once each.
std::vector<RowId> rowsOf(const EditStep& step) {
    std::vector<RowId> rows;
    for (const FieldChange& change : step.fields)
        rows.push_back(change.row);
    for (const CoverChange& change : step.covers)
        rows.push_back(change.row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace

void FileList::assign(Row& row, Field field, const std::string& value) {
    std::string& current = row.current[field];
    if (current == value)
        return;
    history_.record(row.id, field, current, value);
    current = value;
}

void FileList::setField(std::span<const RowId> ids, Field field, const std::string& value) {
    StepScope step(history_);
    for (RowId id : ids)
        if (Row* row = findRow(id); row && row->holdsTags())
            assign(*row, field, value);
}

void FileList::setFieldInAll(Field field, const std::string& value) {
    StepScope step(history_);
    for (Row& row : rows_)
        if (row.holdsTags())
            assign(row, field, value);
}

void FileList::numberTracks(std::span<const RowId> idsInOrder) {
    StepScope step(history_);
    int number = 0;
    for (RowId id : idsInOrder)
        if (Row* row = findRow(id); row && row->holdsTags())
            assign(*row, Field::Track, numberedTrack(++number, row->current[Field::Track]));
}

void FileList::assignCover(Row& row, const CoverEdit& edit) {
    if (row.cover == edit)
        return;
    history_.recordCover(row.id, row.cover, edit);
    row.cover = edit;
}

void FileList::resetRow(Row& row) {
    for (int i = 0; i < FieldCount; ++i)
        assign(row, static_cast<Field>(i), row.baseline.values[i]);
    assignCover(row, {});
}

void FileList::setCover(std::span<const RowId> ids, std::shared_ptr<const Picture> picture) {
    if (!picture)
        return;
    StepScope step(history_);
    for (RowId id : ids)
        if (Row* row = findRow(id); row && row->holdsCovers())
            assignCover(*row, {CoverEdit::Set, picture});
}

bool sameCover(const CoverView& a, const CoverView& b) {
    if (a.kind != b.kind)
        return false;
    if (!a.picture || !b.picture)
        return a.picture == b.picture;
    return a.picture->sameAs(*b.picture);
}

void FileList::removeCover(std::span<const RowId> ids) {
    StepScope step(history_);
    for (RowId id : ids)
        if (Row* row = findRow(id); row && row->holdsCovers())
            assignCover(*row, {CoverEdit::Remove, nullptr});
}

CoverView FileList::coverOf(RowId id) const {
    const Row* row = find(id);
    if (!row || !row->holdsCovers())
        return {CoverView::Unsupported, nullptr, false, {}};
    switch (row->cover.kind) {
    case CoverEdit::Set:
        return {CoverView::Shown, row->cover.picture, true, {}};
    case CoverEdit::Remove:
        return {CoverView::None, nullptr, true, {}};
    case CoverEdit::Keep:
        break;
    }
    try {
        std::optional<Picture> picture = row->format->readFrontCover(row->path);
        if (!picture)
            return {};
        return {CoverView::Shown, std::make_shared<const Picture>(std::move(*picture)), false, {}};
    } catch (...) {
        return {CoverView::Failed, nullptr, false, namingFile(row->path, currentErrorText())};
    }
}

void FileList::reset() {
    StepScope step(history_);
    for (Row& row : rows_)
        resetRow(row);
}

void FileList::reset(std::span<const RowId> ids) {
    StepScope step(history_);
    for (RowId id : ids)
        if (Row* row = findRow(id))
            resetRow(*row);
}

std::vector<RowId> FileList::undo() {
    const EditStep* step = history_.undo();
    if (!step)
        return {};
    for (auto it = step->fields.rbegin(); it != step->fields.rend(); ++it)
        if (Row* row = findRow(it->row))
            row->current[it->field] = it->before;
    for (const CoverChange& change : step->covers)
        if (Row* row = findRow(change.row))
            row->cover = change.before;
    return rowsOf(*step);
}

std::vector<RowId> FileList::redo() {
    const EditStep* step = history_.redo();
    if (!step)
        return {};
    for (const FieldChange& change : step->fields)
        if (Row* row = findRow(change.row))
            row->current[change.field] = change.after;
    for (const CoverChange& change : step->covers)
        if (Row* row = findRow(change.row))
            row->cover = change.after;
    return rowsOf(*step);
}

std::size_t FileList::remove(std::span<const RowId> ids) {
    std::vector<RowId> sorted(ids.begin(), ids.end());
    std::sort(sorted.begin(), sorted.end());
    history_.forgetRows(sorted);
    return std::erase_if(rows_, [&](const Row& row) {
        return std::binary_search(sorted.begin(), sorted.end(), row.id);
    });
}

void FileList::clear() {
    rows_.clear();
    history_.clear();
}

std::string FileList::rename(RowId id, const std::string& newName) {
    Row* row = findRow(id);
    if (!row)
        return "The file is no longer listed.";
    std::string newPath;
    std::string error = renameWithinFolder(row->path, newName, newPath);
    if (error.empty())
        row->path = std::move(newPath);
    return error;
}

std::vector<WriteResult> FileList::writeAll(const Progress& progress) {
    std::vector<WriteResult> results;
    results.reserve(rows_.size());
    // Files made new are put in place as groups: the disk is waited on once
    // per group, not once per file. Until its group commits, a file is its
    // old version and its row keeps its baseline.
    struct Written {
        std::size_t result;
        std::size_t row;
        std::size_t firstTicket;
        std::size_t endTicket;
    };
    std::vector<Written> written;
    GroupCommitScope group;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (progress && !progress(i, rows_.size()))
            break;
        Row& row = rows_[i];
        // A file written twice: the first new version goes in before the
        // second is built from it.
        if (group.holds(row.path))
            group.commit();
        const std::size_t ticket = group.handedOver();
        results.push_back(writeRow(row));
        if (results.back().outcome == WriteOutcome::Written)
            written.push_back({results.size() - 1, i, ticket, group.handedOver()});
        else
            group.discardFrom(ticket); // a writer that failed after handing a file over
    }
    group.commit();
    for (const Written& w : written) {
        Row& row = rows_[w.row];
        std::exception_ptr error;
        for (std::size_t t = w.firstTicket; t < w.endTicket && !error; ++t)
            error = group.file(t).error;
        if (!error) {
            settleWritten(row);
            continue;
        }
        WriteResult& result = results[w.result];
        try {
            std::rethrow_exception(error);
        } catch (...) {
            result.reason = namingFile(row.path, currentErrorText());
        }
        result.outcome = WriteOutcome::Failed;
        row.state = RowState::WriteFailed;
        row.problem = result.reason;
    }
    return results;
}

WriteResult FileList::write(RowId id) {
    Row* row = findRow(id);
    if (!row)
        return {id, {}, WriteOutcome::Failed, "The file is no longer listed."};
    return writeRow(*row);
}

WriteResult FileList::writeRow(Row& row) {
    WriteResult result{row.id, row.path, WriteOutcome::Unchanged, {}};
    const TagValues values = row.valuesToWrite();
    const FieldMask changed = changedFields(row.baseline, values);
    const bool coverChanged = row.cover.kind != CoverEdit::Keep;
    if (changed.empty() && !coverChanged)
        return result;
    bool fieldsWritten = false;
    try {
        if (!changed.empty()) {
            if (!row.holdsTags())
                throw TagError("Velmora cannot write tags into " +
                               std::string(row.format ? row.format->name : "this kind of") +
                               " files.");
            row.format->writeTags(row.path, values, changed);
            fieldsWritten = true;
        }
        if (coverChanged) {
            // Under a group the new fields may still wait beside the file: the
            // cover is written over the file that holds them.
            putHeldFileInPlace(row.path);
            if (!row.holdsCovers())
                throw TagError("Velmora cannot write covers into " +
                               std::string(row.format ? row.format->name : "this kind of") +
                               " files.");
            row.format->writeFrontCover(
                row.path, row.cover.kind == CoverEdit::Set ? row.cover.picture.get() : nullptr);
            row.cover = {};
        }
    } catch (...) {
        result.outcome = WriteOutcome::Failed;
        result.reason = namingFile(row.path, currentErrorText());
        if (fieldsWritten) { // the fields are in the file; the cover change stays
            putHeldFileInPlace(row.path);
            rereadBaseline(row, values);
        }
        row.state = RowState::WriteFailed;
        row.problem = result.reason;
        return result;
    }
    result.outcome = WriteOutcome::Written;
    // Under a group (writeAll) the file may still be its old version: the
    // baseline is settled once the group committed.
    if (fieldsWritten && !GroupCommitScope::active())
        rereadBaseline(row, values);
    row.state = RowState::Read;
    row.problem.clear();
    return result;
}

void FileList::putHeldFileInPlace(const std::string& path) {
    if (GroupCommitScope* group = GroupCommitScope::active(); group && group->holds(path))
        group->commit();
}

void FileList::settleWritten(Row& row) {
    // The file's values now; what was written, should reading it back fail.
    TagValues onDisk;
    std::string ignored;
    row.baseline = readValues(row.path, row.format, onDisk, ignored) ? onDisk : row.valuesToWrite();
    row.current = row.baseline;
    row.state = RowState::Read;
    row.problem.clear();
}

void FileList::rereadBaseline(Row& row, const TagValues& written) {
    // The file's values now; what was written, should reading it back fail.
    TagValues onDisk;
    std::string ignored;
    row.baseline = readValues(row.path, row.format, onDisk, ignored) ? onDisk : written;
    row.current = row.baseline;
}

std::size_t FileList::pendingCount() const {
    return static_cast<std::size_t>(std::count_if(
        rows_.begin(), rows_.end(), [](const Row& row) { return row.hasPendingChanges(); }));
}

} // namespace velmora::core
