#include "SimComPort.h"

#include <algorithm>
#include <cerrno>

namespace tservice::sim {

SimComPort::SimComPort(Line& line, IClock& clock) : line_(line), clock_(clock) {}

std::int64_t SimComPort::CharTimeUs() const {
    const int bits = 1 + 8 + (openParity_ == Parity::None ? 0 : 1) + (openStopBits_ == 2 ? 2 : 1);
    const int baud = openBaud_ > 0 ? openBaud_ : 9600;
    return (bits * 1000000LL + baud - 1) / baud;
}

void SimComPort::Check(const char* operation, int& failCount) {
    if (vanished) throw PortError(operation, EIO, "Input/output error");
    if (failCount > 0) {
        --failCount;
        throw PortError(operation, EIO, "Input/output error");
    }
    if (!open_) throw PortError(operation, EBADF, "Port not open");
}

void SimComPort::Open() {
    if (open_) return;
    if (name_.empty()) throw PortError("Open", ENOENT, "No such file or directory");
    if (failOpen) throw PortError("Open", EACCES, "Permission denied");
    if (vanished) throw PortError("Open", ENOENT, "No such file or directory");
    openName_ = name_;
    openBaud_ = baud_;
    openParity_ = parity_;
    openStopBits_ = stopBits_;
    pending_.clear();
    open_ = true;
    ++opens;
}

void SimComPort::Close() {
    if (!open_) return;
    if (failClose > 0) {
        --failClose;
        throw PortError("Close", EIO, "Input/output error");
    }
    pending_.clear();
    open_ = false;
    ++closes;
}

void SimComPort::ClearBuffer(bool input, bool /*output*/) {
    Check("ClearBuffer", failClear);
    ++clears;
    if (!input) return;
    const std::int64_t nowUs = clock_.NowMs() * 1000;
    while (!pending_.empty() && pending_.front().atUs <= nowUs) pending_.pop_front();
}

int SimComPort::Write(const std::uint8_t* data, int count) {
    Check("Write", failWrite);
    ++writes;
    if (count <= 0) return 0;
    requests.emplace_back(data, data + count);
    writeTimesMs.push_back(clock_.NowMs());
    portEvents.push_back("write " + std::to_string(count) + " @" + std::to_string(clock_.NowMs()));
    int delayMs = 0;
    line_.SetFraming({openBaud_, openParity_, openStopBits_, false});
    const std::vector<std::uint8_t> answer = line_.Handle(data, count, &delayMs);
    const std::int64_t charUs = CharTimeUs();
    const std::int64_t nowUs = clock_.NowMs() * 1000;
    sentUs_ = nowUs + count * charUs;
    if (echo) Schedule(nowUs + latencyMs * 1000LL, {data, data + count});
    // The device hears the request only once its last byte has crossed the line.
    Schedule(sentUs_ + (static_cast<std::int64_t>(turnaroundMs) + delayMs + latencyMs) * 1000, answer);
    return count;
}

void SimComPort::Schedule(std::int64_t firstUs, const std::vector<std::uint8_t>& bytes) {
    const std::int64_t charUs = CharTimeUs();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const Arrival a{firstUs + static_cast<std::int64_t>(i + 1) * charUs, bytes[i]};
        auto at = std::upper_bound(pending_.begin(), pending_.end(), a.atUs,
                                   [](std::int64_t t, const Arrival& x) { return t < x.atUs; });
        pending_.insert(at, a);
    }
}

void SimComPort::SetRts(bool on) {
    if (!hasRts) throw PortError("SetRts", ENOTTY, "Inappropriate ioctl for device");
    portEvents.push_back(std::string(on ? "rts+" : "rts-") + " @" + std::to_string(clock_.NowMs()));
}

void SimComPort::DrainOutput() {
    clock_.SleepUntilMs((std::max(sentUs_, clock_.NowMs() * 1000) + 999) / 1000);
    portEvents.push_back("drain @" + std::to_string(clock_.NowMs()));
}

int SimComPort::Read(std::uint8_t* buffer, int count) {
    Check("Read", failRead);
    ++reads;
    if (count <= 0) return 0;
    const std::int64_t startUs = clock_.NowMs() * 1000;
    const std::int64_t totalUs =
        startUs + (static_cast<std::int64_t>(count) * readTimeouts_.totalPerByteMs + readTimeouts_.totalConstMs) * 1000;
    int got = 0;
    std::int64_t lastUs = startUs;
    std::int64_t endUs = totalUs;
    while (got < count) {
        // The interval timer runs only once a first byte has come.
        const std::int64_t deadline =
            got == 0 ? totalUs : std::min<std::int64_t>(totalUs, lastUs + readTimeouts_.intervalMs * 1000LL);
        if (pending_.empty()) { endUs = deadline; break; }
        const std::int64_t at = std::max(pending_.front().atUs, startUs);
        if (at > deadline) { endUs = deadline; break; }
        buffer[got++] = pending_.front().byte;
        pending_.pop_front();
        lastUs = at;
        endUs = at;
    }
    clock_.SleepUntilMs((endUs + 999) / 1000);
    return got;
}

}  // namespace tservice::sim
