#pragma once
// What a reading shows, as names and texts: the same fields, conversions and
// formats as the main window, for every front end (no widgets).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "DeviceImage.h"

namespace tservice {

struct Reading {
    int device = 0;                     // 1..32
    int model = 0;
    int version = 0;
    std::string modelName;              // "ТЕВ-ТП"
    std::string panel;                  // identification text or short label
    bool privileged = false;
    std::vector<std::pair<std::string, int>> fields;  // parameter fields by name
    std::vector<int> nonStandY;         // ТЕВ only
    std::string sensor;                 // sensor-type text (ЛАДР, ТЕВ)
    bool hasRange = false, nonStandard = false;
    std::string rangeFrom, rangeTo;     // °C
    std::string setpointUnit;           // "%" or "°C"; empty for ОСКИ
    std::string setpoint1, setpoint2;
    std::vector<std::pair<std::string, int>> measurement;  // Rez, Sost, KodACP (, Txc, KodTxc)
    bool alarm = false;                 // alarm bits of Sost (models with alarms)
    bool overflow = false;              // overflow bits of Sost
    std::string percent;                // measured value in % of scale
    std::string value, valueUnit;       // in °C (ТЕВ) or mA (ЛАДР, ОСКИ)
    std::string coldJunction;           // ТЕВ-ТП: °C, or "" when faulty
    bool coldJunctionFaulty = false;
    std::string raw;                    // parameter block, hex
};

// Sets TMin/TMax from the stored range (standard or non-standard) as the
// window's limit lists do. False when the sensor type has no such range.
bool ApplyRangeLimits(DeviceImage& image);

// Setpoint 1 or 2 as the operator sees it in its unit (°C for ТЕВ with the
// decimals one code step of the range needs, trailing zeros dropped; % with
// two decimals for ЛАДР);
// "" for a model without setpoints. image needs TMin/TMax for a ТЕВ.
std::string SetpointText(const DeviceImage& image, int which);

// Everything a complete reading of a served model shows. image must hold a
// complete reading with TMin/TMax applied.
Reading Describe(const DeviceImage& image, int device);

struct Change {
    std::string field;
    std::string before;
    std::string after;
};

// Differences between two descriptions of one transmitter, field by field
// (parameters, sensor, range and setpoints; not the measurement).
std::vector<Change> Diff(const Reading& before, const Reading& after);

// The state of the last measurement in words, as the window shows it:
// "Норма", "Нарушение", "Переполнение" or "Нарушение, переполнение".
std::string StateWords(const Reading& r);

// n and the noun form that agrees with it in Russian: CountText(1, "попытка",
// "попытки", "попыток") is "1 попытка", 3 gives "3 попытки", 5 and 11 give
// "5 попыток", "11 попыток".
std::string CountText(long long n, const char* one, const char* few, const char* many);

// Hex of bytes, upper case, no separators.
std::string Hex(const std::uint8_t* data, int count);

}  // namespace tservice
