// The command line of velmora-cli, parsed.
#pragma once

#include "tags/common/TagFields.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace velmora::cli {

enum class Command { Help, Version, Show, Set, Rename, Fill };

struct Arguments {
    Command command = Command::Help;
    // show: JSON instead of a table.
    bool json = false;
    // set: the fields given, in the order given.
    std::vector<std::pair<Field, std::string>> fields;
    // set: the image to make every file's front cover, or its removal.
    std::optional<std::string> coverFile;
    bool removeCover = false;
    // rename: the new name.
    std::optional<std::string> newName;
    // fill, rename: the pattern tying names to tags.
    std::optional<std::string> pattern;
    // rename --pattern: print the new names, rename nothing.
    bool dryRun = false;
    std::vector<std::string> files;
};

// A command line that cannot be run; what() says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// args: the arguments after the program's name.
Arguments parseArguments(const std::vector<std::string>& args);

// The text of --help.
std::string helpText();

} // namespace velmora::cli
