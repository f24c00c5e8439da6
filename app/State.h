// The main window's module-level state: the track table, the baseline table,
// the current row and the playback flags. It lives outside the window object
// so that every part of the window (tables, adding, renaming, playback) reads
// and writes the same values.
#pragma once

#include <array>
#include <string>

// The six tag fields kept per listed file.
struct Timerec {
    std::string Title;
    std::string Artist;
    std::string Year;
    std::string Album;
    std::string Comment;
    std::string Genre;

    bool operator==(const Timerec&) const = default;
};

// Both tables hold one entry per list row, so the list holds at most this many rows.
inline constexpr int TrackTableCapacity = 1001;

using TrackTableArray = std::array<Timerec, TrackTableCapacity>;

// Entry i belongs to list row i: what the fields edit and "ok" writes.
extern TrackTableArray TrackTable;
// Entry i holds the tags of row i as its file holds them: as read when the row
// was added, or as last written. A row whose entries differ has unwritten edits.
extern TrackTableArray BaselineTable;
// The row whose entry the fields last showed.
extern int CurrentRowIndex;
// A file has been started and not stopped since (also while paused).
extern bool PlayingFlag;
// Playback is paused.
extern bool PausedFlag;
// The list row of the file being played; kept after a stop.
extern int PlayingRowIndex;

// Puts every value above back to its start value (tests start each case fresh).
void ResetModuleState();
