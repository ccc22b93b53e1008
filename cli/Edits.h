#pragma once
// FIELD=VALUE edits of `tservicectl set`, applied to the image with the rules
// of the main window's controls (privilege, model and version, entry bounds).
#include <string>
#include <vector>

#include "DeviceImage.h"

namespace tservice::cli {

struct EditResult {
    bool ok = false;
    std::string error;            // why the edits were refused (nothing applied)
    int nuNew = -1;               // new device index when address= was given
};

// Applies edits to a copy of image (a complete reading with range limits
// applied) and, when all are accepted, to image itself. Fields are applied in
// a fixed order (sensor, range, then the rest, setpoints last) so setpoints
// are judged against the new range.
EditResult ApplyEdits(DeviceImage& image, const std::vector<std::string>& edits);

// The field names set accepts, for the usage text.
std::string EditableFields();

}  // namespace tservice::cli
