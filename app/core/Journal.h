#pragma once
// The change journal: one JSON line per successful write of a parameter
// block, from the window or the command line, so a unit's service record
// (settings, calibrations as found / as left) survives the session.
#include <string>
#include <vector>

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include "Changes.h"
#include "DeviceImage.h"

namespace tservice {

// What a changed field is to a metrologist.
enum class ChangeKind { Setting, Calibration, Trim };

// Calibration: the ADC codes of the scale ends (KBegSk, KEndSk, BegSkTxc,
// EndSkTxc); trim: the output-current corrections (Current, CurrentEnd).
ChangeKind KindOfField(const std::string& field);

struct JournalEntry {
    QDateTime time;  // local time with its UTC offset
    std::string port;
    int deviceBefore = 0, deviceAfter = 0;  // 1..32
    int model = 0, version = 0;
    std::string modelName;
    std::string rawBefore, rawAfter;  // parameter block, hex
    std::vector<FieldChange> changes;  // codes: as found / as left
    // Empty for a write; "check" for a calibration check, whose record
    // (CheckToJson) is in check and which changes nothing.
    std::string kind;
    QJsonObject check;
};

// The entry for a write of `sent` over the reading `before` (both complete
// readings of the same model with range limits applied). Device numbers are
// 1..32.
JournalEntry MakeJournalEntry(const DeviceImage& before, const DeviceImage& sent, const std::string& port,
                              int deviceBefore, int deviceAfter, const QDateTime& time);

QJsonObject ToJson(const JournalEntry& entry);
// False when the object is no journal entry (missing or mistyped keys).
bool FromJson(const QJsonObject& object, JournalEntry& entry);

// Appends one line to the file at path, creating its folder. False with the
// reason in error when the folder or the file cannot be written. The line
// goes out in one write, so readers of the file see whole lines.
bool AppendJournal(const QString& path, const JournalEntry& entry, std::string& error);

struct JournalContents {
    std::vector<JournalEntry> entries;  // in file order
    int skipped = 0;                    // lines that are no entry
    std::string error;                  // the file exists but cannot be read
};

// The entries of the file whose device before or after the write is device
// (1..32); device 0 takes all. A missing file is an empty journal.
JournalContents ReadJournal(const QString& path, int device = 0);

// The application data folder's journal.jsonl (~/.local/share/tservice on
// Linux), shared by the window and the command line.
QString DefaultJournalPath();
// TSERVICE_JOURNAL when set and not empty, otherwise the default.
QString JournalPathFromEnvironment();

// " (калибровка: до 1200, после 1234)" for a calibration or trim with its
// codes as found and as left; "" for a setting.
std::string AsFoundNote(const FieldChange& change);

// One line of text for an entry, as the journal window and the report show
// it: "2026-12-08 04:01:02  устройство 2: TipSign LH → HH; ...".
std::string JournalChangesText(const JournalEntry& entry);

}  // namespace tservice
