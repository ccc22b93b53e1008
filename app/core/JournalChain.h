#pragma once
// Tamper evidence and safe appends of the change journal. Every line ends in
// the SHA-256 of its own text ("sha") and carries its number in the chain
// ("seq") and the previous line's "sha" ("prev"); a chain's first line
// carries a random "fileId" instead. Appends hold a lock file, so the window
// and any number of tservicectl processes add whole lines, one at a time.
#include <string>

#include <QByteArray>
#include <QIODevice>
#include <QJsonObject>
#include <QString>

namespace tservice {

// Appends object as one chained line to the file at path (any bytes, see
// FilePath.h), creating its folder; waits up to lockWaitMs (ms) for its turn
// among writers (an flock on the file; on Windows the lock file path + ".lock").
// False with the reason in error; the file is then left as it was.
bool AppendChainedLine(const QString& path, const QJsonObject& object, std::string& error,
                       int lockWaitMs = 10000);

// The sealed line (without its newline) of object continuing a chain whose
// last line is lastLine (empty or unchained: a new chain begins).
QByteArray SealJournalLine(QJsonObject object, const QByteArray& lastLine);

enum class ChainFault { None, Changed, Removed, Inserted, Unreadable };

struct ChainVerdict {
    int records = 0;      // non-blank lines read
    int unchained = 0;    // of them before any chain: an older journal
    ChainFault fault = ChainFault::None;
    int line = 0;         // the first broken line, 1-based; 0 when intact
    long long removed = 0;  // lines missing before line (Removed)
    std::string error;    // Unreadable: why
};

// Checks every line of in (read from its position up to at most maxBytes)
// against the chain; stops at the first fault.
ChainVerdict VerifyJournal(QIODevice& in, qint64 maxBytes);
// The same for a file; a missing or unreadable file is Unreadable.
ChainVerdict VerifyJournalFile(const QString& path);

// "журнал цел, записей: 12", "журнал без контрольной цепочки, записей: 3",
// "строка 5 изменена", "перед строкой 5 удалено строк: 2", "строка 5 вставлена".
std::string VerdictText(const ChainVerdict& verdict);

}  // namespace tservice
