#pragma once
// Direction of a two-wire line switched by the program: RTS raised before a
// request, held until its last stop bit has left the transmitter and
// dropped, so the transmitter's answer finds the line free. Kernel switching
// (TIOCSRS485) is the serial port's own business at Open.
#include "Clock.h"
#include "ForwardingPort.h"

namespace tservice {

class DirectionPort final : public ForwardingPort {
public:
    // inner and clock are not owned and must outlive the port.
    DirectionPort(TComPort& inner, IClock& clock) : ForwardingPort(inner), clock_(clock) {}

    void SetLineOptions(const LineOptions& options) override;
    // With RtsMode::Soft: drops RTS after opening, so the line starts in
    // receive; a port without RTS refuses the open with PortError.
    void Open() override;
    // With RtsMode::Soft: RTS up, rtsBeforeMs, the bytes, the drain,
    // rtsAfterMs, RTS down (also when the write fails). Throws PortError.
    int Write(const std::uint8_t* data, int count) override;

private:
    void Wait(int ms);

    IClock& clock_;
    LineOptions options_;
};

}  // namespace tservice
