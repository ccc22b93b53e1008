#pragma once
// The scan of the line: identification (0x11) to addresses 1..max with two
// tries each, the devices that answered in ascending order.
#include <functional>
#include <vector>

#include "Comportclass.h"

namespace tservice {

struct FoundDevice {
    int number;  // 1..32
    int model;   // data byte 2 of the identification answer
};

struct ScanResult {
    std::vector<FoundDevice> found;
    int stopCode = 0;   // 132..135 when that result ended the scan early
    int stopIndex = -1; // device index that returned it
};

// Scans device indexes 0..max-1. Povt1 is 2 meanwhile and restored on every
// path (also when a PortError escapes). step(index) runs before each address
// and found(device) as soon as one answers (both may be empty), so a caller
// keeps what was found even when a PortError ends the scan. Only 132..135
// end the scan; every other failure passes the address over. The caller
// shows stopCode through ShowLinkError.
ScanResult ScanLine(TComPortClass& link, int max, const std::function<void(int)>& step = {},
                    const std::function<void(const FoundDevice&)>& found = {});

}  // namespace tservice
