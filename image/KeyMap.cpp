#include "KeyMap.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include "Entry.h"

namespace tservice {

namespace {

// XKB keycodes (evdev + 8) of the physical keys of a PC keyboard.
int FromXkbKeycode(std::uint32_t code) {
    static constexpr struct { std::uint8_t code; std::uint8_t vk; } kTable[] = {
        {9, 0x1B},   {10, 0x31},  {11, 0x32},  {12, 0x33},  {13, 0x34},  {14, 0x35},
        {15, 0x36},  {16, 0x37},  {17, 0x38},  {18, 0x39},  {19, 0x30},  {20, 0xBD},
        {21, 0xBB},  {22, 0x08},  {23, 0x09},  {24, 'Q'},   {25, 'W'},   {26, 'E'},
        {27, 'R'},   {28, 'T'},   {29, 'Y'},   {30, 'U'},   {31, 'I'},   {32, 'O'},
        {33, 'P'},   {34, 0xDB},  {35, 0xDD},  {36, 0x0D},  {37, 0x11},  {38, 'A'},
        {39, 'S'},   {40, 'D'},   {41, 'F'},   {42, 'G'},   {43, 'H'},   {44, 'J'},
        {45, 'K'},   {46, 'L'},   {47, 0xBA},  {48, 0xDE},  {49, 0xC0},  {50, 0x10},
        {51, 0xDC},  {52, 'Z'},   {53, 'X'},   {54, 'C'},   {55, 'V'},   {56, 'B'},
        {57, 'N'},   {58, 'M'},   {59, 0xBC},  {60, 0xBE},  {61, 0xBF},  {62, 0x10},
        {63, 0x6A},  {64, 0x12},  {65, 0x20},  {66, 0x14},  {67, 0x70},  {68, 0x71},
        {69, 0x72},  {70, 0x73},  {71, 0x74},  {72, 0x75},  {73, 0x76},  {74, 0x77},
        {75, 0x78},  {76, 0x79},  {77, 0x90},  {78, 0x91},  {79, 0x67},  {80, 0x68},
        {81, 0x69},  {82, 0x6D},  {83, 0x64},  {84, 0x65},  {85, 0x66},  {86, 0x6B},
        {87, 0x61},  {88, 0x62},  {89, 0x63},  {90, 0x60},  {91, 0x6E},  {95, 0x7A},
        {96, 0x7B},  {104, 0x0D}, {105, 0x11}, {106, 0x6F}, {108, 0x12}, {110, 0x24},
        {111, 0x26}, {112, 0x21}, {113, 0x25}, {114, 0x27}, {115, 0x23}, {116, 0x28},
        {117, 0x22}, {118, 0x2D}, {119, 0x2E},
    };
    for (const auto& row : kTable)
        if (row.code == code) return row.vk;
    return 0;
}

// Keypad digits and decimal: with Num Lock off they are navigation keys, as on
// Windows (KP7 is Home, KP4 Left, KP decimal Delete); the Qt key tells which.
bool IsKeypadDigitKeycode(std::uint32_t code) {
    return (code >= 79 && code <= 81) || (code >= 83 && code <= 85) || (code >= 87 && code <= 91);
}

bool QtKeyIsDigitOrSeparator(int key) {
    return (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Period || key == Qt::Key_Comma;
}

int FromQtKey(int key, bool keypad) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return (keypad ? 0x60 : 0x30) + (key - Qt::Key_0);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 0x41 + (key - Qt::Key_A);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return 0x70 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Comma: return keypad ? 0x6E : 0xBC;
    case Qt::Key_Period: return keypad ? 0x6E : 0xBE;
    case Qt::Key_Minus: return keypad ? 0x6D : 0xBD;
    case Qt::Key_Slash: return keypad ? 0x6F : 0xBF;
    case Qt::Key_Plus: return keypad ? 0x6B : 0xBB;
    case Qt::Key_Asterisk: return keypad ? 0x6A : 0x38;
    case Qt::Key_Question: return 0xBF;
    case Qt::Key_Less: return 0xBC;
    case Qt::Key_Greater: return 0xBE;
    case Qt::Key_Underscore: return 0xBD;
    case Qt::Key_Equal: return 0xBB;
    // Shifted digits of the US layout: the key is still the digit key.
    case Qt::Key_Exclam: return 0x31;
    case Qt::Key_At: return 0x32;
    case Qt::Key_NumberSign: return 0x33;
    case Qt::Key_Dollar: return 0x34;
    case Qt::Key_Percent: return 0x35;
    case Qt::Key_AsciiCircum: return 0x36;
    case Qt::Key_Ampersand: return 0x37;
    case Qt::Key_ParenLeft: return 0x39;
    case Qt::Key_ParenRight: return 0x30;
    case Qt::Key_Return: case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_End: return 0x23;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Control: return 0x11;
    case Qt::Key_Alt: return 0x12;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_ScrollLock: return 0x91;
    case Qt::Key_Clear: return 0x0C;
    default: return 0;
    }
}

}  // namespace

KeySource CurrentKeySource() {
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("windows")) return KeySource::Windows;
    if (name == QLatin1String("xcb") || name.startsWith(QLatin1String("wayland"))) return KeySource::Xkb;
    return KeySource::QtOnly;
}

int VirtualKeyCode(int qtKey, std::uint32_t nativeScanCode, std::uint32_t nativeVirtualKey,
                   Qt::KeyboardModifiers modifiers, KeySource source) {
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (source == KeySource::Windows && nativeVirtualKey > 0 && nativeVirtualKey < 0x100)
        return static_cast<int>(nativeVirtualKey);
    if (source == KeySource::Xkb && nativeScanCode != 0) {
        const bool navigationPad = IsKeypadDigitKeycode(nativeScanCode) && !QtKeyIsDigitOrSeparator(qtKey);
        if (!navigationPad) {
            if (const int code = FromXkbKeycode(nativeScanCode); code != 0) return code;
        }
    }
    // Synthesised events carry no native fields; the Qt key is all there is.
    return FromQtKey(qtKey, keypad);
}

int VirtualKeyCode(const QKeyEvent& event) {
    return VirtualKeyCode(event.key(), event.nativeScanCode(), event.nativeVirtualKey(),
                          event.modifiers(), CurrentKeySource());
}

QString EntryKeyText(int vk, const QString& typed) {
    return vk == vk::PadDecimal ? QStringLiteral(",") : typed;
}

}  // namespace tservice
