// Journals: the finished new content of a file that is copied over in place
// (several hard links, another owner), kept beside it until the copy is done.
//
// A journal is named ".<file name>.velmora-journal" (".velmora-journal-<hash>"
// when that is too long) and holds the content, then the file's name, then a
// footer: a magic text, the device, inode and mode of the file it belongs to,
// the lengths, and a check. It only ever gets its name once it is whole and
// flushed, so a named journal with a bad footer is not ours.
#pragma once

#include "FileLayer.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace velmora::detail {

std::string journalPathFor(const std::string& target);
bool looksLikeJournalName(std::string_view name);

// Appends name and footer after contentLength bytes of content; 0 or errno.
int appendJournalFooter(int fd, std::uint64_t contentLength, const struct stat& target,
                        const std::string& targetName);

// One copy of a journal's content over its file.
struct JournalCopy {
    int journalFd;
    std::string journalPath;
    std::uint64_t contentLength;
    std::string target;
    FileIdentity expected;
    bool wholeIdentity;   // compare size and time too (a writer), or only device and inode
    mode_t mode;          // the file's permissions, put back after the copy
    bool started = false; // set once a byte of the file may have changed
};

// Opens the file, checks it is the one expected (else raises the changed
// error), reserves the space, copies, flushes, puts the mode back and removes
// the journal. Raises with the file and the reason; `started` tells whether
// the file may have changed (then the journal must stay for the next try).
void applyJournal(JournalCopy& copy);

} // namespace velmora::detail
