#include "TcpComPort.h"

#include <cerrno>

#include "PortList.h"

namespace tservice {

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
    if (lineOptions_.rts != RtsMode::Off) throw PortError("Open", EINVAL, kRtsOnGatewayText);
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
    if (socket_.write(reinterpret_cast<const char*>(data), count) != count) Fail("Write");
    WaitWritten(clock_, count, [this] { return socket_.bytesToWrite(); }, [this](int ms) {
        if (!socket_.waitForBytesWritten(ms)) CheckOpen("Write");
    });
    return count - static_cast<int>(socket_.bytesToWrite());
}

int TcpComPort::Read(std::uint8_t* buffer, int count) {
    CheckOpen("Read");
    const auto take = [&](int got) {
        const qint64 n = socket_.read(reinterpret_cast<char*>(buffer) + got, count - got);
        if (n < 0) Fail("Read");
        return static_cast<int>(n);
    };
    // The gateway closing the connection (or the network failing) is a lost
    // port, not a silent device.
    return TimedRead(clock_, readTimeouts_, count, take, [this](int ms) {
        if (!socket_.waitForReadyRead(ms)) CheckOpen("Read");
    });
}

}  // namespace tservice
