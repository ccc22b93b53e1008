#include "LineServer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <vector>

#include "Comportclass.h"
#include "Stream.h"

namespace tservice::sim {

namespace {

std::int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Request length implied by the command, for the commands whose requests
// have one fixed length; 0 when only silence can end the frame.
int FixedLength(std::uint8_t cmd) {
    switch (cmd) {
    case 0x11: case 0x44: case 0x0E: return 4;
    case 0x47: return 6;
    case 0x05: case 0x06: return 8;
    default: return 0;
    }
}

bool CrcOk(const std::uint8_t* f, int n) {
    if (n < 4) return false;
    const std::uint16_t crc = Crc16(f, n - 2);
    return f[n - 2] == (crc & 0xFF) && f[n - 1] == (crc >> 8);
}

constexpr std::size_t kMaxFrame = 512;  // longer bursts are noise

}  // namespace

LineServer::LineServer(Line& line) : line_(line) { stream::OpenWake(wake_); }

LineServer::~LineServer() {
    Stop();
    stream::CloseWake(wake_);
}

void LineServer::Start() {
    if (thread_.joinable()) return;
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void LineServer::Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    Wake();
    thread_.join();
    DrainWake();
}

void LineServer::Wake() { stream::SignalWake(wake_); }

void LineServer::DrainWake() { stream::DrainWake(wake_); }

void LineServer::EndServing() {
    end_ = true;
    Wake();
}

bool LineServer::WaitUntilUs(std::int64_t dueUs) {
    for (;;) {
        if (Ending()) return false;
        const std::int64_t left = dueUs - NowUs();
        if (left <= 0) return true;
        stream::PollFd p{wake_[0], stream::kIn};
        stream::Poll(&p, 1, left);
    }
}

bool LineServer::WriteAll(int fd, const std::uint8_t* data, int length) {
    int done = 0;
    while (done < length) {
        const long n = stream::WriteSome(fd, data + done, static_cast<std::size_t>(length - done));
        if (n > 0) { done += static_cast<int>(n); continue; }
        if (n < 0 && stream::WouldBlock()) {
            stream::PollFd p[2] = {{fd, stream::kOut}, {wake_[0], stream::kIn}};
            stream::Poll(p, 2, 50000);
            if (Ending()) return false;
            continue;
        }
        return false;
    }
    return true;
}

void LineServer::ProcessFrame(int fd, const std::uint8_t* frame, int length, std::int64_t heardUs) {
    if (endAtFrame_ > 0 && frames_ + 1 == endAtFrame_) {
        end_ = true;
        return;
    }
    const std::int64_t latencyUs = latencyMs_ * 1000LL;
    if (echo_ && !(WaitUntilUs(heardUs + latencyUs) && WriteAll(fd, frame, length))) return;
    int delayMs = 0;
    std::vector<std::uint8_t> answer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (Framing f; PortFraming(f)) line_.SetFraming(f);
        answer = line_.Handle(frame, length, &delayMs);
    }
    ++frames_;
    if (answer.empty()) return;
    const std::int64_t charUs = CharTimeUs();
    const std::int64_t dueUs = heardUs + (length + static_cast<std::int64_t>(answer.size())) * charUs +
                               (static_cast<std::int64_t>(turnaroundMs_) + delayMs) * 1000 + latencyUs;
    // A stop, a lost stream or a failed write drops the answer: on a real
    // line it would simply not arrive.
    if (WaitUntilUs(dueUs)) WriteAll(fd, answer.data(), static_cast<int>(answer.size()));
}

void LineServer::Serve(int fd, bool peerEnds) {
    end_ = false;
    std::vector<std::uint8_t> buf;
    std::int64_t lastUs = 0, gapUs = 2000;
    while (!Ending()) {
        stream::PollFd p[2] = {{fd, stream::kIn}, {wake_[0], stream::kIn}};
        const std::int64_t timeoutUs = buf.empty() ? -1 : std::max<std::int64_t>(0, lastUs + gapUs - NowUs());
        if (stream::Poll(p, 2, timeoutUs) < 0) return;
        if (p[1].revents & stream::kIn) {
            DrainWake();  // the reason is in the flags, checked at the top
            continue;
        }
        if (p[0].revents & stream::kIn) {
            std::uint8_t chunk[256];
            const long n = stream::ReadSome(fd, chunk, sizeof chunk);
            if (n > 0) {
                buf.insert(buf.end(), chunk, chunk + n);
                lastUs = NowUs();
                gapUs = std::max<std::int64_t>(2000, CharTimeUs() * 7 / 2);
                if (buf.size() > kMaxFrame) buf.clear();
                const int fixed = buf.size() >= 2 ? FixedLength(buf[1]) : 0;
                if (fixed > 0 && static_cast<int>(buf.size()) == fixed && CrcOk(buf.data(), fixed)) {
                    ProcessFrame(fd, buf.data(), fixed, lastUs);
                    buf.clear();
                }
            } else if (peerEnds && (n == 0 || !stream::WouldBlock())) {
                return;
            }
            continue;
        }
        if (p[0].revents & (stream::kHup | stream::kErr)) {
            if (peerEnds) return;
            // Nobody holds the slave: wait for the stop signal rather than spin.
            stream::PollFd w{wake_[0], stream::kIn};
            stream::Poll(&w, 1, 20000);
            continue;
        }
        if (!buf.empty() && NowUs() >= lastUs + gapUs) {
            ProcessFrame(fd, buf.data(), static_cast<int>(buf.size()), lastUs + gapUs);
            buf.clear();
        }
    }
}

}  // namespace tservice::sim
