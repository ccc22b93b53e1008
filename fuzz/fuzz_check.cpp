// Arbitrary calibration-check records, as a journal line carries them: the
// reader takes a record or refuses it, and what its own writer makes of a
// record it took, it takes again.
#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

#include "Check.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tservice;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(data),
                                                                 static_cast<qsizetype>(size)));
    if (!doc.isObject()) return 0;
    CheckRecord record;
    std::string why;
    if (!CheckFromJson(doc.object(), record, &why)) return 0;
    CheckRecord again;
    FUZZ_CHECK(CheckFromJson(CheckToJson(record), again, &why));
    return 0;
}
