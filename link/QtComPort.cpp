#include "QtComPort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_LINUX
#include <termios.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace tservice {

namespace {

QSerialPort::Parity ToQt(Parity parity) {
    switch (parity) {
        case Parity::Odd: return QSerialPort::OddParity;
        case Parity::Even: return QSerialPort::EvenParity;
        case Parity::None: break;
    }
    return QSerialPort::NoParity;
}

}  // namespace

QtComPort::QtComPort(IClock& clock) : clock_(clock) {}

QtComPort::~QtComPort() {
    if (serial_.isOpen()) serial_.close();
}

void QtComPort::SetPort(const std::string& name) { name_ = name; }
void QtComPort::SetBaudRate(int baud) { baud_ = baud; }
void QtComPort::SetParity(Parity parity) { parity_ = parity; }
void QtComPort::SetStopBits(int stopBits) { stopBits_ = stopBits; }

void QtComPort::Fail(const char* operation) {
    const int code = static_cast<int>(serial_.error());
    const std::string text = serial_.errorString().toStdString();
    serial_.clearError();
    throw PortError(operation, code, text);
}

void QtComPort::Open() {
    if (serial_.isOpen()) return;
    serial_.clearError();
    serial_.setPortName(QString::fromStdString(name_));
    serial_.setBaudRate(baud_);
    serial_.setDataBits(QSerialPort::Data8);
    serial_.setParity(ToQt(parity_));
    serial_.setStopBits(stopBits_ == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    serial_.setFlowControl(QSerialPort::NoFlowControl);
    if (!serial_.open(QIODevice::ReadWrite)) Fail("Open");
    TakeEveryReceivedByte();
    // RTS and DTR stay inactive: nothing switches the line direction. A
    // pseudo-terminal has no modem lines and refuses the request; that is not
    // a fault of the port.
    auto inactive = [this](bool ok) {
        if (ok || serial_.error() == QSerialPort::UnsupportedOperationError) {
            serial_.clearError();
            return true;
        }
        return false;
    };
    if (!inactive(serial_.setDataTerminalReady(false)) || !inactive(serial_.setRequestToSend(false))) {
        const int code = static_cast<int>(serial_.error());
        const std::string text = serial_.errorString().toStdString();
        serial_.close();
        serial_.clearError();
        throw PortError("Open", code, text);
    }
    ApplyDirection();
}

// The kernel switches the direction itself when the driver supports
// TIOCSRS485 (RTS high while sending, delays in ms); otherwise the open is
// refused with the system's reason, never left half set up.
void QtComPort::ApplyDirection() {
    if (lineOptions_.rts != RtsMode::Kernel) return;
#ifdef Q_OS_LINUX
    serial_rs485 rs{};
    rs.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    rs.delay_rts_before_send = static_cast<__u32>(lineOptions_.rtsBeforeMs);
    rs.delay_rts_after_send = static_cast<__u32>(lineOptions_.rtsAfterMs);
    if (ioctl(static_cast<int>(serial_.handle()), TIOCSRS485, &rs) == 0) return;
    const int code = errno;
    serial_.close();
    throw PortError("Open", code,
                    std::string("драйвер порта не поддерживает управление направлением RS-485 ядром "
                                "(TIOCSRS485): ") + std::strerror(code));
#else
    serial_.close();
    throw PortError("Open", EOPNOTSUPP, "управление RTS ядром есть только в Linux");
#endif
}

void QtComPort::SetRts(bool on) {
    if (!serial_.setRequestToSend(on)) Fail("SetRts");
}

void QtComPort::DrainOutput() {
    if (!serial_.isOpen()) {
        throw PortError("DrainOutput", static_cast<int>(QSerialPort::NotOpenError), "port not open");
    }
#ifdef Q_OS_LINUX
    // Write has handed the bytes to the driver; tcdrain returns after the
    // last stop bit has left the UART.
    if (serial_.bytesToWrite() > 0) serial_.waitForBytesWritten(kWriteTotalConstMs);
    if (tcdrain(static_cast<int>(serial_.handle())) != 0) {
        const int code = errno;
        throw PortError("DrainOutput", code, std::strerror(code));
    }
#else
    if (serial_.bytesToWrite() > 0 && !serial_.waitForBytesWritten(kWriteTotalConstMs)) CheckWait("DrainOutput");
#endif
}

// Parity is generated on transmit; received parity is not checked and no
// character is dropped, marked or replaced. Qt sets IGNPAR, with which a
// Linux serial driver discards every byte with a parity or framing error, so
// the input flags are set here, after QSerialPort has applied its settings.
// Elsewhere the toolkit's defaults stand (Windows uses WinComPort).
void QtComPort::TakeEveryReceivedByte() {
#ifdef Q_OS_LINUX
    termios tio{};
    const int fd = static_cast<int>(serial_.handle());
    const tcflag_t checks = INPCK | IGNPAR | PARMRK | ISTRIP;
    bool ok = tcgetattr(fd, &tio) == 0;
    if (ok && (tio.c_iflag & checks) != 0) {
        tio.c_iflag &= ~checks;
        ok = tcsetattr(fd, TCSANOW, &tio) == 0;
    }
    if (!ok) {
        const int code = errno;
        serial_.close();
        throw PortError("Open", code, std::strerror(code));
    }
#endif
}

void QtComPort::Close() {
    if (!serial_.isOpen()) return;
    serial_.clearError();
    serial_.close();
    if (serial_.error() != QSerialPort::NoError) Fail("Close");
}

bool QtComPort::Connected() const { return serial_.isOpen(); }

void QtComPort::ClearBuffer(bool input, bool output) {
    QSerialPort::Directions dirs;
    if (input) dirs |= QSerialPort::Input;
    if (output) dirs |= QSerialPort::Output;
    if (!dirs) return;
    if (!serial_.isOpen()) {
        throw PortError("ClearBuffer", static_cast<int>(QSerialPort::NotOpenError), "port not open");
    }
    if (!serial_.clear(dirs)) Fail("ClearBuffer");
    // Bytes Qt has already taken from the driver belong to an earlier answer.
    if (input && serial_.bytesAvailable() > 0) serial_.skip(serial_.bytesAvailable());
}

int QtComPort::Write(const std::uint8_t* data, int count) {
    if (!serial_.isOpen()) {
        throw PortError("Write", static_cast<int>(QSerialPort::NotOpenError), "port not open");
    }
    if (count <= 0) return 0;
    if (serial_.write(reinterpret_cast<const char*>(data), count) != count) Fail("Write");
    WaitWritten(clock_, count, [this] { return serial_.bytesToWrite(); }, [this](int ms) {
        if (!serial_.waitForBytesWritten(ms)) CheckWait("Write");
    });
    return count - static_cast<int>(serial_.bytesToWrite());
}

void QtComPort::CheckWait(const char* operation) {
    // A timeout is the normal end of a short answer, not a fault.
    if (serial_.error() != QSerialPort::TimeoutError && serial_.error() != QSerialPort::NoError) {
        Fail(operation);
    }
    serial_.clearError();
}

int QtComPort::Read(std::uint8_t* buffer, int count) {
    if (!serial_.isOpen()) {
        throw PortError("Read", static_cast<int>(QSerialPort::NotOpenError), "port not open");
    }
    const auto take = [&](int got) {
        const qint64 n = serial_.read(reinterpret_cast<char*>(buffer) + got, count - got);
        if (n < 0) Fail("Read");
        return static_cast<int>(n);
    };
    return TimedRead(clock_, readTimeouts_, count, take, [this](int ms) {
        if (!serial_.waitForReadyRead(ms)) CheckWait("Read");
    });
}

}  // namespace tservice
