#pragma once
// Byte helpers shared by the simulator tests.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "Comportclass.h"
#include "SimLine.h"

namespace tservice::sim::testing {

using Bytes = std::vector<std::uint8_t>;

// "03 11 C1 4C" -> bytes.
inline Bytes Hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string tok;
    while (in >> tok) out.push_back(static_cast<std::uint8_t>(std::stoul(tok, nullptr, 16)));
    return out;
}

inline std::string ToHex(const Bytes& b) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i) s += ' ';
        s += d[b[i] >> 4];
        s += d[b[i] & 15];
    }
    return s;
}

// Appends the CRC, low byte first.
inline Bytes WithCrc(Bytes b) {
    const std::uint16_t crc = Crc16(b.data(), static_cast<int>(b.size()));
    b.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    b.push_back(static_cast<std::uint8_t>(crc >> 8));
    return b;
}

inline Bytes Send(Line& line, const Bytes& request, int* delayMs = nullptr) {
    return line.Handle(request.data(), static_cast<int>(request.size()), delayMs);
}

inline bool IntactFrame(const Bytes& b) {
    if (b.size() < 4) return false;
    const std::uint16_t crc = Crc16(b.data(), static_cast<int>(b.size()) - 2);
    return b[b.size() - 2] == (crc & 0xFF) && b[b.size() - 1] == (crc >> 8);
}

}  // namespace tservice::sim::testing
