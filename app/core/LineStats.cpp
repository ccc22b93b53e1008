#include "LineStats.h"

#include <algorithm>

#include "Protocol.h"

namespace tservice {

int DeviceStats::MinMs() const {
    return answerMs.empty() ? -1 : *std::min_element(answerMs.begin(), answerMs.end());
}

int DeviceStats::MaxMs() const {
    return answerMs.empty() ? -1 : *std::max_element(answerMs.begin(), answerMs.end());
}

int DeviceStats::MedianMs() const {
    if (answerMs.empty()) return -1;
    std::vector<int> sorted = answerMs;
    const auto mid = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
    std::nth_element(sorted.begin(), mid, sorted.end());
    return *mid;
}

LineStats::LineStats() : recorder_([this](const ExchangeRecord& r) { Add(r); }) {}

void LineStats::Add(const ExchangeRecord& r) {
    // A request refused before sending never reached the line.
    if (r.tries.empty()) return;
    DeviceStats& d = per_[r.deviceIndex + 1];
    d.device = r.deviceIndex + 1;
    ++d.exchanges;
    const bool answered = r.cmd != kCmdWriteBlock && r.cmd != kCmdBroadcast;
    for (const TraceTry& t : r.tries) {
        ++d.tries;
        switch (t.stage == 0 ? kOk : t.code) {
            case kNoAnswer: ++d.noAnswer; break;
            case kTimeoutPart: ++d.incomplete; break;
            case kCrcError: ++d.crcErrors; break;
            case kOk: break;
            default: ++d.badHeader; break;
        }
        if (t.stage == 0 && answered && !t.portError) d.answerMs.push_back(static_cast<int>(t.waitedMs));
    }
    if (r.result == kTracePortError) ++d.portErrors;
    else if (r.result != kOk && r.tries.back().stage == 0) ++d.exceptions;
}

std::vector<DeviceStats> LineStats::Devices() const {
    std::vector<DeviceStats> all;
    for (const auto& [number, d] : per_) all.push_back(d);
    return all;
}

const DeviceStats* LineStats::Device(int number) const {
    const auto it = per_.find(number);
    return it == per_.end() ? nullptr : &it->second;
}

DeviceStats LineStats::Total() const {
    DeviceStats sum;
    for (const auto& [number, d] : per_) {
        sum.exchanges += d.exchanges;
        sum.tries += d.tries;
        sum.noAnswer += d.noAnswer;
        sum.incomplete += d.incomplete;
        sum.crcErrors += d.crcErrors;
        sum.badHeader += d.badHeader;
        sum.exceptions += d.exceptions;
        sum.portErrors += d.portErrors;
        sum.answerMs.insert(sum.answerMs.end(), d.answerMs.begin(), d.answerMs.end());
    }
    return sum;
}

}  // namespace tservice
