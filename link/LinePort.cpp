#include "LinePort.h"

#include "PortList.h"

namespace tservice {

void LinePort::SetPort(const std::string& name) {
    name_ = name;
    serial_.SetPort(name);
    tcp_.SetPort(name);
}

void LinePort::Open() {
    if (Active().Connected()) return;
    tcp_active_ = IsTcpPortName(name_);
    lastOpenError_.clear();
    try {
        Active().Open();
    } catch (const PortError& e) {
        lastOpenError_ = e.what();
        throw;
    }
}

void LinePort::SetReadTimeouts(const ReadTimeouts& timeouts) {
    serial_.SetReadTimeouts(timeouts);
    tcp_.SetReadTimeouts(timeouts);
}

void LinePort::SetLineOptions(const LineOptions& options) {
    serial_.SetLineOptions(options);
    tcp_.SetLineOptions(options);
}

}  // namespace tservice
