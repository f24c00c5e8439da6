#include "tags/common/VorbisComments.h"

#include "base/Text.h"

#include <algorithm>
#include <cstring>

namespace velmora::vorbiscomment {

const std::array<FieldNames, FieldCount> kFieldNames = {{
    {Field::Title, {"TITLE", {}}, "Title"},
    {Field::Artist, {"ARTIST", {}}, "Artist"},
    {Field::Album, {"ALBUM", {}}, "Album"},
    {Field::Year, {"DATE", {}}, "Date"},
    {Field::Genre, {"GENRE", {}}, "Genre"},
    {Field::Comment, {"COMMENT", "DESCRIPTION"}, "Comment"},
    {Field::Track, {"TRACKNUMBER", {}}, "TrackNumber"},
}};

namespace {

// The order in which fields new to a file are appended.
constexpr std::array<Field, FieldCount> kAppendOrder = {Field::Title,  Field::Artist, Field::Album,
                                                        Field::Track,  Field::Year,   Field::Genre,
                                                        Field::Comment};

char lowered(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

const FieldNames& namesOf(Field f) {
    return kFieldNames[static_cast<std::size_t>(f)];
}

} // namespace

std::optional<std::string_view> commentName(std::string_view comment) {
    const std::size_t equals = comment.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    for (std::size_t i = 0; i < equals; ++i) {
        const auto c = static_cast<unsigned char>(comment[i]);
        if (c < 0x20 || c > 0x7D)
            return std::nullopt;
    }
    return comment.substr(0, equals);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowered(a[i]) != lowered(b[i]))
            return false;
    return true;
}

std::optional<NameMatch> fieldOfName(std::string_view name) {
    // Told apart by length and first letter before any comparison; kept in
    // step with kFieldNames (the tests read and edit every name).
    auto is = [&](Field field, int which) -> std::optional<NameMatch> {
        if (sameName(name, namesOf(field).names[which]))
            return NameMatch{field, which};
        return std::nullopt;
    };
    if (name.empty())
        return std::nullopt;
    const char first = lowered(name[0]);
    switch (name.size()) {
    case 4:
        return is(Field::Year, 0);
    case 5:
        return first == 't'   ? is(Field::Title, 0)
               : first == 'a' ? is(Field::Album, 0)
                              : is(Field::Genre, 0);
    case 6:
        return is(Field::Artist, 0);
    case 7:
        return is(Field::Comment, 0);
    case 11:
        return first == 't' ? is(Field::Track, 0) : is(Field::Comment, 1);
    default:
        return std::nullopt;
    }
}

bool mayHoldField(std::string_view head) {
    auto name = commentName(head);
    return name && fieldOfName(*name).has_value();
}

namespace {

// Per field and name: the indices of its comments, in order.
struct FieldComments {
    std::array<std::array<std::vector<std::size_t>, 2>, FieldCount> at;

    explicit FieldComments(const std::vector<std::string_view>& comments) {
        for (std::size_t i = 0; i < comments.size(); ++i)
            if (auto name = commentName(comments[i]))
                if (auto match = fieldOfName(*name))
                    at[static_cast<std::size_t>(match->field)][match->which].push_back(i);
    }
    // The name a field is read from: the main one unless only the fallback is present.
    int shownName(Field f) const {
        const auto& names = at[static_cast<std::size_t>(f)];
        return names[0].empty() && !names[1].empty() ? 1 : 0;
    }
    const std::vector<std::size_t>& shown(Field f) const {
        return at[static_cast<std::size_t>(f)][shownName(f)];
    }
};

std::string_view valueOf(std::string_view comment) {
    return comment.substr(comment.find('=') + 1);
}

} // namespace

namespace {

// Whether bytes are valid UTF-8 (overlong forms, surrogates and code points
// above U+10FFFF are not), eight ASCII bytes at a time where it can.
bool validUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        if (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (!(word & 0x8080808080808080ull)) {
                p += 8;
                continue;
            }
        }
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        std::size_t more = 0;
        unsigned low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (static_cast<std::size_t>(end - p) <= more || p[1] < low || p[1] > high)
            return false;
        for (std::size_t i = 2; i <= more; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return false;
        p += more + 1;
    }
    return true;
}

// Characters 0..32 off both ends, then made valid UTF-8 (an invalid byte
// becomes a character above 127, so trimming first gives the same text).
std::string shownValue(std::string_view value) {
    std::size_t begin = 0, end = value.size();
    while (begin < end && static_cast<unsigned char>(value[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(value[end - 1]) <= 32)
        --end;
    value = value.substr(begin, end - begin);
    return validUtf8(value) ? std::string(value) : toValidUtf8(value);
}

} // namespace

TagValues valuesFromComments(const std::vector<std::string_view>& comments) {
    // Per field and name, the last comment of it.
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t last[FieldCount][2];
    std::fill(&last[0][0], &last[0][0] + FieldCount * 2, kNone);
    for (std::size_t i = 0; i < comments.size(); ++i)
        if (auto name = commentName(comments[i]))
            if (auto match = fieldOfName(*name))
                last[static_cast<std::size_t>(match->field)][match->which] = i;
    TagValues values;
    for (int f = 0; f < FieldCount; ++f) {
        const std::size_t shown = last[f][0] != kNone ? last[f][0] : last[f][1];
        if (shown != kNone)
            values.values[f] = shownValue(valueOf(comments[shown]));
    }
    return values;
}

EditedComments applyEdits(const std::vector<std::string_view>& comments, const TagValues& values,
                          FieldMask changed) {
    const FieldComments found(comments);
    EditedComments result;
    result.added.reserve(FieldCount); // the views into it must not move

    // What becomes of each old comment: kept, dropped, or replaced by added[n].
    constexpr std::ptrdiff_t kKeep = -1, kDrop = -2;
    std::vector<std::ptrdiff_t> fate(comments.size(), kKeep);
    std::vector<Field> appended;
    for (Field f : kAppendOrder) {
        if (!changed.has(f))
            continue;
        const std::string& value = values[f];
        const auto& byName = found.at[static_cast<std::size_t>(f)];
        if (value.empty()) {
            for (const auto& indices : byName)
                for (std::size_t i : indices)
                    fate[i] = kDrop;
            continue;
        }
        const auto& indices = found.shown(f);
        if (indices.empty()) {
            appended.push_back(f);
            continue;
        }
        const std::string_view storedName = *commentName(comments[indices.front()]);
        std::string text;
        text.reserve(storedName.size() + 1 + value.size());
        text.append(storedName).append(1, '=').append(value);
        result.added.push_back(std::move(text));
        for (std::size_t i : indices)
            fate[i] = kDrop;
        fate[indices.front()] = static_cast<std::ptrdiff_t>(result.added.size() - 1);
    }

    result.comments.reserve(comments.size() + appended.size());
    for (std::size_t i = 0; i < comments.size(); ++i) {
        if (fate[i] == kKeep)
            result.comments.push_back(comments[i]);
        else if (fate[i] >= 0)
            result.comments.push_back(result.added[static_cast<std::size_t>(fate[i])]);
    }
    for (Field f : appended) {
        result.added.push_back(std::string(namesOf(f).writtenAs).append(1, '=').append(values[f]));
        result.comments.push_back(result.added.back());
    }
    return result;
}

} // namespace velmora::vorbiscomment
