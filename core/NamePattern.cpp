#include "core/NamePattern.h"

#include "base/Text.h"

#include <algorithm>
#include <array>

namespace velmora::core {

namespace {

struct Placeholder {
    std::string_view name;
    Field field;
    std::string_view caption; // as messages name the field
};

constexpr std::array<Placeholder, FieldCount> placeholders{{
    {"title", Field::Title, "title"},
    {"artist", Field::Artist, "artist"},
    {"album", Field::Album, "album"},
    {"year", Field::Year, "year"},
    {"genre", Field::Genre, "genre"},
    {"comment", Field::Comment, "comment"},
    {"track", Field::Track, "track number"},
}};

const Placeholder& placeholderFor(Field field) {
    return placeholders[static_cast<std::size_t>(field)];
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x | 0x20) == (y | 0x20);
           });
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "4" or "4/12".
bool isTrackNumber(std::string_view text) {
    const auto slash = text.find('/');
    return slash == std::string_view::npos
               ? allDigits(text)
               : allDigits(text.substr(0, slash)) && allDigits(text.substr(slash + 1));
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

void appendLiteral(NamePattern& pattern, std::string_view text) {
    if (pattern.pieces.empty() || pattern.pieces.back().field)
        pattern.pieces.push_back({std::nullopt, {}});
    pattern.pieces.back().text += text;
}

std::string knownPlaceholders() {
    std::string list;
    for (const Placeholder& p : placeholders)
        list += (list.empty() ? "" : " ") + placeholderOf(p.field);
    return list;
}

} // namespace

std::string placeholderOf(Field field) {
    return "%" + std::string(placeholderFor(field).name) + "%";
}

std::vector<Field> NamePattern::fields() const {
    std::vector<Field> result;
    for (const Piece& piece : pieces)
        if (piece.field)
            result.push_back(*piece.field);
    return result;
}

NamePattern parsePattern(std::string_view text) {
    NamePattern pattern;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            const std::size_t next = std::min(text.find('%', i), text.size());
            appendLiteral(pattern, text.substr(i, next - i));
            i = next;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '%') {
            appendLiteral(pattern, "%");
            i += 2;
            continue;
        }
        const std::size_t close = text.find('%', i + 1);
        const std::string_view name = close == std::string_view::npos
                                          ? std::string_view()
                                          : text.substr(i + 1, close - i - 1);
        if (name.empty() || !std::all_of(name.begin(), name.end(), isLetter)) {
            appendLiteral(pattern, "%");
            ++i;
            continue;
        }
        const auto known =
            std::find_if(placeholders.begin(), placeholders.end(),
                         [&](const Placeholder& p) { return sameLetters(p.name, name); });
        if (known == placeholders.end()) {
            pattern.error = "the pattern holds the unknown placeholder %" + std::string(name) +
                            "% (known are " + knownPlaceholders() + "; %% is a literal %)";
            return pattern;
        }
        pattern.pieces.push_back({known->field, {}});
        i = close + 1;
    }
    if (text.empty())
        pattern.error = "the pattern is empty";
    else if (pattern.fields().empty())
        pattern.error = "the pattern holds no placeholder (" + knownPlaceholders() + ")";
    return pattern;
}

std::string readingError(const NamePattern& pattern) {
    if (!pattern.valid())
        return pattern.error;
    FieldMask seen;
    for (std::size_t i = 0; i < pattern.pieces.size(); ++i) {
        const auto& field = pattern.pieces[i].field;
        if (!field)
            continue;
        if (seen.has(*field))
            return "the pattern names " + placeholderOf(*field) +
                   " twice, so a name cannot be split by it";
        seen.set(*field);
        if (i + 1 < pattern.pieces.size() && pattern.pieces[i + 1].field)
            return "the pattern has no text between " + placeholderOf(*field) + " and " +
                   placeholderOf(*pattern.pieces[i + 1].field) +
                   ", so a name cannot be split between them";
    }
    return {};
}

NameMatch matchName(const NamePattern& pattern, std::string_view name) {
    NameMatch match;
    auto fail = [&](std::string reason) {
        match = {};
        match.reason = std::move(reason);
        return match;
    };
    if (const std::string error = readingError(pattern); !error.empty())
        return fail(error);
    const auto& pieces = pattern.pieces;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (!pieces[i].field) {
            // Only an opening literal comes here; the others close a field.
            if (!name.substr(pos).starts_with(pieces[i].text))
                return fail("the name does not begin with " + quoted(pieces[i].text));
            pos += pieces[i].text.size();
            continue;
        }
        const Field field = *pieces[i].field;
        const std::string_view caption = placeholderFor(field).caption;
        std::string_view value;
        if (i + 1 == pieces.size()) {
            value = name.substr(pos);
            pos = name.size();
        } else if (i + 2 == pieces.size()) {
            // The last placeholder takes the rest, up to the closing literal.
            const std::string& closing = pieces[i + 1].text;
            if (name.size() < pos + closing.size() || !name.ends_with(closing))
                return fail("the name does not end with " + quoted(closing));
            value = name.substr(pos, name.size() - closing.size() - pos);
            pos = name.size();
            ++i;
        } else {
            const std::string& separator = pieces[i + 1].text;
            const std::size_t found = name.find(separator, pos);
            if (found == std::string_view::npos)
                return fail("the name has no " + quoted(separator) + " after the " +
                            std::string(caption));
            value = name.substr(pos, found - pos);
            pos = found + separator.size();
            ++i;
        }
        if (value.empty())
            return fail("the " + std::string(caption) + " would be empty");
        if (toValidUtf8(value) != value)
            return fail("the " + std::string(caption) + " would not be UTF-8 text");
        if (field == Field::Track && !isTrackNumber(value))
            return fail(quoted(value) + " is not a track number");
        match.values[field] = std::string(value);
        match.fields.set(field);
    }
    match.matched = true;
    return match;
}

std::string composeName(const NamePattern& pattern, const TagValues& values,
                        std::optional<Field>& missing) {
    missing.reset();
    std::string name;
    for (const NamePattern::Piece& piece : pattern.pieces) {
        if (!piece.field) {
            name += piece.text;
            continue;
        }
        std::string_view value = values[*piece.field];
        if (*piece.field == Field::Track)
            value = value.substr(0, value.find('/'));
        if (value.empty() && !missing)
            missing = *piece.field;
        name += value;
    }
    return name;
}

std::string_view fieldCaption(Field field) {
    return placeholderFor(field).caption;
}

} // namespace velmora::core
