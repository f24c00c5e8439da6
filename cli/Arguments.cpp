#include "cli/Arguments.h"

#include "core/Formats.h"
#include "core/NamePattern.h"
#include "core/NamesFromTags.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace velmora::cli {

namespace {

struct FieldOption {
    std::string_view name;
    Field field;
};

constexpr std::array<FieldOption, 7> fieldOptions{{
    {"--title", Field::Title},
    {"--artist", Field::Artist},
    {"--album", Field::Album},
    {"--year", Field::Year},
    {"--genre", Field::Genre},
    {"--comment", Field::Comment},
    {"--track", Field::Track},
}};

// "4" or "4/12", or empty (which removes the track number).
bool isTrackNumber(std::string_view text) {
    if (text.empty())
        return true;
    const auto slash = text.find('/');
    auto digits = [](std::string_view part) {
        return !part.empty() &&
               std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return slash == std::string_view::npos
               ? digits(text)
               : digits(text.substr(0, slash)) && digits(text.substr(slash + 1));
}

Command commandNamed(const std::string& name) {
    if (name == "show")
        return Command::Show;
    if (name == "set")
        return Command::Set;
    if (name == "rename")
        return Command::Rename;
    if (name == "fill")
        return Command::Fill;
    if (name == "help")
        return Command::Help;
    throw UsageError("unknown command \"" + name + "\"");
}

} // namespace

Arguments parseArguments(const std::vector<std::string>& args) {
    Arguments result;
    if (args.empty())
        throw UsageError("no command given");
    if (args[0] == "--help" || args[0] == "-h")
        return result;
    if (args[0] == "--version") {
        result.command = Command::Version;
        return result;
    }
    result.command = commandNamed(args[0]);
    if (result.command == Command::Help)
        return result;

    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            result.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            result = {};
            return result;
        }
        const auto equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        // The option's value: after '=' or the next argument.
        auto value = [&]() -> std::string {
            if (equals != std::string::npos)
                return arg.substr(equals + 1);
            if (i + 1 >= args.size())
                throw UsageError("option " + name + " needs a value");
            return args[++i];
        };
        if (result.command == Command::Show && name == "--json" && equals == std::string::npos) {
            result.json = true;
            continue;
        }
        if ((result.command == Command::Fill || result.command == Command::Rename) &&
            name == "--pattern") {
            if (result.pattern)
                throw UsageError("option --pattern is given twice");
            result.pattern = value();
            continue;
        }
        if (result.command == Command::Rename && name == "--dry-run" &&
            equals == std::string::npos) {
            result.dryRun = true;
            continue;
        }
        if (result.command == Command::Rename && name == "--to") {
            if (result.newName)
                throw UsageError("option --to is given twice");
            result.newName = value();
            continue;
        }
        if (result.command == Command::Set && name == "--cover") {
            if (result.coverFile || result.removeCover)
                throw UsageError("give --cover once, or --remove-cover");
            result.coverFile = value();
            continue;
        }
        if (result.command == Command::Set && name == "--remove-cover" &&
            equals == std::string::npos) {
            if (result.coverFile || result.removeCover)
                throw UsageError("give --cover once, or --remove-cover");
            result.removeCover = true;
            continue;
        }
        const auto option = std::find_if(fieldOptions.begin(), fieldOptions.end(),
                                         [&](const FieldOption& o) { return o.name == name; });
        if (result.command != Command::Set || option == fieldOptions.end())
            throw UsageError("unknown option " + name + " for \"" + args[0] + "\"");
        if (std::any_of(result.fields.begin(), result.fields.end(),
                        [&](const auto& given) { return given.first == option->field; }))
            throw UsageError("option " + name + " is given twice");
        std::string text = value();
        if (option->field == Field::Track && !isTrackNumber(text))
            throw UsageError("--track takes a number, optionally with a total (4 or 4/12), not \"" +
                             text + "\"");
        result.fields.emplace_back(option->field, std::move(text));
    }

    if (result.files.empty())
        throw UsageError("no file given");
    if (result.command == Command::Set && result.fields.empty() && !result.coverFile &&
        !result.removeCover)
        throw UsageError("set needs at least one field to write (--title, --artist, ..., "
                         "--cover, --remove-cover)");
    if (result.command == Command::Fill) {
        if (!result.pattern)
            throw UsageError("fill needs a pattern: --pattern P");
        if (const std::string error = core::readingError(core::parsePattern(*result.pattern));
            !error.empty())
            throw UsageError(error);
    }
    if (result.command == Command::Rename && result.pattern) {
        if (result.newName)
            throw UsageError("rename takes either --to NAME or --pattern P, not both");
        if (const std::string error = core::namingError(core::parsePattern(*result.pattern));
            !error.empty())
            throw UsageError(error);
    } else if (result.command == Command::Rename) {
        if (!result.newName)
            throw UsageError("rename needs the new name: --to NAME, or a pattern: --pattern P");
        if (result.dryRun)
            throw UsageError("--dry-run goes with --pattern");
        if (result.files.size() != 1)
            throw UsageError("rename takes exactly one file");
        if (result.newName->find('/') != std::string::npos)
            throw UsageError("the new name may not contain \"/\": a file is renamed within its "
                             "folder");
        if (result.newName->empty())
            throw UsageError("the new name is empty");
    }
    return result;
}

