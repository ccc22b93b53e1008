#pragma once
// A backup of the line: every transmitter found read afresh and its parameter
// set saved as a file of `tservicectl save`, one file per device.
#include <functional>
#include <string>
#include <vector>

#include "Comportclass.h"
#include "Scan.h"

namespace tservice {

struct BackupEntry {
    int number = 0;     // 1..32
    int model = 0;      // model code as read (the scan's when unread)
    std::string file;   // path written; "" when it failed
    std::string error;  // why it failed; "" when saved
};

// "03_ТЕВ-ТП.json": the device number in two digits and the model name (the
// model code for an unknown model); with a date ("2026-12-08") it comes last,
// "03_ТЕВ-ТП_2026-12-08.json", the name the window suggests for a set.
std::string BackupFileName(int number, int model, const std::string& date = {});

// Reads each found device with the window's acceptance and writes its file
// into the existing directory dir (an existing file of that name is
// replaced). step(i) runs before device i (may be empty). A failure of one
// device is recorded in its entry and the others go on; only a PortError
// ends the backup early (it propagates). Nothing is written to a transmitter.
std::vector<BackupEntry> BackupLine(TComPortClass& link, const std::vector<FoundDevice>& found,
                                    const std::string& dir, const std::function<void(int)>& step = {});

// One line per device ("устройство 3 ТЕВ-ТП → DIR/03_ТЕВ-ТП.json" or
// "устройство 3: <reason>") and a last line "сохранено K из N".
std::string BackupSummary(const std::vector<BackupEntry>& entries);

}  // namespace tservice
