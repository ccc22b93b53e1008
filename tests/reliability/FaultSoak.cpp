#include "FaultSoak.h"

#include <algorithm>
#include <cstdio>

namespace tservice::reliability {

namespace {

constexpr std::uint8_t kWriteBlock = 0x45;
constexpr std::uint8_t kBroadcast = 0x46;
constexpr std::size_t kMaxFailureTexts = 40;

bool AwaitsAnswer(std::uint8_t cmd) { return cmd != kWriteBlock && cmd != kBroadcast; }

std::string HexByte(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(v & 0xFF));
    return buf;
}

// Length of the device's undamaged, non-exception answer to a request.
std::size_t NormalLength(const Bytes& req, const sim::Transmitter& dev) {
    switch (req[1]) {
    case 0x11: return 8;
    case 0x44: return static_cast<std::size_t>(std::clamp(dev.blockLen, 0, 255)) + 5;
    case 0x47: return (req.size() == 6 && req[2] == 0x00 && req[3] == 0x01) ? 14 : 5;
    case 0x05: return 8;  // the soak switches only the calibration coil
    case 0x0E: return req.size();
    case 0x0F: return 8;
    case 0x06: return dev.model == kOski ? 9 : 5;
    default: return 5;
    }
}

}  // namespace

FaultSoak::FaultSoak(std::uint32_t seed)
    : rng_(seed), simPort_(line_, clock_), tap_(simPort_, line_, clock_),
      link_(tap_, clock_, messages_), seed_(seed) {
    SetUpLine();
    commands_ = {
        {0x11, {}}, {0x44, {}}, {0x47, {0x00, 0x01}},
        {0x05, {0x10, 0x01, 0xFF, 0x00}}, {0x05, {0x10, 0x01, 0x00, 0x00}},
        {0x0E, {}}, {0x0F, {1, 2, 3, 4}}, {0x06, {0x00, 0x01, 0x12, 0x34}},
        {0x01, {0x00, 0x00, 0x00, 0x01}},  // accepted by the link, unknown to the device
        {0x47, {0x00, 0x02}},              // refused by the device with exception 2
        {0x46, {}}, {0x46, {0x55}},        // nothing awaited; with data a broadcast
    };
    link_.PortName = "COM1";
    if (link_.OpenPort() != 0) Fail(stats_.divergences, "the simulated port did not open");
}

void FaultSoak::SetUpLine() {
    sim::Line::AddDemoDevices(line_);
    line_.Add(5, kTevTs, 3);
    line_.Add(6, kLadr, 4);    // block count above 40: the reading must refuse it
    line_.Add(7, kTevTp, 4);   // stored device number 41: refused as well
    line_.Add(8, 0xFF, 1);     // no model: the caller's model check refuses it
    line_.Add(9, kOski, 2);    // a short block of 20 bytes
    for (sim::Transmitter* d : line_.Devices()) {
        d->correction = static_cast<int>(rng_() % 16);
        d->privileged = rng_() % 2 == 0;
        d->ResetBlock();
        devices_.push_back(d);
    }
    line_.Find(6)->blockLen = 44;
    line_.Find(7)->block[11] = 40;
    line_.Find(9)->blockLen = 20;
}

sim::Transmitter& FaultSoak::PickDevice() {
    // The four demo models most of the time, the odd ones now and then.
    const std::uint32_t r = rng_() % 100;
    if (r < 80) return *devices_[r % 4];
    return *devices_[4 + r % (devices_.size() - 4)];
}

FaultSoak::Scenario FaultSoak::PickScenario() {
    const std::uint32_t r = rng_() % 100;
    if (r < 10) return Scenario::Clean;
    if (r < 35) return Scenario::Mixed;
    if (r < 50) return Scenario::Harsh;
    if (r < 65) return Scenario::Slow;
    if (r < 78) return Scenario::Overdue;
    if (r < 90) return Scenario::LostBeyond;
    return Scenario::Fixed;
}

