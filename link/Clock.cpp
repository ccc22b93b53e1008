#include "Clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tservice {

std::int64_t SteadyClock::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::SleepUntilMs(std::int64_t deadline) {
    // Slices of at most 1 ms keep the pause within about a millisecond of the
    // deadline without spinning.
    for (std::int64_t now = NowMs(); now < deadline; now = NowMs()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::int64_t>(deadline - now, 1)));
    }
}

void PumpingClock::SleepUntilMs(std::int64_t deadline) {
    for (std::int64_t now = NowMs(); now < deadline; now = NowMs()) {
        WhileWaiting();
        inner_.SleepUntilMs(std::min<std::int64_t>(deadline, now + sliceMs_));
    }
}

}  // namespace tservice
