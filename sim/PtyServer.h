#pragma once
// A simulated line served on a POSIX pseudo-terminal in real time, so the
// real serial port code can talk to simulated transmitters. A request ends
// when it has the full length of its command and a valid CRC, or after 3.5
// character times (at least 2 ms) of silence, as on a Modbus line. The answer
// is written when the request and answer would have crossed the line at the
// rate the port side set, plus the device's turnaround and any late delay.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "SimLine.h"

namespace tservice::sim {

class PtyServer {
public:
    // line is not owned and must outlive the server; while the server runs,
    // touch it only through WithLine. Opens the pty pair (raw mode); throws
    // std::system_error when the system refuses one.
    explicit PtyServer(Line& line);
    // Stops, closes the pty and removes a symlink made by LinkPath.
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Starts serving on a thread of its own; no-op when running.
    void Start();
    // Stops promptly (also during a long late delay) and joins; no-op when stopped.
    void Stop();
    bool Running() const { return thread_.joinable(); }

    // The port side's device path, e.g. /dev/pts/5.
    const std::string& SlavePath() const { return slavePath_; }
    // Makes path a symlink to the slave. Replaces an existing symlink, never
    // another kind of file; throws std::runtime_error with the reason.
    void LinkPath(const std::string& path);

    // Runs f(line) under the server's lock and returns its result.
    template <class F>
    auto WithLine(F f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(line_);
    }

    // Device turnaround in ms (default 5), used from the next answer on.
    void SetTurnaroundMs(int ms) { turnaroundMs_ = ms; }
    // Closes the pty as if the port vanished; the port side sees errors and
    // serving ends. Not undone.
    void LosePort();
    // Request frames passed to the line so far.
    int Frames() const { return frames_; }

private:
    void Run();
    void ProcessFrame(const std::uint8_t* frame, int length, std::int64_t heardUs);
    bool WaitUntilUs(std::int64_t dueUs);  // false when told to stop
    bool WriteAll(const std::uint8_t* data, int length);
    std::int64_t CharTimeUs() const;
    void CloseFds();

    Line& line_;
    std::mutex mutex_;
    std::thread thread_;
    int master_ = -1;
    int slaveKeep_ = -1;   // keeps the slave open so the master never sees a hangup
    int wake_[2] = {-1, -1};
    std::string slavePath_;
    std::string linkPath_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> lose_{false};
    std::atomic<int> turnaroundMs_{5};
    std::atomic<int> frames_{0};
};

}  // namespace tservice::sim
