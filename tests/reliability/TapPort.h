#pragma once
// A port between the link and the simulated port that records every exchange
// (one per purge): each request, the device's log entry for it and every read
// with the bytes it returned. Ownership: none; inner and line outlive it.
#include <cstdint>
#include <string>
#include <vector>

#include "ForwardingPort.h"
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

class TapPort final : public ForwardingPort {
public:
    TapPort(sim::SimComPort& inner, sim::Line& line, IClock& clock)
        : ForwardingPort(inner), line_(line), clock_(clock) {}

    // The link purges both buffers once per exchange, before its first
    // request; dropping a foreign answer between tries clears input only.
    void ClearBuffer(bool input, bool output) override {
        if (output || records.empty()) {
            records.emplace_back();
            records.back().startMs = clock_.NowMs();
        }
        ForwardingPort::ClearBuffer(input, output);
    }
    int Write(const std::uint8_t* data, int count) override {
        if (records.empty()) records.emplace_back();
        TryRecord t;
        t.request.assign(data, data + count);
        t.writeMs = clock_.NowMs();
        sim::Transmitter* device = count > 0 ? line_.Find(data[0]) : nullptr;
        const std::size_t before = device ? device->log.size() : 0;
        const int n = ForwardingPort::Write(data, count);
        if (device && device->log.size() == before + 1) {
            t.hasEvent = true;
            t.event = device->log.back();
        }
        records.back().tries.push_back(std::move(t));
        records.back().endMs = clock_.NowMs();
        return n;
    }
    int Read(std::uint8_t* buffer, int count) override {
        const int got = ForwardingPort::Read(buffer, count);
        if (!records.empty() && !records.back().tries.empty()) {
            records.back().tries.back().reads.push_back(ReadCall{count, Bytes(buffer, buffer + got)});
            records.back().endMs = clock_.NowMs();
        }
        return got;
    }

    std::vector<ExchangeRecord> records;

private:
    sim::Line& line_;
    IClock& clock_;
};

}  // namespace tservice::reliability
