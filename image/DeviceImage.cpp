#include "DeviceImage.h"

#include "Models.h"

#include <algorithm>

namespace tservice {

namespace {

// Rejim and the bytes that offset 12 / 38 of the block land on.
constexpr int kRejim = 5;
constexpr int kTipD = 10;
constexpr int kDiap = 11;
constexpr int kNu = 12;
constexpr int kOffset12 = 13;
constexpr int kOffset38 = 39;
constexpr int kSost = 43;

// Replaces the bits of `mask` in b by v << shift. v is deliberately not masked:
// callers pass list indexes that already fit the field.
std::uint8_t SetBits(std::uint8_t b, std::uint8_t mask, std::int32_t v, int shift) {
    return static_cast<std::uint8_t>((b & ~mask) | (v << shift));
}

}  // namespace

void DeviceImage::Clear() {
    Baza.fill(0);
    Tip = 0;
    Ver = 0;
    NePriv = 0;
    Izmen = 0;
    IzmenTipD = 0;
    Vvod = 0;
    VidOk = 0;
    DiapStand = 0;
    TMin = 0.0f;
    TMax = 0.0f;
    focusEdit_ = nullptr;
    focusButton_ = nullptr;
    focusCombo_ = nullptr;
    // Trace is wiring to the window, not state about a transmitter: kept.
}

bool DeviceImage::TakeBlock(const std::uint8_t* answer) {
    const int len = GetLen();
    if (len > kMaxParamLen) return false;  // would run into the measurement block
    if (len > 0) std::copy_n(answer + 3, len, Baza.begin() + 1);
    return true;
}

void DeviceImage::TakeMeas(const std::uint8_t* answer) {
    std::copy_n(answer + 3, kMeasLen, Baza.begin() + kMeasIndex);
}

void DeviceImage::GiveBlock(std::uint8_t* data) const {
    const int len = GetLen();
    if (len <= 0 || len > kMaxParamLen) return;  // Len is never above 40 through PutLen
    std::copy_n(Baza.begin() + 1, len, data);
}

std::int32_t DeviceImage::GetLen() const { return Baza[0]; }

bool DeviceImage::PutLen(std::int32_t v) {
    if (v < 0 || v > kMaxParamLen) return false;
    Baza[0] = static_cast<std::uint8_t>(v);
    return true;
}

std::int32_t DeviceImage::GetTipD() const { return Baza[kTipD]; }
void DeviceImage::PutTipD(std::int32_t v) { Baza[kTipD] = static_cast<std::uint8_t>(v); }
std::int32_t DeviceImage::GetDiap() const { return Baza[kDiap]; }
void DeviceImage::PutDiap(std::int32_t v) { Baza[kDiap] = static_cast<std::uint8_t>(v); }
std::int32_t DeviceImage::GetNu() const { return Baza[kNu]; }

void DeviceImage::PutNu(std::int32_t v) {
    Baza[kNu] = static_cast<std::uint8_t>(v);
    if (Trace) Trace("PutNu " + std::to_string(GetDiap()));
}

std::int32_t DeviceImage::GetConnect() const { return Baza[kOffset12]; }
void DeviceImage::PutConnect(std::int32_t v) { Baza[kOffset12] = static_cast<std::uint8_t>(v); }
std::int32_t DeviceImage::GetSost() const { return Baza[kSost]; }

std::int32_t DeviceImage::GetWordLE(int index) const {
    return static_cast<std::int16_t>(Baza[index] | (Baza[index + 1] << 8));
}

void DeviceImage::PutWordLE(int index, std::int32_t v) {
    Baza[index] = static_cast<std::uint8_t>(v & 0xFF);
    Baza[index + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

std::int32_t DeviceImage::GetWordBE(int index) const {
    return static_cast<std::int16_t>((Baza[index] << 8) | Baza[index + 1]);
}

std::int32_t DeviceImage::GetKBegSk() const { return GetWordLE(1); }
void DeviceImage::PutKBegSk(std::int32_t v) { PutWordLE(1, v); }
std::int32_t DeviceImage::GetKEndSk() const { return GetWordLE(3); }
void DeviceImage::PutKEndSk(std::int32_t v) { PutWordLE(3, v); }
std::int32_t DeviceImage::GetUstKod1() const { return GetWordLE(6); }
void DeviceImage::PutUstKod1(std::int32_t v) { PutWordLE(6, v); }
std::int32_t DeviceImage::GetUstKod2() const { return GetWordLE(8); }
void DeviceImage::PutUstKod2(std::int32_t v) { PutWordLE(8, v); }
std::int32_t DeviceImage::GetBegSkTxc() const { return GetWordLE(13); }
void DeviceImage::PutBegSkTxc(std::int32_t v) { PutWordLE(13, v); }
std::int32_t DeviceImage::GetEndSkTxc() const { return GetWordLE(15); }
void DeviceImage::PutEndSkTxc(std::int32_t v) { PutWordLE(15, v); }
std::int32_t DeviceImage::GetKTxc() const { return GetWordLE(17); }
void DeviceImage::PutKTxc(std::int32_t v) { PutWordLE(17, v); }
std::int32_t DeviceImage::GetNonStandMin() const { return GetWordLE(19); }
void DeviceImage::PutNonStandMin(std::int32_t v) { PutWordLE(19, v); }
std::int32_t DeviceImage::GetNonStandMax() const { return GetWordLE(21); }
void DeviceImage::PutNonStandMax(std::int32_t v) { PutWordLE(21, v); }

// k outside 0..7 would reach Baza[39..] and beyond; such a call is ignored
// (getter 0) rather than corrupting the correction byte or the measurement.
std::int32_t DeviceImage::GetNonStandY(int k) const {
    if (k < 0 || k > 7) return 0;
    return GetWordLE(23 + 2 * k);
}

void DeviceImage::PutNonStandY(int k, std::int32_t v) {
    if (k < 0 || k > 7) return;
    PutWordLE(23 + 2 * k, v);
}

std::int32_t DeviceImage::GetRez() const { return GetWordBE(41); }
std::int32_t DeviceImage::GetKodACP() const { return GetWordBE(44); }
std::int32_t DeviceImage::GetTxc() const { return GetWordBE(46); }
std::int32_t DeviceImage::GetKodTxc() const { return GetWordBE(48); }

std::int32_t DeviceImage::GetTipSign() const { return Baza[kRejim] & 0x03; }
void DeviceImage::PutTipSign(std::int32_t v) { Baza[kRejim] = SetBits(Baza[kRejim], 0x03, v, 0); }
std::int32_t DeviceImage::GetBreak() const { return (Baza[kRejim] >> 2) & 0x01; }
void DeviceImage::PutBreak(std::int32_t v) { Baza[kRejim] = SetBits(Baza[kRejim], 0x04, v, 2); }
std::int32_t DeviceImage::GetTipK() const { return (Baza[kRejim] >> 3) & 0x01; }
void DeviceImage::PutTipK(std::int32_t v) { Baza[kRejim] = SetBits(Baza[kRejim], 0x08, v, 3); }
std::int32_t DeviceImage::GetCurrent() const { return Baza[kRejim] >> 4; }
void DeviceImage::PutCurrent(std::int32_t v) { Baza[kRejim] = SetBits(Baza[kRejim], 0xF0, v, 4); }

// Only ЛАДР/ОСКИ and the two ТЕВ models carry the code; for any other Tip the
// bytes mean something else (or nothing), so they are neither read nor touched.
std::int32_t DeviceImage::GetCurrentEnd() const {
    if (!IsServedModel(Tip)) return 0;
    return (IsTev(Tip) ? Baza[kOffset38] : Baza[kOffset12]) & 0x0F;
}

void DeviceImage::PutCurrentEnd(std::int32_t v) {
    if (!IsServedModel(Tip)) return;
    const int at = IsTev(Tip) ? kOffset38 : kOffset12;
    Baza[at] = SetBits(Baza[at], 0x0F, v, 0);
}

void DeviceImage::TakePriv() { NePriv = (Baza[kRejim] >> 7) & 0x01; }

float DeviceImage::ToTemp(std::int32_t code) const {
    const long double lo = TMin;
    const long double hi = TMax;
    return static_cast<float>(lo + (hi - lo) * code / static_cast<long double>(kTevScale));
}

}  // namespace tservice
