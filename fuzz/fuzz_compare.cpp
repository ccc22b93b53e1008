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
#include "SavedSet.h"
#include "SimLine.h"

namespace {

using namespace tservice;

std::vector<DeviceImage> Targets() {
    std::vector<DeviceImage> out;
    const int models[][2] = {{kLadr, 5}, {kTevTs, 5}, {kTevTp, 4}, {kOski, 2}};
    for (const auto& [model, version] : models) {
        sim::Transmitter t(3, model, version);
        DeviceImage image;
        image.Tip = model;
        image.Ver = version;
        image.PutLen(t.blockLen);
        std::copy(t.block.begin(), t.block.end(), image.Baza.begin() + 1);
        image.Vvod = 1;
        ApplyRangeLimits(image);
        out.push_back(image);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<DeviceImage> targets = Targets();
    SavedSet saved;
    std::string error;
    if (!ParseSavedSet(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), saved, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    DeviceImage file = ImageOf(saved);
    ApplyRangeLimits(file);
    const Reading fileReading = Describe(file, saved.device);
    for (const DeviceImage& target : targets) {
        const Reading device = Describe(target, 3);
        const std::vector<ParameterRow> params = ParameterRows(device);
        const std::vector<CompareRow> rows = CompareReadings(device, fileReading);
        FUZZ_CHECK(rows.size() >= params.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            FUZZ_CHECK(rows[i].differs == (rows[i].device != rows[i].file));
            if (i < params.size()) FUZZ_CHECK(rows[i].label == params[i].label && !rows[i].device.empty());
        }
        for (const CompareRow& row : CompareReadings(fileReading, fileReading)) FUZZ_CHECK(!row.differs);
    }
    return 0;
}
