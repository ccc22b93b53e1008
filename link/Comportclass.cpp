#include "Comportclass.h"

#include "Number.h"
#include "PortList.h"

#include <climits>
#include <cstdlib>

#include <algorithm>
#include <array>
#include <limits>
#include <cstdio>
#include <cstring>

namespace tservice {

namespace {

constexpr int kHeaderLen = 3;

constexpr std::array<int, 13> kBaudRates = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};

const char* const kPortGoneText =
    "COM-порт отключен. Проверьте оборудование, перезапустите программу.";
const char* const kWarningCaption = "Предупреждение";
const char* const kErrorCaption = "Ошибка";

// Whole-string decimal; anything else (blanks, signs, letters, empty) fails.
bool ParseDecimal(const std::string& text, int* value) {
    if (text.empty() || text[0] == '-') return false;
    const std::optional<int> v = ReadWhole(text, 0, std::numeric_limits<int>::max());
    if (v) *value = *v;
    return v.has_value();
}

std::string UpperHex(int code) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(code));
    return buf;
}

}  // namespace

std::uint16_t Crc16(const std::uint8_t* data, int count) {
    std::uint16_t crc = 0xFFFF;
    for (int i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

int BuildRequest(int deviceIndex, std::uint8_t cmd, std::uint8_t dataLen,
                 const std::uint8_t* data, std::uint8_t* out) {
    const int reqLen = dataLen + 4;
    std::memset(out, 0, reqLen);
    if (!IsAcceptedCommand(cmd)) return 0;
    out[0] = static_cast<std::uint8_t>(deviceIndex + 1);
    out[1] = cmd;
    if (dataLen > 0) {
        std::memcpy(out + 2, data, dataLen);
        // 0x46 with data goes to every device on the line.
        if (cmd == kCmdBroadcast) out[0] = 0;
    }
    const std::uint16_t crc = Crc16(out, reqLen - 2);
    out[2 + dataLen] = static_cast<std::uint8_t>(crc & 0xFF);
    out[3 + dataLen] = static_cast<std::uint8_t>(crc >> 8);
    return reqLen;
}

int AnswerLength(std::uint8_t cmd, int reqLen, std::uint8_t countByte) {
    if (cmd == kCmdSwitch || cmd == kCmdConfirm) return reqLen;
    if (cmd == kCmdFixed8) return 8;
    return countByte + 5;
}

bool IsSerialPortName(const std::string& name) {
#ifdef _WIN32
    return name.find("COM") != std::string::npos || name.find("com") != std::string::npos;
#else
    if (name.empty()) return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return false;
    }
    if (name.find('/') == std::string::npos) return name != "." && name != "..";
    // Only device paths, and none that climb out of /dev; a link elsewhere
    // (the simulated line's, say) counts when it resolves into /dev.
    const std::string dev = "/dev/";
    if (name.size() <= dev.size() || name.compare(0, dev.size(), dev) != 0) {
        if (name.front() != '/') return false;
        char resolved[PATH_MAX];
        if (!realpath(name.c_str(), resolved)) return false;
        return std::string(resolved).rfind(dev, 0) == 0 && IsSerialPortName(resolved);
    }
    return name.find("/../") == std::string::npos && name.find("/./") == std::string::npos &&
           name.substr(name.size() - 3) != "/.." && name.back() != '/';
#endif
}

std::string LinkErrorHelp(int code) {
    switch (code) {
        case kOk: return {};
        case kWriting:
        case kBadHeader:
        case kTimeoutPart:
        case kNoAnswer:
        case kCrcError:
        case kOpenFailed:
        case kPortNotSetUp:
        case kPortPowerOff:
        case kPortSetupError:
        case kPortClosed: return "msg-" + std::to_string(code);
        default: return "msg-exception";
    }
}

std::string ExceptionText(int code) {
    return code == kWriting ? "Идет запись базы данных. Ждите." : "ошибка обмена " + UpperHex(code);
}

MsgBox LinkErrorBox(int deviceIndex, int code, const std::string& portName) {
    MsgBox box;
    box.buttons = MsgButtons::Ok;
    box.defaultAnswer = MsgAnswer::Ok;
    if (code == kOk) return box;
    const std::string device = "устройство " + std::to_string(deviceIndex + 1) + " " + portName;
    auto warn = [&](std::string text) {
        box.text = std::move(text);
        box.caption = kWarningCaption;
        box.icon = MsgIcon::Warning;
    };
    auto error = [&](std::string text) {
        box.text = std::move(text);
        box.caption = kErrorCaption;
        box.icon = MsgIcon::Error;
    };
    switch (code) {
        case kWriting: warn(device + " " + ExceptionText(code)); break;
        case kBadHeader: warn(device + " ошибка приема данных "); break;
        case kTimeoutPart: warn(device + " тайм-аут приема данных"); break;
        case kNoAnswer: warn(device + " не отвечает на запрос"); break;
        case kCrcError: warn(device + " ошибка контрольной суммы"); break;
        case kOpenFailed: warn(" невозможно открыть последовательный порт "); break;
        case kPortNotSetUp: error("вероятно, порт не настроен"); break;
        case kPortPowerOff: error("сбой настройки порта при выключении прибора"); break;
        case kPortSetupError: error("ошибка настройки порта"); break;
        case kPortClosed: error("Не выбран COM-порт."); break;
        default: warn(device + " " + ExceptionText(code)); break;
    }
    box.help = LinkErrorHelp(code);
    return box;
}

TComPortClass::TComPortClass(TComPort& port, IClock& clock, IMessages& messages)
    : port_(port), clock_(clock), messages_(messages) {}

void TComPortClass::PortGone() {
    messages_.Show(MsgBox{kPortGoneText, kErrorCaption, MsgIcon::Error, MsgButtons::Ok, MsgAnswer::Ok, "msg-port-gone"});
    messages_.RequestMainClose();
}

std::optional<TComPortClass::Settings> TComPortClass::ParsedSettings() const {
    Settings s;
    if (!ParseDecimal(BaudText, &s.baud) ||
        std::find(kBaudRates.begin(), kBaudRates.end(), s.baud) == kBaudRates.end()) {
        return std::nullopt;
    }
    switch (ParityChar) {
        case 'N': s.parity = Parity::None; break;
        case 'O': s.parity = Parity::Odd; break;
        case 'E': s.parity = Parity::Even; break;
        default: return std::nullopt;
    }
    if (!ParseDecimal(StopText, &s.stopBits) || (s.stopBits != 1 && s.stopBits != 2)) return std::nullopt;
    return s;
}

int TComPortClass::OpenPort() {
    bool closed = true;
    try {
        port_.Close();
    } catch (const PortError&) {
        PortGone();
        closed = false;
    }
    const std::optional<Settings> settings = ParsedSettings();
    if (!settings) return -1;
    if (IsTcpPortName(PortName) ? !ParseTcpPortName(PortName, nullptr) : !IsSerialPortName(PortName))
        return -1;

    port_.SetBaudRate(settings->baud);
    port_.SetParity(settings->parity);
    port_.SetStopBits(settings->stopBits);
    port_.SetPort(PortName);
    try {
        port_.Open();
    } catch (const PortError&) {
        PortGone();
    }
    // A port that would not close still runs with its old settings: that is
    // no success for the settings asked for.
    return closed && port_.Connected() ? 0 : -1;
}

void TComPortClass::ClosePort() {
    try {
        port_.Close();
    } catch (const PortError&) {
        // The port is being given up anyway; nothing to tell the operator.
    }
}

bool TComPortClass::PortOpen() const { return port_.Connected(); }

int TComPortClass::Exchange(int deviceIndex, std::uint8_t cmd, std::uint8_t dataLen,
                            const std::uint8_t* data, std::uint8_t* answer) {
    if (observer_ == nullptr) return Run(deviceIndex, cmd, dataLen, data, answer);
    device_ = deviceIndex;
    Note({.kind = ExchangeNote::Begin, .cmd = cmd});
    int code = kOk;
    try {
        code = Run(deviceIndex, cmd, dataLen, data, answer);
    } catch (const PortError&) {
        Note({.kind = ExchangeNote::End, .cmd = cmd, .code = kTracePortError});
        throw;
    }
    Note({.kind = ExchangeNote::End, .cmd = cmd, .code = code});
    return code;
}

void TComPortClass::Note(ExchangeNote note) {
    note.timeMs = clock_.NowMs();
    note.deviceIndex = device_;
    observer_->OnNote(note);
}

int TComPortClass::Run(int deviceIndex, std::uint8_t cmd, std::uint8_t dataLen,
                       const std::uint8_t* data, std::uint8_t* answer) {
    DataLen = dataLen;
    ReqLen = dataLen + 4;
    LastException = false;
    std::array<std::uint8_t, kMaxRequest> request{};
    // An address outside 1..32 would reach another device or all of them, and
    // missing data bytes would go out as garbage: refuse before sending.
    if (deviceIndex < 0 || deviceIndex > kMaxDeviceIndex || (dataLen > 0 && data == nullptr)) {
        return kRefused;
    }
    if (BuildRequest(deviceIndex, cmd, dataLen, data, request.data()) == 0) return kRefused;
    // The window runs its timers while the link waits; an exchange started
    // from there would put its frame in the middle of this one's.
    if (inExchange_) return kRefused;
    if (!port_.Connected()) return kPortClosed;
    struct Mark {
        bool& flag;
        explicit Mark(bool& f) : flag(f) { flag = true; }
        ~Mark() { flag = false; }
    } mark(inExchange_);
    try {
        port_.ClearBuffer(true, true);
    } catch (const PortError&) {
        PortGone();
    }
    std::array<std::uint8_t, kMaxAnswer> scratch{};
    const int code = Transaction(cmd, request.data(), answer != nullptr ? answer : scratch.data());
    // Input made during the last wait is dealt with before the caller goes on.
    clock_.WhileWaiting();
    return code;
}

int TComPortClass::Transaction(std::uint8_t cmd, const std::uint8_t* request, std::uint8_t* answer) {
    // A count below 1 would never run out; it means a single try.
    const int tries1 = std::max(1, Povt1);
    int left1 = tries1;
    int left2 = std::max(1, Povt2);
    for (int tryNo = 1;; ++tryNo) {
        Sleep(DelayOut);
        port_.Write(request, ReqLen);
        if (cmd == kCmdWriteBlock || cmd == kCmdBroadcast) return kOk;

        int code = kOk;
        bool headerFailed = true;
        bool foreign = false;
        const int got = port_.Read(answer, kHeaderLen);
        if (got < kHeaderLen) {
            code = got == 0 ? kNoAnswer : kTimeoutPart;
        } else if (answer[0] != request[0]) {
            // Another device's answer, most likely a late one: nothing in it is
            // ours, and the rest of it must not be read as our next header.
            code = kBadHeader;
            foreign = true;
        } else {
            AnsCount = answer[2];
            AnsLen = AnswerLength(cmd, ReqLen, answer[2]);
            const bool exception = IsExceptionTo(answer[1], cmd);
            if (exception && answer[2] != 0) {
                // The exception code is the result; its checksum is not awaited.
                AnsLen = 5;
                LastException = true;
                return answer[2];
            }
            if (answer[1] != cmd && !exception) {
                code = kBadHeader;
            } else {
                headerFailed = false;
                left1 = tries1;
                code = ReceiveBody(answer);
                if (code == kOk) return kOk;
            }
        }
        if (observer_ != nullptr) {
            Note({.kind = ExchangeNote::TryFailed, .cmd = cmd, .tryNo = tryNo, .stage = headerFailed ? 1 : 2,
                  .code = code, .pauseMs = RetryPauseMs});
        }
        Sleep(RetryPauseMs);
        if (foreign) DropReceived();
        int& left = headerFailed ? left1 : left2;
        if (--left == 0) return code;
    }
}

int TComPortClass::ReceiveBody(std::uint8_t* answer) {
    // AnsLen is at most 255 + 5 (count byte) or kMaxRequest (fixed lengths),
    // so the body always fits the kMaxAnswer buffer.
    const int want = AnsLen - kHeaderLen;
    const int got = port_.Read(answer + kHeaderLen, want);
    if (got < want) return got == 0 ? kNoAnswer : kTimeoutPart;
    const std::uint16_t crc = Crc16(answer, AnsLen - 2);
    const bool match = answer[AnsLen - 2] == (crc & 0xFF) && answer[AnsLen - 1] == (crc >> 8);
    return match ? kOk : kCrcError;
}

void TComPortClass::DropReceived() {
    try {
        port_.ClearBuffer(true, false);
    } catch (const PortError&) {
        PortGone();
    }
}

void TComPortClass::Sleep(int ms) {
    if (ms <= 0) return;
    clock_.SleepUntilMs(clock_.NowMs() + ms);
}

void TComPortClass::WaitMs(int ms) {
    Sleep(ms);
    if (observer_ != nullptr && ms > 0) Note({.kind = ExchangeNote::Pause, .pauseMs = ms});
}

void TComPortClass::ShowLinkError(int deviceIndex, int code) {
    if (code == kOk) return;
    if (code == kPortClosed) ClosePort();
    messages_.Show(LinkErrorBox(deviceIndex, code, PortName));
}

}  // namespace tservice
