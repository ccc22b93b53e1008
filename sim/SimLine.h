#pragma once
// Simulated transmitters: the device side of the line protocol, up to 32
// devices on one line, with fault knobs per device. Used by the demo line,
// the command-line tool and the tests.
#include <array>
#include <memory>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tservice::sim {

// Faults a device injects into its answers. Rates are 0..1 per answer.
struct Faults {
    bool silent = false;          // never answers
    bool shortHeader = false;     // sends only 2 bytes of every answer
    bool corruptBody = false;     // valid header, damaged data byte
    bool corruptCrc = false;      // valid header, damaged CRC byte
    int exceptionCode = -1;       // >= 0: answers every request with cmd|0x80, code
    double dropRate = 0.0;        // answer dropped
    double truncateRate = 0.0;    // answer cut short at a random length
    double corruptRate = 0.0;     // one random bit of the answer flipped
    double exceptionRate = 0.0;   // answered with exception 6 instead
    double lateRate = 0.0;        // answer delayed by lateMs
    int lateMs = 0;
    std::uint32_t seed = 1;
};

// What a device did with one request (for tests that check every exchange).
struct Event {
    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> answer;  // the bytes actually put on the line
    bool valid = false;                // answer was a complete, intact frame
    int delayMs = 0;                   // extra delay before the answer
};

class Transmitter {
public:
    Transmitter(int address, int model, int version);

    int address;   // 1..32; follows Nu after a block write
    int model;     // 100..103 (any value for fault tests)
    int version;
    int correction = 0;                 // high nibble of identification byte 1
    int blockLen = 40;                  // count byte of the 0x44 answer
    std::array<std::uint8_t, 40> block{};  // parameter block as stored
    bool privileged = true;             // bit 7 of Rejim as reported (0 = privileged)
    // Measurement (code units) and raw codes.
    int rez = 4096, kodAcp = 12000, txc = 2048, kodTxc = 9000;
    bool calibrationMode = false;       // coil 0x1001
    bool outputControl = false;         // coil 0x1002
    int outputRegister = 0;             // register 1, two's complement 16-bit
    int writes = 0;                     // 0x45 blocks accepted
    int confirmations = 0;              // 0x0E answered
    Faults faults;
    std::vector<Event> log;

    // A plausible default block for the model (sensor, range, setpoints, Nu).
    void ResetBlock();
    // Sost computed from Rez, the setpoints and the alarm type.
    std::uint8_t Sost() const;
    // Lets the measurement drift a little; tick counts readings.
    void Drift();

private:
    friend class Line;
    std::mt19937 rng_;
};

class Line {
public:
    Line() = default;
    // Adds a transmitter at address 1..32; returns it (stable reference).
    Transmitter& Add(int address, int model, int version);
    Transmitter* Find(int address);
    std::vector<Transmitter*> Devices();

    // One request frame from the PC. Returns the bytes every addressed device
    // puts on the line and, in delayMs, how late the answer starts beyond the
    // device's normal turnaround. Requests with a bad CRC are ignored, as a
    // real transmitter would.
    std::vector<std::uint8_t> Handle(const std::uint8_t* request, int length, int* delayMs = nullptr);

    // ЛАДР v5 at 1, ТЕВ-ТС v5 at 2, ТЕВ-ТП v4 at 3, ОСКИ v2 at 4.
    static void AddDemoDevices(Line& line);

private:
    std::vector<std::unique_ptr<Transmitter>> devices_;
};

}  // namespace tservice::sim
