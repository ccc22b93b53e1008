#pragma once
// TComPort on QSerialPort, used blocking from one thread: no event loop and
// no QCoreApplication are needed (on Unix QSerialPort then warns once that
// its socket notifiers have no event dispatcher; waitForReadyRead and
// waitForBytesWritten poll the descriptor themselves, so traffic is
// unaffected). Waits run in short slices with the clock's WhileWaiting
// between them; an event loop run there may take bytes into the port's
// buffer, where the next read finds them.
#include <QSerialPort>
#include <cstdint>
#include <string>

#include "Clock.h"
#include "ComPort.h"

namespace tservice {

class QtComPort final : public TComPort {
public:
    // clock is not owned and must outlive the port; it must advance in real
    // time while the thread waits (SteadyClock), since the deadlines of Read
    // and Write are taken from it.
    explicit QtComPort(IClock& clock);
    ~QtComPort() override;

    void SetPort(const std::string& name) override;
    void SetBaudRate(int baud) override;
    void SetParity(Parity parity) override;
    void SetStopBits(int stopBits) override;

    // A bare name is looked up under /dev; an absolute path is used as is.
    void Open() override;
    void Close() override;
    bool Connected() const override;
    void ClearBuffer(bool input, bool output) override;
    int Write(const std::uint8_t* data, int count) override;
    int Read(std::uint8_t* buffer, int count) override;
    // RTS by the program (RtsMode::Soft): throws PortError when refused.
    void SetRts(bool on) override;
    // tcdrain on Linux; elsewhere the toolkit's wait for the bytes written.
    void DrainOutput() override;

private:
    void ApplyDirection();  // after open: RtsMode::Kernel; PortError when refused
    [[noreturn]] void Fail(const char* operation);
    void TakeEveryReceivedByte();  // after open; PortError when refused
    void CheckWait(const char* operation);  // after a wait that ended without data

    IClock& clock_;
    QSerialPort serial_;
    std::string name_ = "COM1";
    int baud_ = 9600;
    Parity parity_ = Parity::None;
    int stopBits_ = 1;
};

}  // namespace tservice
