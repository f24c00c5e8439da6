#include "core/NamesFromTags.h"

#include "base/FileLayer.h"
#include "core/FileNames.h"
#include "core/PathParts.h"

#include <algorithm>
#include <map>
#include <sys/stat.h>

namespace velmora::core {

namespace {

std::string refusal(const std::string& path, const std::string& why) {
    return "Cannot rename \"" + expandPath(path) + "\": " + why + ".";
}

std::string refusal(const std::string& path, const std::string& newName, const std::string& why) {
    return "Cannot rename \"" + expandPath(path) + "\" to \"" + newName + "\": " + why + ".";
}

// Another file than `path` exists at `target` (a symbolic link counts, even a
// dangling one).
bool otherFileAt(const std::string& target, const std::string& path) {
    struct stat targetStatus {};
    if (::lstat(target.c_str(), &targetStatus) != 0)
        return false;
    struct stat ownStatus {};
    return ::lstat(path.c_str(), &ownStatus) != 0 || ownStatus.st_dev != targetStatus.st_dev ||
           ownStatus.st_ino != targetStatus.st_ino;
}

// text without control characters: a tag's line breaks and tabs have no place
// in a name (the rename editor takes one line, so it never meets them).
std::string withoutControls(std::string text) {
    std::erase_if(text, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    return text;
}

void planName(RenamePlan& plan, const Row& row, const NamePattern& pattern) {
    std::optional<Field> missing;
    const std::string composed =
        cleanFileName(withoutControls(composeName(pattern, row.current, missing)));
    if (missing) {
        plan.problem = refusal(row.path, "the file has no " + std::string(fieldCaption(*missing)));
        return;
    }
    const std::string_view extension = extensionOf(row.path);
    plan.newName = fitName(composed, extension);
    if (composed.empty() || plan.newName.empty() || plan.newName == "." || plan.newName == "..") {
        plan.problem = refusal(row.path, "its tags give no usable name");
        plan.newName.clear();
        return;
    }
    plan.newPath = std::string(folderPart(row.path)) + plan.newName;
    if (plan.newPath != row.path && otherFileAt(plan.newPath, row.path))
        plan.problem = refusal(row.path, plan.newName, "a file of that name already exists");
}

} // namespace

std::string namingError(const NamePattern& pattern) {
    if (!pattern.valid())
        return pattern.error;
    for (const NamePattern::Piece& piece : pattern.pieces)
        if (!piece.field && piece.text.find('/') != std::string::npos)
            return "the pattern holds \"/\", but a file is renamed within its folder";
    return {};
}

std::vector<RenamePlan> previewRename(const FileList& list, std::span<const RowId> ids,
                                      const NamePattern& pattern, std::span<const RowId> playing) {
    const std::string patternError = namingError(pattern);
    std::vector<RenamePlan> plans;
    plans.reserve(ids.size());
    for (RowId id : ids) {
        RenamePlan& plan = plans.emplace_back();
        plan.id = id;
        const Row* row = list.find(id);
        if (!row) {
            plan.problem = "The file is no longer listed.";
            continue;
        }
        plan.oldPath = row->path;
        if (!patternError.empty())
            plan.problem = refusal(row->path, "the pattern cannot be used: " + patternError);
        else if (std::find(playing.begin(), playing.end(), id) != playing.end())
            plan.problem = refusal(row->path, "the file is playing");
        else if (row->state == RowState::ReadFailed)
            plan.problem = row->problem;
        else
            planName(plan, *row, pattern);
    }
    // Two files of the batch getting one name: each is told the other. (A file
    // keeping its name meets a newcomer as an existing file.)
    std::map<std::string, std::vector<std::size_t>> byTarget;
    for (std::size_t i = 0; i < plans.size(); ++i)
        if (!plans[i].newPath.empty() && plans[i].newPath != plans[i].oldPath)
            byTarget[plans[i].newPath].push_back(i);
    for (const auto& [target, indices] : byTarget) {
        if (indices.size() < 2)
            continue;
        for (std::size_t i : indices) {
            RenamePlan& plan = plans[i];
            const std::size_t other = indices[i == indices[0] ? 1 : 0];
            if (plan.problem.empty())
                plan.problem =
                    refusal(plan.oldPath, plan.newName,
                            "\"" + expandPath(plans[other].oldPath) + "\" would get the same name");
        }
    }
    return plans;
}

std::vector<RenamePlan> renameFromTags(FileList& list, std::span<const RowId> ids,
                                       const NamePattern& pattern, std::span<const RowId> playing) {
    std::vector<RenamePlan> plans = previewRename(list, ids, pattern, playing);
    if (problemCount(plans) > 0)
        return plans;
    for (RenamePlan& plan : plans) {
        if (plan.unchanged())
            continue;
        plan.problem = list.rename(plan.id, plan.newName);
        plan.renamed = plan.problem.empty();
    }
    return plans;
}

std::size_t problemCount(std::span<const RenamePlan> plans) {
    return static_cast<std::size_t>(std::count_if(
        plans.begin(), plans.end(), [](const RenamePlan& plan) { return !plan.problem.empty(); }));
}

} // namespace velmora::core
