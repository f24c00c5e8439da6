// Reading and rewriting the comments of an Ogg Vorbis file through the comment
// editing library, loaded from the executable's folder at each call.
#include "tags/ogg/Ogg.h"

#include "components/vcedit/vcedit.h"
#include "base/DynamicLibrary.h"
#include "base/FileLayer.h"
#include "base/Text.h"
#include "tags/ogg/OggComments.h"
#include "tags/ogg/OggStream.h"

namespace {

std::string libraryDirOverride;
std::string vorbisNameOverride;

// An editing state of the loaded library, released (vcedit_clear) on every way out.
class EditingState {
public:
    explicit EditingState(const velmora::DynamicLibrary& library) : library_(library) {
        if (auto create = library_.symbol<vcedit_state* (*)()>("vcedit_new_state"))
            state_ = create();
    }
    ~EditingState() { release(); }
    EditingState(const EditingState&) = delete;
    EditingState& operator=(const EditingState&) = delete;

    vcedit_state* get() const { return state_; }
    std::string lastError() const {
        return state_ && state_->lasterror ? state_->lasterror : std::string();
    }

    // Reads the stream's headers; raises "Cannot open <file>: <reason>".
    void open(OggStream& input, const std::string& fileName) {
        using OpenFunction = int (*)(vcedit_state*, void*, vcedit_read_func, vcedit_write_func);
        auto openCallbacks = library_.symbol<OpenFunction>("vcedit_open_callbacks");
        if (!state_ || !openCallbacks ||
            openCallbacks(state_, &input, OggReadFunc, OggWriteFunc) != 0)
            throw velmora::TagError("Cannot open " + fileName + ": " + lastError());
    }

    vorbis_comment* comments() const {
        auto get = library_.symbol<vorbis_comment* (*)(vcedit_state*)>("vcedit_comments");
        return state_ && get ? get(state_) : nullptr;
    }

    // Writes the stream; raises "Cannot write comments: <reason>".
    void write(OggStream& output) {
        auto writeStream = library_.symbol<int (*)(vcedit_state*, void*)>("vcedit_write");
        if (!state_ || !writeStream || writeStream(state_, &output) != 0) {
            std::string text = lastError();
            throw velmora::TagError(text.empty() ? "Cannot write comments"
                                                 : "Cannot write comments: " + text);
        }
    }

    void release() {
        if (state_)
            if (auto clear = library_.symbol<void (*)(vcedit_state*)>("vcedit_clear"))
                clear(state_);
        state_ = nullptr;
    }

private:
    const velmora::DynamicLibrary& library_;
    vcedit_state* state_ = nullptr;
};

// "a.ogg" -> "a.temp"; a name without an extension gets ".temp" appended.
std::string temporaryNameFor(const std::string& path) {
    const std::string target = velmora::resolveSymlinks(path);
    auto slash = target.rfind('/');
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    auto dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name + ".temp";
}

// Puts the record's fields in place of the comments it models (a modelled
// name in any case), keeping every other comment byte for byte. The library
// keeps the input's vendor text once the structure has been cleared.
void replaceComments(vcedit_state* state, vorbis_comment* comments, const OGGTag& tag) {
    if (!comments)
        return;
    std::vector<std::string> kept;
    const int count = comments->user_comments && comments->comment_lengths ? comments->comments : 0;
    for (int i = 0; i < count; ++i) {
        const int length = comments->comment_lengths[i];
        std::string_view text(comments->user_comments[i],
                              length > 0 ? static_cast<std::size_t>(length) : 0);
        auto name = ogg::commentName(text);
        if (!name || ogg::modelledKeyIndex(*name) < 0)
            kept.emplace_back(text);
    }

    velmora::DynamicLibrary vorbis(ogg::vorbisLibraryName());
    auto clear = vorbis.symbol<void (*)(vorbis_comment*)>("vorbis_comment_clear");
    if (!clear)
        return; // without libvorbis the file keeps its old comments
    clear(comments);
    for (int index : ogg::kWriteOrder) {
        const ogg::ModelledKey& key = ogg::kKeyTable[static_cast<std::size_t>(index)];
        const std::string& value = tag.*key.field;
        if (!value.empty())
            AddOGGComment(key.writtenAs + value, state);
    }
    for (const std::string& comment : kept)
        ogg::addRawComment(comment, state);
}

} // namespace

namespace ogg {

std::string vceditLibraryPath() {
    static const std::string executableDir = velmora::executableDir(); // it does not move
    std::string dir = libraryDirOverride.empty() ? executableDir : libraryDirOverride;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir + "libvcedit.so";
}

std::string vorbisLibraryName() {
    return vorbisNameOverride.empty() ? std::string("libvorbis.so.0") : vorbisNameOverride;
}

} // namespace ogg

void SetOggLibraryDir(const std::string& dir) {
    libraryDirOverride = dir;
}
void SetVorbisLibraryName(const std::string& name) {
    vorbisNameOverride = name;
}

void ReadOGGTag(const std::string& fileName, OGGTag& tag) {
    velmora::DynamicLibrary library(ogg::vceditLibraryPath());
    if (!library.loaded())
        return;
    velmora::InputFile file(fileName);
    OggFileInput input(file);
    EditingState state(library);
    state.open(input, fileName);

    std::string slots[ogg::kKeyTable.size()];
    if (const vorbis_comment* comments = state.comments()) {
        for (const TStrComment& comment : BuildStrComments(*comments)) {
            int index = comment.Name.empty() ? -1 : ogg::modelledKeyIndex(comment.Name);
            if (index >= 0)
                slots[index] = comment.Value; // a later comment of the same key wins
        }
    }
    for (std::size_t i = 0; i < ogg::kKeyTable.size(); ++i)
        tag.*ogg::kKeyTable[i].field = velmora::trimControl(slots[i]);
}

bool WriteOGGTag(const std::string& fileName, OGGTag tag) {
    velmora::DynamicLibrary library(ogg::vceditLibraryPath());
    if (!library.loaded())
        return false;
    velmora::InputFile file(fileName);
    OggFileInput input(file);
    EditingState state(library);
    state.open(input, fileName);

    // Created exclusively beside the file: an existing "name.temp" is left
    // alone (a unique variant is used) and the temporary file is removed on
    // every failure.
    velmora::ReplaceFile output(file, temporaryNameFor(fileName)); // gives up if it changed
    replaceComments(state.get(), state.comments(), tag);
    OggFileOutput outputStream(output);
    state.write(outputStream);
    state.release();
    try {
        output.commit(); // flushed, given the file's permissions, renamed over it
    } catch (const velmora::FileError&) {
        return false; // the original is untouched and the temporary file gone
    }
    return true;
}
