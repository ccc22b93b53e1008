#pragma once
// A simulated line served on a byte stream in real time (a pseudo-terminal,
// a TCP connection), on a thread of its own. A request ends when it has the
// full length of its command and a valid CRC, or after 3.5 character times
// (at least 2 ms) of silence, as on a Modbus line. The answer is written when
// the request and answer would have crossed the line at the line's rate,
// plus the device's turnaround and any late delay.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "SimLine.h"

namespace tservice::sim {

class LineServer {
public:
    // line is not owned and must outlive the server; while the server runs,
    // touch it only through WithLine. Throws std::system_error when the
    // system refuses the wake-up channel (a pipe; on Windows a loopback socket).
    explicit LineServer(Line& line);
    // A derived server calls Stop in its own destructor, before its streams go.
    virtual ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    // Starts serving on a thread of its own; no-op when running.
    void Start();
    // Stops promptly (also during a long late delay) and joins; no-op when stopped.
    void Stop();
    bool Running() const { return thread_.joinable(); }

    // Runs f(line) under the server's lock and returns its result.
    template <class F>
    auto WithLine(F f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(line_);
    }

    // Device turnaround in ms (default 5), used from the next answer on.
    void SetTurnaroundMs(int ms) { turnaroundMs_ = ms; }
    // The adapter hears its own requests: each comes back at once, before
    // any answer. Latency delays the echo and every answer (a USB adapter).
    void SetEcho(bool on) { echo_ = on; }
    void SetLatencyMs(int ms) { latencyMs_ = ms; }
    // Request frames passed to the line so far.
    int Frames() const { return frames_; }
    // When request frame n (counted as Frames, from 1) arrives, serving ends
    // instead of answering it: a TCP connection closes. 0 (default): never.
    void EndAtFrame(int n) { endAtFrame_ = n; }

protected:
    // The serving thread's body; returns when asked to stop.
    virtual void Run() = 0;
    // Line time of one character in microseconds.
    virtual std::int64_t CharTimeUs() const = 0;
    // The framing the PC's port sends with, when the stream tells it.
    virtual bool PortFraming(Framing& /*framing*/) const { return false; }

    // Serves the requests arriving on fd until a stop, a loss, an end asked
    // by EndServing, or (when peerEnds) the other side closing or failing.
    void Serve(int fd, bool peerEnds);
    // Makes Serve return soon; the thread goes on with what Run does next.
    void EndServing();
    // Wakes the serving thread out of its wait.
    void Wake();
    // Drops wake-ups already signalled.
    void DrainWake();
    int WakeFd() const { return wake_[0]; }

    Line& line_;
    std::mutex mutex_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> lose_{false};

private:
    void ProcessFrame(int fd, const std::uint8_t* frame, int length, std::int64_t heardUs);
    bool WaitUntilUs(std::int64_t dueUs);  // false when told to stop or end
    bool WriteAll(int fd, const std::uint8_t* data, int length);
    bool Ending() const { return stop_ || lose_ || end_; }

    std::thread thread_;
    int wake_[2] = {-1, -1};
    std::atomic<bool> end_{false};
    std::atomic<int> turnaroundMs_{5};
    std::atomic<int> frames_{0};
    std::atomic<int> endAtFrame_{0};
    std::atomic<bool> echo_{false};
    std::atomic<int> latencyMs_{0};
};

}  // namespace tservice::sim
