// The command line parser on arbitrary arguments (split at zero bytes), and
// the JSON text of each argument, which must come out as valid UTF-8 with no
// raw control character.
#include "base/Text.h"
#include "cli/Arguments.h"
#include "cli/Json.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    std::size_t start = 0;
    for (std::size_t zero; (zero = input.find('\0', start)) != std::string::npos; start = zero + 1)
        args.push_back(input.substr(start, zero - start));
    args.push_back(input.substr(start));
    if (args.size() > 64)
        args.resize(64);
    try {
        velmora::cli::parseArguments(args);
    } catch (const velmora::cli::UsageError&) {
    }
    for (const std::string& arg : args) {
        const std::string json = velmora::cli::jsonString(arg);
        if (velmora::toValidUtf8(json) != json)
            std::abort();
        for (char c : json)
            if (static_cast<unsigned char>(c) < 0x20)
                std::abort();
        velmora::cli::base64(arg);
    }
    return 0;
}
