// set: writes the given fields into each file, and nothing else.
#include "cli/Commands.h"
#include "core/FileList.h"

#include <algorithm>

namespace velmora::cli {

void reportFailure(std::ostream& err, const std::string& message) {
    err << "velmora-cli: " << message << '\n';
}

int writeAndReport(core::FileList& list, const std::vector<core::RowId>& edited, std::size_t failed,
                   std::ostream& out, std::ostream& err) {
    std::size_t written = 0, unchanged = 0;
    for (const core::WriteResult& result : list.writeAll()) {
        // Ids grow with the rows, so `edited` is sorted.
        if (!std::binary_search(edited.begin(), edited.end(), result.id))
            continue;
        switch (result.outcome) {
        case core::WriteOutcome::Written:
            ++written;
            break;
        case core::WriteOutcome::Unchanged:
            ++unchanged;
            break;
        case core::WriteOutcome::Failed:
            reportFailure(err, result.reason);
            ++failed;
            break;
        }
    }
    out << written << (written == 1 ? " file" : " files") << " written, " << unchanged
        << " unchanged, " << failed << " failed\n";
    return failed == 0 ? 0 : 1;
}

int runSet(const Arguments& args, std::ostream& out, std::ostream& err) {
    // The image is checked before any file is read or changed.
    std::shared_ptr<const Picture> cover;
    if (args.coverFile) {
        std::string error;
        std::optional<Picture> picture = loadCoverFile(*args.coverFile, error);
        if (!picture) {
            reportFailure(err, error);
            return 1;
        }
        cover = std::make_shared<const Picture>(std::move(*picture));
    }
    const bool coverChange = cover || args.removeCover;
    core::FileList list;
    list.add(args.files);
    // Only rows that were read take the new values; the others fail here.
    std::vector<core::RowId> editable;
    std::size_t failed = 0;
    for (const core::Row& row : list.rows()) {
        std::string problem;
        if (!row.format)
            problem = core::namingFile(row.path, "Velmora does not know this kind of file.");
        else if (!row.holdsTags())
            problem = core::namingFile(row.path, "Velmora cannot write tags into " +
                                                     std::string(row.format->name) + " files.");
        else if (row.state == core::RowState::ReadFailed)
            problem = row.problem;
        else if (coverChange && !row.holdsCovers())
            problem = core::namingFile(row.path, "Velmora cannot write covers into " +
                                                     std::string(row.format->name) + " files.");
        if (problem.empty()) {
            editable.push_back(row.id);
        } else {
            reportFailure(err, problem);
            ++failed;
        }
    }
    for (const auto& [field, value] : args.fields)
        list.setField(editable, field, value);
    if (cover)
        list.setCover(editable, cover);
    else if (args.removeCover)
        list.removeCover(editable);

    return writeAndReport(list, editable, failed, out, err);
}

} // namespace velmora::cli
