#pragma once
// A complete reading for tests that need no line.
#include <algorithm>

#include <QByteArray>

#include "Describe.h"

namespace tservice::testing {

// A ТЕВ-ТС v5 at device 2 as the simulated line holds it: Pt100, -50…100 °C
// (range 17), number 1, setpoints at 20 % and 80 %; range limits applied.
inline DeviceImage TevTs(bool privileged = true) {
    const QByteArray block = QByteArray::fromHex(
        "9C04007800660698190211010100000000000000000000000000000000000000000000000000005A");
    DeviceImage im;
    im.Tip = kTevTs;
    im.Ver = 5;
    im.PutLen(static_cast<int>(block.size()));
    std::copy(block.begin(), block.end(), im.Baza.begin() + 1);
    im.NePriv = privileged ? 0 : 1;
    im.Vvod = 1;
    ApplyRangeLimits(im);
    return im;
}

// A complete reading of model and version with sensor type tipD and range
// diap, the rest of its 40-byte block zero; range limits applied.
inline DeviceImage ReadingOf(int model, int version, int tipD, int diap) {
    DeviceImage im;
    im.Tip = model;
    im.Ver = version;
    im.PutLen(40);
    im.PutTipD(tipD);
    im.PutDiap(diap);
    im.Vvod = 1;
    ApplyRangeLimits(im);
    return im;
}

}  // namespace tservice::testing
