#include "SimLine.h"

#include <algorithm>
#include <stdexcept>

#include "Comportclass.h"

namespace tservice::sim {

namespace {

constexpr int kLadr = 100, kTevTs = 101, kTevTp = 102, kOski = 103;

// Exception codes the transmitters use.
constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalAddress = 2;
constexpr std::uint8_t kIllegalValue = 3;
constexpr std::uint8_t kBusy = 6;

void AppendCrc(std::vector<std::uint8_t>& frame) {
    const std::uint16_t crc = Crc16(frame.data(), static_cast<int>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

// addr, cmd, count, data, CRC.
std::vector<std::uint8_t> Counted(std::uint8_t addr, std::uint8_t cmd,
                                  const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> f;
    f.reserve(data.size() + 5);
    f.push_back(addr);
    f.push_back(cmd);
    f.push_back(static_cast<std::uint8_t>(data.size()));
    for (std::uint8_t b : data) f.push_back(b);
    AppendCrc(f);
    return f;
}

std::vector<std::uint8_t> Exception(std::uint8_t addr, std::uint8_t cmd, std::uint8_t code) {
    std::vector<std::uint8_t> f{addr, static_cast<std::uint8_t>(cmd | 0x80), code};
    AppendCrc(f);
    return f;
}

std::vector<std::uint8_t> Echo(const std::uint8_t* request, int length) {
    return {request, request + length};
}

int Get16(const std::array<std::uint8_t, 40>& b, int off) {
    return static_cast<std::int16_t>(b[off] | (b[off + 1] << 8));
}

void Put16(std::array<std::uint8_t, 40>& b, int off, int v) {
    b[off] = static_cast<std::uint8_t>(v & 0xFF);
    b[off + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

void PushBE(std::vector<std::uint8_t>& out, int v) {
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

bool CrcOk(const std::uint8_t* frame, int length) {
    if (length < 4) return false;
    const std::uint16_t crc = Crc16(frame, length - 2);
    return frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8);
}

int Lerp(int a, int b, int code, int max) {
    return a + static_cast<int>(static_cast<long long>(b - a) * code / max);
}

// Raw ADC codes as the calibration points map the measured codes.
void DeriveRaw(Transmitter& t) {
    t.kodAcp = Lerp(Get16(t.block, 0), Get16(t.block, 2), t.rez, t.ScaleMax());
    if (t.model == kTevTp) t.kodTxc = Lerp(Get16(t.block, 12), Get16(t.block, 14), t.txc, 8191);
}

}  // namespace

Transmitter::Transmitter(int address_, int model_, int version_)
    : address(address_), model(model_), version(version_),
      rng_(static_cast<std::uint32_t>(address_ * 7919 + model_)) {
    ResetBlock();
}

int Transmitter::ScaleMax() const {
    return (model == kLadr || model == kOski) ? 16383 : 8191;
}

void Transmitter::ResetBlock() {
    block.fill(0);
    blockLen = 40;
    const int max = ScaleMax();
    const bool tev = model == kTevTs || model == kTevTp;
    Put16(block, 0, tev ? 1180 : 2410);    // KBegSk
    Put16(block, 2, tev ? 30720 : 28650);  // KEndSk
    block[4] = static_cast<std::uint8_t>((correction & 0x0F) << 4);  // Rejim: LH, ток min, нр
    if (model != kOski) {
        Put16(block, 5, max / 5);       // UstKod1 at 20 %
        Put16(block, 7, max * 4 / 5);   // UstKod2 at 80 %
    }
    if (model == kTevTs) { block[9] = 2; block[10] = 17; block[12] = 1; }  // Pt100, -50…100, 4-wire
    if (model == kTevTp) {
        block[9] = 2;              // XA(K)
        block[10] = 1;
        Put16(block, 12, 2150);    // BegSkTxc (0 °C)
        Put16(block, 14, 27300);   // EndSkTxc (100 °C)
        Put16(block, 16, 41);      // KTxc
    }
    block[11] = static_cast<std::uint8_t>(std::clamp(address - 1, 0, 31));
    block[39] = 0x5A;  // not interpreted by the tool; nonzero so round trips show it survives
    rez = max * 2 / 5;
    txc = model == kTevTp ? 2048 : 0;  // about 25 °C at the cold junction
    kodTxc = 0;
    DeriveRaw(*this);
}

std::uint8_t Transmitter::Sost() const {
    const int max = ScaleMax();
    std::uint8_t s = 0;
    if (model != kOski) {
        const int u1 = Get16(block, 5), u2 = Get16(block, 7);
        switch (block[4] & 0x03) {
        case 0: s |= (rez < u1 ? 1 : 0) | (rez > u2 ? 2 : 0); break;  // LH
        case 1: s |= (rez < u1 ? 1 : 0) | (rez < u2 ? 2 : 0); break;  // LL
        case 2: s |= (rez > u1 ? 1 : 0) | (rez > u2 ? 2 : 0); break;  // HH
        default: break;
        }
    }
    if (rez < 0) s |= 0x20;
    if (rez > max) s |= 0x40;
    if (kodAcp >= 32767 || kodAcp <= -32768) s |= 0x80;
    return s;
}

void Transmitter::SetInputPercent(double percent) {
    const double code = std::clamp(percent, -200.0, 300.0) * ScaleMax() / 100.0;
    anchor_ = static_cast<int>(code < 0 ? code - 0.5 : code + 0.5);
    anchored_ = true;
    rez = anchor_;
    DeriveRaw(*this);
}

void Transmitter::Drift() {
    if (anchored_) {
        std::uniform_int_distribution<int> step(-std::max(drift, 0), std::max(drift, 0));
        rez = anchor_ + step(rng_);
        DeriveRaw(*this);
        return;
    }
    if (drift <= 0) return;
    const int max = ScaleMax();
    const int lo = max / 20, hi = max - max / 20;
    if (rez >= lo && rez <= hi) {
        std::uniform_int_distribution<int> step(-drift, drift);
        rez = std::clamp(rez + step(rng_), lo, hi);
    }
    if (model == kTevTp && txc > 1000 && txc < 4000) {
        std::uniform_int_distribution<int> step(-1, 1);
        txc += step(rng_);
    }
    DeriveRaw(*this);
}

namespace {

// 0x45: a block of another length, or one naming a number off the line, is
// refused whole: half a parameter set is worse than none.
void WriteBlock(Transmitter& t, const std::uint8_t* d, int dlen) {
    if (dlen != t.blockLen || dlen > 40 || dlen <= 11 || d[11] > 31) return;
    std::copy_n(d, dlen, t.block.begin());
    t.correction = t.block[4] >> 4;
    t.address = t.block[11] + 1;
    ++t.writes;
}

std::vector<std::uint8_t> Measurement(Transmitter& t, std::uint8_t a, std::uint8_t cmd,
                                      const std::uint8_t* d, int dlen) {
    if (dlen != 2 || d[0] != 0x00 || d[1] != 0x01) return Exception(a, cmd, kIllegalAddress);
    if (t.outputControl) t.rez = t.outputRegister; else t.Drift();
    std::vector<std::uint8_t> m;
    PushBE(m, t.rez);
    m.push_back(t.Sost());
    PushBE(m, t.kodAcp);
    PushBE(m, t.txc);
    PushBE(m, t.kodTxc);
    return Counted(a, cmd, m);
}

// 0x05: coil 0x1001 calibration mode, 0x1002 output control (ОСКИ only).
std::vector<std::uint8_t> Switch(Transmitter& t, const std::uint8_t* req, int len) {
    const std::uint8_t a = req[0], cmd = req[1];
    const std::uint8_t* d = req + 2;
    if (len != 8) return Exception(a, cmd, kIllegalValue);
    const int coil = d[0] << 8 | d[1], value = d[2] << 8 | d[3];
    if (value != 0xFF00 && value != 0x0000) return Exception(a, cmd, kIllegalValue);
    if (coil == 0x1001) t.calibrationMode = value != 0;
    else if (coil == 0x1002 && t.model == kOski) t.outputControl = value != 0;
    else return Exception(a, cmd, kIllegalAddress);
    return Echo(req, len);
}

// 0x06: register 1 is the output code of ОСКИ.
std::vector<std::uint8_t> SetRegister(Transmitter& t, std::uint8_t a, std::uint8_t cmd,
                                      const std::uint8_t* d, int dlen) {
    if (t.model != kOski) return Exception(a, cmd, kIllegalFunction);
    if (dlen != 4) return Exception(a, cmd, kIllegalValue);
    if ((d[0] << 8 | d[1]) != 0x0001) return Exception(a, cmd, kIllegalAddress);
    t.outputRegister = static_cast<std::int16_t>(d[2] << 8 | d[3]);
    if (t.outputControl) t.rez = t.outputRegister;
    // Counted echo of the data: the tool reads this command's answer by its
    // count byte, so a bare Modbus echo would never pass its CRC check.
    return Counted(a, cmd, {d, d + 4});
}

}  // namespace

std::vector<std::uint8_t> Transmitter::Execute(const std::uint8_t* req, int len) {
    const std::uint8_t a = req[0], cmd = req[1];
    const int dlen = len - 4;
    const std::uint8_t* d = req + 2;
    switch (cmd) {
    case 0x11:
        return Counted(a, cmd, {static_cast<std::uint8_t>(version),
                                static_cast<std::uint8_t>((correction & 0x0F) << 4),
                                static_cast<std::uint8_t>(model)});
    case 0x44: {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(std::clamp(blockLen, 0, 255)), 0);
        std::copy_n(block.begin(), std::min<std::size_t>(data.size(), block.size()), data.begin());
        if (data.size() > 4) data[4] = static_cast<std::uint8_t>((data[4] & 0x7F) | (privileged ? 0 : 0x80));
        return Counted(a, cmd, data);
    }
    case 0x45: WriteBlock(*this, d, dlen); return {};
    case 0x46: return {};
    case 0x0E: ++confirmations; return Echo(req, len);
    case 0x47: return Measurement(*this, a, cmd, d, dlen);
    case 0x05: return Switch(*this, req, len);
    case 0x06: return SetRegister(*this, a, cmd, d, dlen);
    case 0x0F: {
        std::vector<std::uint8_t> f{a, cmd};
        for (int i = 0; i < 4; ++i) f.push_back(i < dlen ? d[i] : 0);
        AppendCrc(f);
        return f;
    }
    default: return Exception(a, cmd, kIllegalFunction);
    }
}

double Transmitter::Draw() {
    if (!faultSeeded_ || faultSeed_ != faults.seed) {
        faultRng_.seed(faults.seed);
        faultSeed_ = faults.seed;
        faultSeeded_ = true;
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(faultRng_);
}

std::vector<std::uint8_t> Transmitter::Answer(const std::uint8_t* req, int len, int* delayMs) {
    Event ev;
    ev.request.assign(req, req + len);
    const Faults& f = faults;
    if (f.silent || (f.muteAfterWrite && writes > 0)) {
        ev.valid = false;
        log.push_back(std::move(ev));
        return {};
    }
    // One draw per knob in a fixed order, so a seed replays the same faults.
    const bool drop = Draw() < f.dropRate;
    const bool exc = Draw() < f.exceptionRate;
    const bool trunc = Draw() < f.truncateRate;
    const bool corrupt = Draw() < f.corruptRate;
    const bool late = Draw() < f.lateRate;

    std::vector<std::uint8_t> frame;
    if (f.exceptionCode >= 0) frame = Exception(req[0], req[1], static_cast<std::uint8_t>(f.exceptionCode));
    else if (exc) frame = Exception(req[0], req[1], kBusy);
    else frame = Execute(req, len);

    std::vector<std::uint8_t> line = drop ? std::vector<std::uint8_t>{} : frame;
    if (!line.empty()) {
        if (f.shortHeader && line.size() > 2) line.resize(2);
        if (f.corruptBody && line.size() > 3) line[3] ^= 0xA5;
        if (f.corruptCrc && line.size() >= 4) line.back() ^= 0x5A;
        if (trunc && line.size() > 1) {
            std::uniform_int_distribution<std::size_t> cut(1, line.size() - 1);
            line.resize(cut(faultRng_));
        }
        if (corrupt) {
            std::uniform_int_distribution<std::size_t> bit(0, line.size() * 8 - 1);
            const std::size_t b = bit(faultRng_);
            line[b / 8] ^= static_cast<std::uint8_t>(1u << (b % 8));
        }
    }
    ev.delayMs = (late && !line.empty()) ? f.lateMs : 0;
    ev.answer = line;
    ev.valid = line == frame;
    if (delayMs) *delayMs = ev.delayMs;
    log.push_back(std::move(ev));
    return line;
}

Transmitter& Line::Add(int address, int model, int version) {
    if (address < 1 || address > 32) throw std::invalid_argument("device address outside 1..32");
    devices_.push_back(std::make_unique<Transmitter>(address, model, version));
    return *devices_.back();
}

Transmitter* Line::Find(int address) {
    for (auto& d : devices_)
        if (d->address == address) return d.get();
    return nullptr;
}

std::vector<Transmitter*> Line::Devices() {
    std::vector<Transmitter*> out;
    for (auto& d : devices_) out.push_back(d.get());
    return out;
}

bool Line::Hears(const Transmitter& t) const {
    const Framing& l = t.listen;
    return (l.baud == 0 || l.baud == framing_.baud) && (l.anyParity || l.parity == framing_.parity) &&
           (l.stopBits == 0 || l.stopBits == framing_.stopBits);
}

std::vector<std::uint8_t> Line::Handle(const std::uint8_t* request, int length, int* delayMs) {
    if (delayMs) *delayMs = 0;
    if (request == nullptr || !CrcOk(request, length)) {
        ++ignoredRequests;
        return {};
    }
    const std::uint8_t addr = request[0], cmd = request[1];
    if (addr == 0) {
        // Broadcast: everybody listens, nobody answers.
        for (auto& d : devices_) {
            if (d->faults.silent || !Hears(*d)) continue;
            if (cmd == 0x46) ++d->broadcasts;
            d->log.push_back(Event{{request, request + length}, {}, true, 0});
        }
        return {};
    }
    // Pick the addressees first: a block write moves its device elsewhere.
    std::vector<Transmitter*> targets;
    for (auto& d : devices_)
        if (d->address == addr && Hears(*d)) targets.push_back(d.get());
    std::vector<std::uint8_t> line;
    std::vector<Event*> answered;
    for (Transmitter* d : targets) {
        int delay = 0;
        std::vector<std::uint8_t> bytes = d->Answer(request, length, &delay);
        if (bytes.empty()) continue;
        if (delayMs) *delayMs = std::max(*delayMs, delay);
        if (!answered.empty()) {
            // RS-485 collision: a dominant zero wins on every bit.
            if (bytes.size() > line.size()) line.resize(bytes.size(), 0xFF);
            for (std::size_t i = 0; i < bytes.size(); ++i) line[i] &= bytes[i];
        } else {
            line = bytes;
        }
        answered.push_back(&d->log.back());
    }
    if (answered.size() > 1)
        for (Event* e : answered) e->valid = e->valid && e->answer == line;
    return line;
}

void Line::AddDemoDevices(Line& line) {
    line.Add(1, kLadr, 5);
    line.Add(2, kTevTs, 5);
    line.Add(3, kTevTp, 4);
    line.Add(4, kOski, 2);
}

}  // namespace tservice::sim
