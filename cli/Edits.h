#pragma once
// FIELD=VALUE words of `tservicectl set`: checked before the line is touched,
// then turned into the edits of the block every front end shares.
#include <string>
#include <vector>

#include "DeviceImage.h"

namespace tservice::cli {

struct EditResult {
    bool ok = false;
    std::string error;            // why the edits were refused (nothing applied)
    int nuNew = -1;               // new device index when address= was given
};

// Why the words cannot be taken whatever the transmitter (an unknown field, a
// field given twice, a word outside its list, an empty sensor, no number, a
// number outside bounds that hold for every model); empty when they can.
std::string CheckEditWords(const std::vector<std::string>& edits);

// Applies edits to a copy of image (a complete reading with range limits
// applied) and, when all are accepted, to image itself. Fields are applied in
// a fixed order (sensor, range, then the rest, setpoints last) so setpoints
// are judged against the new range.
EditResult ApplyEdits(DeviceImage& image, const std::vector<std::string>& edits);

// The field names set accepts, for the usage text.
std::string EditableFields();
// One line per field: its values with their unit, for the help of set.
std::string EditableFieldsHelp();

}  // namespace tservice::cli
