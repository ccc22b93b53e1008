#pragma once
// Simulated transmitters: the device side of the line protocol, up to 32
// devices on one line, with fault knobs per device. Used by the demo line,
// the command-line tool and the tests. The device side spells its command
// codes, coils and layouts itself on purpose, apart from the program's own
// vocabulary (link/Protocol.h), so a slip there cannot hide in both sides.
#include <array>
#include <memory>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ComPort.h"

namespace tservice::sim {

// Rate and framing of the line as the PC's port sends; 0 / None / 0 in a
// transmitter's Listen mean "whatever the line uses".
struct Framing {
    int baud = 0;
    Parity parity = Parity::None;
    int stopBits = 0;
    bool anyParity = true;
};

// Faults a device injects into its answers. Rates are 0..1 per answer.
// A silent device is off the line: it neither acts nor answers. A dropped
// answer is lost on the line after the device acted. Exception answers (fixed
// code or random) replace the command: the device does not act on it.
struct Faults {
    bool silent = false;          // never answers
    bool muteAfterWrite = false;  // silent from its first accepted block on (the write's answer lost)
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
    std::uint32_t seed = 1;       // the fault sequence restarts when this changes
};

// What a device did with one request (for tests that check every exchange).
struct Event {
    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> answer;  // the bytes actually put on the line
    // The line carries exactly the frame the device composed (an exception
    // answer counts; for a request without answer, nothing). A collision,
    // drop, cut or flipped bit makes it false; a late answer does not.
    bool valid = false;
    int delayMs = 0;                   // extra delay before the answer
};

class Transmitter {
public:
    Transmitter(int address, int model, int version);

    int address;   // 1..32; follows Nu after a block write
    int model;     // 100..103 (any value for fault tests)
    int version;
    int correction = 0;                 // high nibble of identification byte 1
    int blockLen = 40;                  // count byte of the 0x44 answer (bytes past 40 read 0);
                                        // a 0x45 block must have this length
    std::array<std::uint8_t, 40> block{};  // parameter block as stored
    bool privileged = true;             // bit 7 of Rejim as reported (0 = privileged)
    // Measurement (code units) and raw codes; set drift = 0 before setting them.
    int rez = 4096, kodAcp = 12000, txc = 2048, kodTxc = 9000;
    bool calibrationMode = false;       // coil 0x1001
    bool outputControl = false;         // coil 0x1002
    int outputRegister = 0;             // register 1, two's complement 16-bit
    int writes = 0;                     // 0x45 blocks accepted
    int confirmations = 0;              // 0x0E answered
    int broadcasts = 0;                 // 0x46 with address 0 received
    int drift = 2;                      // codes per reading the measurement may move; 0 freezes it
    Faults faults;
    // A transmitter brought from another line hears only its own framing:
    // at any other it takes requests for noise and neither acts nor answers.
    Framing listen;
    std::vector<Event> log;

    // A plausible default block for the model (sensor, range, setpoints, Nu).
    void ResetBlock();
    // Sost computed from Rez, the setpoints and the alarm type:
    // bit 0 setpoint 1 violated, bit 1 setpoint 2 (LH: below 1 / above 2,
    // LL: below either, HH: above either; ОСКИ has none), bit 5 Rez below 0,
    // bit 6 Rez above the code scale, bit 7 raw ADC code saturated (break).
    std::uint8_t Sost() const;
    // Moves the measurement by up to `drift` codes inside the middle of the
    // scale and recomputes the raw codes; a value set outside stays put.
    void Drift();
    // The intact answer the device would give to a valid request addressed to
    // it (length >= 4, CRC already checked), after acting on it; empty when
    // it does not answer. No faults. Output control (coil 0x1002) and
    // register 1 exist on ОСКИ only; others answer with an exception.
    std::vector<std::uint8_t> Execute(const std::uint8_t* request, int length);
    // Code scale top: 16383 for ЛАДР and ОСКИ, 8191 otherwise.
    int ScaleMax() const;
    // Sets the input as a calibrator would: the measurement goes to percent
    // of the code scale (beyond 0..100 too, an overflow) and from then on
    // jitters by up to `drift` codes around it instead of walking.
    void SetInputPercent(double percent);

private:
    friend class Line;
    // Applies the fault knobs to one request, logs it, returns the line bytes.
    std::vector<std::uint8_t> Answer(const std::uint8_t* request, int length, int* delayMs);
    double Draw();  // uniform 0..1 from the fault generator
    std::mt19937 rng_;
    std::mt19937 faultRng_;
    bool anchored_ = false;  // SetInputPercent holds the input
    int anchor_ = 0;
    std::uint32_t faultSeed_ = 0;
    bool faultSeeded_ = false;
};

class Line {
public:
    Line() = default;
    // Adds a transmitter at address 1..32; returns it (stable reference).
    // Throws std::invalid_argument for an address outside 1..32. Two devices
    // may share an address: their answers collide (bytes ANDed on the line).
    Transmitter& Add(int address, int model, int version);
    // The first device answering at address, or null.
    Transmitter* Find(int address);
    std::vector<Transmitter*> Devices();

    // One request frame from the PC. Returns the bytes every addressed device
    // puts on the line and, in delayMs, how late the answer starts beyond the
    // device's normal turnaround. Requests with a bad CRC are ignored, as a
    // real transmitter would.
    std::vector<std::uint8_t> Handle(const std::uint8_t* request, int length, int* delayMs = nullptr);

    // ЛАДР v5 at 1, ТЕВ-ТС v5 at 2, ТЕВ-ТП v4 at 3, ОСКИ v2 at 4.
    static void AddDemoDevices(Line& line);

    int ignoredRequests = 0;  // too short or bad CRC: nobody acted

    // The framing the next requests are sent with (the port's, at its open);
    // transmitters whose Listen differs do not hear them.
    void SetFraming(const Framing& framing) { framing_ = framing; }

private:
    bool Hears(const Transmitter& t) const;
    Framing framing_{9600, Parity::None, 2, false};
    std::vector<std::unique_ptr<Transmitter>> devices_;
};

}  // namespace tservice::sim
