// The file part of the FLAC unit: opening, reading the comment block, and
// carrying out an edit plan.
#include "tags/flac/FlacTags.h"

#include "tags/common/VorbisComments.h"
#include "tags/flac/FlacBlocks.h"
#include "tags/flac/FlacEdit.h"
#include "tags/opus/FieldComments.h"
#include "tags/opus/FileWindow.h"

#include <algorithm>
#include <cstring>

namespace velmora::flac {

namespace vc = velmora::vorbiscomment;

namespace {

[[noreturn]] void raiseRead(const std::string& path, const std::string& reason) {
    throw TagError("Cannot read the tags of \"" + expandPath(path) + "\": " + reason + ".");
}

[[noreturn]] void raiseWrite(const std::string& path, const std::string& reason) {
    throw TagError("Cannot write the tags of \"" + expandPath(path) + "\": " + reason + ".");
}

Layout layoutOf(FileWindow& window, bool forWriting) {
    const InputFile& file = window.file();
    try {
        return readLayout(window.reader(), file.size());
    } catch (const FormatError& e) {
        if (forWriting)
            raiseWrite(file.path(), e.what());
        raiseRead(file.path(), e.what());
    }
}

// A range of a file as a comment source; passed-over comments are not read.
class FileRangeSource : public vc::CommentSource {
public:
    FileRangeSource(FileWindow& window, std::uint64_t offset, std::uint64_t length)
        : window_(window), position_(offset), end_(offset + length) {}

    bool read(char* to, std::size_t n) override {
        if (n > end_ - position_ || window_.read(position_, to, n) != n)
            return false;
        position_ += n;
        return true;
    }
    bool skip(std::uint64_t n) override {
        if (n > end_ - position_)
            return false;
        position_ += n;
        return true;
    }
    std::uint64_t remaining() const override { return end_ - position_; }

private:
    FileWindow& window_;
    std::uint64_t position_;
    std::uint64_t end_;
};

} // namespace

bool looksLikeFlac(const InputFile& file) {
    FileWindow window(file);
    try {
        readLayout(window.reader(), file.size());
        return true;
    } catch (const FormatError&) {
        return false;
    }
}

TagValues readTags(const std::string& path) {
    const InputFile file(path);
    FileWindow window(file);
    const Layout layout = layoutOf(window, false);
    if (layout.commentIndex < 0)
        return {};
    const Block& block = layout.blocks[static_cast<std::size_t>(layout.commentIndex)];
    FileRangeSource source(window, block.bodyOffset(), block.length);
    FieldComments comments;
    if (!vc::scanComments(source, comments))
        raiseRead(path, "The FLAC comment block is damaged");
    return vc::valuesFromComments(comments.views());
}

namespace {

// The bytes at [offset, offset + n) that differ from `old`: only those are written.
void writeChanged(const std::string& path, std::uint64_t offset, const std::string& bytes,
                  const std::string& old) {
    std::size_t first = 0;
    while (first < bytes.size() && first < old.size() && bytes[first] == old[first])
        ++first;
    std::size_t last = bytes.size();
    while (last > first && last <= old.size() && bytes[last - 1] == old[last - 1])
        --last;
    if (last > first)
        writeInPlace(path, offset + first, bytes.data() + first, last - first,
                     InPlaceFlush::LeaveToSystem);
}

} // namespace

void writeTags(const std::string& path, const TagValues& values, FieldMask changed) {
    if (changed.empty())
        return;
    const InputFile file(path);
    FileWindow window(file);
    const Layout layout = layoutOf(window, true);

    std::string oldBody;
    std::string newBody;
    if (layout.commentIndex >= 0) {
        const Block& block = layout.blocks[static_cast<std::size_t>(layout.commentIndex)];
        oldBody = window.range(block.bodyOffset(), block.length);
        if (oldBody.size() != block.length)
            raiseWrite(path, "The file cannot be read");
        vc::CommentList list;
        std::size_t used = 0;
        if (!vc::parseComments(oldBody, list, used))
            raiseWrite(path, "The FLAC comment block is damaged");
        const vc::EditedComments edited = vc::applyEdits(list.comments, values, changed);
        vc::appendComments(newBody, list.vendor, edited.comments);
        newBody.append(oldBody, used); // whatever follows the list stays
        if (newBody == oldBody)
            return;
    } else {
        const vc::EditedComments edited = vc::applyEdits({}, values, changed);
        if (edited.comments.empty())
            return; // nothing to add to a file without comments
        vc::appendComments(newBody, "", edited.comments);
    }

    EditPlan plan;
    try {
        plan = planCommentEdit(layout, file.size(), newBody);
    } catch (const FormatError& e) {
        raiseWrite(path, e.what());
    }
    if (plan.inPlace) {
        writeChanged(path, plan.writeOffset, plan.writeBytes,
                     window.range(plan.writeOffset, plan.writeBytes.size()));
        return;
    }
    ReplaceFile out(path);
    for (const Piece& piece : plan.pieces) {
        if (!piece.bytes.empty())
            out.write(piece.bytes);
        else
            out.copyFrom(file, piece.offset, piece.length);
    }
    out.commit();
}

} // namespace velmora::flac
