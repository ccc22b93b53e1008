#pragma once
// The one source of time for the link: pauses (WaitMs) and port timeouts.
// Real runs use SteadyClock; tests use VirtualClock so a silent device's
// retries cost no wall time.
#include <cstdint>

namespace tservice {

class IClock {
public:
    virtual ~IClock() = default;
    // Monotonic milliseconds; the origin is arbitrary, so midnight is no event.
    virtual std::int64_t NowMs() = 0;
    // Blocks the calling thread until NowMs() >= deadline. Processes no window
    // messages. Returns at once for a deadline in the past.
    virtual void SleepUntilMs(std::int64_t deadline) = 0;
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

}  // namespace tservice
