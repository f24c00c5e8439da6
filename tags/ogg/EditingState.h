// An editing state of the comment editing library, loaded from the executable's
// folder on first use and kept loaded while its path stays the same.
#pragma once

#include "base/DynamicLibrary.h"
#include "components/vcedit/vcedit.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class OggStream;

namespace ogg {

// Where the two libraries are loaded from.
std::string vceditLibraryPath();
std::string vorbisLibraryName();

// The comment editing library's entry points, looked up when it is loaded;
// nullptr where missing.
struct CommentEntryPoints {
    explicit CommentEntryPoints(const std::string& path);

    velmora::DynamicLibrary library;
    vcedit_state* (*newState)() = nullptr;
    int (*openCallbacks)(vcedit_state*, void*, vcedit_read_func, vcedit_write_func) = nullptr;
    int (*openRead)(vcedit_state*, void*, vcedit_read_func, vcedit_seek_func, vcedit_want_func,
                    void*) = nullptr;
    int (*write)(vcedit_state*, void*) = nullptr;
    void (*clear)(vcedit_state*) = nullptr;
};

// The comment editing library for one call. The library is loaded once and
// kept (loading it and looking up its entry points at every call cost a
// quarter of a small file's read); a library that cannot be loaded is tried
// again next call.
class CommentLibrary {
public:
    CommentLibrary();
    bool loaded() const { return entries_->library.loaded(); }
    // Raises TagError "Cannot <doing> <file>: the comment editing library
    // (<path>) cannot be loaded" when it is not loaded.
    void require(const std::string& doing, const std::string& fileName) const;
    const CommentEntryPoints& entries() const { return *entries_; }

private:
    std::shared_ptr<const CommentEntryPoints> entries_;
};

// A state of the library, released (vcedit_clear) on every way out.
class EditingState {
public:
    explicit EditingState(const CommentLibrary& library);
    ~EditingState();
    EditingState(const EditingState&) = delete;
    EditingState& operator=(const EditingState&) = delete;

    vcedit_state* get() const { return state_; }
    std::string lastError() const;

    // Reads the stream's headers with every comment, for a rewrite; raises
    // "Cannot open <file>: <reason>".
    void open(OggStream& input, const std::string& fileName);
    // Reads only as far as the comments, taking the bodies of the comments that
    // may hold a field and passing over the others unread; raises as open().
    void openForReading(OggStream& input, const std::string& fileName);

    vorbis_comment* comments() const;

    // Writes the stream; raises "Cannot write comments: <reason>".
    void write(OggStream& output);
    void release();

private:
    const CommentEntryPoints& library_;
    vcedit_state* state_ = nullptr;
};

// The comments of a comment structure, as views into it, in order.
std::vector<std::string_view> commentViews(const vorbis_comment& comments);

// Replaces the comments of the state by `comments` (copied first, so they may
// be views into the state's own comments), keeping the vendor. Raises TagError
// when libvorbis cannot be loaded.
void setComments(vcedit_state* state, const std::vector<std::string_view>& comments);

} // namespace ogg
