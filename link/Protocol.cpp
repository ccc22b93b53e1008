#include "Protocol.h"

#include "Comportclass.h"

namespace tservice {

namespace {

int SendWord(TComPortClass& link, int deviceIndex, std::uint8_t cmd, int address, int word) {
    const std::uint8_t data[4] = {static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF),
                                  static_cast<std::uint8_t>((word >> 8) & 0xFF), static_cast<std::uint8_t>(word & 0xFF)};
    std::uint8_t answer[kMaxAnswer] = {};
    return link.Exchange(deviceIndex, cmd, 4, data, answer);
}

}  // namespace

int IdentExchange(TComPortClass& link, int deviceIndex, std::uint8_t* answer) {
    const int code = link.Exchange(deviceIndex, kCmdIdent, 0, nullptr, answer);
    return code == 0 && answer[2] < kIdentCount ? kBadHeader : code;
}

int SwitchCoil(TComPortClass& link, int deviceIndex, int coil, bool on) {
    return SendWord(link, deviceIndex, kCmdSwitch, coil, on ? 0xFF00 : 0x0000);
}

int SetOutputCurrent(TComPortClass& link, int deviceIndex, int code) {
    return SendWord(link, deviceIndex, kCmdWriteRegister, kRegisterOutputCurrent, static_cast<std::uint16_t>(code));
}

}  // namespace tservice
