#include "PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "Comportclass.h"

namespace tservice::sim {

namespace {

std::int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

int BaudOf(speed_t s) {
    switch (s) {
    case B110: return 110;
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 9600;
    }
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

PtyServer::PtyServer(Line& line) : line_(line) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) ThrowErrno("posix_openpt");
    char name[128] = {};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
        const int e = errno;
        CloseFds();
        throw std::system_error(e, std::generic_category(), "pty setup");
    }
    slavePath_ = name;
    slaveKeep_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slaveKeep_ < 0 || tcgetattr(slaveKeep_, &tio) != 0) {
        const int e = errno;
        CloseFds();
        throw std::system_error(e, std::generic_category(), "pty slave");
    }
    // Raw, or the line discipline would echo answers back as requests.
    cfmakeraw(&tio);
    tcsetattr(slaveKeep_, TCSANOW, &tio);
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        const int e = errno;
        CloseFds();
        throw std::system_error(e, std::generic_category(), "pipe");
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyServer::~PtyServer() {
    Stop();
    if (!linkPath_.empty()) {
        char target[256] = {};
        const ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n > 0 && slavePath_ == std::string(target, static_cast<std::size_t>(n)))
            ::unlink(linkPath_.c_str());
    }
    CloseFds();
}

void PtyServer::CloseFds() {
    for (int* fd : {&master_, &slaveKeep_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void PtyServer::Start() {
    if (thread_.joinable()) return;
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void PtyServer::Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    const char c = 's';
    [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
    thread_.join();
    char drain[16];
    while (::read(wake_[0], drain, sizeof drain) > 0) {}
}

void PtyServer::LosePort() {
    lose_ = true;
    if (thread_.joinable()) {
        const char c = 'l';
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
    } else {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int* fd : {&master_, &slaveKeep_}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
    }
}

void PtyServer::LinkPath(const std::string& path) {
    if (path.empty()) throw std::runtime_error("symlink path is empty");
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            throw std::runtime_error(path + ": exists and is not a symlink; left as it is");
        if (::unlink(path.c_str()) != 0)
            throw std::runtime_error(path + ": " + std::strerror(errno));
    }
    if (::symlink(slavePath_.c_str(), path.c_str()) != 0)
        throw std::runtime_error(path + ": " + std::strerror(errno));
    linkPath_ = path;
}

std::int64_t PtyServer::CharTimeUs() const {
    termios tio{};
    if (master_ < 0 || tcgetattr(master_, &tio) != 0) return 1146;  // 9600 8N2
    const int bits = 1 + 8 + ((tio.c_cflag & PARENB) ? 1 : 0) + ((tio.c_cflag & CSTOPB) ? 2 : 1);
    const int baud = BaudOf(cfgetospeed(&tio));
    return (bits * 1000000LL + baud - 1) / baud;
}

bool PtyServer::WaitUntilUs(std::int64_t dueUs) {
    for (;;) {
        if (stop_ || lose_) return false;
        const std::int64_t left = dueUs - NowUs();
        if (left <= 0) return true;
        pollfd p{wake_[0], POLLIN, 0};
        const timespec ts{static_cast<time_t>(left / 1000000), static_cast<long>(left % 1000000) * 1000};
        ::ppoll(&p, 1, &ts, nullptr);
    }
}

bool PtyServer::WriteAll(const std::uint8_t* data, int length) {
    int done = 0;
    while (done < length) {
        const ssize_t n = ::write(master_, data + done, static_cast<std::size_t>(length - done));
        if (n > 0) { done += static_cast<int>(n); continue; }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p[2] = {{master_, POLLOUT, 0}, {wake_[0], POLLIN, 0}};
            ::poll(p, 2, 50);
            if (stop_ || lose_) return false;
            continue;
        }
        return false;
    }
    return true;
}

void PtyServer::ProcessFrame(const std::uint8_t* frame, int length, std::int64_t heardUs) {
    int delayMs = 0;
    std::vector<std::uint8_t> answer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        answer = line_.Handle(frame, length, &delayMs);
    }
    ++frames_;
    if (answer.empty()) return;
    const std::int64_t charUs = CharTimeUs();
    const std::int64_t dueUs = heardUs + (length + static_cast<std::int64_t>(answer.size())) * charUs +
                               (static_cast<std::int64_t>(turnaroundMs_) + delayMs) * 1000;
    // A stop, a lost port or a failed write drops the answer: on a real line
    // it would simply not arrive.
    if (WaitUntilUs(dueUs)) WriteAll(answer.data(), static_cast<int>(answer.size()));
}

void PtyServer::Run() {
    std::vector<std::uint8_t> buf;
    std::int64_t lastUs = 0, gapUs = 2000;
    while (!stop_) {
        if (lose_) {
            std::lock_guard<std::mutex> lock(mutex_);
            for (int* fd : {&master_, &slaveKeep_}) {
                if (*fd >= 0) ::close(*fd);
                *fd = -1;
            }
            return;
        }
        if (master_ < 0) return;
        pollfd p[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        timespec ts{};
        const timespec* timeout = nullptr;
        if (!buf.empty()) {
            const std::int64_t left = std::max<std::int64_t>(0, lastUs + gapUs - NowUs());
            ts = {static_cast<time_t>(left / 1000000), static_cast<long>(left % 1000000) * 1000};
            timeout = &ts;
        }
        const int r = ::ppoll(p, 2, timeout, nullptr);
        if (r < 0 && errno != EINTR) return;
        if (p[1].revents & POLLIN) continue;  // stop or lose: checked at the top
        if (p[0].revents & POLLIN) {
            std::uint8_t chunk[256];
            const ssize_t n = ::read(master_, chunk, sizeof chunk);
            if (n > 0) {
                buf.insert(buf.end(), chunk, chunk + n);
                lastUs = NowUs();
                gapUs = std::max<std::int64_t>(2000, CharTimeUs() * 7 / 2);
                if (buf.size() > kMaxFrame) buf.clear();
                const int fixed = buf.size() >= 2 ? FixedLength(buf[1]) : 0;
                if (fixed > 0 && static_cast<int>(buf.size()) == fixed && CrcOk(buf.data(), fixed)) {
                    ProcessFrame(buf.data(), fixed, lastUs);
                    buf.clear();
                }
            }
            continue;
        }
        if (p[0].revents & (POLLHUP | POLLERR)) {
            // Nobody holds the slave: wait for the stop signal rather than spin.
            pollfd w{wake_[0], POLLIN, 0};
            ::poll(&w, 1, 20);
            continue;
        }
        if (!buf.empty() && NowUs() >= lastUs + gapUs) {
            ProcessFrame(buf.data(), static_cast<int>(buf.size()), lastUs + gapUs);
            buf.clear();
        }
    }
}

}  // namespace tservice::sim
