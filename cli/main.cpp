// velmora-cli: the tag core on the command line, for scripts and headless
// machines.
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "core/Formats.h"

#include <iostream>

int main(int argc, char* argv[]) {
    using namespace velmora::cli;
    std::ios::sync_with_stdio(false);
    Arguments args;
    try {
        args = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::cerr << "velmora-cli: " << e.what() << "\nTry \"velmora-cli --help\".\n";
        return 2;
    }
    try {
        velmora::core::FormatLibraries libraries;
        switch (args.command) {
        case Command::Help:
            std::cout << helpText();
            return 0;
        case Command::Version:
            std::cout << "velmora-cli " VELMORA_VERSION "\n";
            return 0;
        case Command::Show:
            return runShow(args, std::cout, std::cerr);
        case Command::Set:
            return runSet(args, std::cout, std::cerr);
        case Command::Rename:
            return runRename(args, std::cout, std::cerr);
        case Command::Fill:
            return runFill(args, std::cout, std::cerr);
        }
    } catch (const std::exception& e) {
        reportFailure(std::cerr, e.what());
    }
    return 1;
}
