#include "core/FileList.h"

#include "base/FileLayer.h"
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
        // Some readers show a file they cannot open as untagged; the open
        // error comes first.
        InputFile{path};
        values = format->readTags(path);
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
    Row row = readRow(path, formats_);
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
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (progress && !progress(i, rows_.size()))
            break;
        results.push_back(writeRow(rows_[i]));
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
        if (fieldsWritten) // the fields are in the file; the cover change stays
            rereadBaseline(row, values);
        row.state = RowState::WriteFailed;
        row.problem = result.reason;
        return result;
    }
    result.outcome = WriteOutcome::Written;
    if (fieldsWritten)
        rereadBaseline(row, values);
    row.state = RowState::Read;
    row.problem.clear();
    return result;
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
