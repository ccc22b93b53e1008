#pragma once
// The one way to change a parameter block. The window's handlers and
// `tservicectl set` call these functions; each checks what the model table
// says of the field (model, version, privilege, bounds) and applies the
// change with its consequences (range reset, DiapStand, TMin/TMax, IzmenTipD,
// Izmen). A refusal leaves the image exactly as it was.
#include <array>
#include <string>
#include <vector>

#include "DeviceImage.h"

namespace tservice {

struct EditOutcome {
    std::string refusal;               // why nothing changed; empty when taken
    bool entryError = false;           // the refusal is the text's own (" Ошибка ввода ")
    std::vector<std::string> changed;  // block fields changed, by their FieldsOf names
    bool Ok() const { return refusal.empty(); }
};

// Sensor type by item index of the model's list. A new type returns a ТЕВ to
// standard range 0 (DiapStand too) and sets IzmenTipD.
EditOutcome EditSensor(DeviceImage& image, int index);
// Standard range number of the sensor's table (also the remembered DiapStand).
EditOutcome EditRange(DeviceImage& image, int range);
// The standard range with these limits, °C (the last such range of the table).
EditOutcome EditRangeLimits(DeviceImage& image, double lo, double hi);
// Back from a non-standard range to the remembered standard one.
EditOutcome EditStandardRange(DeviceImage& image);
// A calculated non-standard range: limits in whole °C and the eight node codes.
EditOutcome EditNonStandard(DeviceImage& image, int lo, int hi, const std::array<int, 8>& codes);
// A choice list by field (TipSign, TipK, Break, Connect) and its item index.
EditOutcome EditChoice(DeviceImage& image, const std::string& field, int index);
// Output-current correction code 0..15 at the scale start or end.
EditOutcome EditCorrection(DeviceImage& image, bool scaleEnd, int code);
// Calibration result: a raw ADC code for KBegSk, KEndSk, BegSkTxc or EndSkTxc.
EditOutcome EditCalibration(DeviceImage& image, const std::string& field, int code);
// New device index 0..31 (taken at the next write).
EditOutcome EditAddress(DeviceImage& image, int index);

// Entry texts with a decimal comma, as the window's fields hold them. A text
// equal to what is shown for the stored value is no edit: the code stays.
// Setpoint 1 or 2 in the model's unit (°C within TMin..TMax, or 0..100 %).
EditOutcome EditSetpoint(DeviceImage& image, int which, const std::string& text);
// The cold-junction coefficient, a whole number 0..9999.
EditOutcome EditKTxc(DeviceImage& image, const std::string& text);

}  // namespace tservice
