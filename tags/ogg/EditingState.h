// An editing state of the comment editing library, loaded from the executable's
// folder for one call (it stays mapped once loaded, so a later load is cheap).
#pragma once

#include "base/DynamicLibrary.h"

#include <string>
#include <string_view>
#include <vector>

struct vcedit_state;
struct vorbis_comment;
class OggStream;

namespace ogg {

// Where the two libraries are loaded from.
std::string vceditLibraryPath();
std::string vorbisLibraryName();

// The comment editing library, loaded for one call.
class CommentLibrary {
public:
    CommentLibrary();
    bool loaded() const { return library_.loaded(); }
    // Raises TagError "Cannot <doing> <file>: the comment editing library
    // (<path>) cannot be loaded" when it is not loaded.
    void require(const std::string& doing, const std::string& fileName) const;
    const velmora::DynamicLibrary& library() const { return library_; }

private:
    velmora::DynamicLibrary library_;
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
    const velmora::DynamicLibrary& library_;
    vcedit_state* state_ = nullptr;
};

// The comments of a comment structure, as views into it, in order.
std::vector<std::string_view> commentViews(const vorbis_comment& comments);

// Replaces the comments of the state by `comments` (copied first, so they may
// be views into the state's own comments), keeping the vendor. Raises TagError
// when libvorbis cannot be loaded.
void setComments(vcedit_state* state, const std::vector<std::string_view>& comments);

} // namespace ogg
