// Arbitrary journal files through the reader and the chain check: neither
// reads past the data, every entry and verdict names a line that exists.
// Then one byte of a good chained journal is changed as the input says: the
// check must name the line that byte is in.
#include <QBuffer>

#include <cstdint>

#include "FuzzCheck.h"
#include "Journal.h"
#include "JournalChain.h"

namespace {

using namespace tservice;

QByteArray GoodJournal() {
    QByteArray out, last;
    for (int i = 1; i <= 3; ++i) {
        JournalEntry e;
        e.time = QDateTime::fromString("2026-12-08T04:01:02.345+03:00", Qt::ISODateWithMs);
        e.port = "COM" + std::to_string(i);
        e.deviceBefore = e.deviceAfter = i;
        e.changes.push_back({"TipSign", "тип сигнализации", "LH", "HH"});
        last = SealJournalLine(ToJson(e), last);
        out += last + '\n';
    }
    return out;
}

ChainVerdict Verify(QByteArray& bytes) {
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return VerifyJournal(b, bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QByteArray good = GoodJournal();
    // The first byte chooses: odd, the rest is a journal file; even, the
    // next three change one byte of the good journal.
    if (size < 1) return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if (data[0] & 1) {
        const int lines = static_cast<int>(bytes.count('\n')) + (bytes.isEmpty() || bytes.endsWith('\n') ? 0 : 1);
        {
            QBuffer b(&bytes);
            b.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
            const JournalContents j = ReadJournalFrom(b, bytes.size());
            FUZZ_CHECK(static_cast<int>(j.entries.size()) + j.skipped <= lines);
            for (const JournalEntry& e : j.entries) FUZZ_CHECK(e.line >= 1 && e.line <= lines);
        }
        const ChainVerdict v = Verify(bytes);
        FUZZ_CHECK(v.records <= lines && v.unchained <= v.records);
        FUZZ_CHECK(v.fault == ChainFault::None ? v.line == 0 : v.line >= 1 && v.line <= lines);
        return 0;
    }
    if (size < 4) return 0;
    const qsizetype at = (data[1] | data[2] << 8) % good.size();
    if (good[at] == static_cast<char>(data[3])) return 0;
    QByteArray changed = good;
    changed[at] = static_cast<char>(data[3]);
    const ChainVerdict w = Verify(changed);
    FUZZ_CHECK(w.fault != ChainFault::None);
    FUZZ_CHECK(w.line == 1 + good.left(at).count('\n'));
    return 0;
}
