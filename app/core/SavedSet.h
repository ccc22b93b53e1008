#pragma once
// The saved parameter-set file of the window and `tservicectl save`/`load`: JSON with the model,
// version, device number, every field by name and the raw block in hex.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <QByteArray>
#include <QJsonObject>

#include "Describe.h"
#include "DeviceImage.h"

namespace tservice {

inline constexpr qsizetype kMaxSavedFileBytes = 1 << 20;
// "format" of the JSON objects tservicectl prints and saves; a reader refuses a
// higher one. Files written before it was introduced carry none.
inline constexpr int kJsonFormat = 1;

struct SavedSet {
    int model = 0;
    int version = 0;
    int device = 0;                    // 1..32 as saved (informational)
    std::vector<std::uint8_t> raw;     // 1..40 bytes
    std::map<std::string, int> fields; // by name, as present in the file
};

// Parses file content. False with a reason when it is no valid parameter-set
// file: not JSON, missing or mistyped keys, raw not 1..40 bytes of hex, a
// named field that disagrees with the raw block, a block the window would
// refuse as a reading (JudgeBlock), or a "format" above kJsonFormat. Values
// shown as texts ("133,37") or numbers are both taken.
bool ParseSavedSet(const QByteArray& content, SavedSet& saved, std::string& error);
// Whether a named field is the unit's own calibration (ADC codes of the
// scale ends and of the cold junction, output-current corrections).
bool IsCalibration(const std::string& name);
// The file's block as an image of its model and version (no range limits).
DeviceImage ImageOf(const SavedSet& saved);

// Reads and parses a file of at most kMaxSavedFileBytes.
bool LoadSavedSet(const std::string& path, SavedSet& saved, std::string& error);

// Writes the file of a complete reading of device (1..32), as the overload
// below. False with the reason in error when the file cannot be written.
bool WriteSavedSet(const std::string& path, const DeviceImage& image, int device, std::string& error);

// Which fields a load takes from the file and which the target keeps.
struct SavedSetTransfer {
    std::vector<std::string> taken;
    std::vector<std::string> kept;
};

// Puts the saved configuration into image (a complete reading of the
// target): the model, version and block length must match. The target keeps
// its own device number, its uninterpreted bytes and, unless
// withCalibration, its calibration (ADC codes of the scale ends and of the
// cold junction, current corrections). The result must pass CheckBlock
// against the reading. False with a reason and image untouched otherwise;
// transfer (may be null) receives the taken and kept field names.
bool ApplySavedSet(const SavedSet& saved, DeviceImage& image, std::string& error, bool withCalibration = false,
                   SavedSetTransfer* transfer = nullptr);

// The setpoints of a reading as the window shows them, with their unit
// ("setpointUnit", "setpoint1", "setpoint2"); nothing for a model without.
void PutSetpoints(const Reading& r, QJsonObject& o);
// The file's JSON object for a described reading (also the JSON output of
// `tservicectl read --json`).
QJsonObject ToJson(const Reading& r);
// The whole file content for a described reading, UTF-8.
QByteArray SavedSetContent(const Reading& r);
// Writes the file for a described reading; an existing file is replaced only
// once the new content is complete. False with the message text otherwise.
bool WriteSavedSet(const Reading& r, const std::string& path, std::string& error);

}  // namespace tservice
