// CPU cost of one identification exchange: framing, purge, header and body
// reads, CRC check. The port answers in-process and time is virtual, so the
// figure is the link's own cost, not the line's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "Comportclass.h"
#include "NoMessages.h"

namespace {

using namespace tservice;

using bench::NoMessages;

// Answers every request with the same identification frame.
class AnsweringPort final : public TComPort {
public:
    AnsweringPort() {
        const std::array<std::uint8_t, 6> head = {0x01, 0x11, 0x03, 0x05, 0x20, 0x65};
        std::copy(head.begin(), head.end(), answer_.begin());
        const std::uint16_t crc = Crc16(answer_.data(), 6);
        answer_[6] = static_cast<std::uint8_t>(crc & 0xFF);
        answer_[7] = static_cast<std::uint8_t>(crc >> 8);
    }
    void SetPort(const std::string&) override {}
    void SetBaudRate(int) override {}
    void SetParity(Parity) override {}
    void SetStopBits(int) override {}
    void Open() override {}
    void Close() override {}
    bool Connected() const override { return true; }
    void ClearBuffer(bool, bool) override { pos_ = static_cast<int>(answer_.size()); }
    int Write(const std::uint8_t*, int count) override {
        pos_ = 0;
        return count;
    }
    int Read(std::uint8_t* buffer, int count) override {
        const int got = std::min(count, static_cast<int>(answer_.size()) - pos_);
        std::copy_n(answer_.begin() + pos_, got, buffer);
        pos_ += got;
        return got;
    }

private:
    std::array<std::uint8_t, 8> answer_{};
    int pos_ = 8;
};

void BM_ExchangeIdentification(benchmark::State& state) {
    VirtualClock clock;
    AnsweringPort port;
    NoMessages messages;
    TComPortClass link(port, clock, messages);
    std::array<std::uint8_t, kMaxAnswer> answer{};
    for (auto _ : state) {
        const int result = link.Exchange(0, 0x11, 0, nullptr, answer.data());
        if (result != kOk) state.SkipWithError("exchange failed");
        benchmark::DoNotOptimize(answer.data());
    }
}
BENCHMARK(BM_ExchangeIdentification);

void BM_Crc16Longest(benchmark::State& state) {
    std::array<std::uint8_t, kMaxAnswer> frame{};
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(i * 7);
    for (auto _ : state) benchmark::DoNotOptimize(Crc16(frame.data(), kMaxAnswer - 2));
}
BENCHMARK(BM_Crc16Longest);

}  // namespace

BENCHMARK_MAIN();
