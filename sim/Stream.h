#pragma once
// The few stream calls the line servers make, on POSIX descriptors (a pty, a
// socket) or on Windows sockets (Winsock; a SOCKET is a kernel handle, which
// Windows keeps within 32 bits, so it travels as an int here).
// No system header is included here (winsock2.h must come before windows.h).
#include <cstddef>
#include <cstdint>

namespace tservice::sim::stream {

// What poll waits for and reports (POLLIN, POLLOUT, POLLHUP, POLLERR).
enum : short { kIn = 1, kOut = 2, kHup = 4, kErr = 8 };

struct PollFd {
    int fd;
    short events;        // kIn, kOut
    short revents = 0;   // kIn, kOut, kHup, kErr
};

// Waits up to timeoutUs (-1: without end; Windows rounds up to whole ms).
// Returns what poll returns; < 0 only for a real failure (not EINTR).
int Poll(PollFd* fds, int n, std::int64_t timeoutUs);
// read/write on POSIX, recv/send on Windows: > 0 bytes, 0 end, < 0 failure.
long ReadSome(int fd, void* data, std::size_t size);
long WriteSome(int fd, const void* data, std::size_t size);
// After a failed ReadSome/WriteSome: nothing to do yet (EAGAIN, EINTR).
bool WouldBlock();
void Close(int fd);
// Makes fd non-blocking (and not inherited on POSIX); false when refused.
bool SetNonBlocking(int fd);

// A wake-up channel: Signal from any thread makes WakeFd() readable until
// Drain. A pipe on POSIX, a loopback UDP socket sending to itself on Windows.
// fds[0] is watched, fds[1] signalled (the same socket on Windows).
void OpenWake(int (&fds)[2]);  // throws std::system_error when refused
void CloseWake(int (&fds)[2]);
void SignalWake(const int (&fds)[2]);
void DrainWake(const int (&fds)[2]);

}  // namespace tservice::sim::stream
