#include "GroupCommitScope.h"

#include "ReplaceGroup.h"
#include "Temporaries.h"

#include <utility>

namespace velmora {

namespace {
thread_local GroupCommitScope* innermost = nullptr;
}

GroupCommitScope::GroupCommitScope(Limits limits) : limits_(limits), outer_(innermost) {
    if (limits_.files == 0)
        limits_.files = 1;
    innermost = this;
}

GroupCommitScope::~GroupCommitScope() {
    discardFrom(0);
    innermost = outer_;
}

GroupCommitScope* GroupCommitScope::active() {
    return innermost;
}

void GroupCommitScope::adopt(ReplaceFile&& file) {
    const std::uint64_t bytes = file.bytesWritten();
    if (holdsAny() && pendingBytes_ + bytes > limits_.bytes)
        commit();
    const std::size_t ticket = files_.size();
    files_.push_back(GroupedFile{file.targetPath(), GroupedFile::State::Pending, {}});
    pending_.push_back(Member{std::move(file), ticket});
    pendingBytes_ += bytes;
    if (heldFiles() >= limits_.files || pendingBytes_ >= limits_.bytes)
        commit();
}

void GroupCommitScope::adoptCommit(const std::string& path, std::function<void()> commit) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        st = {};
    const std::size_t ticket = files_.size();
    files_.push_back(GroupedFile{resolveSymlinks(path), GroupedFile::State::Pending, {}});
    foreign_.push_back(ForeignCommit{std::move(commit), st.st_dev, st.st_ino, ticket});
    if (heldFiles() >= limits_.files)
        this->commit();
}

bool GroupCommitScope::holds(const struct stat& st) const {
    for (const Member& member : pending_)
        if (member.file.original_.st_dev == st.st_dev && member.file.original_.st_ino == st.st_ino)
            return true;
    for (const ForeignCommit& foreign : foreign_)
        if (foreign.device == st.st_dev && foreign.inode == st.st_ino)
            return true;
    return false;
}

bool GroupCommitScope::holds(const std::string& path) const {
    struct stat st {};
    return holdsAny() && ::stat(path.c_str(), &st) == 0 && holds(st);
}

void GroupCommitScope::discardFrom(std::size_t from) {
    std::vector<Member> kept;
    for (Member& member : pending_) {
        if (member.ticket < from) {
            kept.push_back(std::move(member));
            continue;
        }
        member.file.discard();
        files_[member.ticket].state = GroupedFile::State::Discarded;
        pendingBytes_ -= member.file.bytesWritten();
    }
    pending_ = std::move(kept);
    std::vector<ForeignCommit> keptForeign;
    for (ForeignCommit& foreign : foreign_) {
        if (foreign.ticket < from)
            keptForeign.push_back(std::move(foreign));
        else
            files_[foreign.ticket].state = GroupedFile::State::Discarded;
    }
    foreign_ = std::move(keptForeign); // a prepared write released without its commit
}

void GroupCommitScope::commit() {
    std::vector<ReplaceFile*> files;
    files.reserve(pending_.size());
    for (Member& member : pending_)
        files.push_back(&member.file);
    const std::vector<std::exception_ptr> errors = commitGroup(files);
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        GroupedFile& file = files_[pending_[i].ticket];
        file.state = errors[i] ? GroupedFile::State::Failed : GroupedFile::State::Committed;
        file.error = errors[i];
    }
    pending_.clear(); // closes every file; a failed one's temporary file goes
    pendingBytes_ = 0;
    std::vector<ForeignCommit> foreign = std::move(foreign_);
    foreign_.clear();
    for (ForeignCommit& step : foreign) {
        GroupedFile& file = files_[step.ticket];
        try {
            step.commit();
            file.state = GroupedFile::State::Committed;
        } catch (...) {
            file.state = GroupedFile::State::Failed;
            file.error = std::current_exception();
        }
    }
}

void GroupCommitScope::tidyOnce(const std::string& folder) {
    if (tidied_.insert(folder).second)
        detail::removeStaleTemporariesNow(folder);
}

} // namespace velmora
