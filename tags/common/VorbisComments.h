// The Vorbis comment list and the tag fields, shared by every format that
// stores one (Ogg Vorbis, FLAC, Opus). The list as bytes (parsing, rendering)
// is base/VorbisCommentList.h, included here; this adds what the names mean:
//
//   fieldOfName / kFieldNames  which names hold which of the seven fields
//   valuesFromComments         the seven fields as the user sees them
//   applyEdits                 an edit of some fields applied to a list that
//                              keeps everything else
//
// Plain C++, no Qt, no codec library.
#pragma once

#include "base/VorbisCommentList.h"
#include "tags/common/TagFields.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::vorbiscomment {

// ---------------------------------------------------------------------------
// Names and the fields

// The name of a comment: the text before its first "=", when every byte of it
// lies within 0x20..0x7D; no name otherwise (no "=", or another byte).
std::optional<std::string_view> commentName(std::string_view comment);

// Names compared with the letters A..Z lowered, nothing else changed.
bool sameName(std::string_view a, std::string_view b);

// The names that hold a field. A field reads from its first name present in
// the file; the Comment field falls back to DESCRIPTION when there is no
// COMMENT. `writtenAs` is the name a new comment gets.
struct FieldNames {
    Field field;
    std::array<std::string_view, 2> names; // upper case; the second may be empty
    std::string_view writtenAs;
};
extern const std::array<FieldNames, FieldCount> kFieldNames;

// The field a comment name holds, with the index of the name in its entry
// (0 the main name, 1 the fallback), or nullopt.
struct NameMatch {
    Field field;
    int which;
};
std::optional<NameMatch> fieldOfName(std::string_view name);

// Whether a comment whose first bytes are `head` (see kHeadBytes) can belong
// to a field; a reader needs the bodies of only these.
bool mayHoldField(std::string_view head);

// What the user sees: per field, the value of the last comment of its name
// (the fallback name only when the main one is absent), made valid UTF-8 and
// trimmed of characters 0..32 at both ends. A field without a comment is empty.
TagValues valuesFromComments(const std::vector<std::string_view>& comments);

// A list after an edit: views into the old comments and into `added`, the new
// comments it owns. Moving keeps the views valid; copying is not allowed.
struct EditedComments {
    EditedComments() = default;
    EditedComments(EditedComments&&) = default;
    EditedComments& operator=(EditedComments&&) = default;
    EditedComments(const EditedComments&) = delete;
    EditedComments& operator=(const EditedComments&) = delete;

    std::vector<std::string_view> comments;
    std::vector<std::string> added;
};

// Applies the changed fields to a list. A changed field replaces every comment
// of the name it is read from by one comment at the first one's place, keeping
// that comment's name as stored (its case); its value is written as given. An
// empty value removes every comment of the field's names. A field with no
// comment yet gets "<writtenAs>=<value>" at the end. Every other comment keeps
// its bytes and its place.
EditedComments applyEdits(const std::vector<std::string_view>& comments, const TagValues& values,
                          FieldMask changed);

} // namespace velmora::vorbiscomment
