#pragma once
// The serial ports the system knows, for the port settings dialog.
#include <string>
#include <vector>

namespace tservice {

// Port names (as QSerialPortInfo::portName gives them, e.g. ttyUSB0 or COM3)
// in the system's order. Empty when there are none; never throws.
std::vector<std::string> EnumeratePorts();

}  // namespace tservice
