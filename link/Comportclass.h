#pragma once
// TComPortClass: one request/response exchange at a time with one transmitter.
// Framing (address, command, data, CRC-16 low byte first), the pause before
// each request, two-stage retries and result codes. Failures are result codes,
// never exceptions; only a PortError of Read or Write escapes Exchange.
#include <cstdint>
#include <optional>
#include <string>

#include "Clock.h"
#include "ComPort.h"
#include "Messages.h"
#include "Protocol.h"
#include "Trace.h"

namespace tservice {

inline constexpr int kMaxRequest = 259;  // 255 data bytes + 4
inline constexpr int kMaxAnswer = 260;   // count byte 255 + 5

// CRC-16/MODBUS over count bytes (init 0xFFFF, poly 0xA001 reflected).
std::uint16_t Crc16(const std::uint8_t* data, int count);

// Builds the request frame into out (room for kMaxRequest). Returns its
// length (dataLen + 4), or 0 when the command is refused.
int BuildRequest(int deviceIndex, std::uint8_t cmd, std::uint8_t dataLen,
                 const std::uint8_t* data, std::uint8_t* out);

// Length of the whole answer the link awaits for cmd, given the request's
// length and the answer's count byte (byte 2).
int AnswerLength(std::uint8_t cmd, int reqLen, std::uint8_t countByte);

// Whether name names a serial port for OpenPort on this platform: contains
// "COM"/"com" on Windows; elsewhere a bare name without '/' or an absolute
// device path (or a link that resolves to one, e.g. under /dev/serial/by-id).
// A tcp:// name is no serial port; OpenPort takes it when ParseTcpPortName does.
bool IsSerialPortName(const std::string& name);

// A transmitter's exception code (1..255) in the link's words, without the
// device and port: "Идет запись базы данных. Ждите." for 6, "ошибка обмена
// HH" for the others.
std::string ExceptionText(int code);

// The message box ShowLinkError shows for code (device index, port name);
// code 0 gives an empty text (no box).
MsgBox LinkErrorBox(int deviceIndex, int code, const std::string& portName);

// The manual's anchor for a result code's message: "msg-130" for the codes
// of the link's own table, "msg-exception" for a transmitter's exception
// code; empty for 0.
std::string LinkErrorHelp(int code);

class TComPortClass {
public:
    // port, clock and messages are not owned and must outlive the object.
    TComPortClass(TComPort& port, IClock& clock, IMessages& messages);

    // State of the last exchange.
    std::int32_t ReqLen = 0;
    std::int32_t DataLen = 0;
    std::int32_t AnsLen = 0;
    std::int32_t AnsCount = 0;
    // Whether the last exchange ended with the transmitter's exception answer
    // (its code is the result) rather than a failure of the line.
    bool LastException = false;
    // Settings; the port dialog writes the four texts directly.
    std::int32_t Povt1 = 5;
    std::int32_t Povt2 = 10;
    std::int32_t DelayOut = 25;
    std::int32_t RetryPauseMs = 300;  // pause after a failed try; the fast scan shortens it
    std::string BaudText = "9600";
    char ParityChar = 'N';
    std::string StopText = "2";
    std::string PortName = "COM1";

    // BaudText, ParityChar and StopText as numbers; nullopt when one of them
    // is not a setting the port takes.
    struct Settings {
        int baud = 0;
        Parity parity = Parity::None;
        int stopBits = 0;
    };
    std::optional<Settings> ParsedSettings() const;

    // Closes, checks the four texts, opens. 0 when open afterwards with these
    // settings; -1 otherwise (also when the old port would not close).
    int OpenPort();
    // Closes; a failure is ignored.
    void ClosePort();
    bool PortOpen() const;

    // One exchange with device index (0..31). data holds dataLen bytes (may be
    // null when 0); answer must have room for kMaxAnswer bytes. Returns a
    // result code. A PortError from Read/Write propagates. A call made while
    // another exchange waits (from the window's timers) returns 1 unsent.
    //
    // How one try judges the three header bytes, in this order:
    //   fewer than 3 bytes             stage-1 failure, 130 (none) or 129
    //   address byte not the request's stage-1 failure, 128; after the retry
    //                                  pause the bytes received are dropped
    //   command | 0x80, code not 0     the exchange ends with that code
    //   command byte neither           stage-1 failure, 128
    //   command (or | 0x80, code 0)    stage 2: body and CRC (129, 130, 131)
    // So an answer counts only from the address asked, and a late answer of
    // another device is never taken for this one's.
    int Exchange(int deviceIndex, std::uint8_t cmd, std::uint8_t dataLen,
                 const std::uint8_t* data, std::uint8_t* answer);

    // Blocks for ms milliseconds on the clock; ms <= 0 returns at once.
    void WaitMs(int ms);

    // observer (not owned) gets the exchange tags, or nullptr for none. The
    // frames themselves come from a TracingPort in front of the port.
    void SetObserver(ILineObserver* observer) { observer_ = observer; }

    // Shows the message box for a nonzero code (see LinkErrorBox); 256 closes
    // the port first.
    void ShowLinkError(int deviceIndex, int code);

    int GetPovt1() const { return Povt1; }
    void SetPovt1(int v) { Povt1 = v; }
    void SetPovt2(int v) { Povt2 = v; }
    int GetDelayOut() const { return DelayOut; }
    int GetRetryPauseMs() const { return RetryPauseMs; }
    void SetRetryPauseMs(int ms) { RetryPauseMs = ms; }
    void SetDelayOut(int v) { DelayOut = v; }

    IClock& Clock() { return clock_; }
    IMessages& Messages() { return messages_; }
    TComPort& Port() { return port_; }

private:
    int Run(int deviceIndex, std::uint8_t cmd, std::uint8_t dataLen, const std::uint8_t* data,
            std::uint8_t* answer);
    void Note(ExchangeNote note);
    void Sleep(int ms);
    int Transaction(std::uint8_t cmd, const std::uint8_t* request, std::uint8_t* answer);
    int ReceiveBody(std::uint8_t* answer);  // stage 2 of one try: rest of the answer, CRC
    void PortGone();  // "COM-порт отключен..." and ask the main window to close
    void DropReceived();  // the rest of a foreign answer, after the retry pause

    TComPort& port_;
    IClock& clock_;
    IMessages& messages_;
    ILineObserver* observer_ = nullptr;
    int device_ = 0;  // of the exchange in progress, for its tags
    bool inExchange_ = false;
};

}  // namespace tservice
