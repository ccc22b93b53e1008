#pragma once
// "Поиск настроек линии": a transmitter brought from another line answers at
// a rate, parity and stop bits nobody remembers. The finder runs the fast
// scan at every framing the port dialog offers and says which found whom.
#include <functional>
#include <string>
#include <vector>

#include "Scan.h"

namespace tservice {

struct LineFraming {
    int baud = 9600;
    char parity = 'N';  // 'N', 'O', 'E' as TComPortClass::ParityChar
    int stopBits = 2;
    bool operator==(const LineFraming&) const = default;
};

// "19200 бит/с, нет, 1" in the port dialog's words.
std::string FramingText(const LineFraming& f);

// The framings the port dialog offers, in the order tried: each rate of
// 9600, 19200, 57600, 115200 with parity none, odd, even and one or two stop
// bits, even parity with two stop bits left out (the dialog refuses it).
std::vector<LineFraming> OfferedFramings();

struct FramingResult {
    LineFraming framing;
    std::vector<FoundDevice> found;
};

struct FindResult {
    std::vector<FramingResult> found;  // the framings that found any, in order tried
    int tried = 0;                     // framings scanned
    int stopCode = 0;                  // 132..135, or -1 when the port would not open
    bool stopped = false;              // stop() ended the search
};

// Scans addresses 1..max at each offered framing with FastScanLine, reopening
// the link's port for each; ends at the first framing that finds any unless
// all is set. step(n, total, framing) runs before each framing; stop() (may be
// empty) is asked between addresses and framings. The link's four settings
// and its port are put back as they were (reopened when it was open). A
// PortError from the port propagates after the settings are put back.
FindResult FindLineSettings(TComPortClass& link, int max, bool all,
                            const std::function<void(int, int, const LineFraming&)>& step = {},
                            const std::function<bool()>& stop = {});

}  // namespace tservice
