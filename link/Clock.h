#pragma once
// The one source of time for the link: pauses (WaitMs) and port timeouts.
// Real runs use SteadyClock; tests use VirtualClock so a silent device's
// retries cost no wall time.
#include <cstdint>
#include <functional>
#include <utility>

namespace tservice {

class IClock {
public:
    virtual ~IClock() = default;
    // Monotonic milliseconds; the origin is arbitrary, so midnight is no event.
    virtual std::int64_t NowMs() = 0;
    // Blocks the calling thread until NowMs() >= deadline. Processes no window
    // messages. Returns at once for a deadline in the past.
    virtual void SleepUntilMs(std::int64_t deadline) = 0;
    // Called by a port between short slices of a wait that does not go
    // through SleepUntilMs, and once after each exchange. Does nothing here.
    virtual void WhileWaiting() {}
};

// std::chrono::steady_clock; sleeps in short slices so millisecond pauses stay
// accurate without spinning the CPU.
class SteadyClock final : public IClock {
public:
    std::int64_t NowMs() override;
    void SleepUntilMs(std::int64_t deadline) override;
};

// Time that moves only when somebody sleeps or calls Advance. Not thread-safe:
// the in-process line and the code under test share one thread.
class VirtualClock final : public IClock {
public:
    explicit VirtualClock(std::int64_t start = 0) : now_(start) {}
    std::int64_t NowMs() override { return now_; }
    void SleepUntilMs(std::int64_t deadline) override {
        if (deadline > now_) now_ = deadline;
    }
    void Advance(std::int64_t ms) { if (ms > 0) now_ += ms; }

private:
    std::int64_t now_;
};

// Another clock whose waits call pump() every sliceMs (and at WhileWaiting),
// so the window repaints while the link waits. Time is the inner clock's:
// the pauses end at exactly the same moments. inner must outlive it.
class PumpingClock final : public IClock {
public:
    PumpingClock(IClock& inner, std::function<void()> pump, int sliceMs = 20)
        : inner_(inner), pump_(std::move(pump)), sliceMs_(sliceMs > 0 ? sliceMs : 1) {}
    std::int64_t NowMs() override { return inner_.NowMs(); }
    void SleepUntilMs(std::int64_t deadline) override;
    void WhileWaiting() override {
        if (pump_) pump_();
    }

private:
    IClock& inner_;
    std::function<void()> pump_;
    int sliceMs_;
};

}  // namespace tservice
