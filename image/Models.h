#pragma once
// The one table of what each model and firmware version has: names,
// identification texts, sensor-type lists and their data, range tables,
// setpoints, the optional settings and the parameter fields of its block.
// Every front end, the block check and the range fit read it; no other file
// spells a sensor name, a version threshold or "is this a ТЕВ".
#include <string>
#include <string_view>
#include <vector>

namespace tservice {

class DeviceImage;

// "ЛАДР", "ТЕВ-ТС", "ТЕВ-ТП", "ОСКИ"; "" for any other code.
std::string ModelName(int tip);
// The model code of a name ModelName gives; -1 for any other text.
int ModelByName(std::string_view name);
// Whether tip is one of the four served models (100..103).
bool IsServedModel(int tip);
// ТЕВ-ТС or ТЕВ-ТП: the models with a measuring range in °C.
bool IsTev(int tip);

// The identification text for the current firmware, or the short label
// ("ТЕВ-ТС-v3") below it; "" for a code outside 100..103.
std::string PanelText(int tip, int version);
// Whether PanelText gives the full text (wide position of Panel1).
bool IsCurrentFirmware(int tip, int version);

// What a model of a firmware version has. A default (all false) for a code
// that is not served.
struct ModelRules {
    int tip = 0;
    int version = 0;
    bool served = false;
    bool tev = false;              // range in °C, standard range lists, non-standard group
    bool hasSensor = false;        // TipD (and Diap); every model but ОСКИ
    bool hasAlarm = false;         // alarm type and the two setpoints shown; not ОСКИ
    int setpointScale = 0;         // top code of UstKod1/2: kLadrScale, kTevScale, 0 none
    const char* setpointUnit = ""; // "%" (ЛАДР), "°C" (ТЕВ), "" (ОСКИ)
    bool hasBreak = false;         // output state on line break, version 2 on
    bool hasCurrent = false;       // start-of-scale current correction, version 2 on
    bool hasCurrentEnd = false;    // end-of-scale correction, version 4 on
    bool hasContact = false;       // relay contact type, version 3 on, not ОСКИ
    bool hasConnect = false;       // connection scheme, ТЕВ-ТС version 3 on
    bool hasColdJunction = false;  // ТЕВ-ТП's cold-junction channel
    bool outputControl = false;    // ОСКИ: the tool drives the output current
    bool nonStandardVersion = false;  // a ТЕВ of version 3 on may hold a non-standard range
    int rangeTableOffset = 0;      // range-table index = TipD + this (10 for ТЕВ-ТС)
};
ModelRules RulesFor(int tip, int version);

// Sensor-type list of the model (ЛАДР 2 items, ТЕВ-ТС 6, ТЕВ-ТП 11 with an
// empty last one); empty for ОСКИ and unknown codes. Item index = TipD.
const std::vector<std::string>& SensorTypes(int tip);
// Whether item index of the model's sensor list may be chosen and written:
// within the list and with a text (never ТЕВ-ТП's empty last item).
bool SensorSelectable(int tip, int index);

// Whether the cold-junction value of a ТЕВ-ТП reading is faulty (KodTxc
// 0x7FFF or -0x8000, or Txc -0x8000).
bool ColdJunctionFaulty(int kodTxc, int txc);
// Range-table index of a sensor type: TipD, plus 10 for ТЕВ-ТС.
int RangeTableIndex(int tip, int tipD);

// What a sensor type admitting a non-standard range brings: its table file,
// the smallest span of such a range and the span of its table (°C).
struct SensorData {
    std::string_view text;  // list text, UTF-8
    const char* tableFile;  // bare file name of its characteristic
    float minSpan;          // °C
    float tableLo, tableHi; // °C, first and last row of the table
};
// The data of a sensor text; null for a text without a non-standard range.
const SensorData* FindSensorData(std::string_view sensorText);
// Whether a non-standard range may be programmed for this sensor text and
// firmware version (version 3 on, ten sensor types).
bool NonStandardAllowed(const std::string& sensorText, int version);

// One parameter field of the block as the window shows and edits it.
struct FieldSpec {
    const char* name;      // "KBegSk", ... (the names of the saved set and the report)
    int count;             // 1, or 8 for NonStandY
    bool privileged;       // only a privileged transmitter takes a change
    int (*get)(const DeviceImage&, int k);
    void (*put)(DeviceImage&, int k, int value);
};
// The fields a block of this model and version carries, in report order
// (empty for a model that is not served). Bytes outside them are not
// interpreted and go back as read.
std::vector<FieldSpec> FieldsOf(const ModelRules& rules);

// The words tservicectl's set takes for a list field (alarm, contact, break,
// connect), in the order of the stored index (connect: stored value - 1);
// empty for other names.
const std::vector<std::string>& ListWords(const std::string& field);

// Output-current correction: codes 0..kCorrectionCodes-1 step 4 µA, the
// first positive (7 at the scale's start, 5 at its end), the rest negative.
inline constexpr int kCorrectionCodes = 16;
// The current a correction code adds, in µA.
int CorrectionMicroamps(int code, bool scaleEnd);
// The window's item text of a correction code ("0 мкА", "+4 мкА", "+ 8 мкА",
// "- 4 мкА", "-12 мкА"); the change list and the lists show the same text.
std::string CorrectionText(int code, bool scaleEnd);

// The window's item texts of a choice list by its field (TipSign, TipK,
// Break, Connect), in item order; the stored code is the item index, for
// Connect the index + 1. Empty for other names.
const std::vector<std::string>& ListItems(const std::string& field);

// The operator's word for a field of the block or of the measurement by its
// name ("код АЦП начала шкалы" for KBegSk); the name itself when it has none.
std::string FieldWord(const std::string& name);
// The word with the name in brackets, where engineers need the name too:
// "тип сигнализации (TipSign)".
std::string FieldWordAndName(const std::string& name);

}  // namespace tservice