sim::Faults FaultSoak::MakeFaults(Scenario s) {
    sim::Faults f;
    f.seed = rng_();
    auto rates = [&f](double drop, double trunc, double corrupt, double exc, double late, int lateMs) {
        f.dropRate = drop;
        f.truncateRate = trunc;
        f.corruptRate = corrupt;
        f.exceptionRate = exc;
        f.lateRate = late;
        f.lateMs = lateMs;
    };
    switch (s) {
    case Scenario::Clean: break;
    case Scenario::Mixed: rates(0.08, 0.08, 0.08, 0.03, 0.10, kLateShortMs); break;
    case Scenario::Harsh: rates(0.20, 0.20, 0.30, 0.02, 0.10, kLateShortMs); break;
    case Scenario::Slow: rates(0.10, 0.10, 0.05, 0.03, 0.40, kLateLongMs); break;
    case Scenario::Overdue: rates(0.05, 0.05, 0.05, 0.02, 0.30, kLateOverMs); break;
    case Scenario::LostBeyond: rates(0.05, 0.05, 0.10, 0.02, 0.15, kLateBeyondMs); break;
    case Scenario::Fixed: {
        static constexpr int kCodes[] = {0, 1, 2, 6, 129, 255};
        switch (rng_() % 5) {
        case 0: f.silent = true; break;
        case 1: f.shortHeader = true; break;
        case 2: f.corruptBody = true; break;
        case 3: f.corruptCrc = true; break;
        default: f.exceptionCode = kCodes[rng_() % 6]; break;
        }
        break;
    }
    }
    return f;
}

void FaultSoak::ConfigureLink() {
    auto pick = [this](int usual, int lo, int hi) {
        const std::uint32_t r = rng_() % 100;
        if (r < 50) return usual;
        if (r < 95) return lo + static_cast<int>(rng_() % static_cast<std::uint32_t>(hi - lo + 1));
        return 0;  // counts below 1 mean a single try
    };
    link_.Povt1 = pick(5, 1, 6);
    link_.Povt2 = pick(10, 1, 12);
    link_.DelayOut = std::max(1, pick(25, 1, 100));
}

void FaultSoak::BeginOperation(sim::Transmitter& dev, Scenario s) {
    clock_.Advance(kGapMs);
    lineModel_ = LineModel(simPort_.CharTimeUs(), simPort_.turnaroundMs);
    ConfigureLink();
    dev.faults = MakeFaults(s);
    tap_.records.clear();
}

void FaultSoak::EndOperation() {
    for (sim::Transmitter* d : devices_) {
        d->faults = sim::Faults{};
        d->log.clear();
    }
    tap_.records.clear();
}

void FaultSoak::ChangeLineSettings() {
    static const char* const kBauds[] = {"9600", "19200", "57600", "115200"};
    static constexpr char kParities[] = {'N', 'O', 'E'};
    link_.BaudText = kBauds[rng_() % 4];
    link_.ParityChar = kParities[rng_() % 3];
    link_.StopText = rng_() % 2 ? "2" : "1";
    if (link_.OpenPort() != 0) Fail(stats_.divergences, "the simulated port did not reopen");
}

void FaultSoak::Run(long exchanges) {
    long operations = 0;
    while (stats_.exchanges < exchanges && stats_.Findings() < 1000) {
        if (++operations % 997 == 0) ChangeLineSettings();
        if (rng_() % 2 == 0) Reading();
        else StandaloneExchange();
    }
}

void FaultSoak::StandaloneExchange() {
    sim::Transmitter& dev = PickDevice();
    BeginOperation(dev, PickScenario());
    const Command& c = commands_[rng_() % commands_.size()];
    // Exactly the room the link documents, on the heap, so the sanitizer
    // catches a byte beyond it.
    std::vector<std::uint8_t> answer(kMaxAnswer);
    const int code = link_.Exchange(dev.address - 1, c.cmd, static_cast<std::uint8_t>(c.data.size()),
                                    c.data.empty() ? nullptr : c.data.data(), answer.data());
    ++stats_.standalone;
    if (tap_.records.size() != 1) {
        Fail(stats_.wrongResults, "one exchange made " + std::to_string(tap_.records.size()) + " purges");
    } else {
        CheckRecords({code}, "exchange");
        CheckExchangeBuffer(tap_.records[0], code, answer.data());
    }
    EndOperation();
}

