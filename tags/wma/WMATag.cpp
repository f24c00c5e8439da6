#include "tags/wma/WMATag.h"

// Placeholder until the WMA unit lands.
WMATagRec ReadWMATag(const std::string&) {
    return {};
}
bool WriteWMATag(const std::string&, WMATagRec) {
    return false;
}
bool WMAudioAvailable() {
    return false;
}
