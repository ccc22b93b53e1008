#pragma once
// The program's port (ComPort1): a serial port, or for a tcp://HOST:PORT
// name a TCP connection to a gateway. The name given before Open decides.
#include <string>

#ifdef _WIN32
#include "WinComPort.h"
#else
#include "QtComPort.h"
#endif
#include "TcpComPort.h"

namespace tservice {

class LinePort final : public TComPort {
public:
    // clock is not owned, must outlive the port and advance in real time.
    explicit LinePort(IClock& clock) : serial_(clock), tcp_(clock) {}

    void SetPort(const std::string& name) override;
    void SetBaudRate(int baud) override { serial_.SetBaudRate(baud); }
    void SetParity(Parity parity) override { serial_.SetParity(parity); }
    void SetStopBits(int stopBits) override { serial_.SetStopBits(stopBits); }

    // Opens the kind the name asks for; no-op when open. Throws PortError
    // like the port it opens.
    void Open() override;
    void Close() override { Active().Close(); }
    bool Connected() const override { return Active().Connected(); }
    void ClearBuffer(bool input, bool output) override { Active().ClearBuffer(input, output); }
    int Write(const std::uint8_t* data, int count) override { return Active().Write(data, count); }
    int Read(std::uint8_t* buffer, int count) override { return Active().Read(buffer, count); }
    void SetReadTimeouts(const ReadTimeouts& timeouts) override;
    ReadTimeouts GetReadTimeouts() const override { return Active().GetReadTimeouts(); }
    void SetLineOptions(const LineOptions& options) override;
    LineOptions GetLineOptions() const override { return serial_.GetLineOptions(); }
    void SetRts(bool on) override { Active().SetRts(on); }
    void DrainOutput() override { Active().DrainOutput(); }

    // Whether the port in use (or the last one opened) is a TCP connection.
    bool IsTcp() const { return tcp_active_; }
    // What the system said when the last Open failed; empty after a success.
    const std::string& LastOpenError() const { return lastOpenError_; }

private:
    TComPort& Active() { return tcp_active_ ? static_cast<TComPort&>(tcp_) : serial_; }
    const TComPort& Active() const { return tcp_active_ ? static_cast<const TComPort&>(tcp_) : serial_; }

#ifdef _WIN32
    WinComPort serial_;  // the Win32 communications calls
#else
    QtComPort serial_;
#endif
    TcpComPort tcp_;
    std::string name_;
    std::string lastOpenError_;
    bool tcp_active_ = false;
};

}  // namespace tservice
