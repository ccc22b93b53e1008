#include "TcpComPort.h"

#include <algorithm>

#include "PortList.h"

namespace tservice {

namespace {

int Remaining(std::int64_t deadline, std::int64_t now) {
    return static_cast<int>(std::clamp<std::int64_t>(deadline - now, 0, 60'000));
}

}  // namespace

TcpComPort::TcpComPort(IClock& clock) : clock_(clock) {}

TcpComPort::~TcpComPort() { socket_.abort(); }

void TcpComPort::Fail(const char* operation) {
    if (lostText_.empty()) {
        lostCode_ = static_cast<int>(socket_.error());
        lostText_ = socket_.errorString().toStdString();
    }
    // A connection that failed once is gone; it stays "open" as a serial
    // port that vanished does, so the next purge reports the lost port.
    socket_.abort();
    throw PortError(operation, lostCode_, lostText_);
}

void TcpComPort::CheckOpen(const char* operation) {
    if (!open_) {
        throw PortError(operation, static_cast<int>(QAbstractSocket::SocketAccessError), "port not open");
    }
    if (socket_.state() != QAbstractSocket::ConnectedState) Fail(operation);
}

void TcpComPort::Open() {
    if (open_) return;
    TcpAddress address;
    std::string error;
    if (!ParseTcpPortName(name_, &address, &error)) {
        throw PortError("Open", static_cast<int>(QAbstractSocket::HostNotFoundError), error);
    }
    socket_.abort();
    lostText_.clear();
    socket_.connectToHost(QString::fromStdString(address.host), static_cast<quint16>(address.port));
    if (!socket_.waitForConnected(kConnectTimeoutMs)) {
        const std::string text = socket_.errorString().toStdString();
        const int code = static_cast<int>(socket_.error());
        socket_.abort();
        throw PortError("Open", code, text);
    }
    // Requests are a few bytes: send each at once rather than gather them.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    open_ = true;
}

void TcpComPort::Close() {
    if (!open_) return;
    open_ = false;
    socket_.abort();
}

bool TcpComPort::Connected() const { return open_; }

void TcpComPort::ClearBuffer(bool input, bool output) {
    (void)output;
    if (!input && !output) return;
    CheckOpen("ClearBuffer");
    if (!input) return;
    // Take in what the system holds already, then drop all of it.
    socket_.waitForReadyRead(0);
    if (socket_.state() != QAbstractSocket::ConnectedState) Fail("ClearBuffer");
    socket_.readAll();
}

int TcpComPort::Write(const std::uint8_t* data, int count) {
    CheckOpen("Write");
    if (count <= 0) return 0;
    const std::int64_t deadline =
        clock_.NowMs() + std::int64_t{count} * kWriteTotalPerByteMs + kWriteTotalConstMs;
    if (socket_.write(reinterpret_cast<const char*>(data), count) != count) Fail("Write");
    while (socket_.bytesToWrite() > 0) {
        const std::int64_t now = clock_.NowMs();
        if (now >= deadline) break;
        if (!socket_.waitForBytesWritten(Remaining(deadline, now)) &&
            socket_.state() != QAbstractSocket::ConnectedState) {
            Fail("Write");
        }
    }
    return count - static_cast<int>(socket_.bytesToWrite());
}

int TcpComPort::Read(std::uint8_t* buffer, int count) {
    CheckOpen("Read");
    if (count <= 0) return 0;
    const std::int64_t totalDeadline =
        clock_.NowMs() + std::int64_t{count} * readTimeouts_.totalPerByteMs + readTimeouts_.totalConstMs;
    std::int64_t lastByte = 0;
    int got = 0;
    for (;;) {
        const qint64 n = socket_.read(reinterpret_cast<char*>(buffer) + got, count - got);
        if (n < 0) Fail("Read");
        if (n > 0) {
            got += static_cast<int>(n);
            lastByte = clock_.NowMs();
        }
        if (got == count) return got;
        std::int64_t deadline = totalDeadline;
        if (got > 0) deadline = std::min(deadline, lastByte + readTimeouts_.intervalMs);
        const std::int64_t now = clock_.NowMs();
        if (now >= deadline) return got;
        // The gateway closing the connection (or the network failing) is a
        // lost port, not a silent device.
        if (!socket_.waitForReadyRead(Remaining(deadline, now)) &&
            socket_.state() != QAbstractSocket::ConnectedState) {
            Fail("Read");
        }
    }
}

}  // namespace tservice
