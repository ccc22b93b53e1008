#include "TcpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace tservice::sim {

TcpServer::TcpServer(Line& line, const std::string& host, int port) : LineServer(line), host_(host) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    // Only loopback: a simulated line has no business on the plant network.
    if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1 || (ntohl(addr.sin_addr.s_addr) >> 24) != 127)
        throw std::invalid_argument(host + ": нужен адрес петли 127.x.x.x");
    if (port < 0 || port > 65535) throw std::invalid_argument(std::to_string(port) + ": порт вне 0..65535");
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listen_ < 0) throw std::system_error(errno, std::generic_category(), "socket");
    const int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    socklen_t len = sizeof addr;
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listen_, 4) != 0 ||
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        const int e = errno;
        ::close(listen_);
        throw std::system_error(e, std::generic_category(), host + ":" + std::to_string(port));
    }
    port_ = ntohs(addr.sin_port);
}

TcpServer::~TcpServer() {
    Stop();
    ::close(listen_);
}

std::string TcpServer::Address() const { return "tcp://" + host_ + ":" + std::to_string(port_); }

void TcpServer::SetLineRate(int baud, Parity parity, int stopBits) {
    const int bits = 1 + 8 + (parity == Parity::None ? 0 : 1) + (stopBits == 2 ? 2 : 1);
    if (baud > 0) charUs_ = (bits * 1000000LL + baud - 1) / baud;
}

void TcpServer::Run() {
    while (!stop_) {
        pollfd p[2] = {{listen_, POLLIN, 0}, {WakeFd(), POLLIN, 0}};
        if (::poll(p, 2, -1) < 0 && errno != EINTR) return;
        if (p[1].revents & POLLIN) {
            DrainWake();
            continue;
        }
        if (!(p[0].revents & POLLIN)) continue;
        const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) continue;
        const int one = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Serve(client, true);
        ::close(client);
    }
}

}  // namespace tservice::sim
