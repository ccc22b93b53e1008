#pragma once
// The text and JSON output of tservicectl for a described reading.
#include <string>

#include <QJsonObject>

#include "Describe.h"

namespace tservice::cli {

std::string ToText(const Reading& r);
QJsonObject ToJson(const Reading& r);

}  // namespace tservice::cli
