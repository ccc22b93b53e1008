#pragma once
// TComPort on the Win32 communications calls (Windows builds only): the
// calls the original Windows program's port stood for. CreateFile opens the
// port exclusively, SetCommState sets the line, SetCommTimeouts gives every
// read its timeouts, PurgeComm clears the driver's queues, ReadFile and
// WriteFile move the bytes. Chosen over QSerialPort because QSerialPort's
// reads wait on WaitCommEvent, which wine completes with an empty mask on a
// port mapped to a pseudo-terminal, so that path could not be proven here;
// these calls are exercised under wine against the simulator (make
// check-windows).
//
// A read runs through TimedRead like the other ports: each wait is a ReadFile
// of one byte with a total timeout of that slice (the byte is kept for the
// next take), each take a ReadFile that returns at once with what the driver
// holds, so the window repaints between slices and the interval and total
// timeouts are the link's.
//
// RtsMode::Kernel maps to the driver's RTS_CONTROL_TOGGLE (RTS raised while
// the driver transmits); a driver without it refuses the open.
#include <cstdint>
#include <string>

#include "Clock.h"
#include "ComPort.h"

namespace tservice {

class WinComPort final : public TComPort {
public:
    // clock is not owned, must outlive the port and advance in real time.
    explicit WinComPort(IClock& clock);
    ~WinComPort() override;
    WinComPort(const WinComPort&) = delete;
    WinComPort& operator=(const WinComPort&) = delete;

    void SetPort(const std::string& name) override { name_ = name; }
    void SetBaudRate(int baud) override { baud_ = baud; }
    void SetParity(Parity parity) override { parity_ = parity; }
    void SetStopBits(int stopBits) override { stopBits_ = stopBits; }

    // COMn (any case) or a device path such as \\.\COM12; a bare COMn is
    // opened as \\.\COMn, so ports above COM9 work too.
    void Open() override;
    void Close() override;
    bool Connected() const override { return handle_ != nullptr; }
    void ClearBuffer(bool input, bool output) override;
    int Write(const std::uint8_t* data, int count) override;
    int Read(std::uint8_t* buffer, int count) override;
    // RTS by hand (the soft direction switch of DirectionPort).
    void SetRts(bool on) override;
    // Returns once the driver has sent what Write handed it.
    void DrainOutput() override;

    // The device path Open uses for a port name.
    static std::string DevicePath(const std::string& name);

private:
    [[noreturn]] void Fail(const char* operation, unsigned long code);
    void CheckOpen(const char* operation) const;
    void SetTimeouts(unsigned long intervalMs, unsigned long perByteMs, unsigned long constMs);

    IClock& clock_;
    void* handle_ = nullptr;   // HANDLE; null when closed
    std::string name_ = "COM1";
    int baud_ = 9600;
    Parity parity_ = Parity::None;
    int stopBits_ = 1;
    bool held_ = false;        // a byte a wait took, first in the next take
    std::uint8_t heldByte_ = 0;
};

}  // namespace tservice
