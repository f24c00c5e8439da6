#include "tags/ogg/OggFiles.h"

#include "base/FileLayer.h"
#include "components/vcedit/vcedit.h"
#include "tags/common/CoverComments.h"
#include "tags/common/VorbisComments.h"
#include "tags/ogg/EditingState.h"
#include "tags/ogg/OggStream.h"

namespace ogg {

namespace {

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

// The library's refusal, with the system's reason when reading the file failed.
[[noreturn]] void raiseOpenFailure(const OggFileInput& input, const velmora::TagError& error) {
    if (input.errorCode() == 0)
        throw error;
    throw velmora::TagError(std::string(error.what()) + " (" +
                            velmora::systemErrorText(input.errorCode()) + ")");
}

enum class Purpose { Read, Rewrite };

// Opens the editing state on the file; a refusal carries the system's reason
// when reading the file failed.
void openState(EditingState& state, OggFileInput& input, const std::string& fileName,
               Purpose purpose) {
    try {
        if (purpose == Purpose::Read)
            state.openForReading(input, fileName);
        else
            state.open(input, fileName);
    } catch (const velmora::TagError& e) {
        raiseOpenFailure(input, e);
    }
}

} // namespace

velmora::TagValues readValues(const CommentLibrary& library, const std::string& fileName) {
    velmora::InputFile file(fileName);
    OggFileInput input(file);
    EditingState state(library);
    openState(state, input, fileName, Purpose::Read);
    const vorbis_comment* comments = state.comments();
    return comments ? velmora::vorbiscomment::valuesFromComments(commentViews(*comments))
                    : velmora::TagValues{};
}

std::optional<velmora::Picture> readFrontCover(const CommentLibrary& library,
                                               const std::string& fileName) {
    velmora::InputFile file(fileName);
    OggFileInput input(file);
    EditingState state(library);
    openState(state, input, fileName, Purpose::Rewrite);
    const vorbis_comment* comments = state.comments();
    if (!comments)
        return std::nullopt;
    bool damaged = false;
    std::optional<velmora::Picture> picture =
        velmora::vorbiscomment::frontCoverOf(commentViews(*comments), damaged);
    if (damaged)
        throw velmora::TagError("Cannot read the cover of \"" + velmora::expandPath(fileName) +
                                "\": the picture comment is damaged.");
    return picture;
}

void rewrite(const CommentLibrary& library, const std::string& fileName,
             const std::function<void(vcedit_state*)>& edit) {
    velmora::InputFile file(fileName);
    OggFileInput input(file);
    EditingState state(library);
    openState(state, input, fileName, Purpose::Rewrite);

    // Created exclusively beside the file: an existing "name.temp" is left
    // alone (a unique variant is used) and the temporary file is removed on
    // every failure.
    velmora::ReplaceFile output(file, temporaryNameFor(fileName)); // gives up if it changed
    edit(state.get());
    OggFileOutput outputStream(output);
    try {
        state.write(outputStream);
    } catch (const velmora::TagError&) {
        outputStream.raiseFailure(); // the disk's reason (full, quota...), when it was the disk
        if (input.errorCode() != 0)
            throw velmora::TagError("Cannot write comments: Cannot read file \"" +
                                    velmora::expandPath(fileName) + "\". " +
                                    velmora::systemErrorText(input.errorCode()));
        throw;
    }
    state.release();
    output.commit(); // flushed, given the file's permissions, renamed over it
}

} // namespace ogg
