// Patterns that tie file names to tags, such as "%track% - %artist% - %title%":
// literal text and placeholders for the seven fields (%title% %artist%
// %album% %year% %genre% %comment% %track%). "%%" stands for one '%', and a
// '%' that starts no placeholder is literal ("100% %title%").
#pragma once

#include "tags/common/TagFields.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::core {

// A pattern, parsed: literal text and fields in the order written. Adjacent
// literal text is one piece.
struct NamePattern {
    struct Piece {
        std::optional<Field> field; // none: literal
        std::string text;           // the literal text
    };
    std::vector<Piece> pieces;
    // Why the pattern cannot be used; empty when it can.
    std::string error;

    bool valid() const { return error.empty(); }
    // The fields it names, in order.
    std::vector<Field> fields() const;
};

// Parses a pattern. An unknown placeholder ("%titel%"), a pattern without
// placeholders and an empty pattern are errors.
NamePattern parsePattern(std::string_view text);

// The placeholder of a field ("%title%").
std::string placeholderOf(Field field);
// The field as messages name it ("title", "track number").
std::string_view fieldCaption(Field field);

// Reading names: a pattern a name can be split by. Besides the errors of
// parsePattern: two placeholders with no text between them, and one field
// named twice. Empty when the pattern is usable for reading, else the reason.
std::string readingError(const NamePattern& pattern);

// The values a name yields, or the reason it does not match. Literal text
// must match exactly; the text between placeholders is found from the left
// and the last placeholder takes the rest up to the literal text closing the
// pattern. A field must not come out empty, a track must be a number
// (optionally with a total: "4/12"), and every value must be UTF-8 text.
struct NameMatch {
    bool matched = false;
    TagValues values; // the named fields only
    FieldMask fields;
    std::string reason; // when not matched
};
NameMatch matchName(const NamePattern& pattern, std::string_view name);

// The pattern with each placeholder replaced by the field's value; %track%
// gives the track number without its total ("4" for "4/12"). `missing` gets
// the first field named whose value is empty.
std::string composeName(const NamePattern& pattern, const TagValues& values,
                        std::optional<Field>& missing);

} // namespace velmora::core
