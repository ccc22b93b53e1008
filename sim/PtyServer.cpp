#include "PtyServer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace tservice::sim {

namespace {

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

}  // namespace

PtyServer::PtyServer(Line& line) : LineServer(line) {
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
    for (int* fd : {&master_, &slaveKeep_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void PtyServer::LosePort() {
    lose_ = true;
    if (Running()) {
        Wake();
    } else {
        std::lock_guard<std::mutex> lock(mutex_);
        CloseFds();
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

bool PtyServer::PortFraming(Framing& framing) const {
    termios tio{};
    if (master_ < 0 || tcgetattr(master_, &tio) != 0) return false;
    framing.baud = BaudOf(cfgetospeed(&tio));
    framing.parity = !(tio.c_cflag & PARENB) ? Parity::None : (tio.c_cflag & PARODD) ? Parity::Odd : Parity::Even;
    framing.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    framing.anyParity = false;
    return true;
}

void PtyServer::Run() {
    if (master_ >= 0) Serve(master_, false);
    if (lose_) {
        std::lock_guard<std::mutex> lock(mutex_);
        CloseFds();
    }
}

}  // namespace tservice::sim
