// The six fields of a row's Timerec as the tag units' field values. The
// window has no track field: the track number stays as the file holds it.
#pragma once

#include "app/State.h"
#include "tags/common/TagFields.h"

// The Timerec member that holds a field (Track has none).
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
    case velmora::Field::Comment:
    case velmora::Field::Track:
        break;
    }
    return &Timerec::Comment;
}

// The six fields the window edits, in the order of velmora::Field.
inline constexpr velmora::Field EditedFields[] = {velmora::Field::Title, velmora::Field::Artist,
                                                  velmora::Field::Album, velmora::Field::Year,
                                                  velmora::Field::Genre, velmora::Field::Comment};

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
