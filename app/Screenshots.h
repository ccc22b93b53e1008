#pragma once
// Pictures of the demo for tools/screenshots.sh, taken from the screen so the
// window manager's frame shows. TSERVICE_SHOT_DEVICE=N (1..32) and
// TSERVICE_SHOT_FILE=png select a shot; TSERVICE_SHOT_DIALOG names what is
// pictured after device N was read (see Screenshots.cpp). Without the two
// variables nothing happens.
#include <string>

namespace tservice {

class TForm1;
namespace sim { class LineServer; }

// Schedules the shot: opens port, reads the device (none for 0), pictures,
// quits. server is the demo line behind port; both outlive the shot.
void ScheduleShot(TForm1& form, sim::LineServer& server, const std::string& port);

}  // namespace tservice
