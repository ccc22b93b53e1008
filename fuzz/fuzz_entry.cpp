// Arbitrary texts and key sequences through the checked entry: the exit check
// and its parts agree with one another, an accepted text is a finite number
// within its bounds, every fault reacts once and leaves the field empty and
// white, and the key mapping yields a virtual-key code or 0.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "DeviceImage.h"
#include "Entry.h"
#include "FuzzCheck.h"
#include "KeyMap.h"
#include "Messages.h"

namespace {

using namespace tservice;

class CountingMessages final : public IMessages {
public:
    MsgAnswer Show(const MsgBox& box) override { ++boxes; return box.defaultAnswer; }
    void Plain(const std::string& text) override {
        FUZZ_CHECK(text == " Ошибка ввода ");
        ++plains;
    }
    void Beep() override { ++beeps; }
    void RequestMainClose() override {}
    int boxes = 0, plains = 0, beeps = 0;
};

class FakeField final : public IEntryField {
public:
    void SetRed() override { red = true; }
    void SetWhite() override { red = false; }
    std::string Text() const override { return text; }
    void SetText(const std::string& t) override { text = t; }
    bool red = false;
    std::string text;
};

float AnyFloat(FuzzedDataProvider& in) {
    const std::uint32_t bits = in.ConsumeIntegral<std::uint32_t>();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

bool InBounds(double v, int kind, float tMin, float tMax) {
    switch (kind) {
    case kEntryTemp: return v >= tMin && v <= tMax;
    case kEntryPercent: return v >= 0 && v <= 100;
    case kEntryCoef: return v >= 0 && v <= 9999;
    case kEntryMa: return v >= 0 && v <= 20;
    default: return true;
    }
}

void CheckText(const std::string& text, int kind, float tMin, float tMax) {
    const int rule = JudgeEntryText(text, kind, tMin, tMax);
    FUZZ_CHECK(rule >= 0 && rule <= 5);
    const int chars = JudgeEntryChars(text);
    FUZZ_CHECK(chars >= 0 && chars <= 4);
    if (chars != 0) FUZZ_CHECK(rule == chars);
    double v = 12345.0;
    const bool number = ParseDecimalComma(text, v);
    if (number) FUZZ_CHECK(std::isfinite(v));
    else FUZZ_CHECK(v == 12345.0);
    if (rule == 0) FUZZ_CHECK(number && InBounds(v, kind, tMin, tMax));

    DeviceImage image;
    image.TMin = tMin;
    image.TMax = tMax;
    FakeField field;
    field.text = text;
    CountingMessages messages;
    const int r = CheckEntry(field, kind, image, messages);
    FUZZ_CHECK(r == (rule == 0 ? 0 : 1));
    if (r == 0) {
        FUZZ_CHECK(field.text == text && messages.plains == 0 && messages.beeps == 0);
    } else {
        FUZZ_CHECK(field.text.empty() && !field.red && messages.plains == 1 && messages.beeps == 1);
    }
    FUZZ_CHECK(messages.boxes == 0);
}

// The character a key the filters let through puts into the field.
char Typed(int vk, bool shift) {
    if (vk >= vk::Digit0 && vk <= vk::Digit9) return static_cast<char>('0' + vk - vk::Digit0);
    if (vk >= vk::Pad0 && vk <= vk::Pad9) return static_cast<char>('0' + vk - vk::Pad0);
    if (vk == vk::Comma || vk == vk::PadDecimal || (vk == vk::Slash && shift)) return ',';
    if (vk == vk::Minus || vk == vk::PadMinus) return '-';
    return 0;
}

// Types a key sequence through one of the filters into a field.
void TypeKeys(FuzzedDataProvider& in, bool whole, int kind, float tMin, float tMax) {
    FakeField field;
    CountingMessages messages;
    const int keys = in.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < keys; ++i) {
        const int vk = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, 0xFF) : in.ConsumeIntegral<int>();
        const bool shift = in.ConsumeBool();
        const int before = messages.plains;
        const KeyVerdict ik = JudgeIntKey(vk, field.text.empty());
        const KeyVerdict nk = JudgeNumKey(vk, shift, field.text.empty());
        if (ik == KeyVerdict::Accept && !shift) FUZZ_CHECK(nk == KeyVerdict::Accept);
        if (vk == vk::Enter) FUZZ_CHECK(ik == nk);
        const int r = whole ? CheckIntKey(field, vk, messages) : CheckNumKey(field, vk, shift, messages);
        FUZZ_CHECK(r == 0 || r == 1 || r == 13);
        FUZZ_CHECK((r == 1) == (messages.plains == before + 1));
        if (r == 1) FUZZ_CHECK(field.text.empty() && !field.red);
        if (r == 13) break;
        if (r == 0 && field.text.size() < 8) {
            if (const char c = Typed(vk, shift)) field.text.push_back(c);
        }
    }
    CheckText(field.text, kind, tMin, tMax);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int kind = in.ConsumeIntegralInRange<int>(-1, 6);
    const float tMin = in.ConsumeBool() ? AnyFloat(in) : static_cast<float>(in.ConsumeIntegralInRange<int>(-300, 300));
    const float tMax = in.ConsumeBool() ? AnyFloat(in) : static_cast<float>(in.ConsumeIntegralInRange<int>(-300, 2000));

    const int qtKey = in.ConsumeIntegral<int>();
    const auto scan = in.ConsumeIntegral<std::uint32_t>();
    const auto native = in.ConsumeIntegral<std::uint32_t>();
    const auto mods = Qt::KeyboardModifiers::fromInt(in.ConsumeIntegral<int>());
    const auto source = static_cast<KeySource>(in.ConsumeIntegralInRange<int>(0, 2));
    const int code = VirtualKeyCode(qtKey, scan, native, mods, source);
    FUZZ_CHECK(code >= 0 && code <= 0xFF);

    TypeKeys(in, in.ConsumeBool(), kind, tMin, tMax);
    CheckText(in.ConsumeRandomLengthString(24), kind, tMin, tMax);
    CheckText(in.ConsumeRemainingBytesAsString(), kind, tMin, tMax);
    return 0;
}
