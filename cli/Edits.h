#pragma once
// FIELD=VALUE edits of `tservicectl set`, applied to the image with the rules
// of the main window's controls (privilege, model and version, entry bounds).
#include <string>
#include <vector>

#include "DeviceImage.h"
#include "Models.h"

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
// One line per field: its values with their unit, for the help of set.
std::string EditableFieldsHelp();

// Why the edits' field names cannot be taken (an unknown field, a field given
// twice); empty when every name is known and given once.
std::string CheckEditNames(const std::vector<std::string>& edits);


// A number typed with a decimal point, in the window's comma form ("12.5" ->
// "12,5"); a text that already has a comma is left as it is.
std::string DecimalComma(const std::string& text);

}  // namespace tservice::cli
