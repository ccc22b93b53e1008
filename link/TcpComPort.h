#pragma once
// TComPort over a TCP connection to a serial-to-Ethernet gateway working as a
// raw TCP server (it passes the bytes unchanged). Used blocking from one
// thread like QtComPort; rate, parity and stop bits are the gateway's, so the
// settings are stored and otherwise ignored. The port name is tcp://HOST:PORT.
#include <QTcpSocket>
#include <cstdint>
#include <string>

#include "Clock.h"
#include "ComPort.h"

namespace tservice {

// Why a gateway refuses direction control by RTS.
inline constexpr const char* kRtsOnGatewayText =
    "управление RTS недоступно на шлюзе TCP: направление переключает сам шлюз";

class TcpComPort final : public TComPort {
public:
    // clock is not owned, must outlive the port and advance in real time.
    explicit TcpComPort(IClock& clock);
    ~TcpComPort() override;

    void SetPort(const std::string& name) override { name_ = name; }
    void SetBaudRate(int) override {}
    void SetParity(Parity) override {}
    void SetStopBits(int) override {}

    // Connects within kConnectTimeoutMs. A bad address, a refusal or a
    // timeout throws PortError("Open") with the system's text, port closed;
    // so does direction control by RTS, which a gateway does itself.
    void Open() override;
    void Close() override;
    bool Connected() const override;
    // Drops what has arrived so far; bytes already sent cannot be taken back.
    void ClearBuffer(bool input, bool output) override;
    // A dropped connection throws PortError with the system's text, here
    // and in every later call until Close.
    int Write(const std::uint8_t* data, int count) override;
    int Read(std::uint8_t* buffer, int count) override;

    static constexpr int kConnectTimeoutMs = 3000;

private:
    [[noreturn]] void Fail(const char* operation);
    void CheckOpen(const char* operation);

    IClock& clock_;
    QTcpSocket socket_;
    std::string name_;
    bool open_ = false;
    int lostCode_ = 0;       // why the connection was lost, kept for every
    std::string lostText_;   // later operation until Close

};

}  // namespace tservice
