#include "DirectionPort.h"

namespace tservice {

void DirectionPort::SetLineOptions(const LineOptions& options) {
    options_ = options;
    ForwardingPort::SetLineOptions(options);
}

void DirectionPort::Open() {
    ForwardingPort::Open();
    if (options_.rts != RtsMode::Soft) return;
    try {
        Inner().SetRts(false);
    } catch (const PortError&) {
        ForwardingPort::Close();
        throw;
    }
}

void DirectionPort::Wait(int ms) {
    if (ms > 0) clock_.SleepUntilMs(clock_.NowMs() + ms);
}

int DirectionPort::Write(const std::uint8_t* data, int count) {
    if (options_.rts != RtsMode::Soft) return ForwardingPort::Write(data, count);
    Inner().SetRts(true);
    int n = 0;
    try {
        Wait(options_.rtsBeforeMs);
        n = ForwardingPort::Write(data, count);
        // The driver may still hold the bytes: RTS stays up until the last
        // stop bit has gone, or the end of the request is cut off the line.
        Inner().DrainOutput();
        Wait(options_.rtsAfterMs);
    } catch (const PortError&) {
        try {
            Inner().SetRts(false);
        } catch (const PortError&) {
            // The first failure is the one to report.
        }
        throw;
    }
    Inner().SetRts(false);
    return n;
}

}  // namespace tservice
