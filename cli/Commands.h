#pragma once
// The commands of tservicectl. Each returns the process exit code (ExitCode);
// the reason of a failure is on err.
#include <iosfwd>

#include "Args.h"

namespace tservice::cli {

int RunCommand(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace tservice::cli
