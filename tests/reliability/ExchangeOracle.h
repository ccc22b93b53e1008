#pragma once
// What one exchange must return, worked out from the device side alone: the
// answers the simulated transmitter put on the line for each try are replayed
// in line time (character time, turnaround, the device's delay), the reads are
// replayed with the port's timeouts (100 ms after a byte, count * 100 + 1000
// ms in total), the purge drops only what has arrived, and the two-stage retry
// rules are applied to what each read takes. Bytes a try leaves unread, and
// late answers, are read by later tries or exchanges exactly as on the line.
// Written apart from TComPortClass, with its own CRC, so the two can disagree.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tservice::reliability {

using Bytes = std::vector<std::uint8_t>;

// What a try found on the line, as the retry rules see it.
enum class TryClass {
    Nothing,         // no byte of the header
    ShortHeader,     // 1 or 2 header bytes
    Exception,       // cmd|0x80 with a nonzero code: ends the exchange
    ForeignAddress,  // header from another address: the rest is dropped after the pause
    ForeignCommand,  // header names another command
    ShortBody,       // valid header, the rest incomplete
    BadCrc,          // whole frame, checksum wrong
    Intact,          // whole frame, checksum right
    NotRead,         // 0x45 and 0x46: no answer awaited
};
const char* TryClassName(TryClass c);

// One try as the device saw it.
struct DeviceTry {
    Bytes answer;        // bytes put on the line (empty: none)
    bool valid = false;  // the device's complete, undamaged answer
    int delayMs = 0;     // beyond its normal turnaround
};

// One Read call: bytes asked for and bytes returned.
struct ReadCall {
    int requested = 0;
    Bytes got;
    bool operator==(const ReadCall&) const = default;
};

// The receiving side of the line in virtual time: bytes with their arrival
// times, in arrival order.
class LineModel {
public:
    // charUs: one character at the line settings; turnaroundMs: the device's
    // pause between the end of a request and its answer.
    LineModel(std::int64_t charUs, int turnaroundMs) : charUs_(charUs), turnaroundMs_(turnaroundMs) {}
    // Drops the bytes that have arrived by nowMs.
    void Purge(std::int64_t nowMs);
    // A request of reqLen bytes written at writeMs and the device's answer.
    void Send(std::int64_t writeMs, int reqLen, const Bytes& answer, int delayMs);
    // A read of count bytes starting at nowMs; nowMs moves to its end.
    ReadCall Read(int count, std::int64_t& nowMs);

private:
    struct Arrival {
        std::int64_t atUs;
        std::uint8_t byte;
    };
    std::int64_t charUs_;
    int turnaroundMs_;
    std::deque<Arrival> pending_;
};

// The link's settings for one exchange.
struct LinkSettings {
    int povt1 = 5;  // below 1 counts as 1
    int povt2 = 10;
    int delayOutMs = 25;
};

struct Expectation {
    int code = 0;          // the result the rules demand
    int tries = 0;         // requests sent
    bool ranOut = false;   // the rules want more tries than the device saw
    std::vector<std::int64_t> writeMs;         // when each request goes out
    std::vector<std::vector<ReadCall>> reads;  // per try, in order
    std::vector<TryClass> classes;             // per try
    std::int64_t endMs = 0;                    // when the exchange returns
    Bytes frame;           // the accepted frame (code 0 with an answer read)
    // The accepted frame is an intact answer the device sent in this
    // exchange: in the accepting try (fresh) or an earlier one (stale).
    bool frameIntact = false;
    bool frameStale = false;
};

// CRC-16/MODBUS, written anew for the oracle.
std::uint16_t OracleCrc(const std::uint8_t* data, std::size_t count);

// The verdict for one exchange of command cmd to address with a request of
// reqLen bytes whose purge happened at purgeMs, given what the device sent in
// each try.
// line carries the bytes of earlier exchanges and is left as the exchange
// leaves the port.
Expectation Expect(std::uint8_t address, std::uint8_t cmd, int reqLen, const LinkSettings& link, std::int64_t purgeMs,
                   const std::vector<DeviceTry>& tries, LineModel& line);

// Readable dump of an expectation and the reads actually seen, for failures.
std::string Describe(const Expectation& e, const std::vector<std::vector<ReadCall>>& actualReads,
                     const std::vector<std::int64_t>& actualWriteMs);

}  // namespace tservice::reliability
