#include "Stream.h"

#include <cerrno>
#include <system_error>

#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace tservice::sim::stream {

#ifdef _WIN32

namespace {

// Winsock is started once for the process and left running.
void StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::system_error(WSASYSNOTREADY, std::system_category(), "WSAStartup");
}

}  // namespace

using NativePollFd = WSAPOLLFD;

int NativePoll(NativePollFd* fds, int n, std::int64_t timeoutUs) {
    const int ms = timeoutUs < 0 ? -1 : static_cast<int>((timeoutUs + 999) / 1000);
    const int r = WSAPoll(fds, static_cast<ULONG>(n), ms);
    return r == SOCKET_ERROR ? -1 : r;
}

long ReadSome(int fd, void* data, std::size_t size) {
    return recv(static_cast<SOCKET>(fd), static_cast<char*>(data), static_cast<int>(size), 0);
}

long WriteSome(int fd, const void* data, std::size_t size) {
    return send(static_cast<SOCKET>(fd), static_cast<const char*>(data), static_cast<int>(size), 0);
}

bool WouldBlock() {
    const int e = WSAGetLastError();
    return e == WSAEWOULDBLOCK || e == WSAEINTR;
}

void Close(int fd) { closesocket(static_cast<SOCKET>(fd)); }

bool SetNonBlocking(int fd) {
    u_long on = 1;
    return ioctlsocket(static_cast<SOCKET>(fd), FIONBIO, &on) == 0;
}

void OpenWake(int (&fds)[2]) {
    StartWinsock();
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) throw std::system_error(WSAGetLastError(), std::system_category(), "socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        const int e = WSAGetLastError();
        closesocket(s);
        throw std::system_error(e, std::system_category(), "wake socket");
    }
    fds[0] = fds[1] = static_cast<int>(s);
    SetNonBlocking(fds[0]);
}

void CloseWake(int (&fds)[2]) {
    if (fds[0] >= 0) Close(fds[0]);
    fds[0] = fds[1] = -1;
}

#else

using NativePollFd = ::pollfd;

int NativePoll(NativePollFd* fds, int n, std::int64_t timeoutUs) {
    timespec ts{};
    const timespec* timeout = nullptr;
    if (timeoutUs >= 0) {
        ts = {static_cast<time_t>(timeoutUs / 1000000), static_cast<long>(timeoutUs % 1000000) * 1000};
        timeout = &ts;
    }
    const int r = ::ppoll(fds, static_cast<nfds_t>(n), timeout, nullptr);
    return r < 0 && errno == EINTR ? 0 : r;
}

long ReadSome(int fd, void* data, std::size_t size) { return ::read(fd, data, size); }

long WriteSome(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }

bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

void Close(int fd) { ::close(fd); }

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

void OpenWake(int (&fds)[2]) {
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
}

void CloseWake(int (&fds)[2]) {
    for (int& fd : fds) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

#endif

int Poll(PollFd* fds, int n, std::int64_t timeoutUs) {
    std::vector<NativePollFd> native(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        native[i] = {};
        native[i].fd = static_cast<decltype(native[i].fd)>(fds[i].fd);
        native[i].events = static_cast<short>(((fds[i].events & kIn) ? POLLIN : 0) |
                                              ((fds[i].events & kOut) ? POLLOUT : 0));
    }
    const int r = NativePoll(native.data(), n, timeoutUs);
    for (int i = 0; i < n; ++i) {
        const short got = r > 0 ? native[i].revents : 0;
        fds[i].revents = static_cast<short>(((got & POLLIN) ? kIn : 0) | ((got & POLLOUT) ? kOut : 0) |
                                            ((got & POLLHUP) ? kHup : 0) | ((got & POLLERR) ? kErr : 0));
    }
    return r;
}

void SignalWake(const int (&fds)[2]) {
    const char c = 'w';
    [[maybe_unused]] long n = WriteSome(fds[1], &c, 1);
}

void DrainWake(const int (&fds)[2]) {
    char drain[16];
    while (ReadSome(fds[0], drain, sizeof drain) > 0) {}
}

}  // namespace tservice::sim::stream
