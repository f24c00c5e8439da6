// fill and rename: tags from file names and file names from tags, by a
// pattern; rename --to NAME for one file.
#include "cli/Commands.h"
#include "core/FileList.h"
#include "core/NamesFromTags.h"
#include "core/TagsFromNames.h"

namespace velmora::cli {

namespace {

int renameToName(const Arguments& args, std::ostream& err) {
    core::FileList list;
    const core::RowId id = list.add(args.files.front());
    const std::string problem = list.rename(id, *args.newName);
    if (problem.empty())
        return 0;
    reportFailure(err, problem);
    return 1;
}

} // namespace

int runRename(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (!args.pattern)
        return renameToName(args, err);
    core::FileList list;
    const std::vector<core::RowId> ids = list.add(args.files);
    const core::NamePattern pattern = core::parsePattern(*args.pattern);
    const std::vector<core::RenamePlan> plans = args.dryRun
                                                    ? core::previewRename(list, ids, pattern)
                                                    : core::renameFromTags(list, ids, pattern);
    for (const core::RenamePlan& plan : plans) {
        if (!plan.problem.empty())
            reportFailure(err, plan.problem);
        else if (!plan.unchanged() && (args.dryRun || plan.renamed))
            out << plan.oldPath << " -> " << plan.newPath << '\n';
    }
    return core::problemCount(plans) == 0 ? 0 : 1;
}

int runFill(const Arguments& args, std::ostream& out, std::ostream& err) {
    core::FileList list;
    const std::vector<core::RowId> ids = list.add(args.files);
    std::vector<core::RowId> filled;
    std::size_t failed = 0;
    for (const core::FillPlan& plan :
         core::fillFromNames(list, ids, core::parsePattern(*args.pattern))) {
        if (plan.matched) {
            filled.push_back(plan.id);
        } else {
            reportFailure(err, plan.problem);
            ++failed;
        }
    }
    return writeAndReport(list, filled, failed, out, err);
}

} // namespace velmora::cli
