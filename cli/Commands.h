#pragma once
// The commands of tservicectl. Each returns the process exit code: 0 success,
// 1 refused or failed (the reason is on err), 2 usage error.
#include <iosfwd>

#include "Args.h"

namespace tservice::cli {

int RunCommand(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace tservice::cli
