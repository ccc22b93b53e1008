#include "Scan.h"

#include <algorithm>
#include <charconv>
#include <string>

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

// Something answered at the address, just not with an intact identification.
bool Doubtful(int code) { return code != kOk && code != kNoAnswer && code != kPortClosed && !StopsScan(code); }

// One address: a device found is kept and announced at once; a stop code is
// kept. Returns the link's result.
int Probe(TComPortClass& link, int index, ScanResult& result, const std::function<void(const FoundDevice&)>& found) {
    std::uint8_t answer[kMaxAnswer] = {};
    const int code = IdentExchange(link, index, answer);
    if (code == kOk) {
        result.found.push_back({index + 1, DecodeIdent(answer).model});
        if (found) found(result.found.back());
    } else if (StopsScan(code)) {
        result.stopCode = code;
        result.stopIndex = index;
    }
    return code;
}

ReadTimeouts AnswerWindow(int ms) { return {std::min(kReadIntervalMs, ms), 0, ms}; }

int IdentLineMs(int baud, Parity parity, int stopBits) {
    if (baud <= 0) baud = 9600;
    const int bits = 1 + 8 + (parity == Parity::None ? 0 : 1) + (stopBits == 2 ? 2 : 1);
    return (kIdentLineChars * bits * 1000 + baud - 1) / baud;
}

void Finish(ScanResult& result, const std::vector<int>& codes) {
    std::sort(result.found.begin(), result.found.end(),
              [](const FoundDevice& a, const FoundDevice& b) { return a.number < b.number; });
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (Doubtful(codes[i])) result.doubtful.push_back(static_cast<int>(i) + 1);
}

}  // namespace

std::string DoubtfulText(const ScanResult& result) {
    if (result.doubtful.empty()) return {};
    std::string text = "возможно, пропущены (помехи на линии):";
    for (std::size_t i = 0; i < result.doubtful.size(); ++i)
        text += (i ? ", " : " ") + std::to_string(result.doubtful[i]);
    return text;
}

ScanResult ScanLine(TComPortClass& link, int max, const std::function<void(int)>& step,
                    const std::function<void(const FoundDevice&)>& found,
                    const std::function<bool()>& stop) {
    ScanResult result;
    Povt1Guard guard(link, kScanTries);
    std::vector<int> codes;
    for (int index = 0; index < max && index < kLineSize; ++index) {
        if (index > 0 && stop && stop()) break;
        if (step) step(index);
        codes.push_back(Probe(link, index, result, found));
        if (result.stopCode) break;
    }
    Finish(result, codes);
    return result;
}

FastScanTiming FastScanTimingFor(int baud, Parity parity, int stopBits, int timeoutMs) {
    const int answerMs = timeoutMs > 0 ? timeoutMs : IdentLineMs(baud, parity, stopBits) + kFastScanMarginMs;
    FastScanTiming timing;
    // The whole answer must come within answerMs of the request, so the total
    // has no part per byte; the silence inside an answer is far shorter.
    timing.read = AnswerWindow(answerMs);
    // Long enough for a late answer to land before the next exchange purges
    // it, so that it is never taken for the next address's answer.
    timing.retryPauseMs = std::min(answerMs, kFastScanMarginMs / 2);
    return timing;
}

ScanResult FastScanLine(TComPortClass& link, int max, int timeoutMs, const std::function<void(int)>& step,
                        const std::function<void(const FoundDevice&)>& found, const std::function<bool()>& stop) {
    const TComPortClass::Settings line = link.ParsedSettings().value_or(TComPortClass::Settings{9600, Parity::None, 2});
    const int baud = line.baud;
    const Parity parity = line.parity;
    const int stopBits = line.stopBits;
    const FastScanTiming timing = FastScanTimingFor(baud, parity, stopBits, timeoutMs);
    TimingGuard guard(link, timing);
    Povt1Guard tries(link, kScanTries);
    int window = timing.read.totalConstMs;
    const int longest = std::max(window, IdentLineMs(baud, parity, stopBits) + kLateAnswerMs + kFastScanMarginMs);
    ScanResult result;
    std::vector<int> codes;
    for (int index = 0; index < max && index < kLineSize && !result.stopCode; ++index) {
        if (index > 0 && stop && stop()) break;
        if (step) step(index);
        const std::int64_t start = link.Clock().NowMs();
        codes.push_back(Probe(link, index, result, found));
        if (codes.back() != kOk) continue;
        // The time from the first request to the whole answer bounds how late
        // this line answers; the window follows it, never beyond longest.
        const int took = static_cast<int>(link.Clock().NowMs() - start) - link.GetDelayOut();
        window = std::clamp(took + kFastScanMarginMs / 4, window, longest);
        link.Port().SetReadTimeouts(AnswerWindow(window));
    }
    // A damaged or foreign answer may be the late answer of the address
    // before: both are asked again, waiting as long as a late answer takes.
    std::vector<int> again;
    for (std::size_t i = 0; i < codes.size() && !result.stopCode; ++i) {
        if (!Doubtful(codes[i])) continue;
        if (i > 0 && codes[i - 1] != kOk && (again.empty() || again.back() != static_cast<int>(i) - 1))
            again.push_back(static_cast<int>(i) - 1);
        again.push_back(static_cast<int>(i));
    }
    link.Port().SetReadTimeouts(AnswerWindow(longest));
    for (int index : again) {
        if ((stop && stop()) || result.stopCode) break;
        codes[static_cast<std::size_t>(index)] = Probe(link, index, result, found);
    }
    Finish(result, codes);
    return result;
}

}  // namespace tservice
