// Arbitrary parameter-set files of the command-line tool: parsing either
// refuses with a reason or yields a block of 1..40 bytes, and applying it to a
// complete reading either refuses and leaves the image untouched, or changes
// only the parameter bytes, keeping the model, version, length and device
// number, and, on an unprivileged transmitter, the calibration.
#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

#include "DeviceImage.h"
#include "FuzzCheck.h"
#include "FuzzImages.h"
#include "Rules.h"
#include "SavedSet.h"

namespace {

using namespace tservice;

// Complete readings of the four models, without and with the privilege.
std::vector<DeviceImage> Targets() {
    std::vector<DeviceImage> out;
    for (const auto& [model, version] : kFuzzModels) {
        for (int nePriv = 0; nePriv < 2; ++nePriv) {
            DeviceImage image = TransmitterImage(model, version);
            image.NePriv = nePriv;
            out.push_back(image);
        }
    }
    return out;
}

bool SameState(const DeviceImage& a, const DeviceImage& b) {
    return a.Baza == b.Baza && a.Tip == b.Tip && a.Ver == b.Ver && a.NePriv == b.NePriv && a.Izmen == b.Izmen &&
           a.Vvod == b.Vvod && a.IzmenTipD == b.IzmenTipD;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<DeviceImage> targets = Targets();
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    SavedSet saved;
    std::string error;
    if (!ParseSavedSet(content, saved, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(!saved.raw.empty() && saved.raw.size() <= static_cast<std::size_t>(kMaxParamLen));
    FUZZ_CHECK(saved.device >= 1 && saved.device <= 32);
    for (const DeviceImage& target : targets) {
        DeviceImage image = target;
        std::string why;
        if (!ApplySavedSet(saved, image, why)) {
            FUZZ_CHECK(!why.empty());
            FUZZ_CHECK(SameState(image, target));
            continue;
        }
        FUZZ_CHECK(image.Tip == target.Tip && image.Ver == target.Ver);
        FUZZ_CHECK(image.GetLen() == target.GetLen() && image.GetNu() == target.GetNu());
        FUZZ_CHECK(image.Vvod == 1 && image.Izmen == 1);
        FUZZ_CHECK(CheckBlock(image, target).empty());  // what the write itself checks
        FUZZ_CHECK(std::equal(image.Baza.begin() + kMeasIndex, image.Baza.end(), target.Baza.begin() + kMeasIndex));
        if (target.NePriv) {
            FUZZ_CHECK(image.GetKBegSk() == target.GetKBegSk() && image.GetKEndSk() == target.GetKEndSk());
        }
    }
    return 0;
}
