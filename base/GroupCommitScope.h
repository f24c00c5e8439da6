// Deferred commits for a write of many files. While a scope is active on a
// thread, ReplaceFile::commit() there finishes the new content and hands it
// to the scope instead of putting it in place; the scope commits what it
// holds as one group (base/ReplaceGroup.h commitGroup: one flush pass, then
// each rename, then each folder flushed once) when the group is full or
// commit() is called. The writers need no change:
//
//     GroupCommitScope scope;
//     for (file : files) {
//         const std::size_t ticket = scope.handedOver();
//         writeTags(file, ...);            // its commit() hands the file over
//         ... scope.handedOver() - ticket files came from this one ...
//     }
//     scope.commit();
//     ... scope.file(ticket).state, .error ...
//
// At every moment each file is its old or its new version. A scope that ends
// without commit() discards what it still holds: those files stay as they were.
#pragma once

#include "FileLayer.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace velmora {

// What became of one file handed over to a scope.
struct GroupedFile {
    enum class State { Pending, Committed, Failed, Discarded };
    std::string path; // the file replaced (symlinks followed)
    State state = State::Pending;
    std::exception_ptr error; // for Failed: the FileError naming the file and the reason
};

class GroupCommitScope {
public:
    struct Limits {
        std::size_t files = 256;                        // open new files held at once
        std::uint64_t bytes = std::uint64_t{256} << 20; // new bytes held at once
    };

    // Becomes the thread's active scope until it ends (scopes nest).
    GroupCommitScope() : GroupCommitScope(Limits{}) {}
    explicit GroupCommitScope(Limits limits);
    ~GroupCommitScope();
    GroupCommitScope(const GroupCommitScope&) = delete;
    GroupCommitScope& operator=(const GroupCommitScope&) = delete;

    // The innermost scope of this thread, or null.
    static GroupCommitScope* active();

    // Takes a replacement whose writing is finished (what ReplaceFile::commit
    // does under the scope). Commits the held files first when this one would
    // make the group exceed its bytes, and commits at once when it is full.
    void adopt(ReplaceFile&& file);

    // Takes the last step of a write prepared elsewhere (a library with its
    // own file layer): commit puts path's prepared new version in place and
    // raises with the file and the reason. It runs when the group commits,
    // after the group's own files are in place; it counts as one file.
    void adoptCommit(const std::string& path, std::function<void()> commit);

    // How many files were handed over so far; a file's ticket is this count
    // just before it was handed over.
    std::size_t handedOver() const { return files_.size(); }
    const GroupedFile& file(std::size_t ticket) const { return files_.at(ticket); }
    // Whether a file the scope holds, not yet committed, is this one (same
    // device and inode) / the one path names.
    bool holds(const struct stat& st) const;
    bool holds(const std::string& path) const;
    bool holdsAny() const { return heldFiles() > 0; }

    // Drops the held files whose ticket is from on: their originals stay.
    void discardFrom(std::size_t from);
    // Commits every held file; each file's failure is its own (see file()).
    void commit();

    // Removes stale temporary files of a folder once for the scope: the
    // scope's own pending files need not be looked at again for every file.
    void tidyOnce(const std::string& folder);

private:
    struct Member {
        ReplaceFile file;
        std::size_t ticket;
    };

    struct ForeignCommit {
        std::function<void()> commit;
        dev_t device;
        ino_t inode;
        std::size_t ticket;
    };

    std::size_t heldFiles() const { return pending_.size() + foreign_.size(); }

    Limits limits_;
    std::vector<Member> pending_;
    std::vector<ForeignCommit> foreign_;
    std::uint64_t pendingBytes_ = 0;
    std::vector<GroupedFile> files_;
    std::set<std::string> tidied_;
    GroupCommitScope* outer_;
};

} // namespace velmora
