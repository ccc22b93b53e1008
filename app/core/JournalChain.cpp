#include "JournalChain.h"

#include <algorithm>

#ifdef _WIN32
#include <optional>

#include <QLockFile>
#else
#include <sys/file.h>

#include <cerrno>
#endif

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QThread>

#include "FilePath.h"
#include "JournalLines.h"

namespace tservice {

namespace {

constexpr char kShaKey[] = ",\"sha\":\"";
constexpr qsizetype kShaKeyLen = sizeof(kShaKey) - 1;
constexpr qsizetype kTailLen = kShaKeyLen + 64 + 2;  // ,"sha":"<64 hex>"}

QByteArray Sha(QByteArrayView body) { return QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex(); }

// One line as the chain sees it.
struct Link {
    bool marked = false;  // carries any key of the chain: not an older journal's line
    bool intact = false;  // its seal holds and its chain keys make sense
    bool start = false;   // the first line of a chain
    long long seq = 0;
    QByteArray sha, prev;
};

Link ParseLink(const QByteArray& line) {
    Link l;
    for (const char* key : {"\"sha\":", "\"seq\":", "\"prev\":", "\"fileId\":"})
        if (line.contains(key)) l.marked = true;
    const qsizetype at = line.size() - kTailLen;
    if (at < 1 || !line.endsWith("\"}") || QByteArrayView(line.constData() + at, kShaKeyLen) != kShaKey) return l;
    l.sha = line.mid(at + kShaKeyLen, 64);
    // Exact comparison: the seal is lower-case hex, so even a changed case is a change.
    if (l.sha != Sha(QByteArrayView(line.constData(), at))) return l;
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    l.seq = o["seq"].toInteger();
    l.prev = o["prev"].toString().toLatin1();
    l.start = !o["fileId"].toString().isEmpty();
    l.intact = l.start ? l.seq == 1 : l.seq > 1 && l.prev.size() == 64;
    return l;
}

QByteArray RandomId() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char*>(words), sizeof(words)).toHex();
}

// The last line of the file (without its newline) and whether the file ends
// in one; a line longer than the tail read is no chain to continue.
bool ReadLastLine(QFile& f, QByteArray& last) {
    constexpr qint64 kTail = 64 * 1024;
    const qint64 size = f.size();
    if (size == 0) return true;
    f.seek(std::max<qint64>(0, size - kTail));
    const QByteArray tail = f.read(kTail);
    if (!tail.endsWith('\n')) return false;
    const qsizetype from = tail.size() >= 2 ? tail.lastIndexOf('\n', tail.size() - 2) : -1;
    if (from >= 0 || size <= kTail) last = tail.mid(from + 1, tail.size() - from - 2);
    return true;
}

// Writers take turns on the journal: an flock on the open file itself on
// Unix (no second name to get wrong, and the system drops it with a crashed
// writer), a lock file beside it on Windows. Short random pauses keep turns
// fair among several busy writers.
class TurnLock {
public:
    TurnLock(const QString& path, QFile& file) : file_(file) {
#ifdef _WIN32
        lock_.emplace(path + QStringLiteral(".lock"));
#else
        Q_UNUSED(path);
#endif
    }
    // False when the turn did not come within waitMs, or the lock failed
    // (busy then says which).
    bool Take(int waitMs, bool& busy) {
        QDeadlineTimer deadline(waitMs);
        while (!TryOnce(busy)) {
            if (!busy || deadline.hasExpired()) return false;
            QThread::msleep(1 + QRandomGenerator::global()->bounded(10));
        }
        return true;
    }

private:
    bool TryOnce(bool& busy) {
#ifdef _WIN32
        const bool taken = lock_->tryLock(0);
        busy = !taken && lock_->error() == QLockFile::LockFailedError;
        return taken;
#else
        const bool taken = ::flock(file_.handle(), LOCK_EX | LOCK_NB) == 0;
        busy = !taken && errno == EWOULDBLOCK;
        return taken;
#endif
    }

    QFile& file_;
#ifdef _WIN32
    std::optional<QLockFile> lock_;
#endif
};

ChainVerdict Fault(ChainVerdict v, ChainFault fault, int line, long long removed = 0) {
    v.fault = fault;
    v.line = line;
    v.removed = removed;
    return v;
}

}  // namespace

QByteArray SealJournalLine(QJsonObject object, const QByteArray& lastLine) {
    const Link last = ParseLink(lastLine);
    object.remove(QStringLiteral("sha"));
    object.remove(QStringLiteral("prev"));
    object.remove(QStringLiteral("fileId"));
    if (last.intact) {
        object["seq"] = last.seq + 1;
        object["prev"] = QString::fromLatin1(last.sha);
    } else {
        object["seq"] = 1;
        object["fileId"] = QString::fromLatin1(RandomId());
    }
    QByteArray body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    body.chop(1);  // the closing brace: the seal goes in as the last key
    return body + kShaKey + Sha(body) + "\"}";
}

