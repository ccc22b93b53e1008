#pragma once
// The text and JSON output of tservicectl for a described reading.
#include <string>

#include <QJsonObject>

#include "Describe.h"
#include "SavedSet.h"

namespace tservice::cli {

std::string ToText(const Reading& r);
// Numbers as JSON numbers (°C, %, mA), flags as booleans, list fields also by
// the words set takes; "format" and "raw" (the block in hex) included.
QJsonObject ToJson(const Reading& r);
// o with "format" added, for the other printed objects.
QJsonObject Versioned(QJsonObject o);

}  // namespace tservice::cli
