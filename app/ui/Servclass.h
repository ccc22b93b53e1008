#pragma once
// TServClass: the device index (0..31) the transmitter is to take at the
// next write of its parameter set.
#include <cstdint>

namespace tservice {

class TServClass {
public:
    std::int32_t NuNew = 0;
};

}  // namespace tservice
