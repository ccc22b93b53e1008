#pragma once
// What the program knows of each model: names, identification texts and the
// sensor-type lists whose item index is the stored TipD.
#include <string>
#include <vector>

namespace tservice {

// "ЛАДР", "ТЕВ-ТС", "ТЕВ-ТП", "ОСКИ"; "" for any other code.
std::string ModelName(int tip);

// The identification text for the current firmware, or the short label
// ("ТЕВ-ТС-v3") below it; "" for a code outside 100..103.
std::string PanelText(int tip, int version);
// Whether PanelText gives the full text (wide position of Panel1).
bool IsCurrentFirmware(int tip, int version);

// Sensor-type list of the model (ЛАДР 2 items, ТЕВ-ТС 6, ТЕВ-ТП 11 with an
// empty last one); empty for ОСКИ and unknown codes.
const std::vector<std::string>& SensorTypes(int tip);

// ТЕВ-ТС or ТЕВ-ТП: code scale 0..8191 over a range in °C.
bool IsTev(int tip);

// Whether the cold-junction value of a ТЕВ-ТП reading is faulty (KodTxc
// 0x7FFF or -0x8000, or Txc -0x8000).
bool ColdJunctionFaulty(int kodTxc, int txc);

// Range-table index of a sensor type: TipD, plus 10 for ТЕВ-ТС.
int RangeTableIndex(int tip, int tipD);

// Whether a non-standard range may be programmed for this sensor text and
// firmware version (version 3 on, ten sensor types).
bool NonStandardAllowed(const std::string& sensorText, int version);

}  // namespace tservice
