#pragma once
// Checked entry of numeric values: a key filter judges each key as it is
// pressed, an exit check judges the whole text when the field is left, and
// both react to a fault in one way (red field, beep, " Ошибка ввода ",
// white, empty). Judging is pure; the reaction goes through IEntryField and
// IMessages so it runs the same under a window and under tests.
#include <string>

#include "DeviceImage.h"
#include "Messages.h"

namespace tservice {

enum class KeyVerdict { Accept, Enter, Fault };

// Value kinds of the exit check (bounds inclusive).
enum EntryKind : int {
    kEntryTemp = 1,     // TMin..TMax of the image, °C
    kEntryPercent = 2,  // 0..100 %
    kEntryCoef = 3,     // 0..9999
    kEntryMa = 4,       // 0..20 mA
    // any other kind: every number that passes the character rules
};

// Windows virtual-key codes the filters know by name.
namespace vk {
inline constexpr int Back = 0x08, Enter = 0x0D, Shift = 0x10, Ctrl = 0x11, CapsLock = 0x14;
inline constexpr int Left = 0x25, Right = 0x27, Delete = 0x2E;
inline constexpr int Digit0 = 0x30, Digit9 = 0x39, Pad0 = 0x60, Pad9 = 0x69;
inline constexpr int PadMinus = 0x6D, PadDecimal = 0x6E, NumLock = 0x90;
inline constexpr int Comma = 0xBC, Minus = 0xBD, Slash = 0xBF;
}  // namespace vk

// Whole-number filter: digits (main row or pad, Shift not looked at), editing
// and lock keys pass; Enter is Enter, or Fault on an empty field; all else Fault.
KeyVerdict JudgeIntKey(int vkCode, bool fieldEmpty);
// Signed-decimal filter: as JudgeIntKey, but digits only without Shift, and
// the pad's decimal and minus, comma and minus without Shift, and the slash
// key with Shift (the comma of the Russian layout) pass too.
KeyVerdict JudgeNumKey(int vkCode, bool shift, bool fieldEmpty);

// Reads a comma-decimal number: optional leading '-', digits, at most one ','
// followed by a digit ("-12,5", ",5", "12" read; "", "-", "12,", "1,2,3",
// "1a", "12.5", " 1" do not). Returns false (value untouched) when the whole
// text is not such a finite number.
bool ParseDecimalComma(const std::string& text, double& value);

// Character rules of the exit check on the first seven characters of a UTF-8
// text: 0 when they pass, else the rule that rejected (1 empty, 2 commas,
// 3 "б"/"Б"/"?", 4 minus signs).
int JudgeEntryChars(const std::string& text);
// The whole exit check with explicit bounds lo..hi (inclusive): 0 accepted,
// 1..4 as JudgeEntryChars, 5 when the text is no number (also beyond the
// seventh character) or lies outside the bounds.
int JudgeEntryTextIn(const std::string& text, double lo, double hi);
// The exit check for a value kind (tMin, tMax for kind 1): 0 or the rule 1..5.
int JudgeEntryText(const std::string& text, int kind, float tMin, float tMax);

// An edit field as the entry checks see it; an adapter over QLineEdit in the
// window, a recording fake in tests.
class IEntryField {
public:
    virtual ~IEntryField() = default;
    virtual void SetRed() = 0;    // background red
    virtual void SetWhite() = 0;  // background white (normal)
    virtual std::string Text() const = 0;  // UTF-8
    virtual void SetText(const std::string& text) = 0;
};

// The reaction to a fault, in this order: red, beep, the plain message
// " Ошибка ввода " (returns when it is closed), white, empty text.
void ShowEntryError(IEntryField& field, IMessages& messages);

// Key filters with the reaction: 0 accepted, 13 Enter on a field with text,
// 1 after a fault (the reaction has run; the key should then be suppressed).
int CheckIntKey(IEntryField& field, int vkCode, IMessages& messages);
int CheckNumKey(IEntryField& field, int vkCode, bool shift, IMessages& messages);

// Exit check: 0 accepted (nothing stored; the caller converts the text), 1
// rejected after the reaction (the field is then empty). Kind 1 reads TMin and
// TMax of image.
int CheckEntry(IEntryField& field, int kind, const DeviceImage& image, IMessages& messages);

}  // namespace tservice
