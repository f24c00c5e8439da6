#include "tags/ogg/Ogg.h"

// Placeholder until the Ogg unit lands.
void ReadOGGTag(const std::string&, OGGTag&) {}
bool WriteOGGTag(const std::string&, OGGTag) {
    return false;
}
