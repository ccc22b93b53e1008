#pragma once
// The calibration check: at points of the range in force a reference signal is
// applied, the transmitter's reading is compared with it and every error is
// judged against the permitted error, before adjustment (as found) or after
// it (as left). Widget-free, shared by the check dialog and tservicectl. The
// check only reads measurements; it never writes to the transmitter.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QDateTime>
#include <QJsonObject>

#include "Clock.h"
#include "Comportclass.h"
#include "DeviceImage.h"
#include "Journal.h"

namespace tservice {

enum class CheckStage { Found, Left };

// "found" / "left", the words of the command line and the record.
const char* StageWord(CheckStage stage);
// "до регулировки" / "после регулировки".
std::string StageText(CheckStage stage);
// "found" or "left" to the stage; false (stage untouched) for anything else.
bool ParseStage(const std::string& word, CheckStage& stage);

// The permitted error: in the scale's unit, or in per cent of the span.
struct Tolerance {
    double value = 0;
    bool ofSpan = false;
};

// An operator's number, with a decimal point or a decimal comma, blanks
// around it ignored; false (value untouched) for anything else or non-finite.
bool ParseOperatorNumber(const std::string& text, double& value);
// "0.5" (unit) or "0.25%" (of span); false for zero, negative or malformed.
bool ParseTolerance(const std::string& text, Tolerance& tolerance);
// "0,25,50,75,100": per cent of the range, each 0..100, 1..21 of them,
// decimal point only (the comma separates); false for anything else.
bool ParsePoints(const std::string& text, std::vector<double>& percents);
std::vector<double> DefaultPoints();  // 0, 25, 50, 75, 100

// The scale of the check: °C over the range in force for ТЕВ (standard or
// non-standard, TMin..TMax), per cent of the scale for ЛАДР and ОСКИ.
struct CheckScale {
    std::string unit;  // "°C" or "%"
    double from = 0, to = 100;
    double Span() const { return to - from; }
};

// The scale of a complete reading with range limits applied; false for a
// model that is not served or a ТЕВ without a usable range (from == to).
bool CheckScaleOf(const DeviceImage& image, CheckScale& scale);
// A measured code (Rez) in the scale's unit: °C for ТЕВ, % for the others.
double ValueInScale(const DeviceImage& image, std::int32_t code);
// One code step of the model in the scale's unit (the resolution).
double CodeStep(const DeviceImage& image, const CheckScale& scale);
// The nominal reference at percent (0..100) of the scale.
double NominalAt(const CheckScale& scale, double percent);
// The permitted error in the unit.
double PermittedError(const Tolerance& tolerance, const CheckScale& scale);
// The current, mA, that the reference should give: 4..20 mA over the scale.
double ExpectedMa(const CheckScale& scale, double reference);

// A reference instrument as the operator enters it (texts kept as entered).
struct Instrument {
    std::string name, serial, certificate, validUntil;
};

struct CheckConditions {
    std::vector<Instrument> instruments;
    std::string ambient;   // °C, as entered
    std::string humidity;  // %, as entered
    std::string operatorName;
};

struct CheckPoint {
    double percent = 0;    // of the range
    double nominal = 0;    // unit
    double reference = 0;  // what was actually applied, unit
    double measured = 0;   // mean of the stable readings, unit
    double error = 0;      // measured - reference
    double permitted = 0;  // unit
    bool pass = false;
    int readings = 0;      // readings taken for the point
    int sost = 0;          // Sost bits seen during the point, ORed
    bool hasOutput = false;                // the optional output check
    double outputMa = 0, outputExpected = 0, outputError = 0, outputPermitted = 0;  // mA
    bool outputPass = false;

    bool Overflow() const { return (sost & kOverflowBits) != 0; }
    bool Alarm() const { return (sost & kAlarmBits) != 0; }
};

// Error, permitted error and verdict of a point (and of its output check when
// hasOutput) from nominal, reference, measured and outputMa.
void JudgePoint(CheckPoint& point, const Tolerance& tolerance, const CheckScale& scale);

struct CheckRecord {
    QDateTime time;  // local, with its UTC offset
    std::string port;
    int device = 0;  // 1..32
    int model = 0, version = 0;
    std::string modelName, sensor;
    CheckStage stage = CheckStage::Found;
    CheckScale scale;
    Tolerance tolerance;
    CheckConditions conditions;
    std::vector<CheckPoint> points;