void FaultSoak::Reading() {
    sim::Transmitter& dev = PickDevice();
    BeginOperation(dev, PickScenario());
    int nuCur = dev.address - 1;
    const ReadOutcome out = ReadTransmitter(link_, image_, nuCur);
    ++stats_.readings;
    switch (out.stage) {
    case ReadStage::Done: CheckRecords({0, 0, 0}, "reading"); break;
    case ReadStage::IdentFailed: CheckRecords({out.code}, "reading"); break;
    case ReadStage::BlockFailed: CheckRecords({0, out.code}, "reading"); break;
    case ReadStage::MeasFailed: CheckRecords({0, 0, out.code}, "reading"); break;
    case ReadStage::BadLength:
    case ReadStage::BadNumber:
    case ReadStage::OtherNumber: CheckRecords({0, 0}, "reading"); break;
    }
    const bool complete = JudgeReading(out, image_, nuCur).Accepted();
    if (complete) {
        ++stats_.readingsComplete;
        image_.Vvod = 1;  // what the window does after its acceptance rule
        lastReading_ = image_;
        CheckImage(dev, nuCur);
    } else if (out.stage == ReadStage::Done) {
        image_.Vvod = 0;  // the acceptance rule refused it: nothing of it may be written
    } else if (image_.Vvod != 0) {
        Fail(stats_.incompleteAccepted, "reading of device " + std::to_string(dev.address) +
                                            " stopped at stage " + std::to_string(static_cast<int>(out.stage)) +
                                            " but left Vvod set");
    }
    if (rng_() % 3 == 0) Write(dev, complete);
    EndOperation();
}

void FaultSoak::Write(sim::Transmitter& dev, bool readingComplete) {
    ++stats_.writes;
    clock_.Advance(kGapMs);
    lineModel_ = LineModel(simPort_.CharTimeUs(), simPort_.turnaroundMs);
    tap_.records.clear();
    const Bytes expected = StoredBlock(dev);
    const auto before = dev.block;
    int nuCur = dev.address - 1;
    const WriteOutcome w = WriteTransmitter(link_, image_, lastReading_, nuCur, nuCur);
    for (const ExchangeRecord& rec : tap_.records) {
        for (const TryRecord& t : rec.tries) {
            if (t.request.size() < 4 || t.request[1] != kWriteBlock) continue;
            const Bytes sent(t.request.begin() + 2, t.request.end() - 2);
            if (!readingComplete) Fail(stats_.incompleteWritten, "a block went out without a complete reading");
            else if (sent != expected) Fail(stats_.wrongBlockWritten, "the block sent is not the device's own");
        }
    }
    if (dev.block != before) Fail(stats_.wrongBlockWritten, "the device's stored block changed");
    if (!readingComplete) {
        if (w.stage != WriteStage::NoData || !tap_.records.empty())
            Fail(stats_.incompleteWritten, "a write after an incomplete reading was not refused");
        return;
    }
    switch (w.stage) {
    case WriteStage::Done: ++stats_.writesDone; CheckRecords({0, 0, 0}, "write"); break;
    case WriteStage::IdentFailed: CheckRecords({w.code}, "write"); break;
    case WriteStage::BlockFailed: CheckRecords({0, w.code}, "write"); break;
    case WriteStage::ConfirmFailed: CheckRecords({0, 0, w.code}, "write"); break;
    case WriteStage::NoData:
    case WriteStage::OtherModel:
    case WriteStage::OtherVersion:
    case WriteStage::Refused:
    case WriteStage::NumberTaken:      // the number does not change here
    case WriteStage::ReadBackFailed:   // no reading back in WriteTransmitter
    case WriteStage::ReadBackDiffers:
        Fail(stats_.damagedAccepted, "write after a complete reading stopped at stage " +
                                         std::to_string(static_cast<int>(w.stage)));
        break;
    }
}

