#pragma once
// The transmitters' command set as this program uses it: command codes, coil
// and register addresses and the result codes of an exchange, named once.
// The simulated transmitters (sim/) keep their own literals on purpose.
#include <cstdint>

namespace tservice {

class TComPortClass;

// Command codes (byte 1 of a frame).
inline constexpr std::uint8_t kCmdSwitch = 0x05;         // coil on/off, 4 data bytes
inline constexpr std::uint8_t kCmdWriteRegister = 0x06;  // one 16-bit register
inline constexpr std::uint8_t kCmdConfirm = 0x0E;        // write confirmation
inline constexpr std::uint8_t kCmdFixed8 = 0x0F;         // answer of exactly 8 bytes
inline constexpr std::uint8_t kCmdIdent = 0x11;          // version, correction, model
inline constexpr std::uint8_t kCmdReadBlock = 0x44;      // parameter block
inline constexpr std::uint8_t kCmdWriteBlock = 0x45;     // parameter block, no answer
inline constexpr std::uint8_t kCmdBroadcast = 0x46;      // no answer; with data to address 0
inline constexpr std::uint8_t kCmdReadMeas = 0x47;       // measurement block

// Whether Exchange may send cmd at all: the codes the transmitters know.
bool IsAcceptedCommand(int cmd);

// Device numbers 1..kLineSize on the wire, indexes 0..kMaxDeviceIndex here.
inline constexpr int kLineSize = 32;
inline constexpr int kMaxDeviceIndex = kLineSize - 1;

// An exception answer repeats the command with this bit set.
inline constexpr std::uint8_t kExceptionBit = 0x80;
// Whether an answer's command byte is the exception answer to cmd.
inline constexpr bool IsExceptionTo(int answerCmd, int cmd) { return answerCmd == (cmd | kExceptionBit); }
// The commands a transmitter never answers.
inline constexpr bool AnswersNothing(int cmd) { return cmd == kCmdWriteBlock || cmd == kCmdBroadcast; }

// Data of the identification answer and of the measurement request.
inline constexpr int kIdentCount = 3;  // version, correction code << 4, model
inline constexpr std::uint8_t kMeasRequest[2] = {0x00, 0x01};

// The fields of an identification answer frame (address, command, count,
// data...); the frame must hold kIdentCount data bytes (IdentExchange sees to it).
struct IdentFields {
    int version = 0;
    int correction = 0;  // output-current correction code, 0..15
    int model = 0;
};
IdentFields DecodeIdent(const std::uint8_t* answer);
// Coils of kCmdSwitch and the register of kCmdWriteRegister.
inline constexpr int kCoilCalibration = 0x1001;
inline constexpr int kCoilOutputControl = 0x1002;  // ОСКИ only
inline constexpr int kRegisterOutputCurrent = 0x0001;

// Result codes of Exchange and ShowLinkError; 1..255 besides these are a
// transmitter's exception codes.
enum LinkResult : int {
    kOk = 0,
    kRefused = 1,         // command not in the accepted set; nothing sent
    kWriting = 6,         // the transmitter is storing its block
    kBadHeader = 128,     // answer header from another address or for another command (last stage-1 try)
    kTimeoutPart = 129,   // some but not all bytes arrived
    kNoAnswer = 130,      // nothing arrived
    kCrcError = 131,
    kOpenFailed = 132,    // produced by the port dialog from OpenPort's -1
    kPortNotSetUp = 133,  // "вероятно, порт не настроен"
    kPortPowerOff = 134,  // "сбой настройки порта при выключении прибора"
    kPortSetupError = 135,
    kPortClosed = 256,
};

// Whether a result ends a scan of the line (132..135).
inline constexpr bool StopsScan(int code) { return code >= kOpenFailed && code <= kPortSetupError; }

// The identification exchange with device index into answer (room for
// kMaxAnswer). An intact answer with fewer than kIdentCount data bytes (an
// exception answer with code 0 reads as a normal one) gives kBadHeader, so no
// caller takes a previous answer's bytes for this device's fields. A
// PortError from Read/Write propagates.
int IdentExchange(TComPortClass& link, int deviceIndex, std::uint8_t* answer);

// Switches coil (kCoilCalibration, kCoilOutputControl) of device index on or
// off. Returns the link's result; a PortError propagates.
int SwitchCoil(TComPortClass& link, int deviceIndex, int coil, bool on);
// Sets the output current register of an ОСКИ to code (16383 = 20 mA; below
// 0 goes out in two's complement). Returns the link's result.
int SetOutputCurrent(TComPortClass& link, int deviceIndex, int code);

}  // namespace tservice
