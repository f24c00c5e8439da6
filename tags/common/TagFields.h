// The fields every tag unit models, as the window and the command line see
// them, and the set of fields an edit changed. Plain C++; text is UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

enum class Field : std::uint8_t { Title, Artist, Album, Year, Genre, Comment, Track };
inline constexpr int FieldCount = 7;

// The values of the seven fields of one file.
struct TagValues {
    std::array<std::string, FieldCount> values;

    std::string& operator[](Field f) { return values[static_cast<int>(f)]; }
    const std::string& operator[](Field f) const { return values[static_cast<int>(f)]; }
    bool operator==(const TagValues&) const = default;
};

// Which fields an edit changed. A writer touches only these: every other value
// keeps what the file holds, in its stored form. An empty changed value removes
// that field from the file.
class FieldMask {
public:
    constexpr FieldMask() = default;
    static constexpr FieldMask all() { return FieldMask(0x7F); }
    constexpr bool has(Field f) const { return bits_ & bit(f); }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr FieldMask& set(Field f, bool on = true) {
        bits_ = on ? (bits_ | bit(f)) : (bits_ & ~bit(f));
        return *this;
    }
    constexpr bool operator==(const FieldMask&) const = default;

private:
    constexpr explicit FieldMask(std::uint8_t bits) : bits_(bits) {}
    static constexpr std::uint8_t bit(Field f) { return std::uint8_t(1u << static_cast<int>(f)); }
    std::uint8_t bits_ = 0;
};

// The fields in which two value sets differ.
inline FieldMask changedFields(const TagValues& before, const TagValues& after) {
    FieldMask mask;
    for (int i = 0; i < FieldCount; ++i)
        if (before.values[i] != after.values[i])
            mask.set(static_cast<Field>(i));
    return mask;
}

} // namespace velmora
