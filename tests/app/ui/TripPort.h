#pragma once
// A port wrapper for tests that must act at an exact point of the traffic
// (a fault knob set, a device changed, the line lost) just before an
// operation reaches the port.
#include <cstdint>
#include <functional>
#include <string>

#include "ForwardingPort.h"

namespace tservice::testing {

enum class PortOp { Clear, Write, Read };

// Forwards to another port; `before` runs ahead of every purge, write and
// read with the command of the last request written (of this one for Write).
class TripPort final : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    void ClearBuffer(bool input, bool output) override {
        Trip(PortOp::Clear);
        ForwardingPort::ClearBuffer(input, output);
    }
    int Write(const std::uint8_t* data, int count) override {
        lastCmd_ = count > 1 ? data[1] : -1;
        Trip(PortOp::Write);
        return ForwardingPort::Write(data, count);
    }
    int Read(std::uint8_t* buffer, int count) override {
        Trip(PortOp::Read);
        return ForwardingPort::Read(buffer, count);
    }

    // Runs before the operation; may throw or change the line.
    std::function<void(PortOp op, int cmd)> before;

private:
    void Trip(PortOp op) {
        if (before) before(op, lastCmd_);
    }
    int lastCmd_ = -1;
};

}  // namespace tservice::testing
