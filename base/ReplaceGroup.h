// Many files made new at once (a write-all): each new content is written in
// full, then one flush pass goes over all of them (the disk works on all at
// once; on a local journalled file system each file's data is waited for and
// the file system is synced once, so the disk's cache is emptied once rather
// than once per file), then each is renamed over its original, then each
// folder is flushed once. At every moment each file is its old or its new version; each file's
// failure is its own.
//
//     ReplaceGroup group;
//     for (file : files) {                       // in a writer:
//         ReplaceFile& out = group.add(input);   //   instead of ReplaceFile out(input)
//         out.write(...); out.copyFrom(...);
//         out.finishWriting();                   //   instead of out.commit()
//     }
//     group.commit();
//     for (const CommitOutcome& o : group.takeOutcomes()) ... o.error ...
#pragma once

#include "FileLayer.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace velmora {

// One file's result: error is empty when its new content is in place, else
// it holds the FileError to show (the file and the system's reason).
struct CommitOutcome {
    std::string path;
    std::exception_ptr error;
};

// Commits finished (or still open) replacements together: finishWriting
// each, one flush pass, install each, each folder flushed once. Returns one
// entry per file, in order: empty on success, else the error it raised.
std::vector<std::exception_ptr> commitGroup(const std::vector<ReplaceFile*>& files);

class ReplaceGroup {
public:
    // A group holds at most this many open files and new bytes; adding to a
    // full group commits what it holds first.
    static constexpr std::size_t kMaxFiles = 256;
    static constexpr std::uint64_t kMaxBytes = std::uint64_t{256} << 20;

    ReplaceGroup() = default;
    ~ReplaceGroup(); // members not committed are discarded, originals untouched
    ReplaceGroup(const ReplaceGroup&) = delete;
    ReplaceGroup& operator=(const ReplaceGroup&) = delete;

    // A new member, made as ReplaceFile(path, tempName) or (read, tempName)
    // makes it (and raising as they do). The reference stays valid until the
    // group commits.
    ReplaceFile& add(const std::string& path, const std::string& tempName = {});
    ReplaceFile& add(const InputFile& read, const std::string& tempName = {});

    // Commits every member whose finishWriting() ran; others (a writer that
    // raised or discarded) are discarded without an outcome.
    void commit();
    // The outcomes of the members committed so far, in order; taken away.
    std::vector<CommitOutcome> takeOutcomes();
    // Raises the first failure among the outcomes, if any (one file's write).
    void raiseFirstFailure();

    std::size_t size() const { return members_.size(); }

private:
    ReplaceFile& add(const std::string& path, const std::string& tempName,
                     const struct stat* asRead);
    void makeRoom();

    std::vector<std::unique_ptr<ReplaceFile>> members_;
    std::set<std::string> tidied_; // folders whose stale temporary files are gone
    std::vector<CommitOutcome> outcomes_;
};

} // namespace velmora