std::string helpText() {
    std::string formats;
    for (const core::Format& format : core::allFormats())
        if (format.hasTags())
            formats += (formats.empty() ? "" : ", ") + std::string(format.name);
    return "Usage: velmora-cli COMMAND [OPTION...] FILE...\n"
           "Show, edit and rename the tags of audio files (" +
           formats +
           ").\n"
           "\n"
           "Commands:\n"
           "  show [--json] FILE...\n"
           "      Print the title, artist, album, year, genre, comment and track number\n"
           "      of each file: a table, or with --json a JSON array with one object per\n"
           "      file (path, format, the seven fields, or error; a path that is not\n"
           "      valid UTF-8 also as path_bytes in base64; the front cover as cover:\n"
           "      mime, bytes, width and height, or null). The table gets a COVER\n"
           "      column when a file has a cover.\n"
           "  set [--title TEXT] [--artist TEXT] [--album TEXT] [--year TEXT]\n"
           "      [--genre TEXT] [--comment TEXT] [--track N[/TOTAL]]\n"
           "      [--cover IMAGE | --remove-cover] FILE...\n"
           "      Write the given fields into each file. Fields not given keep what the\n"
           "      file holds, and so does everything else in the file. An empty TEXT\n"
           "      (--title \"\") removes the field. A track number without a total keeps\n"
           "      the total the file holds (4 over 3/12 gives 4/12). --cover makes a\n"
           "      JPEG or PNG image (16 MiB at most) the front cover of each file;\n"
           "      --remove-cover removes the front cover. Other pictures stay.\n"
           "  rename --to NAME FILE\n"
           "      Rename FILE within its folder to exactly NAME (extension included).\n"
           "      An existing file is never replaced; NAME may not contain \"/\".\n"
           "  rename --pattern P [--dry-run] FILE...\n"
           "      Rename each FILE within its folder to a name made of its tags by the\n"
           "      pattern P (see Patterns), keeping its extension. The characters\n"
           "      * ? | : \" / \\ < > and control characters are left out and a name is\n"
           "      cut to 255 bytes. When a field the pattern names is empty, a new name\n"
           "      exists already or two files would get one name, no file is renamed.\n"
           "      Prints \"OLD -> NEW\" for each file that gets a new name; with\n"
           "      --dry-run renames nothing.\n"
           "  fill --pattern P FILE...\n"
           "      Set the fields the pattern P names from each file's name (without\n"
           "      its extension) and write them; every other field keeps what the\n"
           "      file holds. A name that does not match the pattern is left alone and\n"
           "      reported.\n"
           "  help\n"
           "      Print this help.\n"
           "\n"
           "Patterns:\n"
           "  Text with the placeholders %title% %artist% %album% %year% %genre%\n"
           "  %comment% %track% (%% is one %), for example \"%track% - %title%\".\n"
           "  Reading a name, the text between placeholders is found from the left\n"
           "  and the last placeholder takes the rest: \"%artist% - %title%\" reads\n"
           "  \"AC - DC - Song\" as artist \"AC\", title \"DC - Song\". A name matches\n"
           "  only when every placeholder gets some text and %track% a number (4 or\n"
           "  4/12). In a new name %track% is the track number without its total.\n"
           "\n"
           "Options:\n"
           "  -h, --help     print this help and exit\n"
           "  --version      print the version and exit\n"
           "  --             every argument after this one is a FILE\n"
           "  --OPTION=VALUE is the same as --OPTION VALUE\n"
           "\n"
           "Exit status: 0 when every file succeeded, 1 when any file failed, 2 when the\n"
           "command line is wrong. Each failure is printed on standard error with the\n"
           "file and the reason.\n";
}

} // namespace velmora::cli