void FaultSoak::CheckRecords(const std::vector<int>& codes, const char* what) {
    if (tap_.records.size() != codes.size()) {
        Fail(stats_.wrongResults, std::string(what) + " made " + std::to_string(tap_.records.size()) +
                                      " exchanges; its outcome implies " + std::to_string(codes.size()));
        return;
    }
    for (std::size_t i = 0; i < codes.size(); ++i) CheckExchange(tap_.records[i], codes[i]);
}

void FaultSoak::CheckExchange(const ExchangeRecord& rec, int actualCode) {
    ++stats_.exchanges;
    ++stats_.results[actualCode];
    stats_.tries += static_cast<long>(rec.tries.size());
    if (rec.tries.empty() || rec.tries[0].request.size() < 4) {
        Fail(stats_.wrongResults, "an exchange without a request");
        return;
    }
    const Bytes& req = rec.tries[0].request;
    const std::uint8_t cmd = req[1];
    std::vector<DeviceTry> sent;
    std::vector<std::vector<ReadCall>> reads;
    std::vector<std::int64_t> writeMs;
    for (const TryRecord& t : rec.tries) {
        CountFaults(t, cmd);
        DeviceTry d;
        if (t.hasEvent) d = DeviceTry{t.event.answer, t.event.valid, t.event.delayMs};
        sent.push_back(std::move(d));
        reads.push_back(t.reads);
        writeMs.push_back(t.writeMs);
    }
    const LinkSettings settings{link_.Povt1, link_.Povt2, link_.DelayOut};
    last_ = Expect(req[0], cmd, static_cast<int>(req.size()), settings, rec.startMs, sent, lineModel_);
    for (TryClass c : last_.classes) ++stats_.seen[c];
    const std::string where = "command " + HexByte(cmd) + " to " + std::to_string(req[0]) + ", tries " +
                              std::to_string(link_.Povt1) + "/" + std::to_string(link_.Povt2) +
                              ", pause " + std::to_string(link_.DelayOut) + " ms: link returned " +
                              std::to_string(actualCode) + " after " + std::to_string(rec.tries.size()) +
                              " tries; ";
    const std::string details = Describe(last_, reads, writeMs);
    // The workflows refuse an intact answer too short for its fields (an
    // exception answer with code 0 reads as a normal one) with 128.
    const std::size_t fields = cmd == 0x11 ? 3 : cmd == 0x47 ? 9 : 0;
    if (actualCode == kBadHeader && last_.code == 0 && last_.frame.size() >= 3 && last_.frame[2] < fields)
        actualCode = 0;
    if (last_.ranOut || last_.tries != static_cast<int>(rec.tries.size()) || last_.code != actualCode) {
        Fail(stats_.wrongResults, where + details);
    } else if (last_.reads != reads || last_.writeMs != writeMs) {
        Fail(stats_.divergences, where + "reads or request times differ from the replay\n" + details);
    } else if (actualCode == 0 && AwaitsAnswer(cmd)) {
        if (!last_.frameIntact) Fail(stats_.damagedAccepted, where + "accepted bytes the device did not send intact\n" + details);
        if (last_.frameStale) ++stats_.staleAccepted;
    }
}

void FaultSoak::CheckExchangeBuffer(const ExchangeRecord& rec, int code, const std::uint8_t* answer) {
    if (code != 0 || rec.tries.empty() || !AwaitsAnswer(rec.tries[0].request[1])) return;
    if (last_.frame.empty() || !std::equal(last_.frame.begin(), last_.frame.end(), answer))
        Fail(stats_.damagedAccepted, "the answer buffer differs from the frame accepted");
}

void FaultSoak::CountFaults(const TryRecord& t, std::uint8_t cmd) {
    if (!t.hasEvent || !AwaitsAnswer(cmd)) return;
    const sim::Transmitter* dev = line_.Find(t.request[0]);
    const sim::Event& ev = t.event;
    if (ev.answer.empty()) {
        ++(dev && dev->faults.silent ? stats_.silent : stats_.dropped);
        return;
    }
    if (ev.delayMs >= kLateBeyondMs) ++stats_.lateBeyond;
    else if (ev.delayMs > kLateLongMs) ++stats_.lateOver;
    else if (ev.delayMs > 0) ++stats_.lateWithin;
    const bool exceptionFrame = ev.answer.size() >= 2 && ev.answer[1] == (cmd | 0x80);
    if (ev.valid) {
        if (exceptionFrame) ++stats_.exceptions;
        return;
    }
    const std::size_t normal = exceptionFrame || !dev ? 5 : NormalLength(t.request, *dev);
    ++(ev.answer.size() < normal ? stats_.truncated : stats_.corrupted);
}

