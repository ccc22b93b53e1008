#include "Scan.h"

#include <algorithm>
#include <charconv>

namespace tservice {

namespace {

// Identification: a request of 4 bytes, an answer of 3 data bytes + 5.
constexpr int kIdentLineChars = 4 + 8;

// Puts the port's read timeouts and the link's retry pause back however the
// fast scan ends.
class TimingGuard {
public:
    TimingGuard(TComPortClass& link, const FastScanTiming& timing)
        : link_(link), read_(link.Port().GetReadTimeouts()), pause_(link.GetRetryPauseMs()) {
        link_.Port().SetReadTimeouts(timing.read);
        link_.SetRetryPauseMs(timing.retryPauseMs);
    }
    ~TimingGuard() {
        link_.Port().SetReadTimeouts(read_);
        link_.SetRetryPauseMs(pause_);
    }
    TimingGuard(const TimingGuard&) = delete;
    TimingGuard& operator=(const TimingGuard&) = delete;

private:
    TComPortClass& link_;
    ReadTimeouts read_;
    int pause_;
};

}  // namespace

ScanResult ScanLine(TComPortClass& link, int max, const std::function<void(int)>& step,
                    const std::function<void(const FoundDevice&)>& found,
                    const std::function<bool()>& stop) {
    ScanResult result;
    Povt1Guard guard(link, kScanTries);
    std::uint8_t answer[kMaxAnswer] = {};
    for (int index = 0; index < max && index < kLineSize; ++index) {
        if (index > 0 && stop && stop()) break;
        if (step) step(index);
        const int code = IdentExchange(link, index, answer);
        if (code == 0) {
            result.found.push_back({index + 1, DecodeIdent(answer).model});
            if (found) found(result.found.back());
        } else if (StopsScan(code)) {
            result.stopCode = code;
            result.stopIndex = index;
            break;
        }
    }
    return result;
}

FastScanTiming FastScanTimingFor(int baud, Parity parity, int stopBits, int timeoutMs) {
    if (baud <= 0) baud = 9600;
    const int bits = 1 + 8 + (parity == Parity::None ? 0 : 1) + (stopBits == 2 ? 2 : 1);
    const int lineMs = (kIdentLineChars * bits * 1000 + baud - 1) / baud;
    const int answerMs = timeoutMs > 0 ? timeoutMs : lineMs + kFastScanMarginMs;
    FastScanTiming timing;
    // The whole answer must come within answerMs of the request, so the total
    // has no part per byte; the silence inside an answer is far shorter.
    timing.read = {std::min(kReadIntervalMs, answerMs), 0, answerMs};
    // Long enough for a late answer to land before the next exchange purges
    // it, so that it is never taken for the next address's answer.
    timing.retryPauseMs = std::min(answerMs, kFastScanMarginMs / 2);
    return timing;
}

ScanResult FastScanLine(TComPortClass& link, int max, int timeoutMs, const std::function<void(int)>& step,
                        const std::function<void(const FoundDevice&)>& found, const std::function<bool()>& stop) {
    const TComPortClass::Settings line = link.ParsedSettings().value_or(TComPortClass::Settings{9600, Parity::None, 2});
    TimingGuard guard(link, FastScanTimingFor(line.baud, line.parity, line.stopBits, timeoutMs));
    return ScanLine(link, max, step, found, stop);
}

}  // namespace tservice
