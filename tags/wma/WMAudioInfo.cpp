#include "tags/wma/WMAudioInfo.h"

// Placeholder until the SDK binding lands.
namespace WMAudioInfo {
void Bind() {}
void Unbind() {}
} // namespace WMAudioInfo
