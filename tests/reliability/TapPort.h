#pragma once
// A port between the link and the simulated port that records every exchange
// (one per purge): each request, the device's log entry for it and every read
// with the bytes it returned. Ownership: none; inner and line outlive it.
#include <cstdint>
#include <string>
#include <vector>

#include "ComPort.h"
#include "ExchangeOracle.h"
#include "SimComPort.h"
#include "SimLine.h"

namespace tservice::reliability {

struct TryRecord {
    Bytes request;
    std::int64_t writeMs = 0;
    bool hasEvent = false;  // the addressed device logged this request
    sim::Event event;       // what it put on the line
    std::vector<ReadCall> reads;
};

struct ExchangeRecord {
    std::vector<TryRecord> tries;
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;  // clock at the last read or write
};

class TapPort final : public TComPort {
public:
    TapPort(sim::SimComPort& inner, sim::Line& line, IClock& clock)
        : inner_(inner), line_(line), clock_(clock) {}

    void SetPort(const std::string& name) override { inner_.SetPort(name); }
    void SetBaudRate(int baud) override { inner_.SetBaudRate(baud); }
    void SetParity(Parity parity) override { inner_.SetParity(parity); }
    void SetStopBits(int stopBits) override { inner_.SetStopBits(stopBits); }
    void Open() override { inner_.Open(); }
    void Close() override { inner_.Close(); }
    bool Connected() const override { return inner_.Connected(); }

    // The link purges once per exchange, before its first request.
    void ClearBuffer(bool input, bool output) override {
        records.emplace_back();
        records.back().startMs = clock_.NowMs();
        inner_.ClearBuffer(input, output);
    }
    int Write(const std::uint8_t* data, int count) override {
        if (records.empty()) records.emplace_back();
        TryRecord t;
        t.request.assign(data, data + count);
        t.writeMs = clock_.NowMs();
        sim::Transmitter* device = count > 0 ? line_.Find(data[0]) : nullptr;
        const std::size_t before = device ? device->log.size() : 0;
        const int n = inner_.Write(data, count);
        if (device && device->log.size() == before + 1) {
            t.hasEvent = true;
            t.event = device->log.back();
        }
        records.back().tries.push_back(std::move(t));
        records.back().endMs = clock_.NowMs();
        return n;
    }
    int Read(std::uint8_t* buffer, int count) override {
        const int got = inner_.Read(buffer, count);
        if (!records.empty() && !records.back().tries.empty()) {
            records.back().tries.back().reads.push_back(ReadCall{count, Bytes(buffer, buffer + got)});
            records.back().endMs = clock_.NowMs();
        }
        return got;
    }

    std::vector<ExchangeRecord> records;

private:
    sim::SimComPort& inner_;
    sim::Line& line_;
    IClock& clock_;
};

}  // namespace tservice::reliability
