#pragma once
// The non-standard range calculation: checks a pair of limits against the
// sensor table and the standard ranges, then fits the eight inner node codes
// of the transmitter's characteristic (a polyline over ten fixed signal codes)
// to the table by least squares with a direct search.
#include <string_view>

#include "Tables.h"

namespace tservice {

// A standard range of the sensor type, as the range tables hold it (°C).
struct RangeLimits {
    float lo;
    float hi;
};

inline constexpr char kRefuseNoRange[] = "не выбран диапазон\n расчет не произведен";
inline constexpr char kRefuseBadRange[] = "ошибка выбора диапазона\n расчет не произведен";
inline constexpr char kRefuseNarrow[] = "недопустимо узкий диапазон\n расчет не произведен";
inline constexpr char kRefuseStandard[] = "выбран стандарт. диапазон \n расчет не произведен";
// A table the calculation cannot work on (fewer than four rows, a column that
// does not rise strictly, codes that do not fit the transmitter's 16 bits).
inline constexpr char kRefuseTable[] = "ошибка таблицы датчика\n расчет не произведен";

// Signal codes of the eight inner nodes (the ends are 0 and kTevScale).
inline constexpr double kNodeCode[8] = {512, 1024, 2048, 3072, 4096, 5120, 6144, 7168};

// Smallest admitted span (°C) of a sensor type text (UTF-8, byte for byte);
// a negative value for a text that admits no non-standard range.
float MinSpan(std::string_view sensorText);

struct RangeFitResult {
    bool ok = false;
    const char* refusal = "";  // static text when refused, "" when ok
    double YKod[8] = {};       // node codes Y2..Y9, code units (0..kTevScale span)
    int Codes[8] = {};         // the same as whole numbers: what is shown and stored
    char CodeText[8][8] = {};  // Codes as decimal text ("4096", "-3")
    double NodeT[10] = {};     // node temperatures, °C (ends = the limits)
    double NodeX[10] = {};     // node signals, table units
    double FStart = 0.0;       // fit error of the first estimate, °C²
    double F = 0.0;            // fit error after the search, °C²
    long Evaluations = 0;      // fit-error evaluations of the search, the first included
    double MaxDeviation = 0.0;   // largest |polyline of Codes − table| over the range, °C
    double MaxDeviationAt = 0.0; // table temperature where it occurs, °C
};

// Calculates the range TN..TK (°C) for `sensorText` on `table`, refusing
// (ok = false, refusal set) in this order: TN = TK; TK < TN; span below
// MinSpan (or unknown sensor type); a limit outside the table (also for an
// empty table); a standard pair from `standard[0..standardCount)`; a limit
// that matches no table row exactly; an unusable table. Allocation-free;
// `standard` may be null when standardCount is 0.
RangeFitResult CalculateRange(double TN, double TK, std::string_view sensorText,
                              const SensorTable& table, const RangeLimits* standard,
                              int standardCount);

}  // namespace tservice
