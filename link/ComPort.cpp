#include "ComPort.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "Clock.h"

namespace tservice {

namespace {

// The waits take an int of milliseconds; what is left is never larger than a
// read or write total, but clamp anyway.
// A wait is cut into slices of this length, and the clock's WhileWaiting
// runs between them, so the window repaints during a long timeout.
constexpr std::int64_t kSliceMs = 20;

int Remaining(std::int64_t deadline, std::int64_t now) {
    return static_cast<int>(std::clamp<std::int64_t>(deadline - now, 0, kSliceMs));
}

}  // namespace

int TimedRead(IClock& clock, const ReadTimeouts& timeouts, int count, const std::function<int(int)>& take,
              const std::function<void(int)>& wait) {
    if (count <= 0) return 0;
    const std::int64_t total =
        clock.NowMs() + std::int64_t{count} * timeouts.totalPerByteMs + timeouts.totalConstMs;
    std::int64_t lastByte = 0;
    int got = 0;
    for (;;) {
        const int n = take(got);
        if (n > 0) {
            got += n;
            lastByte = clock.NowMs();
        }
        if (got >= count) return got;
        std::int64_t deadline = total;
        if (got > 0) deadline = std::min(deadline, lastByte + timeouts.intervalMs);
        const std::int64_t now = clock.NowMs();
        if (now >= deadline) return got;
        wait(Remaining(deadline, now));
        // Bytes the window's event loop takes in meanwhile wait in the
        // port's buffer for the next take.
        clock.WhileWaiting();
    }
}

void WaitWritten(IClock& clock, int count, const std::function<std::int64_t()>& pending,
                 const std::function<void(int)>& wait) {
    const std::int64_t deadline = clock.NowMs() + std::int64_t{count} * kWriteTotalPerByteMs + kWriteTotalConstMs;
    while (pending() > 0) {
        const std::int64_t now = clock.NowMs();
        if (now >= deadline) return;
        wait(Remaining(deadline, now));
        clock.WhileWaiting();
    }
}

PortError::PortError(std::string operation, int code, std::string systemText)
    : std::runtime_error(operation + ": " + systemText + " (" + std::to_string(code) + ")"),
      operation_(std::move(operation)),
      code_(code),
      systemText_(std::move(systemText)) {}

void TComPort::SetRts(bool /*on*/) {
    throw PortError("SetRts", EOPNOTSUPP, "управление RTS на этом порту недоступно");
}

std::string PortErrorText(const PortError& error) {
    return "Ошибка последовательного порта (" + error.Operation() + "):\n" + error.SystemText();
}

}  // namespace tservice