Bytes FaultSoak::StoredBlock(const sim::Transmitter& dev) const {
    const std::size_t len = static_cast<std::size_t>(std::clamp(dev.blockLen, 0, kMaxParamLen));
    Bytes b(dev.block.begin(), dev.block.begin() + static_cast<std::ptrdiff_t>(len));
    // The reading keeps the correction code of the identification in bits 4..7.
    if (len > 4) b[4] = static_cast<std::uint8_t>((b[4] & 0x0F) | ((dev.correction & 0x0F) << 4));
    return b;
}

void FaultSoak::CheckImage(const sim::Transmitter& dev, int nuCur) {
    const int len = image_.GetLen();
    const Bytes got(image_.Baza.begin() + 1, image_.Baza.begin() + 1 + std::clamp(len, 0, kMaxParamLen));
    std::string why;
    if (len != dev.blockLen || got != StoredBlock(dev)) why += " block;";
    if (image_.Tip != dev.model || image_.Ver != dev.version) why += " model or version;";
    if (image_.NePriv != (dev.privileged ? 0 : 1)) why += " privilege;";
    if (nuCur != dev.block[11]) why += " device number;";
    // The measurement is the data of the intact answer the last exchange took
    // (the oracle has checked that the device sent it so).
    const Bytes& frame = last_.frame;
    if (frame.size() < 12 || !std::equal(frame.begin() + 3, frame.begin() + 12, image_.Baza.begin() + kMeasIndex))
        why += " measurement;";
    if (!why.empty())
        Fail(stats_.wrongImage, "complete reading of device " + std::to_string(dev.address) + " differs:" + why);
}

std::string FaultSoak::SeenSummary() const {
    std::string s = "the link found per try:";
    for (const auto& [cls, n] : stats_.seen) s += std::string(" ") + TryClassName(cls) + " " + std::to_string(n) + ",";
    s.back() = ';';
    s += " stale intact answers accepted " + std::to_string(stats_.staleAccepted) + "; results:";
    for (const auto& [code, n] : stats_.results) s += " " + std::to_string(code) + "x" + std::to_string(n);
    return s;
}

void FaultSoak::Fail(long& counter, const std::string& text) {
    ++counter;
    if (failures_.size() < kMaxFailureTexts) failures_.push_back(text);
}

std::string FaultSoak::Summary() const {
    const SoakStats& s = stats_;
    char buf[1024];
    std::snprintf(buf, sizeof buf,
                  "soak seed %u: %ld exchanges soaked (%ld tries; %ld single exchanges, %ld readings of "
                  "which %ld complete, %ld writes of which %ld done); faults injected: %ld dropped, "
                  "%ld truncated, %ld corrupted, %ld exception answers, %ld late within the read "
                  "timeouts, %ld late beyond them, %ld late beyond the exchange, %ld silent; wrong "
                  "results %ld; damaged answers accepted %ld; blocks accepted from an incomplete reading %ld; complete "
                  "readings differing from the device %ld; blocks written from an incomplete reading "
                  "%ld; wrong blocks written %ld; oracle divergences %ld",
                  seed_, s.exchanges, s.tries, s.standalone, s.readings, s.readingsComplete, s.writes,
                  s.writesDone, s.dropped, s.truncated, s.corrupted, s.exceptions, s.lateWithin,
                  s.lateOver, s.lateBeyond, s.silent, s.wrongResults, s.damagedAccepted, s.incompleteAccepted,
                  s.wrongImage, s.incompleteWritten, s.wrongBlockWritten, s.divergences);
    return buf;
}

}  // namespace tservice::reliability
