#pragma once
// The text output of tservicectl for a described reading (JSON: SavedSet.h).
#include <string>

#include "Describe.h"
#include "SavedSet.h"

namespace tservice::cli {

std::string ToText(const Reading& r);

}  // namespace tservice::cli
