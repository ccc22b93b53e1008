#pragma once
// The text output of tservicectl for a described reading (JSON: SavedSet.h).
#include <string>

#include "Describe.h"
#include "SavedSet.h"

namespace tservice::cli {

std::string ToText(const Reading& r);
// o with "format" added, for the other printed objects.
QJsonObject Versioned(QJsonObject o);

}  // namespace tservice::cli