    // Every point (and every output check made) passes; false without points.
    bool Pass() const;
};

// "годен" / "не годен".
std::string VerdictText(bool pass);
// "проверка до регулировки: 5 точек, годен".
std::string CheckSummary(const CheckRecord& record);

// The record as the command line prints it and the journal keeps it.
QJsonObject CheckToJson(const CheckRecord& record);
// Reads a record back; false with the reason in why (may be null) for an
// object that is not one: missing or mistyped keys, an unknown stage, a
// range or number out of bounds, more than 100 points or instruments.
bool CheckFromJson(const QJsonObject& object, CheckRecord& record, std::string* why = nullptr);

// The journal entry of a finished check of the transmitter read into image
// (its block is kept as both raw before and after: a check changes nothing).
JournalEntry MakeCheckJournalEntry(const CheckRecord& record, const DeviceImage& image);

// What the certificate is built from: the device's latest as-left check, the
// latest as-found check before it (or the latest as-found alone), and the
// writes between the two that changed a calibration or a trim.
struct CertificateChecks {
    bool hasFound = false, hasLeft = false;
    CheckRecord found, left;
    std::vector<JournalEntry> adjustments;  // oldest first
};
// From a device's journal entries in file order; damaged check records are
// passed over.
CertificateChecks FindCertificateChecks(const std::vector<JournalEntry>& journal);

// When a value counts as settled: the last `samples` readings lie within
// `band` (unit); readings every intervalMs; the point fails after limitMs.
struct Stability {
    double band = 0;
    int samples = 5;
    int intervalMs = 1000;
    int limitMs = 60000;
};
// Half the permitted error, but at least three code steps.
Stability DefaultStability(double permitted, double codeStep);

// The last readings of a point and whether they have settled.
class StabilityWindow {
public:
    explicit StabilityWindow(const Stability& rule) : rule_(rule) {}
    void Add(double value);
    void Clear() { values_.clear(); }
    // How many of the newest readings lie within the band of the newest.
    int InBand() const;
    bool Stable() const { return InBand() >= rule_.samples; }
    double Mean() const;  // of the last `samples` readings (all when fewer)

private:
    Stability rule_;
    std::deque<double> values_;
};

struct PointReading {
    bool ok = false;
    int code = 0;           // link result of a failed reading, else 0
    bool unstable = false;  // the value did not settle within the time limit
    bool cancelled = false; // progress asked to stop
    double mean = 0;        // unit
    int readings = 0;
    int sost = 0;           // ORed over the readings
};

// Reads the measurement of deviceIndex every intervalMs on clock until the
// value is stable, then gives the mean of the stable readings. progress
// (may be empty) sees each value and the count in band; false from it
// cancels. A failed reading or the time limit ends the point without a
// value. Only measurement exchanges are sent. A PortError propagates.
PointReading MeasurePoint(TComPortClass& link, IClock& clock, DeviceImage& image, int deviceIndex,
                          const Stability& rule, const std::function<bool(double value, int inBand)>& progress = {});

// The operator's text for a point that ended without a value: the link's
// message (with its result code) or "значение не установилось за N с".
std::string PointFailureText(const PointReading& reading, int deviceIndex, const std::string& portName,
                             const Stability& rule);

// The conditions the check dialog remembers between runs (instruments,
// ambient, humidity, operator), shared with the command line: the settings
// of organisation and application "tservice". Nothing stored: empty texts.
CheckConditions LoadCheckConditions();
void SaveCheckConditions(const CheckConditions& conditions);

// What to apply at a point: "Точка 2 из 5: подайте 25 °C (25 % диапазона)".
std::string PointPrompt(int index, int count, const CheckPoint& point, const CheckScale& scale);

// A number in the scale's unit for texts: 4 significant decimals, comma.
std::string ScaleNumber(double value);

}  // namespace tservice
