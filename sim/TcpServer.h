#pragma once
// A simulated line served on a TCP port of the loopback interface in real
// time, as a serial-to-Ethernet gateway in raw TCP server mode would serve a
// line: the bytes pass unchanged, one connection at a time, paced at the rate
// the gateway's line is set to (see LineServer for framing and pacing).
#include <atomic>
#include <cstdint>
#include <string>

#include "ComPort.h"
#include "LineServer.h"

namespace tservice::sim {

class TcpServer final : public LineServer {
public:
    // Listens on host, a loopback IPv4 address (127.x.x.x), and port
    // (0: a free port the system picks). line is not owned and must outlive
    // the server. Throws std::invalid_argument for another host or a port
    // outside 0..65535, std::system_error when the system refuses.
    TcpServer(Line& line, const std::string& host, int port);
    ~TcpServer() override;

    // The port listened on.
    int Port() const { return port_; }
    // tcp://HOST:PORT for the port side.
    std::string Address() const;
    // The line behind the "gateway" (default 9600 bit/s, no parity, 2 stop bits).
    void SetLineRate(int baud, Parity parity, int stopBits);
    // Closes the connection being served, as a gateway that restarts would;
    // the next connection is served again.
    void DropClient() { EndServing(); }

private:
    void Run() override;
    std::int64_t CharTimeUs() const override { return charUs_; }

    std::string host_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<std::int64_t> charUs_{1146};
};

}  // namespace tservice::sim
