#include "core/TrackNumber.h"

namespace velmora::core {

namespace {

// "/12" of "3/12"; empty when there is no total.
std::string_view totalPart(std::string_view track) {
    const auto slash = track.find('/');
    return slash == std::string_view::npos ? std::string_view() : track.substr(slash);
}

} // namespace

std::string mergeTrack(std::string_view typed, std::string_view stored) {
    if (typed.empty() || typed.find('/') != std::string_view::npos)
        return std::string(typed);
    return std::string(typed) + std::string(totalPart(stored));
}

std::string numberedTrack(int number, std::string_view current) {
    return std::to_string(number) + std::string(totalPart(current));
}

} // namespace velmora::core
