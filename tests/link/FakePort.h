#pragma once
// A scripted TComPort in virtual time: every Write takes the next scripted
// reply and puts it on the line; Read takes what is there and, when that is
// less than asked, moves the clock on to the moment a real port would have
// given up (interval after a byte, total when nothing came).
#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "Clock.h"
#include "ComPort.h"

namespace tservice::testing {

using Bytes = std::vector<std::uint8_t>;

class FakePort : public TComPort {
public:
    explicit FakePort(VirtualClock& clock) : clock_(clock) {}

    void SetPort(const std::string& n) override { name = n; }
    void SetBaudRate(int b) override { baud = b; }
    void SetParity(Parity p) override { parity = p; }
    void SetStopBits(int s) override { stopBits = s; }

    void Open() override {
        if (open) return;
        ++opens;
        if (failOpen) throw PortError("Open", 2, "No such file or directory");
        open = true;
    }
    void Close() override {
        if (!open) return;
        ++closes;
        open = false;
        if (failClose) throw PortError("Close", 5, "Input/output error");
    }
    bool Connected() const override { return open; }
    void ClearBuffer(bool input, bool output) override {
        ++clears;
        if (failClear) throw PortError("ClearBuffer", 5, "Input/output error");
        if (input) line.clear();
        (void)output;
    }
    int Write(const std::uint8_t* data, int count) override {
        if (failWrite) throw PortError("Write", 5, "Input/output error");
        writes.emplace_back(data, data + count);
        writeTimes.push_back(clock_.NowMs());
        if (!replies.empty()) {
            line.insert(line.end(), replies.front().begin(), replies.front().end());
            replies.pop_front();
        }
        return count;
    }
    int Read(std::uint8_t* buffer, int count) override {
        ++reads;
        if (failRead) throw PortError("Read", 5, "Input/output error");
        const int got = std::min<int>(count, static_cast<int>(line.size()));
        std::copy_n(line.begin(), got, buffer);
        line.erase(line.begin(), line.begin() + got);
        if (got == 0) clock_.Advance(count * kReadTotalPerByteMs + kReadTotalConstMs);
        else if (got < count) clock_.Advance(kReadIntervalMs);
        return got;
    }

    // One reply per write, in order; an empty reply is a silent device.
    void Reply(Bytes bytes) { replies.push_back(std::move(bytes)); }
    void ReplyTimes(const Bytes& bytes, int times) {
        for (int i = 0; i < times; ++i) replies.push_back(bytes);
    }

    std::string name;
    int baud = 0;
    Parity parity = Parity::None;
    int stopBits = 0;
    bool open = false;
    bool failOpen = false, failClose = false, failClear = false, failRead = false, failWrite = false;
    int opens = 0, closes = 0, clears = 0, reads = 0;
    std::vector<Bytes> writes;
    std::vector<std::int64_t> writeTimes;
    std::deque<Bytes> replies;
    std::deque<std::uint8_t> line;

private:
    VirtualClock& clock_;
};

}  // namespace tservice::testing
