#include "tags/ogg/EditingState.h"

#include "base/FileLayer.h"
#include "components/vcedit/vcedit.h"
#include "tags/common/VorbisComments.h"
#include "tags/ogg/Ogg.h"
#include "tags/ogg/OggComments.h"
#include "tags/ogg/OggStream.h"

#include <mutex>

namespace ogg {

namespace {

std::string libraryDirOverride;
std::string vorbisNameOverride;

// Asked by the library for each comment of a read: only comments that may
// hold a field are taken.
int wantsComment(const char* head, std::size_t headSize, void* /*context*/) {
    return velmora::vorbiscomment::mayHoldField(std::string_view(head, headSize)) ? 1 : 0;
}

} // namespace

std::string vceditLibraryPath() {
    static const std::string besideProgram = velmora::executableDir() + "libvcedit.so";
    if (libraryDirOverride.empty())
        return besideProgram;
    std::string dir = libraryDirOverride;
    if (dir.back() != '/')
        dir += '/';
    return dir + "libvcedit.so";
}

std::string vorbisLibraryName() {
    return vorbisNameOverride.empty() ? std::string("libvorbis.so.0") : vorbisNameOverride;
}

namespace {

// The library last loaded from `path`, loaded now when it is not.
std::shared_ptr<const CommentEntryPoints> loadedLibrary(const std::string& path) {
    static std::mutex mutex;
    static std::string loadedPath;
    static std::shared_ptr<const CommentEntryPoints> loaded;
    const std::lock_guard lock(mutex);
    if (!loaded || !loaded->library.loaded() || loadedPath != path) {
        loaded = std::make_shared<const CommentEntryPoints>(path);
        loadedPath = path;
    }
    return loaded;
}

} // namespace

CommentEntryPoints::CommentEntryPoints(const std::string& path)
    : library(path), newState(library.symbol<decltype(newState)>("vcedit_new_state")),
      openCallbacks(library.symbol<decltype(openCallbacks)>("vcedit_open_callbacks")),
      openRead(library.symbol<decltype(openRead)>("vcedit_open_read")),
      write(library.symbol<decltype(write)>("vcedit_write")),
      clear(library.symbol<decltype(clear)>("vcedit_clear")) {}

CommentLibrary::CommentLibrary() : entries_(loadedLibrary(vceditLibraryPath())) {}

void CommentLibrary::require(const std::string& doing, const std::string& fileName) const {
    if (!loaded())
        throw velmora::TagError("Cannot " + doing + " " + fileName +
                                ": the comment editing library (" + vceditLibraryPath() +
                                ") cannot be loaded");
}

EditingState::EditingState(const CommentLibrary& library) : library_(library.entries()) {
    if (library_.newState)
        state_ = library_.newState();
}

EditingState::~EditingState() {
    release();
}

std::string EditingState::lastError() const {
    return state_ && state_->lasterror ? state_->lasterror : std::string();
}

void EditingState::open(OggStream& input, const std::string& fileName) {
    if (!state_ || !library_.openCallbacks ||
        library_.openCallbacks(state_, &input, OggReadFunc, OggWriteFunc) != 0)
        throw velmora::TagError("Cannot open " + fileName + ": " + lastError());
}

void EditingState::openForReading(OggStream& input, const std::string& fileName) {
    if (!library_.openRead) // a library without the reading entry point reads everything
        return open(input, fileName);
    if (!state_ ||
        library_.openRead(state_, &input, OggReadFunc, OggSeekFunc, wantsComment, nullptr) != 0)
        throw velmora::TagError("Cannot open " + fileName + ": " + lastError());
}

vorbis_comment* EditingState::comments() const {
    return state_ ? state_->vc : nullptr; // the state's published field
}

void EditingState::write(OggStream& output) {
    if (!state_ || !library_.write || library_.write(state_, &output) != 0) {
        std::string text = lastError();
        throw velmora::TagError(text.empty() ? "Cannot write comments"
                                             : "Cannot write comments: " + text);
    }
}

void EditingState::release() {
    if (state_ && library_.clear)
        library_.clear(state_);
    state_ = nullptr;
}

std::vector<std::string_view> commentViews(const vorbis_comment& comments) {
    std::vector<std::string_view> views;
    if (comments.comments <= 0 || !comments.user_comments || !comments.comment_lengths)
        return views;
    views.reserve(static_cast<std::size_t>(comments.comments));
    for (int i = 0; i < comments.comments; ++i) {
        const char* text = comments.user_comments[i];
        const int length = comments.comment_lengths[i];
        views.push_back(text && length > 0
                            ? std::string_view(text, static_cast<std::size_t>(length))
                            : std::string_view());
    }
    return views;
}

void setComments(vcedit_state* state, const std::vector<std::string_view>& comments) {
    velmora::DynamicLibrary vorbis(vorbisLibraryName());
    auto clear = vorbis.symbol<void (*)(vorbis_comment*)>("vorbis_comment_clear");
    auto add = vorbis.symbol<void (*)(vorbis_comment*, const char*)>("vorbis_comment_add");
    if (!clear || !add)
        throw velmora::TagError("libvorbis (" + vorbisLibraryName() + ") cannot be loaded");
    if (!state || !state->vc)
        throw velmora::TagError("The comment structure is missing");
    // The views may point into the structure about to be cleared.
    std::vector<std::string> copies(comments.begin(), comments.end());
    clear(state->vc);
    for (const std::string& comment : copies) {
        if (comment.find('\0') == std::string::npos)
            add(state->vc, comment.c_str());
        else
            addRawComment(comment, state);
    }
}

} // namespace ogg

void SetOggLibraryDir(const std::string& dir) {
    ogg::libraryDirOverride = dir;
}
void SetVorbisLibraryName(const std::string& name) {
    ogg::vorbisNameOverride = name;
}
