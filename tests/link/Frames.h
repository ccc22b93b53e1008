#pragma once
// Frame helpers for the link tests: hex text to bytes and back, CRC append.
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

#include "Comportclass.h"
#include "FakePort.h"

namespace tservice::testing {

inline Bytes Hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    unsigned value = 0;
    while (in >> std::hex >> value) out.push_back(static_cast<std::uint8_t>(value));
    return out;
}

inline std::string ToHex(const Bytes& bytes) {
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        if (!out.empty()) out += ' ';
        out += buf;
    }
    return out;
}

// bytes followed by their CRC-16, low byte first.
inline Bytes WithCrc(Bytes bytes) {
    const std::uint16_t crc = Crc16(bytes.data(), static_cast<int>(bytes.size()));
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return bytes;
}

}  // namespace tservice::testing
