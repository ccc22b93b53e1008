// The answer side of Exchange under arbitrary line bytes: the input decides
// the link settings, the requests, and for every read how many bytes arrive,
// which bytes, how long it takes and whether the port fails. Whatever comes,
// the result is a valid code, nothing is read beyond the answer buffer, and
// an accepted answer is a whole frame with a matching checksum.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <vector>

#include "Clock.h"
#include "ComPort.h"
#include "Comportclass.h"
#include "FuzzCheck.h"
#include "Messages.h"

namespace {

using namespace tservice;

constexpr std::array<std::uint8_t, 17> kAccepted = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x0E, 0x0F, 0x11,
                                                    0x12, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x64};

class NullMessages final : public IMessages {
public:
    MsgAnswer Show(const MsgBox& box) override { return box.defaultAnswer; }
    void Plain(const std::string&) override {}
    void Beep() override {}
    void RequestMainClose() override { ++closeRequests; }
    int closeRequests = 0;
};

// Serves the fuzz input as the line. Every read names its own outcome.
class ScriptPort final : public TComPort {
public:
    ScriptPort(FuzzedDataProvider& in, VirtualClock& clock) : in_(in), clock_(clock) {}

    void SetPort(const std::string&) override {}
    void SetBaudRate(int) override {}
    void SetParity(Parity) override {}
    void SetStopBits(int) override {}
    void Open() override { open = true; }
    void Close() override { open = false; }
    bool Connected() const override { return open; }
    void ClearBuffer(bool, bool) override {
        if (in_.ConsumeIntegralInRange<int>(0, 31) == 0) throw PortError("ClearBuffer", 5, "I/O error");
    }
    int Write(const std::uint8_t* data, int count) override {
        FUZZ_CHECK(count >= 4 && count <= kMaxRequest);
        writes.emplace_back(data, data + count);
        if (in_.ConsumeIntegralInRange<int>(0, 63) == 0) throw PortError("Write", 5, "I/O error");
        return count;
    }
    int Read(std::uint8_t* buffer, int count) override {
        FUZZ_CHECK(count > 0);
        if (answerBegin != nullptr) {
            FUZZ_CHECK(buffer >= answerBegin && buffer + count <= answerBegin + kMaxAnswer);
        }
        // A driver may fill the whole room it is given before it times out.
        for (int i = 0; i < count; ++i) buffer[i] = 0xEE;
        if (in_.ConsumeIntegralInRange<int>(0, 63) == 0) throw PortError("Read", 5, "I/O error");
        const int want = in_.ConsumeIntegralInRange<int>(0, count);
        const std::vector<std::uint8_t> bytes = in_.ConsumeBytes<std::uint8_t>(static_cast<std::size_t>(want));
        for (std::size_t i = 0; i < bytes.size(); ++i) buffer[i] = bytes[i];
        clock_.Advance(in_.ConsumeIntegralInRange<int>(0, count * kReadTotalPerByteMs + kReadTotalConstMs));
        return static_cast<int>(bytes.size());
    }

    bool open = true;
    const std::uint8_t* answerBegin = nullptr;
    std::vector<std::vector<std::uint8_t>> writes;

private:
    FuzzedDataProvider& in_;
    VirtualClock& clock_;
};

bool IsAccepted(std::uint8_t cmd) {
    for (std::uint8_t c : kAccepted)
        if (c == cmd) return true;
    return false;
}

void CheckRequest(const std::vector<std::uint8_t>& req, int device, std::uint8_t cmd, int dataLen) {
    FUZZ_CHECK(static_cast<int>(req.size()) == dataLen + 4);
    FUZZ_CHECK(req[1] == cmd);
    FUZZ_CHECK(req[0] == ((cmd == 0x46 && dataLen > 0) ? 0 : device + 1));
    const std::uint16_t crc = Crc16(req.data(), dataLen + 2);
    FUZZ_CHECK(req[req.size() - 2] == (crc & 0xFF) && req.back() == (crc >> 8));
}

// One exchange as the input describes it.
void OneExchange(FuzzedDataProvider& in, TComPortClass& link, ScriptPort& port) {
    const int device = in.ConsumeIntegralInRange<int>(-2, 33);
    const std::uint8_t cmd = in.ConsumeBool() ? kAccepted[in.ConsumeIntegralInRange<std::size_t>(0, 16)]
                                              : in.ConsumeIntegral<std::uint8_t>();
    const std::uint8_t dataLen = in.ConsumeIntegral<std::uint8_t>() % 8 == 0 ? in.ConsumeIntegral<std::uint8_t>()
                                                                              : in.ConsumeIntegralInRange<std::uint8_t>(0, 4);
    // Exactly dataLen bytes, so reading past them is caught.
    std::vector<std::uint8_t> data(dataLen);
    for (auto& b : data) b = in.ConsumeIntegral<std::uint8_t>();
    std::vector<std::uint8_t> answer(kMaxAnswer);
    const bool ownBuffer = in.ConsumeIntegralInRange<int>(0, 7) != 0;
    port.answerBegin = ownBuffer ? answer.data() : nullptr;
    port.open = in.ConsumeIntegralInRange<int>(0, 15) != 0;
    port.writes.clear();

    int code = 0;
    try {
        code = link.Exchange(device, cmd, dataLen, dataLen ? data.data() : nullptr, ownBuffer ? answer.data() : nullptr);
    } catch (const PortError&) {
        return;  // the application's error handler takes it
    }
    FUZZ_CHECK(code >= 0 && code <= 256);
    const bool refused = device < 0 || device > 31 || !IsAccepted(cmd);
    if (refused) {
        FUZZ_CHECK(code == kRefused && port.writes.empty());
        return;
    }
    if (!port.open) {
        FUZZ_CHECK(code == kPortClosed && port.writes.empty());
        return;
    }
    FUZZ_CHECK(!port.writes.empty());
    // A silent line can cost at most Povt1 tries per stage-2 failure.
    const long bound = static_cast<long>(std::max(1, link.Povt1)) * (std::max(1, link.Povt2) + 1);
    FUZZ_CHECK(static_cast<long>(port.writes.size()) <= bound);
    for (const auto& req : port.writes) CheckRequest(req, device, cmd, dataLen);
    if (cmd == 0x45 || cmd == 0x46) {
        FUZZ_CHECK(code == kOk && port.writes.size() == 1);
        return;
    }
    if (code != kOk || !ownBuffer) return;
    // An accepted answer: the announced length fits, the command matches and
    // the checksum covers it.
    FUZZ_CHECK(link.AnsLen >= 4 && link.AnsLen <= kMaxAnswer);
    FUZZ_CHECK(answer[1] == cmd || (answer[1] == (cmd | 0x80) && answer[2] == 0));
    const std::uint16_t crc = Crc16(answer.data(), link.AnsLen - 2);
    FUZZ_CHECK(answer[link.AnsLen - 2] == (crc & 0xFF) && answer[link.AnsLen - 1] == (crc >> 8));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    VirtualClock clock;
    NullMessages messages;
    ScriptPort port(in, clock);
    TComPortClass link(port, clock, messages);
    link.Povt1 = in.ConsumeIntegralInRange<int>(-1, 8);
    link.Povt2 = in.ConsumeIntegralInRange<int>(-1, 12);
    link.DelayOut = in.ConsumeIntegralInRange<int>(-5, 100);
    const int exchanges = in.ConsumeIntegralInRange<int>(1, 4);
    for (int i = 0; i < exchanges; ++i) OneExchange(in, link, port);
    return 0;
}
