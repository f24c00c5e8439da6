// The seven fields of a row's Timerec as the tag units' field values.
#pragma once

#include "app/State.h"
#include "tags/common/TagFields.h"

// The Timerec member that holds a field.
inline std::string Timerec::*TimerecMember(velmora::Field field) {
    switch (field) {
    case velmora::Field::Title:
        return &Timerec::Title;
    case velmora::Field::Artist:
        return &Timerec::Artist;
    case velmora::Field::Album:
        return &Timerec::Album;
    case velmora::Field::Year:
        return &Timerec::Year;
    case velmora::Field::Genre:
        return &Timerec::Genre;
    case velmora::Field::Track:
        return &Timerec::Track;
    case velmora::Field::Comment:
        break;
    }
    return &Timerec::Comment;
}

// The seven fields the window edits, in the order of velmora::Field.
inline constexpr velmora::Field EditedFields[] = {
    velmora::Field::Title, velmora::Field::Artist,  velmora::Field::Album, velmora::Field::Year,
    velmora::Field::Genre, velmora::Field::Comment, velmora::Field::Track};

inline velmora::TagValues TagValuesOf(const Timerec& entry) {
    velmora::TagValues values;
    for (velmora::Field field : EditedFields)
        values[field] = entry.*TimerecMember(field);
    return values;
}

inline Timerec TimerecOf(const velmora::TagValues& values) {
    Timerec entry;
    for (velmora::Field field : EditedFields)
        entry.*TimerecMember(field) = values[field];
    return entry;
}
