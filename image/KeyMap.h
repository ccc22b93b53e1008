#pragma once
// Qt key events to Windows virtual-key codes, which is what the entry filters
// judge. Physical keys are preferred over typed characters, so the slash key
// is 0xBF whether the layout makes it '/', '?', '.' or ','.
#include <cstdint>

#include <QString>
#include <Qt>

class QKeyEvent;

namespace tservice {

// Where the native fields of a key event come from.
enum class KeySource {
    Windows,  // nativeVirtualKey is the virtual-key code itself
    Xkb,      // nativeScanCode is an XKB keycode (evdev + 8): xcb, wayland
    QtOnly,   // nothing native usable (offscreen, other platforms)
};

// The source for the running QGuiApplication's platform plugin.
KeySource CurrentKeySource();

// The virtual-key code of a key, or 0 when it has none the filters could
// accept (which they judge as a fault). qtKey is a Qt::Key value; keypad keys
// carry Qt::KeypadModifier in modifiers.
int VirtualKeyCode(int qtKey, std::uint32_t nativeScanCode, std::uint32_t nativeVirtualKey,
                   Qt::KeyboardModifiers modifiers, KeySource source);

// The same for a live event, with CurrentKeySource().
int VirtualKeyCode(const QKeyEvent& event);

// The text an accepted key vk enters into a numeric field, where the layout
// would type `typed`: the numeric pad's decimal key always enters the
// window's decimal comma (outside a Russian layout it types '.', which the
// exit check refuses); any other key enters `typed`.
QString EntryKeyText(int vk, const QString& typed);

}  // namespace tservice
