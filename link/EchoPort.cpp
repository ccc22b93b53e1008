#include "EchoPort.h"

#include <algorithm>

#include "Protocol.h"
#include "Trace.h"

namespace tservice {

namespace {

constexpr int kIdentRequestLen = 4;
constexpr int kHeaderLen = 3;

// A clean line's answer to the identification request starts address, 0x11,
// count 3 (or address, 0x91 for an exception). The request's third byte is
// its CRC low byte, 0xC0..0xCF or 0xD8 for addresses 1..32, never 3: so an
// exact copy of the request is the echo and nothing else.
bool IsIdentRequest(const std::vector<std::uint8_t>& r) {
    return r.size() == kIdentRequestLen && r[1] == kCmdIdent;
}

bool IsCleanIdentHeader(const std::vector<std::uint8_t>& got) {
    if (got.size() >= 2 && IsExceptionTo(got[1], kCmdIdent)) return true;
    return got.size() >= kHeaderLen && got[1] == kCmdIdent && got[2] == kIdentCount;
}

}  // namespace

bool AnswerMayRepeatRequest(const std::uint8_t* request, int length) {
    if (length < 2) return false;
    const std::uint8_t cmd = request[1];
    return cmd == kCmdSwitch || cmd == kCmdWriteRegister || cmd == kCmdConfirm;
}

void EchoPort::SetLineOptions(const LineOptions& options) {
    mode_ = options.echo;
    ForwardingPort::SetLineOptions(options);
}

void EchoPort::SetPort(const std::string& name) {
    if (name != name_) learned_ = EchoLearned::Unknown;
    name_ = name;
    ForwardingPort::SetPort(name);
}

void EchoPort::Open() {
    ForwardingPort::Open();
    held_.clear();
    awaiting_ = false;
}

void EchoPort::ClearBuffer(bool input, bool output) {
    ForwardingPort::ClearBuffer(input, output);
    if (input) held_.clear();
}

void EchoPort::SetLineObserver(ILineObserver* observer) {
    observer_ = observer;
    ForwardingPort::SetLineObserver(observer);
}

int EchoPort::Write(const std::uint8_t* data, int count) {
    const int n = ForwardingPort::Write(data, count);
    request_.assign(data, data + std::max(0, n));
    awaiting_ = mode_ != EchoMode::Off && n > 0;
    return n;
}

bool EchoPort::ExpectsEcho() const {
    return mode_ == EchoMode::On || (mode_ == EchoMode::Auto && learned_ == EchoLearned::Echo);
}

int EchoPort::Read(std::uint8_t* buffer, int count) {
    if (awaiting_ && count > 0) {
        awaiting_ = false;
        quiet_ = false;
        TakeEcho();
        // The look ahead ended in silence: so would the caller's read, with
        // what came before it, and it need not wait a second time.
        if (quiet_) {
            const int n = std::min<int>(count, static_cast<int>(held_.size()));
            std::copy_n(held_.begin(), n, buffer);
            held_.erase(held_.begin(), held_.begin() + n);
            return n;
        }
    }
    return ReadInner(buffer, count);
}

int EchoPort::ReadInner(std::uint8_t* buffer, int count) {
    const int fromHeld = std::min<int>(count, static_cast<int>(held_.size()));
    std::copy_n(held_.begin(), fromHeld, buffer);
    held_.erase(held_.begin(), held_.begin() + fromHeld);
    if (fromHeld == count) return count;
    return fromHeld + ForwardingPort::Read(buffer + fromHeld, count - fromHeld);
}

std::vector<std::uint8_t> EchoPort::LookAhead(int count) {
    std::vector<std::uint8_t> got(static_cast<std::size_t>(count));
    got.resize(static_cast<std::size_t>(ReadInner(got.data(), count)));
    if (static_cast<int>(got.size()) < count) quiet_ = true;
    return got;
}

void EchoPort::TakeEcho() {
    if (!ExpectsEcho()) {
        if (mode_ == EchoMode::Auto && learned_ == EchoLearned::Unknown) Learn();
        return;
    }
    const std::int64_t start = clock_.NowMs();
    std::vector<std::uint8_t> got = LookAhead(static_cast<int>(request_.size()));
    if (got == request_) {
        Report(got, start);
        return;
    }
    // Not the echo (or a damaged one): the link judges these bytes.
    held_.insert(held_.begin(), got.begin(), got.end());
}

void EchoPort::Learn() {
    const std::int64_t start = clock_.NowMs();
    const int len = static_cast<int>(request_.size());
    std::vector<std::uint8_t> got;
    if (IsIdentRequest(request_)) {
        got = LookAhead(len);
        if (got == request_) {
            learned_ = EchoLearned::Echo;
            Report(got, start);
            return;
        }
        if (IsCleanIdentHeader(got)) learned_ = EchoLearned::Clean;
        held_.insert(held_.begin(), got.begin(), got.end());
        return;
    }
    if (!AnswerMayRepeatRequest(request_.data(), len)) return;
    // The answer is the request itself: one copy may be the answer of a clean
    // line, two are the echo and the answer. One copy teaches nothing.
    got = LookAhead(len);
    if (got == request_) {
        const std::vector<std::uint8_t> second = LookAhead(len);
        if (second == request_) {
            learned_ = EchoLearned::Echo;
            Report(got, start);
            got.clear();
        }
        got.insert(got.end(), second.begin(), second.end());
    }
    held_.insert(held_.begin(), got.begin(), got.end());
}

void EchoPort::Report(const std::vector<std::uint8_t>& echo, std::int64_t startMs) {
    if (observer_ == nullptr) return;
    LineFrame f;
    f.dir = FrameDir::In;
    f.echo = true;
    f.timeMs = clock_.NowMs();
    f.waitedMs = f.timeMs - startMs;
    f.bytes = echo.data();
    f.count = static_cast<int>(echo.size());
    f.asked = f.count;
    observer_->OnFrame(f);
}

}  // namespace tservice
