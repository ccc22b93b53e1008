// Arbitrary parameter-set files compared with complete readings of every
// model, as "Сравнить с файлом" shows them: a row differs exactly where its
// two sides differ, every parameter of the transmitter has its row in its
// order, and a reading compared with itself differs nowhere.
#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

#include "Changes.h"
#include "Describe.h"
#include "FuzzCheck.h"
#include "FuzzImages.h"
#include "SavedSet.h"

namespace {

using namespace tservice;

struct Target {
    Reading reading;
    std::vector<ParameterRow> params;
};

// The readings compared against; described once, since describing them per
// input cost more than the file under test.
std::vector<Target> Targets() {
    std::vector<Target> out;
    for (const auto& [model, version] : kFuzzModels) {
        DeviceImage image = TransmitterImage(model, version);
        ApplyRangeLimits(image);
        Reading reading = Describe(image, 3);
        std::vector<ParameterRow> params = ParameterRows(reading);
        out.push_back({std::move(reading), std::move(params)});
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<Target> targets = Targets();
    SavedSet saved;
    std::string error;
    if (!ParseSavedSet(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), saved, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    DeviceImage file = ImageOf(saved);
    ApplyRangeLimits(file);
    const Reading fileReading = Describe(file, saved.device);
    for (const CompareRow& row : CompareReadings(fileReading, fileReading)) FUZZ_CHECK(!row.differs);
    for (const Target& target : targets) {
        const std::vector<CompareRow> rows = CompareReadings(target.reading, fileReading);
        FUZZ_CHECK(rows.size() >= target.params.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            FUZZ_CHECK(rows[i].differs == (rows[i].device != rows[i].file));
            if (i < target.params.size()) {
                FUZZ_CHECK(rows[i].label == target.params[i].label && !rows[i].device.empty());
            }
        }
    }
    return 0;
}
