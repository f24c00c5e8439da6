// The commands of velmora-cli. Each returns the exit status: 0 when every file
// succeeded, 1 when any failed (each failure went to err with file and reason).
#pragma once

#include "cli/Arguments.h"
#include "core/FileList.h"

#include <ostream>

namespace velmora::cli {

int runShow(const Arguments& args, std::ostream& out, std::ostream& err);
int runSet(const Arguments& args, std::ostream& out, std::ostream& err);
// rename --to NAME, or rename --pattern P (which prints "OLD -> NEW" lines).
int runRename(const Arguments& args, std::ostream& out, std::ostream& err);
int runFill(const Arguments& args, std::ostream& out, std::ostream& err);

// Writes the list; reports each failure among the rows `edited` (ascending)
// and prints "N files written, M unchanged, K failed", `failed` counting the
// files that failed before. Returns the exit status.
int writeAndReport(core::FileList& list, const std::vector<core::RowId>& edited, std::size_t failed,
                   std::ostream& out, std::ostream& err);

// The line a failure gets on standard error.
void reportFailure(std::ostream& err, const std::string& message);

} // namespace velmora::cli
