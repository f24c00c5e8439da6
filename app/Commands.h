// The thirteen skin commands, with the caption and tooltip of the plain button
// that stands for each when the window runs without its skin.
#pragma once

#include <array>

struct SkinCommand {
    const char* name;
    const char* caption;
    const char* tooltip;
};

inline constexpr std::array<SkinCommand, 13> SkinCommands{{
    {"add", "Add Files", "Add audio files to the list (Ctrl+O)"},
    {"folder", "Add Folder", "Add the audio files of a folder"},
    {"remove", "Remove", "Remove the selected files from the list (Delete)"},
    {"clear", "Clear", "Remove all files from the list"},
    {"ok", "Write Tags", "Write the tags into all listed files (Ctrl+S)"},
    {"reset", "Reset", "Show the tags as they were read again (Ctrl+R)"},
    {"play", "Play", "Play the selected file (Space)"},
    {"pause", "Pause", "Pause or resume playback (Space)"},
    {"stop", "Stop", "Stop playback"},
    {"brack", "Previous", "Play the file before the playing one"},
    {"next", "Next", "Play the file after the playing one"},
    {"web", "About", "Open the Velmora about page in the browser"},
    {"cont", "Home Page", "Open the Velmora home page in the browser"},
}};
