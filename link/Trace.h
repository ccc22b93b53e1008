#pragma once
// Watching the line: a port decorator that reports every write and read, the
// link's tags for each exchange (device, command, try, stage, result, pauses)
// and a recorder that joins both into one record per exchange. With no
// observer attached nothing is recorded and nothing is allocated.
#include <cstdint>
#include <functional>
#include <vector>

#include "Clock.h"
#include "ComPort.h"
#include "ForwardingPort.h"

namespace tservice {

enum class FrameDir { Out, In };
// Ok: all bytes asked for; Short: some; Silence: none; PortError: the port
// layer threw (the error goes on to the caller).
enum class FrameOutcome { Ok, Short, Silence, PortError };

// One write or read as the port saw it; bytes are valid during the call only.
struct LineFrame {
    std::int64_t timeMs = 0;    // clock time when the operation returned
    std::int64_t waitedMs = 0;  // how long it took
    FrameDir dir = FrameDir::Out;
    const std::uint8_t* bytes = nullptr;
    int count = 0;  // bytes written or received
    int asked = 0;  // bytes asked for
    FrameOutcome outcome = FrameOutcome::Ok;
    bool echo = false;  // In: the adapter's copy of the request, taken out of the answer
};

// A tag the link gives while an exchange runs (and for pauses between them).
struct ExchangeNote {
    enum Kind { Begin, TryFailed, End, Pause } kind = Begin;
    std::int64_t timeMs = 0;
    int deviceIndex = 0;  // 0..31
    std::uint8_t cmd = 0;
    int tryNo = 0;        // TryFailed: 1-based try of this exchange
    int stage = 0;        // TryFailed: 1 no valid header, 2 bad or missing body
    int code = 0;         // TryFailed: the try's code; End: the result code
    int pauseMs = 0;      // TryFailed: retry pause; Pause: a WaitMs outside an exchange
};

// Result code of an End note when a port error ended the exchange.
inline constexpr int kTracePortError = -1;

class ILineObserver {
public:
    virtual ~ILineObserver() = default;
    virtual void OnFrame(const LineFrame& frame) = 0;
    virtual void OnNote(const ExchangeNote& note) = 0;
};

// Forwards everything to inner and reports writes and reads to the observer.
class TracingPort final : public ForwardingPort {
public:
    // inner and clock are not owned and must outlive the port.
    TracingPort(TComPort& inner, IClock& clock) : ForwardingPort(inner), clock_(clock) {}
    // observer (not owned) or nullptr to stop watching; the layers below
    // report the echo they drop to it too.
    void SetObserver(ILineObserver* observer) {
        observer_ = observer;
        SetLineObserver(observer);
    }

    int Write(const std::uint8_t* data, int count) override;
    int Read(std::uint8_t* buffer, int count) override;

private:
    int Traced(FrameDir dir, std::uint8_t* buffer, const std::uint8_t* data, int count);

    IClock& clock_;
    ILineObserver* observer_ = nullptr;
};

using Bytes8 = std::vector<std::uint8_t>;

// One try of an exchange: the request as written and what came back.
struct TraceTry {
    std::int64_t sentMs = 0;    // time of the write
    std::int64_t waitedMs = 0;  // time spent reading the answer
    Bytes8 request;
    Bytes8 answer;              // every byte read in this try, in order
    Bytes8 echo;                // the request's echo taken out before the answer
    FrameOutcome lastRead = FrameOutcome::Ok;
    bool portError = false;
    int stage = 0;              // 0 when the try succeeded
    int code = 0;
    int pauseMs = 0;            // retry pause after it
};

// One exchange as the recorder saw it.
struct ExchangeRecord {
    std::int64_t startMs = 0, endMs = 0;
    int deviceIndex = 0;
    std::uint8_t cmd = 0;
    int result = 0;             // result code, or kTracePortError
    int pauseBeforeMs = 0;      // WaitMs taken between the previous exchange and this one
    std::vector<TraceTry> tries;
};

// Hands every frame and note to each observer added (not owned), in order;
// lets the statistics and a trace watch the same port and link.
class ObserverFanout final : public ILineObserver {
public:
    void Add(ILineObserver* observer);
    void Remove(ILineObserver* observer);
    bool Empty() const { return observers_.empty(); }
    void OnFrame(const LineFrame& frame) override;
    void OnNote(const ExchangeNote& note) override;

private:
    std::vector<ILineObserver*> observers_;
};

// Joins frames and notes into ExchangeRecords and hands each finished one to
// the sink; onTry (optional) sees the exchange so far each time a try ends
// (its last try is the one that ended), so a trace can follow a slow retry.
class ExchangeRecorder final : public ILineObserver {
public:
    using Sink = std::function<void(const ExchangeRecord&)>;
    explicit ExchangeRecorder(Sink sink, Sink onTry = {}) : sink_(std::move(sink)), onTry_(std::move(onTry)) {}

    void OnFrame(const LineFrame& frame) override;
    void OnNote(const ExchangeNote& note) override;

private:
    Sink sink_;
    Sink onTry_;
    ExchangeRecord current_;
    bool open_ = false;
    int pendingPauseMs_ = 0;
};

}  // namespace tservice
