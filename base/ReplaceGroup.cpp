#include "ReplaceGroup.h"

#include "FileLayerInternal.h"
#include "Temporaries.h"

#include <map>
#include <utility>

namespace velmora {

std::vector<std::exception_ptr> commitGroup(const std::vector<ReplaceFile*>& files) {
    std::vector<std::exception_ptr> errors(files.size());
    auto step = [&](std::size_t i, auto&& action) {
        if (errors[i])
            return;
        try {
            action(*files[i]);
        } catch (...) {
            errors[i] = std::current_exception();
        }
    };
    for (std::size_t i = 0; i < files.size(); ++i)
        step(i, [](ReplaceFile& f) { f.finishWriting(); });
    for (std::size_t i = 0; i < files.size(); ++i)
        step(i, [](ReplaceFile& f) { f.startFlush(); });
    // Files of a local journalled file system: each file's own write-back
    // error, then one sync of their file system instead of a flush each
    // (every flush empties the disk's cache once more).
    std::map<dev_t, std::vector<std::size_t>> sharing;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!errors[i] && files[i]->sharesFileSystemFlush())
            sharing[files[i]->device()].push_back(i);
        else
            step(i, [](ReplaceFile& f) { f.flush(); });
    }
    for (const auto& [device, members] : sharing) {
        for (std::size_t i : members)
            step(i, [](ReplaceFile& f) { f.waitForData(); });
        int err = 0;
        for (std::size_t i : members)
            if (!errors[i]) {
                err = files[i]->syncFileSystem();
                break;
            }
        for (std::size_t i : members)
            if (err != 0)
                step(i, [err](ReplaceFile& f) { raiseWriteError(f.targetPath(), err); });
    }
    std::map<std::string, std::vector<std::size_t>> renamedIn;
    for (std::size_t i = 0; i < files.size(); ++i) {
        step(i, [](ReplaceFile& f) { f.install(false); });
        if (!errors[i] && !files[i]->copiesInPlace())
            renamedIn[detail::folderOf(files[i]->targetPath())].push_back(i);
    }
    for (const auto& [folder, members] : renamedIn) {
        const int err = detail::syncFolder(folder);
        for (std::size_t i : members)
            if (err != 0)
                step(i, [err](ReplaceFile& f) { raiseWriteError(f.targetPath(), err); });
    }
    return errors;
}

ReplaceGroup::~ReplaceGroup() = default;

ReplaceFile& ReplaceGroup::add(const std::string& path, const std::string& tempName) {
    return add(path, tempName, nullptr);
}

ReplaceFile& ReplaceGroup::add(const InputFile& read, const std::string& tempName) {
    return add(read.path(), tempName, &read.status());
}

ReplaceFile& ReplaceGroup::add(const std::string& path, const std::string& tempName,
                               const struct stat* asRead) {
    makeRoom();
    // Each folder is tidied once for the group: its members' own temporary
    // files are locked, and looking at them again for every file would cost
    // as many looks as the square of the group's size.
    const std::string folder = detail::folderOf(resolveSymlinks(path));
    const bool first = tidied_.insert(folder).second;
    if (first)
        detail::removeStaleTemporariesNow(folder);
    members_.push_back(std::unique_ptr<ReplaceFile>(
        new ReplaceFile(path, tempName, asRead, ReplaceFile::Tidy::Skip)));
    return *members_.back();
}

void ReplaceGroup::makeRoom() {
    std::uint64_t bytes = 0;
    for (const auto& member : members_)
        bytes += member->bytesWritten();
    if (members_.size() >= kMaxFiles || bytes >= kMaxBytes)
        commit();
}

void ReplaceGroup::commit() {
    std::vector<ReplaceFile*> finished;
    for (const auto& member : members_)
        if (member->finished() && !member->committed())
            finished.push_back(member.get());
    const std::vector<std::exception_ptr> errors = commitGroup(finished);
    for (std::size_t i = 0; i < finished.size(); ++i)
        outcomes_.push_back(CommitOutcome{finished[i]->targetPath(), errors[i]});
    members_.clear(); // closes every file; unfinished ones are discarded
}

std::vector<CommitOutcome> ReplaceGroup::takeOutcomes() {
    return std::exchange(outcomes_, {});
}

void ReplaceGroup::raiseFirstFailure() {
    for (const CommitOutcome& outcome : outcomes_)
        if (outcome.error)
            std::rethrow_exception(outcome.error);
}

} // namespace velmora
