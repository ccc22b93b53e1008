#include "Protocol.h"

#include "Comportclass.h"

#include <algorithm>
#include <iterator>

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

bool IsAcceptedCommand(int cmd) {
    static constexpr std::uint8_t kAccepted[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x0E, 0x0F, 0x11,
                                                 0x12, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x64};
    return std::find(std::begin(kAccepted), std::end(kAccepted), cmd) != std::end(kAccepted);
}

IdentFields DecodeIdent(const std::uint8_t* answer) {
    return {answer[3], answer[4] >> 4, answer[5]};
}

int SwitchCoil(TComPortClass& link, int deviceIndex, int coil, bool on) {
    return SendWord(link, deviceIndex, kCmdSwitch, coil, on ? 0xFF00 : 0x0000);
}

int SetOutputCurrent(TComPortClass& link, int deviceIndex, int code) {
    return SendWord(link, deviceIndex, kCmdWriteRegister, kRegisterOutputCurrent, static_cast<std::uint16_t>(code));
}

}  // namespace tservice
