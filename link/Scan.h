#pragma once
// The scan of the line: identification (0x11) to addresses 1..max with two
// tries each, the devices that answered in ascending order. The fast scan
// waits for an answer only as long as the line rate needs.
#include <functional>
#include <string>
#include <vector>

#include "Comportclass.h"

namespace tservice {

// Tries per address of the scan (Povt1 meanwhile).
inline constexpr int kScanTries = 2;

// Povt1 set to tries for the guard's lifetime and restored however it ends.
class Povt1Guard {
public:
    Povt1Guard(TComPortClass& link, int tries) : link_(link), saved_(link.GetPovt1()) { link_.SetPovt1(tries); }
    ~Povt1Guard() { link_.SetPovt1(saved_); }
    Povt1Guard(const Povt1Guard&) = delete;
    Povt1Guard& operator=(const Povt1Guard&) = delete;

private:
    TComPortClass& link_;
    int saved_;
};

struct FoundDevice {
    int number;  // 1..32
    int model;   // data byte 2 of the identification answer
};

struct ScanResult {
    std::vector<FoundDevice> found;  // ascending by number
    int stopCode = 0;   // 132..135 when that result ended the scan early
    int stopIndex = -1; // device index that returned it
    // Numbers 1..32 where something arrived but no valid identification (a
    // damaged, cut, foreign or refused answer): a device may be there and
    // was missed because the line was lossy. Ascending.
    std::vector<int> doubtful;
};

// "возможно, пропущены (помехи на линии): 4, 6", or "" when none is doubtful.
std::string DoubtfulText(const ScanResult& result);

// Scans device indexes 0..max-1. Povt1 is 2 meanwhile and restored on every
// path (also when a PortError escapes). step(index) runs before each address
// and found(device) as soon as one answers (both may be empty), so a caller
// keeps what was found even when a PortError ends the scan. Only 132..135
// end the scan; every other failure passes the address over. The caller
// shows stopCode through ShowLinkError. stop() (may be empty) is asked
// before each address after the first: true ends the scan there, after the
// exchange that was in progress.
ScanResult ScanLine(TComPortClass& link, int max, const std::function<void(int)>& step = {},
                    const std::function<void(const FoundDevice&)>& found = {},
                    const std::function<bool()>& stop = {});

// How late after its request a transmitter may start to answer and still be
// found by the fast scan (slow firmware, USB adapters' latency timers), ms.
inline constexpr int kLateAnswerMs = 100;

// Waits of the fast scan: the port's read timeouts and the pause after a
// failed try, all in milliseconds.
struct FastScanTiming {
    ReadTimeouts read;
    int retryPauseMs = 0;
};

// The fast scan's waits for a line at baud bit/s with this framing: the
// answer timeout is the line time of an identification request and its
// answer plus kFastScanMarginMs, or timeoutMs when that is above 0.
inline constexpr int kFastScanMarginMs = 20;
FastScanTiming FastScanTimingFor(int baud, Parity parity, int stopBits, int timeoutMs = 0);

// ScanLine with the waits of FastScanTimingFor at the link's settings (an
// unreadable rate counts as 9600 bit/s), following the line: the answer
// timeout grows to the answer times measured, and every address that got a
// damaged or foreign answer is tried again, with the one before it (whose
// late answer that may have been), allowing kLateAnswerMs. found() may then
// come out of ascending order; the result is sorted. The port's read
// timeouts and the link's retry pause are restored on every path, as Povt1 is.
ScanResult FastScanLine(TComPortClass& link, int max, int timeoutMs = 0,
                        const std::function<void(int)>& step = {},
                        const std::function<void(const FoundDevice&)>& found = {},
                        const std::function<bool()>& stop = {});

}  // namespace tservice
