#pragma once
// The whole line at a glance, free of widgets: the transmitters a scan found,
// the round that refreshes them one exchange at a time, and the texts of their
// rows (window and CSV alike).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Comportclass.h"
#include "DeviceImage.h"
#include "Scan.h"

namespace tservice {

// One transmitter of the line as the overview keeps it.
struct LineDevice {
    int number = 0;              // 1..32, as found by the scan
    int model = 0;               // model code the scan saw
    DeviceImage image;           // last accepted reading; measurement kept fresh
    bool read = false;           // image holds an accepted reading
    std::string refusal;         // why its reading was refused ("" when none)
    bool silent = false;         // its last exchange failed
    int lastCode = 0;            // link result of that exchange
    bool exception = false;      // that result is the transmitter's exception answer
    std::int64_t lastGoodMs = -1;  // time of day (ms since midnight) of its last good answer
};

// A complete reading of d (identification, block, measurement) with the
// window's acceptance. Returns the link result; 0 with d.refusal set when the
// transmitter answered but its reading is not acceptable, 0 with d.read set
// when it is. Does not touch the silent mark. A PortError propagates.
int ReadAccepted(TComPortClass& link, LineDevice& d);

// What one step of the round did.
struct RoundStep {
    int device = -1;  // index into Devices(); -1 when there was nothing to serve
    int code = 0;     // link result; 0 good
    bool full = false;  // a complete reading (three exchanges), not the measurement only
};

// The round: devices in ascending order, one at a time. A device without an
// accepted reading gets one (identification, block, measurement), the others
// the measurement block only; a refused one is passed over until Reset. While a
// step runs the link makes two tries per exchange, as the scan does, so a
// silent transmitter costs the round little; Povt1 is restored on every path.
class LineRound {
public:
    // timeOfDay gives the time of day in ms (window: wall clock; tests:
    // virtual). found is copied.
    LineRound(const std::vector<FoundDevice>& found, std::function<std::int64_t()> timeOfDay);

    // Serves the next device in turn. Nothing is ever written. A PortError
    // propagates (the device is then marked silent).
    RoundStep Step(TComPortClass& link);
    // Forgets every reading and refusal: the next steps read each device anew.
    void Reset();
    // Whether a device answered 132..135 or 256: the line itself is unusable
    // and a caller should stop the round and report the code.
    static bool LineFailure(int code);

    std::vector<LineDevice>& Devices() { return devices_; }
    const std::vector<LineDevice>& Devices() const { return devices_; }
    int Rounds() const { return rounds_; }  // rounds completed

private:
    std::vector<LineDevice> devices_;
    std::function<std::int64_t()> timeOfDay_;
    std::size_t next_ = 0;
    int rounds_ = 0;
};

// Column headings of the overview, in order.
const std::vector<std::string>& LineColumns();
// The row of a device, one text per column: number, model and version,
// sensor, range, setpoints with unit, measured value with unit, alarm and
// overflow state in words, privilege, link state, time of the last good answer.
std::vector<std::string> LineRowTexts(const LineDevice& device);
// Whether the row's state is an alarm or an overflow (shown in red).
bool LineRowAlarmed(const LineDevice& device);
// The table as CSV: heading then rows, ';' between fields, UTF-8; a field
// holding ';', '"' or a line break is quoted with its '"' doubled.
std::string LineCsv(const std::vector<std::vector<std::string>>& rows);

}  // namespace tservice
