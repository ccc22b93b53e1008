#pragma once
// An in-process serial port on a simulated line, in virtual time: a request
// written reaches the Line at once, its answer arrives byte by byte at the
// times the line rate allows, and Read keeps the port's timeouts exactly.
// Single-threaded, like the VirtualClock it runs on (directly or through
// another clock around it).
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "Clock.h"
#include "ComPort.h"
#include "SimLine.h"

namespace tservice::sim {

class SimComPort final : public TComPort {
public:
    // line and clock are not owned and must outlive the port; clock must be
    // virtual time, since Read moves it on.
    SimComPort(Line& line, IClock& clock);

    void SetPort(const std::string& name) override { name_ = name; }
    void SetBaudRate(int baud) override { baud_ = baud; }
    void SetParity(Parity parity) override { parity_ = parity; }
    void SetStopBits(int stopBits) override { stopBits_ = stopBits; }

    // Throws PortError("Open") for an empty name, failOpen or a vanished port.
    void Open() override;
    // Drops every byte still on its way; throws PortError("Close") while
    // failClose > 0 (then stays open).
    void Close() override;
    bool Connected() const override { return open_; }
    // Drops the bytes already received; bytes of an answer still being
    // transmitted (arrival after now) keep arriving. Throws PortError.
    void ClearBuffer(bool input, bool output) override;
    // Hands the request to the Line and schedules its answer. Returns count.
    // Throws PortError when closed or vanished. Does not advance the clock.
    int Write(const std::uint8_t* data, int count) override;
    // Returns after count bytes, the read interval of silence after a byte,
    // or the read total; the clock is advanced to that moment.
    int Read(std::uint8_t* buffer, int count) override;

    // Fault knobs.
    bool failOpen = false;   // Open throws
    bool vanished = false;   // Open, ClearBuffer, Read and Write throw while set
    int failClose = 0;       // the next n Close calls throw
    int failClear = 0;       // the next n ClearBuffer calls throw
    int failRead = 0;        // the next n Read calls throw
    int failWrite = 0;       // the next n Write calls throw
    int turnaroundMs = 5;    // device's pause between request end and answer start
    bool echo = false;       // the adapter hears its own request (receiver on while sending)
    int latencyMs = 0;       // the adapter passes every received byte on this late (USB)
    bool hasRts = true;      // SetRts throws when false (a port without modem lines)

    // Counters and records for tests.
    int opens = 0, closes = 0, clears = 0, writes = 0, reads = 0;
    std::vector<std::vector<std::uint8_t>> requests;  // every Write's bytes
    std::vector<std::int64_t> writeTimesMs;           // clock at each Write
    // RTS changes, writes and drains in order with their clock times:
    // "rts+ @T", "write N @T", "drain @T", "rts- @T".
    std::vector<std::string> portEvents;

    // RTS and the drain: recorded in portEvents; the drain moves the clock
    // to the moment the last written byte has left.
    void SetRts(bool on) override;
    void DrainOutput() override;

    // Settings in effect since the last Open.
    const std::string& OpenName() const { return openName_; }
    int OpenBaud() const { return openBaud_; }
    Parity OpenParity() const { return openParity_; }
    int OpenStopBits() const { return openStopBits_; }
    // Line time of one character at the open settings, in microseconds.
    std::int64_t CharTimeUs() const;
    // Bytes received or still on their way.
    int Pending() const { return static_cast<int>(pending_.size()); }

private:
    struct Arrival {
        std::int64_t atUs;
        std::uint8_t byte;
    };
    void Check(const char* operation, int& failCount);

    Line& line_;
    IClock& clock_;
    std::string name_ = "COM1";
    int baud_ = 9600;
    Parity parity_ = Parity::None;
    int stopBits_ = 2;
    std::string openName_;
    int openBaud_ = 9600;
    Parity openParity_ = Parity::None;
    int openStopBits_ = 2;
    bool open_ = false;
    std::deque<Arrival> pending_;
    std::int64_t sentUs_ = 0;  // when the last written byte has left
    void Schedule(std::int64_t firstUs, const std::vector<std::uint8_t>& bytes);
};

}  // namespace tservice::sim
