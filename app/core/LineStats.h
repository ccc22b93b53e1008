#pragma once
// Line statistics per transmitter: exchanges, tries and how the failed ones
// failed, exception answers, and answer times, counted from the link's own
// exchange records since the port was opened or the last Reset. A marginal
// line (no terminator, a long stub, a noisy drive) shows here as a share of
// failed tries long before it shows as "не отвечает".
#include <cstdint>
#include <map>
#include <vector>

#include "Trace.h"

namespace tservice {

// A transmitter whose share of failed tries is above this is marked.
inline constexpr double kFailedShareMark = 0.05;

struct DeviceStats {
    int device = 0;      // 1..32
    int exchanges = 0;   // sent, refused ones left out
    int tries = 0;
    int noAnswer = 0;    // tries with nothing back (130)
    int incomplete = 0;  // tries cut short (129)
    int crcErrors = 0;   // tries with a bad checksum (131)
    int badHeader = 0;   // tries answered for another command (128)
    int exceptions = 0;  // exchanges the transmitter answered with an exception
    int portErrors = 0;  // exchanges a port error ended
    std::vector<int> answerMs;  // per answered try: request sent to answer read, ms

    int FailedTries() const { return noAnswer + incomplete + crcErrors + badHeader; }
    // Failed tries over all tries, 0..1 (0 with no tries).
    double FailedShare() const { return tries > 0 ? static_cast<double>(FailedTries()) / tries : 0.0; }
    bool Marked() const { return FailedShare() > kFailedShareMark; }
    // Answer times in ms; -1 when nothing was answered.
    int MinMs() const;
    int MedianMs() const;
    int MaxMs() const;
};

class LineStats final : public ILineObserver {
public:
    LineStats();
    LineStats(const LineStats&) = delete;
    LineStats& operator=(const LineStats&) = delete;

    void OnFrame(const LineFrame& frame) override { recorder_.OnFrame(frame); }
    void OnNote(const ExchangeNote& note) override { recorder_.OnNote(note); }

    // Forgets everything counted (the port was opened, or "сбросить").
    void Reset() { per_.clear(); }
    // Every transmitter talked to, by ascending number.
    std::vector<DeviceStats> Devices() const;
    // One transmitter (1..32); null when never talked to.
    const DeviceStats* Device(int number) const;
    // The whole line as one row (device 0).
    DeviceStats Total() const;

private:
    void Add(const ExchangeRecord& r);

    ExchangeRecorder recorder_;
    std::map<int, DeviceStats> per_;
};

}  // namespace tservice
