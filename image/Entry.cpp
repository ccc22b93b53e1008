#include "Entry.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "Number.h"

namespace tservice {

namespace {

constexpr int kExaminedChars = 7;

bool IsDigitKey(int code) {
    return (code >= vk::Digit0 && code <= vk::Digit9) || (code >= vk::Pad0 && code <= vk::Pad9);
}

// Editing and lock keys that both filters let through untouched.
bool IsNeutralKey(int code) {
    switch (code) {
    case vk::Back: case vk::Delete: case vk::Shift: case vk::Ctrl:
    case vk::Left: case vk::Right: case vk::NumLock: case vk::CapsLock:
        return true;
    default:
        return false;
    }
}

// Splits UTF-8 into characters (a lead byte and its continuation bytes), so
// "б" counts as one character as it did in the single-byte code page.
std::vector<std::string_view> Characters(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t n = 1;
        while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
        out.push_back(text.substr(i, n));
        i += n;
    }
    return out;
}

}  // namespace

KeyVerdict JudgeIntKey(int vkCode, bool fieldEmpty) {
    if (vkCode == vk::Enter) return fieldEmpty ? KeyVerdict::Fault : KeyVerdict::Enter;
    if (IsDigitKey(vkCode) || IsNeutralKey(vkCode)) return KeyVerdict::Accept;
    return KeyVerdict::Fault;
}

KeyVerdict JudgeNumKey(int vkCode, bool shift, bool fieldEmpty) {
    if (vkCode == vk::Enter) return fieldEmpty ? KeyVerdict::Fault : KeyVerdict::Enter;
    if (IsNeutralKey(vkCode)) return KeyVerdict::Accept;
    bool ok = false;
    if (IsDigitKey(vkCode)) ok = !shift;
    else if (vkCode == vk::PadDecimal || vkCode == vk::PadMinus) ok = true;
    else if (vkCode == vk::Comma || vkCode == vk::Minus) ok = !shift;
    else if (vkCode == vk::Slash) ok = shift;
    return ok ? KeyVerdict::Accept : KeyVerdict::Fault;
}

bool ParseDecimalComma(const std::string& text, double& value) {
    const std::optional<double> v = ReadNumber(text, kCommaNumber);
    if (v) value = *v;
    return v.has_value();
}

int JudgeEntryChars(const std::string& text) {
    if (text.empty()) return 1;
    const std::vector<std::string_view> chars = Characters(text);
    const std::size_t examined = std::min<std::size_t>(chars.size(), kExaminedChars);

    int commas = 0;
    for (std::size_t i = 0; i < examined; ++i) commas += chars[i] == ",";
    const bool commaIsLast = chars.size() <= kExaminedChars && chars.back() == ",";
    if (commas > 1 || (commas == 1 && commaIsLast)) return 2;

    for (std::size_t i = 0; i < examined; ++i)
        if (chars[i] == "б" || chars[i] == "Б" || chars[i] == "?") return 3;

    int minuses = 0;
    for (std::size_t i = 0; i < examined; ++i) {
        if (chars[i] != "-") continue;
        if (++minuses > 1 || i > 0) return 4;
    }
    if (text == "-") return 4;
    return 0;
}

int JudgeEntryTextIn(const std::string& text, double lo, double hi) {
    if (const int rule = JudgeEntryChars(text); rule != 0) return rule;
    double v = 0.0;
    if (!ParseDecimalComma(text, v)) return 5;
    return (v >= lo && v <= hi) ? 0 : 5;
}

int JudgeEntryText(const std::string& text, int kind, float tMin, float tMax) {
    switch (kind) {
    case kEntryTemp: return JudgeEntryTextIn(text, tMin, tMax);
    case kEntryPercent: return JudgeEntryTextIn(text, 0.0, 100.0);
    case kEntryCoef: return JudgeEntryTextIn(text, 0.0, kMaxKTxc);
    case kEntryMa: return JudgeEntryTextIn(text, 0.0, 20.0);
    default: return JudgeEntryTextIn(text, -HUGE_VAL, HUGE_VAL);
    }
}

void ShowEntryError(IEntryField& field, IMessages& messages) {
    field.SetRed();
    messages.Beep();
    messages.Plain(" Ошибка ввода ");
    field.SetWhite();
    field.SetText("");
}

namespace {

int React(IEntryField& field, KeyVerdict verdict, IMessages& messages) {
    switch (verdict) {
    case KeyVerdict::Accept: return 0;
    case KeyVerdict::Enter: return 13;
    case KeyVerdict::Fault: break;
    }
    ShowEntryError(field, messages);
    return 1;
}

}  // namespace

int CheckIntKey(IEntryField& field, int vkCode, IMessages& messages) {
    return React(field, JudgeIntKey(vkCode, field.Text().empty()), messages);
}

int CheckNumKey(IEntryField& field, int vkCode, bool shift, IMessages& messages) {
    return React(field, JudgeNumKey(vkCode, shift, field.Text().empty()), messages);
}

int CheckEntry(IEntryField& field, int kind, const DeviceImage& image, IMessages& messages) {
    if (JudgeEntryText(field.Text(), kind, image.TMin, image.TMax) == 0) return 0;
    ShowEntryError(field, messages);
    return 1;
}

}  // namespace tservice
