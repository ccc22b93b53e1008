#pragma once
// The change journal: one JSON line per write of a parameter block that
// went out (an unconfirmed one marked so), from the window or the command line, so a unit's service record
// (settings, calibrations as found / as left) survives the session.
#include <string>
#include <vector>

#include <QDateTime>
#include <QIODevice>
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
    std::string operatorName, host;    // who worked, on which computer
    int line = 0;                      // its line in the file when read; 0 otherwise
    // Empty for a write; "check" for a calibration check, whose record
    // (CheckToJson) is in check and which changes nothing.
    std::string kind;
    QJsonObject check;
    // Empty for a confirmed write; "не подтверждено" when the block went out
    // but was not proven, with the step that failed in failedStep.
    std::string status;
    std::string failedStep;
};

// The status of a write that went out without proof.
inline constexpr const char* kUnconfirmed = "не подтверждено";

// The entry for a write of `sent` over the reading `before` (both complete
// readings of the same model with range limits applied). Device numbers are
// 1..32.
JournalEntry MakeJournalEntry(const DeviceImage& before, const DeviceImage& sent, const std::string& port,
                              int deviceBefore, int deviceAfter, const QDateTime& time);

QJsonObject ToJson(const JournalEntry& entry);
// False when the object is no journal entry (missing or mistyped keys).
bool FromJson(const QJsonObject& object, JournalEntry& entry);

// Appends one chained line to the file at path, creating its folder, under
// the journal's lock (see JournalChain.h); an entry without an operator or
// host gets JournalOperator() and JournalHost(). False with the reason in
// error when the folder or the file cannot be written.
bool AppendJournal(const QString& path, const JournalEntry& entry, std::string& error);

// The operator's name entries are written with: the one set (the window's
// remembered name, tservicectl --operator), else the system user's name.
void SetJournalOperator(const std::string& name);
std::string JournalOperator();
// This computer's name.
std::string JournalHost();
// The operator's name the window remembers between runs; "" when none.
std::string RememberedOperator();
void RememberOperator(const std::string& name);

// At most the last this many bytes of a journal are read for its entries.
inline constexpr qint64 kJournalShownBytes = 16 * 1024 * 1024;

struct JournalContents {
    std::vector<JournalEntry> entries;  // in file order
    int skipped = 0;                    // lines that are no entry
    std::vector<int> badLines;          // the first of them by line number, at most 20
    qint64 omittedBytes = 0;            // the head of a huge file, not read
    std::string error;                  // the file exists but cannot be read
};

// The entries of the file whose device before or after the write is device
// (1..32); device 0 takes all. A missing file is an empty journal; of a file
// over kJournalShownBytes only the tail is read (omittedBytes says how much not).
JournalContents ReadJournal(const QString& path, int device = 0);
// The same from in (owned by the caller) at its position, maxBytes at most,
// its first line numbered firstLine.
JournalContents ReadJournalFrom(QIODevice& in, qint64 maxBytes, int device = 0, int firstLine = 1);

// "; нечитаемых строк: 2 (3, 7)" and "; показаны записи последних 16 МБ" as
// they apply; "" for a clean file.
std::string JournalReadNote(const JournalContents& contents);

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
