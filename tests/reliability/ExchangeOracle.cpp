#include "ExchangeOracle.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace tservice::reliability {

namespace {

constexpr int kRetryPauseMs = 300;

// Answer length the header announces for cmd.
int AnnouncedLength(std::uint8_t cmd, int reqLen, std::uint8_t countByte) {
    if (cmd == 0x05 || cmd == 0x0E) return reqLen;
    if (cmd == 0x0F) return 8;
    return countByte + 5;
}

struct TryVerdict {
    TryClass cls = TryClass::Nothing;
    int code = 0;  // failure code, exception code, or 0 for intact
    bool validHeader = false;
    Bytes frame;
};

TryVerdict JudgeTry(std::uint8_t address, std::uint8_t cmd, int reqLen, LineModel& line, std::int64_t& nowMs,
                    std::vector<ReadCall>& reads) {
    TryVerdict v;
    reads.push_back(line.Read(3, nowMs));
    const Bytes head = reads.back().got;
    if (head.size() < 3) {
        v.cls = head.empty() ? TryClass::Nothing : TryClass::ShortHeader;
        v.code = head.empty() ? 130 : 129;
        return v;
    }
    if (head[0] != address) {
        v.cls = TryClass::ForeignAddress;
        v.code = 128;
        return v;
    }
    const std::uint8_t exceptionCmd = static_cast<std::uint8_t>(cmd | 0x80);
    if (head[1] == exceptionCmd && head[2] != 0) {
        v.cls = TryClass::Exception;
        v.code = head[2];
        return v;
    }
    if (head[1] != cmd && head[1] != exceptionCmd) {
        v.cls = TryClass::ForeignCommand;
        v.code = 128;
        return v;
    }
    v.validHeader = true;
    const int length = AnnouncedLength(cmd, reqLen, head[2]);
    reads.push_back(line.Read(length - 3, nowMs));
    const Bytes& body = reads.back().got;
    if (static_cast<int>(body.size()) < length - 3) {
        v.cls = TryClass::ShortBody;
        v.code = body.empty() ? 130 : 129;
        return v;
    }
    v.frame = head;
    v.frame.insert(v.frame.end(), body.begin(), body.end());
    const std::uint16_t crc = OracleCrc(v.frame.data(), v.frame.size() - 2);
    const bool match = v.frame[v.frame.size() - 2] == (crc & 0xFF) && v.frame.back() == (crc >> 8);
    v.cls = match ? TryClass::Intact : TryClass::BadCrc;
    v.code = match ? 0 : 131;
    return v;
}

}  // namespace

void LineModel::Purge(std::int64_t nowMs) {
    while (!pending_.empty() && pending_.front().atUs <= nowMs * 1000) pending_.pop_front();
}

void LineModel::Send(std::int64_t writeMs, int reqLen, const Bytes& answer, int delayMs) {
    // The device hears the request once its last character is through, waits
    // its turnaround (and any delay), then sends at line speed.
    const std::int64_t startUs = writeMs * 1000 + reqLen * charUs_ +
                                 (static_cast<std::int64_t>(turnaroundMs_) + delayMs) * 1000;
    for (std::size_t i = 0; i < answer.size(); ++i) {
        const Arrival a{startUs + static_cast<std::int64_t>(i + 1) * charUs_, answer[i]};
        auto at = pending_.end();
        while (at != pending_.begin() && std::prev(at)->atUs > a.atUs) --at;
        pending_.insert(at, a);
    }
}

ReadCall LineModel::Read(int count, std::int64_t& nowMs) {
    ReadCall call;
    call.requested = count;
    if (count <= 0) return call;
    const std::int64_t startUs = nowMs * 1000;
    const std::int64_t totalUs = startUs + (static_cast<std::int64_t>(count) * 100 + 1000) * 1000;
    std::int64_t lastUs = startUs;
    std::int64_t endUs = totalUs;
    while (static_cast<int>(call.got.size()) < count) {
        // Before the first byte only the total timeout runs; after it, also
        // 100 ms of silence ends the read.
        const std::int64_t deadline =
            call.got.empty() ? totalUs : std::min(totalUs, lastUs + 100'000);
        const std::int64_t at = pending_.empty() ? deadline + 1 : std::max(pending_.front().atUs, startUs);
        if (at > deadline) {
            endUs = deadline;
            break;
        }
        call.got.push_back(pending_.front().byte);
        pending_.pop_front();
        lastUs = endUs = at;
    }
    nowMs = std::max(nowMs, (endUs + 999) / 1000);
    return call;
}

const char* TryClassName(TryClass c) {
    switch (c) {
    case TryClass::Nothing: return "nothing";
    case TryClass::ShortHeader: return "short header";
    case TryClass::Exception: return "exception";
    case TryClass::ForeignAddress: return "foreign address";
    case TryClass::ForeignCommand: return "foreign command";
    case TryClass::ShortBody: return "short body";
    case TryClass::BadCrc: return "bad CRC";
    case TryClass::Intact: return "intact";
    case TryClass::NotRead: return "not read";
    }
    return "?";
}

std::uint16_t OracleCrc(const std::uint8_t* data, std::size_t count) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < count; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ data[i]);
        for (int k = 0; k < 8; ++k) {
            const bool low = crc & 1;
            crc = static_cast<std::uint16_t>(crc >> 1);
            if (low) crc = static_cast<std::uint16_t>(crc ^ 0xA001);
        }
    }
    return crc;
}

