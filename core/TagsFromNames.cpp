#include "core/TagsFromNames.h"

#include "core/PathParts.h"

namespace velmora::core {

namespace {

// The file name less its extension (from the last dot).
std::string nameWithoutExtension(const std::string& path) {
    const std::string_view name = fileNamePart(path);
    return std::string(name.substr(0, name.size() - extensionOf(path).size()));
}

FillPlan planFor(const FileList& list, RowId id, const NamePattern& pattern,
                 const std::string& patternError) {
    FillPlan plan;
    plan.id = id;
    const Row* row = list.find(id);
    if (!row) {
        plan.problem = "The file is no longer listed.";
        return plan;
    }
    plan.path = row->path;
    plan.name = nameWithoutExtension(row->path);
    if (!patternError.empty()) {
        plan.problem = namingFile(row->path, "The pattern cannot be used: " + patternError + ".");
    } else if (!row->holdsTags()) {
        plan.problem = namingFile(
            row->path, "Velmora cannot write tags into " +
                           std::string(row->format ? row->format->name : "this kind of") +
                           " files.");
    } else if (row->state == RowState::ReadFailed) {
        plan.problem = row->problem;
    } else {
        NameMatch match = matchName(pattern, plan.name);
        if (match.matched) {
            plan.matched = true;
            plan.values = std::move(match.values);
            plan.fields = match.fields;
        } else {
            plan.problem =
                namingFile(row->path, "The name does not match the pattern: " + match.reason + ".");
        }
    }
    return plan;
}

} // namespace

std::vector<FillPlan> previewFill(const FileList& list, std::span<const RowId> ids,
                                  const NamePattern& pattern) {
    const std::string patternError = readingError(pattern);
    std::vector<FillPlan> plans;
    plans.reserve(ids.size());
    for (RowId id : ids)
        plans.push_back(planFor(list, id, pattern, patternError));
    return plans;
}

std::vector<FillPlan> fillFromNames(FileList& list, std::span<const RowId> ids,
                                    const NamePattern& pattern) {
    std::vector<FillPlan> plans = previewFill(list, ids, pattern);
    list.beginStep();
    for (const FillPlan& plan : plans) {
        if (!plan.matched)
            continue;
        for (int i = 0; i < FieldCount; ++i)
            if (const Field field = static_cast<Field>(i); plan.fields.has(field))
                list.setField(std::span(&plan.id, 1), field, plan.values[field]);
    }
    list.endStep();
    return plans;
}

} // namespace velmora::core
