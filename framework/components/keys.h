#pragma once

// Keys in the desktop library's terms: virtual-key codes and the modifier set, as the
// screens' key handlers test them.

#include <QChar>
#include <Qt>

class QKeyEvent;

enum TShiftStateFlag { ssShift = 0x1, ssAlt = 0x2, ssCtrl = 0x4 };
using TShiftState = int;

namespace vk {
inline constexpr int Back = 8, Tab = 9, Return = 13, Escape = 27, Prior = 33, Next = 34, End = 35,
                     Home = 36, Left = 37, Up = 38, Right = 39, Down = 40, Insert = 45,
                     Delete = 46, F2 = 113, F4 = 115;
} // namespace vk

// The virtual-key code of a key event (0 for keys without one).
int virtualKeyOf(const QKeyEvent* event);
TShiftState shiftOf(Qt::KeyboardModifiers modifiers);
// The character a key press types, as the desktop library's key-press event sees it
// (Tab 9, Enter 13, Esc 27, Backspace 8); a null character for keys that type nothing.
QChar typedCharOf(const QKeyEvent* event);
