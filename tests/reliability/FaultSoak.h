#pragma once
// The fault soak: thousands of exchanges, readings and writes through the real
// link (TComPortClass) on the in-process simulated line in virtual time,
// against transmitters that drop, cut, corrupt, delay and refuse answers at
// set rates. Every exchange is judged by the oracle from the device's own log;
// every reading and write by the image and the transmitter's stored block.
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Comportclass.h"
#include "DeviceImage.h"
#include "ExchangeOracle.h"
#include "ScriptedMessages.h"
#include "SimComPort.h"
#include "SimLine.h"
#include "TapPort.h"
#include "Rules.h"
#include "Workflow.h"

namespace tservice::reliability {

// Delays of late answers: within the 100 ms interval timeout, within the
// header's 1300 ms total timeout, beyond it (the bytes land in the retry pause
// and open the next try's header), and beyond any exchange.
inline constexpr int kLateShortMs = 40;
inline constexpr int kLateLongMs = 1000;
inline constexpr int kLateOverMs = 1500;
inline constexpr int kLateBeyondMs = 3 * 3600 * 1000;
// Pause between operations, as an operator's: every byte still on its way has
// arrived, so the next purge starts on an empty line.
inline constexpr std::int64_t kGapMs = kLateBeyondMs + 60'000;

struct SoakStats {
    long exchanges = 0, tries = 0, standalone = 0;
    long readings = 0, readingsComplete = 0, writes = 0, writesDone = 0;
    // Faults as put on the line, per answer.
    long dropped = 0, truncated = 0, corrupted = 0, exceptions = 0;
    long lateWithin = 0, lateOver = 0, lateBeyond = 0, silent = 0;
    long staleAccepted = 0;  // an earlier try's intact answer, read after a misaligned one
    std::map<TryClass, long> seen;  // what the link found, per try
    std::map<int, long> results;    // exchange results
    // Findings; all must stay 0.
    long wrongResults = 0;        // result or number of tries not as the rules demand
    long damagedAccepted = 0;     // result 0 without the device's intact answer
    long divergences = 0;         // port reads not as the oracle replayed them
    long incompleteAccepted = 0;  // Vvod set after a reading that did not complete
    long wrongImage = 0;          // a complete reading that differs from the device
    long incompleteWritten = 0;   // a block sent without a complete reading
    long wrongBlockWritten = 0;   // a block sent that is not the device's own
    long Findings() const {
        return wrongResults + damagedAccepted + divergences + incompleteAccepted + wrongImage +
               incompleteWritten + wrongBlockWritten;
    }
};

class FaultSoak {
public:
    explicit FaultSoak(std::uint32_t seed);

    // Runs operations until at least `exchanges` exchanges were checked.
    void Run(long exchanges);

    const SoakStats& Stats() const { return stats_; }
    // Details of the first findings (at most a few dozen).
    const std::vector<std::string>& Failures() const { return failures_; }
    // One line for the log and the README.
    std::string Summary() const;
    // What the link found per try, by kind.
    std::string SeenSummary() const;

private:
    enum class Scenario { Clean, Mixed, Harsh, Slow, Overdue, LostBeyond, Fixed };
    struct Command {
        std::uint8_t cmd;
        Bytes data;
    };

    void SetUpLine();
    sim::Transmitter& PickDevice();
    Scenario PickScenario();
    sim::Faults MakeFaults(Scenario s);
    void ConfigureLink();
    void ChangeLineSettings();
    void BeginOperation(sim::Transmitter& dev, Scenario s);
    void EndOperation();

    void StandaloneExchange();
    void Reading();
    void Write(sim::Transmitter& dev, bool readingComplete);

    // Judges the recorded exchanges of one operation against the results
    // the link returned (or that the operation's outcome implies).
    void CheckRecords(const std::vector<int>& codes, const char* what);
    // Judges one exchange; leaves the oracle's verdict in last_.
    void CheckExchange(const ExchangeRecord& rec, int actualCode);
    // The caller's answer buffer must hold the frame accepted.
    void CheckExchangeBuffer(const ExchangeRecord& rec, int code, const std::uint8_t* answer);
    void CountFaults(const TryRecord& t, std::uint8_t cmd);
    void CheckImage(const sim::Transmitter& dev, int nuCur);
    Bytes StoredBlock(const sim::Transmitter& dev) const;
    void Fail(long& counter, const std::string& text);

    std::mt19937 rng_;
    sim::Line line_;
    VirtualClock clock_{1'000'000};
    sim::SimComPort simPort_;
    TapPort tap_;
    tservice::testing::ScriptedMessages messages_;
    TComPortClass link_;
    DeviceImage image_;
    DeviceImage lastReading_;  // the last accepted reading, as the window keeps it
    std::vector<sim::Transmitter*> devices_;
    std::vector<Command> commands_;
    std::uint32_t seed_;
    SoakStats stats_;
    Expectation last_;
    LineModel lineModel_{1000, 5};  // the line as the oracle replays it, per operation
    std::vector<std::string> failures_;
};

}  // namespace tservice::reliability
