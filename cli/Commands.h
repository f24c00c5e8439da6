// The commands of velmora-cli. Each returns the exit status: 0 when every file
// succeeded, 1 when any failed (each failure went to err with file and reason).
#pragma once

#include "cli/Arguments.h"

#include <ostream>

namespace velmora::cli {

int runShow(const Arguments& args, std::ostream& out, std::ostream& err);
int runSet(const Arguments& args, std::ostream& out, std::ostream& err);
int runRename(const Arguments& args, std::ostream& err);

// The line a failure gets on standard error.
void reportFailure(std::ostream& err, const std::string& message);

} // namespace velmora::cli
