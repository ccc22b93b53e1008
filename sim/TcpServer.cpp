#include "TcpServer.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "Stream.h"

namespace tservice::sim {

namespace {

#ifdef _WIN32
using socklen_t = int;
constexpr int kNoSocket = static_cast<int>(INVALID_SOCKET);
int LastError() { return WSAGetLastError(); }
const std::error_category& ErrorCategory() { return std::system_category(); }
int NewSocket() { return static_cast<int>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)); }
int Accept(int listen) { return static_cast<int>(::accept(static_cast<SOCKET>(listen), nullptr, nullptr)); }
#else
constexpr int kNoSocket = -1;
int LastError() { return errno; }
const std::error_category& ErrorCategory() { return std::generic_category(); }
int NewSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0); }
int Accept(int listen) { return ::accept4(listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK); }
#endif

}  // namespace

TcpServer::TcpServer(Line& line, const std::string& host, int port) : LineServer(line), host_(host) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    // Only loopback: a simulated line has no business on the plant network.
    if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1 || (ntohl(addr.sin_addr.s_addr) >> 24) != 127)
        throw std::invalid_argument(host + ": нужен адрес петли 127.x.x.x");
    if (port < 0 || port > 65535) throw std::invalid_argument(std::to_string(port) + ": порт вне 0..65535");
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    listen_ = NewSocket();  // Winsock is up: the base class's wake-up socket started it
    if (listen_ == kNoSocket) throw std::system_error(LastError(), ErrorCategory(), "socket");
#ifndef _WIN32
    // On Windows SO_REUSEADDR would let another program take the port too.
    const int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
#endif
    socklen_t len = sizeof addr;
    if (!stream::SetNonBlocking(listen_) ||
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listen_, 4) != 0 ||
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        const int e = LastError();
        stream::Close(listen_);
        throw std::system_error(e, ErrorCategory(), host + ":" + std::to_string(port));
    }
    port_ = ntohs(addr.sin_port);
}

TcpServer::~TcpServer() {
    Stop();
    stream::Close(listen_);
}

std::string TcpServer::Address() const { return "tcp://" + host_ + ":" + std::to_string(port_); }

void TcpServer::SetLineRate(int baud, Parity parity, int stopBits) {
    const int bits = 1 + 8 + (parity == Parity::None ? 0 : 1) + (stopBits == 2 ? 2 : 1);
    if (baud > 0) charUs_ = (bits * 1000000LL + baud - 1) / baud;
}

void TcpServer::Run() {
    while (!stop_) {
        stream::PollFd p[2] = {{listen_, stream::kIn}, {WakeFd(), stream::kIn}};
        if (stream::Poll(p, 2, -1) < 0) return;
        if (p[1].revents & stream::kIn) {
            DrainWake();
            continue;
        }
        if (!(p[0].revents & stream::kIn)) continue;
        const int client = Accept(listen_);
        if (client == kNoSocket) continue;
        if (!stream::SetNonBlocking(client)) {
            stream::Close(client);
            continue;
        }
        const int one = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
        Serve(client, true);
        stream::Close(client);
    }
}

}  // namespace tservice::sim
