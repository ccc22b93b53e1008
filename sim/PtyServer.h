#pragma once
// A simulated line served on a POSIX pseudo-terminal in real time, so the
// real serial port code can talk to simulated transmitters, paced at the rate
// the port side set (see LineServer for the framing and the pacing).
#include <string>

#include "LineServer.h"

namespace tservice::sim {

class PtyServer final : public LineServer {
public:
    // line is not owned and must outlive the server; while the server runs,
    // touch it only through WithLine. Opens the pty pair (raw mode); throws
    // std::system_error when the system refuses one.
    explicit PtyServer(Line& line);
    // Stops, closes the pty and removes a symlink made by LinkPath.
    ~PtyServer() override;

    // The port side's device path, e.g. /dev/pts/5.
    const std::string& SlavePath() const { return slavePath_; }
    // Makes path a symlink to the slave. Replaces an existing symlink, never
    // another kind of file; throws std::runtime_error with the reason.
    void LinkPath(const std::string& path);

    // Closes the pty as if the port vanished; the port side sees errors and
    // serving ends. Not undone.
    void LosePort();

private:
    void Run() override;
    std::int64_t CharTimeUs() const override;
    bool PortFraming(Framing& framing) const override;
    void CloseFds();

    int master_ = -1;
    int slaveKeep_ = -1;   // keeps the slave open so the master never sees a hangup
    std::string slavePath_;
    std::string linkPath_;
};

}  // namespace tservice::sim
