#include "KeyMap.h"

#include <gtest/gtest.h>

#include "Entry.h"

namespace tservice {
namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kPad = Qt::KeypadModifier;

struct XkbRow {
    unsigned scan;
    int qtKey;  // what the layout made of it
    Qt::KeyboardModifiers mods;
    int vk;
};

// Physical keys win over what the layout types on them.
TEST(KeyMap, XkbScanCodesNameThePhysicalKey) {
    const XkbRow kRows[] = {
        {10, Qt::Key_1, kNone, 0x31}, {18, Qt::Key_9, kNone, 0x39}, {19, Qt::Key_0, kNone, 0x30},
        {10, Qt::Key_Exclam, kShift, 0x31},
        {59, Qt::Key_Comma, kNone, 0xBC},
        {59, 0x411 /* Б */, kNone, 0xBC},
        {61, Qt::Key_Slash, kNone, 0xBF}, {61, Qt::Key_Question, kShift, 0xBF},
        {61, Qt::Key_Period, kNone, 0xBF}, {61, Qt::Key_Comma, kShift, 0xBF},
        {20, Qt::Key_Minus, kNone, 0xBD}, {36, Qt::Key_Return, kNone, 0x0D},
        {22, Qt::Key_Backspace, kNone, 0x08}, {119, Qt::Key_Delete, kNone, 0x2E},
        {113, Qt::Key_Left, kNone, 0x25}, {114, Qt::Key_Right, kNone, 0x27},
        {111, Qt::Key_Up, kNone, 0x26}, {116, Qt::Key_Down, kNone, 0x28},
        {110, Qt::Key_Home, kNone, 0x24}, {115, Qt::Key_End, kNone, 0x23},
        {50, Qt::Key_Shift, kShift, 0x10}, {62, Qt::Key_Shift, kShift, 0x10},
        {37, Qt::Key_Control, kNone, 0x11}, {105, Qt::Key_Control, kNone, 0x11},
        {77, Qt::Key_NumLock, kNone, 0x90}, {66, Qt::Key_CapsLock, kNone, 0x14},
        {38, Qt::Key_A, kNone, 0x41}, {38, 0x424 /* Ф */, kNone, 0x41},
        {58, Qt::Key_M, kNone, 0x4D},
        // keypad with Num Lock on
        {90, Qt::Key_0, kPad, 0x60}, {87, Qt::Key_1, kPad, 0x61}, {89, Qt::Key_3, kPad, 0x63},
        {83, Qt::Key_4, kPad, 0x64}, {85, Qt::Key_6, kPad, 0x66}, {79, Qt::Key_7, kPad, 0x67},
        {81, Qt::Key_9, kPad, 0x69}, {91, Qt::Key_Period, kPad, 0x6E}, {91, Qt::Key_Comma, kPad, 0x6E},
        {82, Qt::Key_Minus, kPad, 0x6D}, {104, Qt::Key_Enter, kPad, 0x0D},
        // keypad with Num Lock off: navigation keys, as on Windows
        {79, Qt::Key_Home, kPad, 0x24}, {83, Qt::Key_Left, kPad, 0x25}, {91, Qt::Key_Delete, kPad, 0x2E},
    };
    for (const XkbRow& r : kRows) {
        EXPECT_EQ(VirtualKeyCode(r.qtKey, r.scan, 0, r.mods, KeySource::Xkb), r.vk)
            << "scan " << r.scan << " key 0x" << std::hex << r.qtKey;
    }
}

TEST(KeyMap, ShiftSlashOnRussianLayoutIsTheDecimalComma) {
    const int code = VirtualKeyCode(Qt::Key_Comma, 61, 0x2c, kShift, KeySource::Xkb);
    EXPECT_EQ(code, 0xBF);
    EXPECT_EQ(JudgeNumKey(code, true, false), KeyVerdict::Accept);
}

TEST(KeyMap, WindowsTakesTheNativeVirtualKey) {
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Comma, 0x35, 0xBF, kShift, KeySource::Windows), 0xBF);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_5, 0x4C, 0x65, kPad, KeySource::Windows), 0x65);
    // a synthesised event without a native key falls back to the Qt key
    EXPECT_EQ(VirtualKeyCode(Qt::Key_5, 0, 0, kNone, KeySource::Windows), 0x35);
}

TEST(KeyMap, QtKeyFallback) {
    const struct { int key; Qt::KeyboardModifiers mods; int vk; } kRows[] = {
        {Qt::Key_7, kNone, 0x37}, {Qt::Key_7, kPad, 0x67}, {Qt::Key_Comma, kNone, 0xBC},
        {Qt::Key_Minus, kNone, 0xBD}, {Qt::Key_Minus, kPad, 0x6D}, {Qt::Key_Period, kPad, 0x6E},
        {Qt::Key_Comma, kPad, 0x6E}, {Qt::Key_Question, kShift, 0xBF}, {Qt::Key_Enter, kPad, 0x0D},
        {Qt::Key_Backspace, kNone, 0x08}, {Qt::Key_Home, kNone, 0x24}, {Qt::Key_Shift, kShift, 0x10},
        {Qt::Key_Z, kNone, 0x5A}, {0x411 /* Б */, kNone, 0},
    };
    for (const auto& r : kRows) {
        EXPECT_EQ(VirtualKeyCode(r.key, 0, 0, r.mods, KeySource::QtOnly), r.vk) << std::hex << r.key;
        // an Xkb event without a scan code (synthesised) reads the same
        EXPECT_EQ(VirtualKeyCode(r.key, 0, 0, r.mods, KeySource::Xkb), r.vk) << std::hex << r.key;
    }
}

TEST(KeyMap, UnknownScanCodeFallsBackToQtKey) {
    EXPECT_EQ(VirtualKeyCode(Qt::Key_5, 250, 0, kNone, KeySource::Xkb), 0x35);
}

}  // namespace
}  // namespace tservice