bool AppendChainedLine(const QString& path, const QJsonObject& object, std::string& error, int lockWaitMs) {
    const auto fail = [&](const QString& why) {
        error = "Журнал изменений " + PathShown(path) + " не удается записать" +
                (why.isEmpty() ? "" : ": " + why.toStdString());
        return false;
    };
    QFile f;
    if (!MakeDirectoryFor(path)) return fail({});
    if (QString why; !OpenPath(f, path, QIODevice::ReadWrite | QIODevice::Append, &why)) return fail(why);
    TurnLock lock(path, f);
    if (bool busy = false; !lock.Take(lockWaitMs, busy))
        return fail(busy ? QStringLiteral("занят другой программой") : QString());
    QByteArray last;
    const qint64 size = f.size();
    // A file cut short in a line keeps that piece as a line of its own.
    QByteArray line = ReadLastLine(f, last) ? QByteArray() : QByteArray("\n");
    line += SealJournalLine(object, last) + '\n';
    // The whole line in one write; a failed one leaves no piece behind.
    if (f.write(line) != line.size() || !f.flush()) {
        const QString why = f.errorString();
        f.resize(size);
        return fail(why);
    }
    return true;
}

ChainVerdict VerifyJournal(QIODevice& in, qint64 maxBytes) {
    ChainVerdict v;
    JournalLineReader reader(in, maxBytes);
    JournalLine line;
    long long expect = 0;  // the next line's seq; 0 before any chain
    QByteArray prevSha;
    bool prevWasObject = true;  // the line before was an older journal's whole entry
    while (reader.Next(line)) {
        const int n = line.number;
        const bool blank = !line.overlong && line.text.trimmed().isEmpty();
        if (!blank) ++v.records;
        const Link l = line.overlong ? Link{} : ParseLink(line.text);
        if (expect == 0) {
            if (blank || !l.marked) {
                v.unchained += blank ? 0 : 1;
                prevWasObject = !blank && QJsonDocument::fromJson(line.text).isObject();
                continue;
            }
            // A line split in two shows at its second half: name the first.
            if (!l.intact) return Fault(v, ChainFault::Changed, n > 1 && !prevWasObject ? n - 1 : n);
            if (!l.start) return n > 1 ? Fault(v, ChainFault::Changed, n - 1) : Fault(v, ChainFault::Removed, n, l.seq - 1);
            if (!line.terminated) return Fault(v, ChainFault::Changed, n);
            expect = 2;
            prevSha = l.sha;
            continue;
        }
        if (blank) return Fault(v, ChainFault::Inserted, n);
        if (!l.intact || !line.terminated) return Fault(v, ChainFault::Changed, n);
        if (l.seq > expect) return Fault(v, ChainFault::Removed, n, l.seq - expect);
        if (l.seq < expect) return Fault(v, ChainFault::Inserted, n);
        if (l.prev != prevSha) return Fault(v, ChainFault::Changed, n - 1);
        ++expect;
        prevSha = l.sha;
    }
    return v;
}

ChainVerdict VerifyJournalFile(const QString& path) {
    QFile f;
    const bool exists = PathExists(path);
    if (!exists || !OpenPath(f, path, QIODevice::ReadOnly)) {
        ChainVerdict v;
        v.fault = ChainFault::Unreadable;
        v.error = "Журнал изменений " + PathShown(path) + (exists ? " не удается прочитать" : " не найден");
        return v;
    }
    // What is there when the check begins: a file growing meanwhile, or a
    // device that never ends, cannot keep it going.
    return VerifyJournal(f, f.size());
}

std::string VerdictText(const ChainVerdict& v) {
    const std::string n = std::to_string(v.line);
    switch (v.fault) {
    case ChainFault::Changed: return "строка " + n + " изменена";
    case ChainFault::Inserted: return "строка " + n + " вставлена";
    case ChainFault::Removed: return "перед строкой " + n + " удалено строк: " + std::to_string(v.removed);
    case ChainFault::Unreadable: return v.error;
    case ChainFault::None: break;
    }
    const std::string count = "записей: " + std::to_string(v.records);
    if (v.unchained > 0 && v.unchained == v.records) return "журнал без контрольной цепочки, " + count;
    if (v.unchained > 0)
        return "журнал цел, " + count + ", первые " + std::to_string(v.unchained) + " без контрольной цепочки";
    return "журнал цел, " + count;
}

}  // namespace tservice
