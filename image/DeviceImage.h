#pragma once
// DeviceImage: the in-memory copy of one transmitter's parameter set ("база
// данных"), its last measurement and the window's working state about it.
// Baza[0] = Len, Baza[1..40] the parameter block as on the wire (16-bit words
// signed little-endian), Baza[41..49] the measurement block (signed
// big-endian). No widgets, no I/O.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QWidget;  // focus record only; never dereferenced here

namespace tservice {

inline constexpr int kMaxParamLen = 40;   // Baza[1..40]
inline constexpr int kMeasIndex = 41;     // Baza[41..49]
inline constexpr int kMeasLen = 9;
inline constexpr int kBazaSize = 52;

// Code scales: a ТЕВ's range, setpoints and cold junction run over
// 0..kTevScale, a ЛАДР's or ОСКИ's output over 0..kLadrScale (4..20 mA).
inline constexpr int kTevScale = 8191;
inline constexpr int kLadrScale = 16383;
// Bits of the measurement's state byte (Sost): a setpoint crossed, the input
// beyond the range.
inline constexpr std::uint8_t kAlarmBits = 0x03;
inline constexpr std::uint8_t kOverflowBits = 0xE0;
// Largest cold-junction coefficient KTxc a ТЕВ-ТП takes.
inline constexpr int kMaxKTxc = 9999;

// Model codes.
inline constexpr int kLadr = 100;
inline constexpr int kTevTs = 101;
inline constexpr int kTevTp = 102;
inline constexpr int kOski = 103;

class DeviceImage {
public:
    DeviceImage() { Clear(); }

    std::array<std::uint8_t, kBazaSize> Baza{};

    // Focus record: the control that last started a change. Not owned; setting
    // one clears the other two.
    QWidget* FocusEdit() const { return focusEdit_; }
    QWidget* FocusButton() const { return focusButton_; }
    QWidget* FocusCombo() const { return focusCombo_; }
    void SetFocusEdit(QWidget* w) { focusEdit_ = w; focusButton_ = nullptr; focusCombo_ = nullptr; }
    void SetFocusButton(QWidget* w) { focusButton_ = w; focusEdit_ = nullptr; focusCombo_ = nullptr; }
    void SetFocusCombo(QWidget* w) { focusCombo_ = w; focusEdit_ = nullptr; focusButton_ = nullptr; }

    std::int32_t Tip = 0;
    std::int32_t Ver = 0;
    std::int32_t NePriv = 0;
    std::int32_t Izmen = 0;
    std::int32_t IzmenTipD = 0;
    std::int32_t Vvod = 0;
    std::int32_t VidOk = 0;
    std::int32_t DiapStand = 0;
    float TMin = 0.0f;
    float TMax = 0.0f;

    // Receives the trace text of PutNu ("PutNu " + Diap); may be empty.
    std::function<void(const std::string&)> Trace;

    // All zero: Len 0, no transmitter, flags clear, no focus. Trace is kept.
    void Clear();

    // Block copies. answer is a whole answer frame (address, command, count,
    // data...). TakeBlock copies Len bytes from answer[3]; returns false and
    // copies nothing when Len > 40. TakeMeas copies answer[3..11].
    bool TakeBlock(const std::uint8_t* answer);
    void TakeMeas(const std::uint8_t* answer);
    // Copies Baza[1..Len] to data[0..Len-1] (room for Len bytes); nothing
    // when Len is 0 or, against the invariant, above 40.
    void GiveBlock(std::uint8_t* data) const;

    // Byte fields. PutLen refuses (returns false, keeps Len) a count above 40.
    std::int32_t GetLen() const;
    bool PutLen(std::int32_t v);
    std::int32_t GetTipD() const;
    void PutTipD(std::int32_t v);
    std::int32_t GetDiap() const;
    void PutDiap(std::int32_t v);
    std::int32_t GetNu() const;
    void PutNu(std::int32_t v);  // also traces "PutNu " + Diap
    std::int32_t GetConnect() const;
    void PutConnect(std::int32_t v);
    std::int32_t GetSost() const;

    // Signed 16-bit little-endian parameter words; setters store the low 16 bits.
    std::int32_t GetKBegSk() const;
    void PutKBegSk(std::int32_t v);
    std::int32_t GetKEndSk() const;
    void PutKEndSk(std::int32_t v);
    std::int32_t GetUstKod1() const;
    void PutUstKod1(std::int32_t v);
    std::int32_t GetUstKod2() const;
    void PutUstKod2(std::int32_t v);
    std::int32_t GetBegSkTxc() const;
    void PutBegSkTxc(std::int32_t v);
    std::int32_t GetEndSkTxc() const;
    void PutEndSkTxc(std::int32_t v);
    std::int32_t GetKTxc() const;
    void PutKTxc(std::int32_t v);
    std::int32_t GetNonStandMin() const;
    void PutNonStandMin(std::int32_t v);
    std::int32_t GetNonStandMax() const;
    void PutNonStandMax(std::int32_t v);
    // k 0..7; any other k is ignored (getter returns 0).
    std::int32_t GetNonStandY(int k) const;
    void PutNonStandY(int k, std::int32_t v);

    // Signed 16-bit big-endian measurement words (read only).
    std::int32_t GetRez() const;
    std::int32_t GetKodACP() const;
    std::int32_t GetTxc() const;
    std::int32_t GetKodTxc() const;

    // Rejim bit fields; setters keep the other bits and do not mask.
    std::int32_t GetTipSign() const;
    void PutTipSign(std::int32_t v);
    std::int32_t GetBreak() const;
    void PutBreak(std::int32_t v);
    std::int32_t GetTipK() const;
    void PutTipK(std::int32_t v);
    // Output-current correction code, bits 4..7 (0..15).
    std::int32_t GetCurrent() const;
    void PutCurrent(std::int32_t v);
    // Bits 0..3 of Baza[13] (ЛАДР, ОСКИ) or Baza[39] (ТЕВ), by Tip. For any
    // other Tip the getter returns 0 and the setter changes nothing.
    std::int32_t GetCurrentEnd() const;
    void PutCurrentEnd(std::int32_t v);

    // NePriv := bit 7 of Baza[5].
    void TakePriv();
    std::int32_t GetNePriv() const { return NePriv; }

    // TMin + (TMax - TMin) * code / kTevScale in long double, rounded to float.
    float ToTemp(std::int32_t code) const;

private:
    std::int32_t GetWordLE(int index) const;
    void PutWordLE(int index, std::int32_t v);
    std::int32_t GetWordBE(int index) const;

    QWidget* focusEdit_ = nullptr;
    QWidget* focusButton_ = nullptr;
    QWidget* focusCombo_ = nullptr;
};

}  // namespace tservice
