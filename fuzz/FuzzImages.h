#pragma once
// Complete readings of the four models as the simulated transmitter gives
// them, the fixed side the file targets are tried against.
#include <algorithm>
#include <array>
#include <utility>

#include "DeviceImage.h"
#include "SimLine.h"

namespace tservice {

// Model code and version of each reading.
inline constexpr std::array<std::pair<int, int>, 4> kFuzzModels{
    {{kLadr, 5}, {kTevTs, 5}, {kTevTp, 4}, {kOski, 2}}};

// The block of transmitter 3 of model/version as a complete reading (Vvod set).
inline DeviceImage TransmitterImage(int model, int version) {
    sim::Transmitter t(3, model, version);
    DeviceImage image;
    image.Tip = model;
    image.Ver = version;
    image.PutLen(t.blockLen);
    std::copy(t.block.begin(), t.block.end(), image.Baza.begin() + 1);
    image.Vvod = 1;
    return image;
}

}  // namespace tservice
