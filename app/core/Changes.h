#pragma once
// The changes an image carries over the last reading, field by field in the
// operator's units: what the window's "Изменения" panel, `--dry-run` and the
// change journal show.
#include <string>
#include <vector>

#include "Describe.h"
#include "DeviceImage.h"

namespace tservice {

struct FieldChange {
    std::string field;          // the parameter's name (TipSign, уставка 1, ...)
    std::string label;          // the operator's name of it
    std::string before, after;  // engineering texts with their unit
    int codeBefore = 0, codeAfter = 0;  // raw values of code fields
    bool hasCodes = false;
};

// Differences from before (the last reading) to after (the edited image);
// both complete readings of one model with range limits applied. Sensor type
// and range by name, setpoints in °C or %, corrections in мкА, the device
// number as the operator counts it; raw codes kept for code fields.
std::vector<FieldChange> EngineeringChanges(const DeviceImage& before, const DeviceImage& after);

// A value of a parameter field of a reading in engineering units ("HH",
// "+8 мкА", the device number 1..32); a field without one gives the number.
// The field's word is FieldWord (Models).
std::string FieldValueText(const std::string& field, int code);

struct ParameterRow {
    std::string label;  // the operator's name
    std::string value;  // in engineering units
    std::string code;   // the raw value; "" for texts that have none
    std::string field;  // the block's name of it; "" for derived rows
};

// Every parameter of a reading as the report and the comparison with a file
// show it: the fields, then sensor, range, setpoints and the points Y2..Y9.
std::vector<ParameterRow> ParameterRows(const Reading& r);

struct CompareRow {
    std::string label;
    std::string device, file;  // "value (code)"; "" where one side lacks it
    bool differs = false;
};

// The parameters of the transmitter and of a file side by side, in the
// transmitter's order, rows only the file has at the end.
std::vector<CompareRow> CompareReadings(const Reading& device, const Reading& file);

// "label: before → after".
std::string ChangeLine(const FieldChange& change);

}  // namespace tservice