Expectation Expect(std::uint8_t address, std::uint8_t cmd, int reqLen, const LinkSettings& link, std::int64_t purgeMs,
                   const std::vector<DeviceTry>& tries, LineModel& line) {
    Expectation e;
    const int full1 = std::max(1, link.povt1);
    int left1 = full1;
    int left2 = std::max(1, link.povt2);
    std::int64_t now = purgeMs;
    line.Purge(now);
    for (;;) {
        if (e.tries == static_cast<int>(tries.size())) {
            e.ranOut = true;
            e.endMs = now;
            return e;
        }
        const DeviceTry& sent = tries[static_cast<std::size_t>(e.tries++)];
        if (link.delayOutMs > 0) now += link.delayOutMs;
        e.writeMs.push_back(now);
        line.Send(now, reqLen, sent.answer, sent.delayMs);
        e.reads.emplace_back();
        if (cmd == 0x45 || cmd == 0x46) {
            e.classes.push_back(TryClass::NotRead);
            e.endMs = now;
            return e;
        }
        const TryVerdict v = JudgeTry(address, cmd, reqLen, line, now, e.reads.back());
        e.classes.push_back(v.cls);
        if (v.cls == TryClass::Exception || v.cls == TryClass::Intact) {
            e.code = v.code;
            e.frame = v.frame;
            e.endMs = now;
            for (int j = e.tries - 1; j >= 0 && v.cls == TryClass::Intact; --j) {
                const DeviceTry& t = tries[static_cast<std::size_t>(j)];
                if (t.valid && t.answer == v.frame) {
                    e.frameIntact = true;
                    e.frameStale = j != e.tries - 1;
                    break;
                }
            }
            return e;
        }
        if (v.validHeader) left1 = full1;
        now += kRetryPauseMs;
        if (v.cls == TryClass::ForeignAddress) line.Purge(now);
        int& left = v.validHeader ? left2 : left1;
        if (--left == 0) {
            e.code = v.code;
            e.endMs = now;
            return e;
        }
    }
}

namespace {

std::string Hex(const Bytes& b) {
    std::string s;
    char buf[4];
    for (std::uint8_t x : b) {
        std::snprintf(buf, sizeof buf, "%02X ", x);
        s += buf;
    }
    return s;
}

std::string DescribeReads(const std::vector<ReadCall>& reads) {
    std::string s;
    for (const ReadCall& r : reads) s += "[" + std::to_string(r.requested) + ": " + Hex(r.got) + "]";
    return s;
}

}  // namespace

std::string Describe(const Expectation& e, const std::vector<std::vector<ReadCall>>& actualReads,
                     const std::vector<std::int64_t>& actualWriteMs) {
    std::string s = "expected code " + std::to_string(e.code) + " after " + std::to_string(e.tries) +
                    " tries" + (e.ranOut ? " (device log ran out)" : "") + "\n";
    const std::size_t n = std::max(e.reads.size(), actualReads.size());
    for (std::size_t i = 0; i < n; ++i) {
        s += "  try " + std::to_string(i + 1) + ": ";
        if (i < e.classes.size()) s += TryClassName(e.classes[i]);
        s += ", written at " + (i < e.writeMs.size() ? std::to_string(e.writeMs[i]) : "-") + " ms, seen " +
             (i < actualWriteMs.size() ? std::to_string(actualWriteMs[i]) : "-");
        s += "\n    model  " + (i < e.reads.size() ? DescribeReads(e.reads[i]) : "-");
        s += "\n    port   " + (i < actualReads.size() ? DescribeReads(actualReads[i]) : "-") + "\n";
    }
    return s;
}

}  // namespace tservice::reliability
