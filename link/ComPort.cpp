#include "ComPort.h"

#include <utility>

namespace tservice {

PortError::PortError(std::string operation, int code, std::string systemText)
    : std::runtime_error(operation + ": " + systemText + " (" + std::to_string(code) + ")"),
      operation_(std::move(operation)),
      code_(code),
      systemText_(std::move(systemText)) {}

}  // namespace tservice
