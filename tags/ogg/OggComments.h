// The comment names the Ogg unit models, and how a comment's name is found.
#pragma once

#include "tags/ogg/Ogg.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace ogg {

struct ModelledKey {
    const char* key;       // as read, lower case
    const char* writtenAs; // the prefix written
    std::string OGGTag::*field;
};

// The key table, in field order.
extern const std::array<ModelledKey, 7> kKeyTable;
// The order in which the writer writes the fields.
extern const std::array<int, 7> kWriteOrder;

// The name of a comment: the text before its first "=", when every byte of it
// lies within 0x20..0x7D (and no name otherwise).
std::optional<std::string_view> commentName(std::string_view comment);

// The index in the key table of a name compared with A..Z lowered, or -1.
int modelledKeyIndex(std::string_view name);

// Appends a comment of any bytes (a NUL byte included) to the editing state's
// comments through libvorbis; nothing happens when libvorbis cannot be loaded.
void addRawComment(std::string_view bytes, vcedit_state* state);

// Where the two libraries are loaded from.
std::string vceditLibraryPath();
std::string vorbisLibraryName();

} // namespace ogg
