#include "Trace.h"

#include <algorithm>

namespace tservice {

int TracingPort::Write(const std::uint8_t* data, int count) {
    if (observer_ == nullptr) return ForwardingPort::Write(data, count);
    return Traced(FrameDir::Out, nullptr, data, count);
}

int TracingPort::Read(std::uint8_t* buffer, int count) {
    if (observer_ == nullptr) return ForwardingPort::Read(buffer, count);
    return Traced(FrameDir::In, buffer, nullptr, count);
}

int TracingPort::Traced(FrameDir dir, std::uint8_t* buffer, const std::uint8_t* data, int count) {
    LineFrame f;
    f.dir = dir;
    f.asked = count;
    const std::int64_t start = clock_.NowMs();
    try {
        f.count = dir == FrameDir::Out ? ForwardingPort::Write(data, count) : ForwardingPort::Read(buffer, count);
    } catch (const PortError&) {
        f.timeMs = clock_.NowMs();
        f.waitedMs = f.timeMs - start;
        f.outcome = FrameOutcome::PortError;
        f.bytes = dir == FrameDir::Out ? data : buffer;
        f.count = 0;
        observer_->OnFrame(f);
        throw;
    }
    f.timeMs = clock_.NowMs();
    f.waitedMs = f.timeMs - start;
    f.bytes = dir == FrameDir::Out ? data : buffer;
    f.outcome = f.count >= count ? FrameOutcome::Ok : f.count == 0 ? FrameOutcome::Silence : FrameOutcome::Short;
    observer_->OnFrame(f);
    return f.count;
}

void ObserverFanout::Add(ILineObserver* observer) {
    if (observer != nullptr && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void ObserverFanout::Remove(ILineObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void ObserverFanout::OnFrame(const LineFrame& frame) {
    for (ILineObserver* o : observers_) o->OnFrame(frame);
}

void ObserverFanout::OnNote(const ExchangeNote& note) {
    for (ILineObserver* o : observers_) o->OnNote(note);
}

void ExchangeRecorder::OnFrame(const LineFrame& f) {
    // Frames outside an exchange (none today) are not the link's traffic.
    if (!open_) return;
    const int n = f.count > 0 ? f.count : 0;
    if (f.echo) {
        if (!current_.tries.empty()) current_.tries.back().echo.assign(f.bytes, f.bytes + n);
        return;
    }
    if (f.dir == FrameDir::Out || current_.tries.empty()) {
        TraceTry t;
        t.sentMs = f.timeMs;
        if (f.dir == FrameDir::Out) t.request.assign(f.bytes, f.bytes + n);
        current_.tries.push_back(std::move(t));
        if (f.dir == FrameDir::In) current_.tries.back().answer.assign(f.bytes, f.bytes + n);
    } else {
        TraceTry& t = current_.tries.back();
        t.answer.insert(t.answer.end(), f.bytes, f.bytes + n);
        t.waitedMs += f.waitedMs;
        t.lastRead = f.outcome;
    }
    if (f.outcome == FrameOutcome::PortError) current_.tries.back().portError = true;
}

void ExchangeRecorder::OnNote(const ExchangeNote& n) {
    switch (n.kind) {
        case ExchangeNote::Begin:
            current_ = ExchangeRecord{};
            current_.startMs = n.timeMs;
            current_.deviceIndex = n.deviceIndex;
            current_.cmd = n.cmd;
            current_.pauseBeforeMs = pendingPauseMs_;
            pendingPauseMs_ = 0;
            open_ = true;
            break;
        case ExchangeNote::TryFailed:
            if (open_ && !current_.tries.empty()) {
                TraceTry& t = current_.tries.back();
                t.stage = n.stage;
                t.code = n.code;
                t.pauseMs = n.pauseMs;
                if (onTry_) onTry_(current_);
            }
            break;
        case ExchangeNote::End:
            if (!open_) break;
            current_.endMs = n.timeMs;
            current_.result = n.code;
            open_ = false;
            // A failed try was shown at its TryFailed already.
            if (onTry_ && !current_.tries.empty() && current_.tries.back().stage == 0) onTry_(current_);
            if (sink_) sink_(current_);
            break;
        case ExchangeNote::Pause:
            pendingPauseMs_ += n.pauseMs;
            break;
    }
}

}  // namespace tservice
