#pragma once

// Keys in the desktop library's terms: virtual-key codes and the modifier set, as the
// screens' key handlers test them.

#include <QChar>
#include <Qt>

class QKeyEvent;

enum TShiftStateFlag { ssShift = 0x1, ssAlt = 0x2, ssCtrl = 0x4 };
using TShiftState = int;

namespace vk {
inline constexpr int Back = 8, Tab = 9, Clear = 12, Return = 13, Shift = 16, Control = 17,
                     Menu = 18, Pause = 19, Capital = 20, Escape = 27, Space = 32, Prior = 33,
                     Next = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40,
                     Snapshot = 44, Insert = 45, Delete = 46, LWin = 0x5B, Apps = 0x5D;
inline constexpr int Numpad0 = 0x60, Multiply = 0x6A, Add = 0x6B, Subtract = 0x6D, Decimal = 0x6E,
                     Divide = 0x6F;
inline constexpr int F1 = 112, F2 = 113, F4 = 115, NumLock = 0x90, Scroll = 0x91;
// Punctuation, named after the US layout's keys: ; = , - . / ` [ \ ] '
inline constexpr int Oem1 = 0xBA, OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD,
                     OemPeriod = 0xBE, Oem2 = 0xBF, Oem3 = 0xC0, Oem4 = 0xDB, Oem5 = 0xDC,
                     Oem6 = 0xDD, Oem7 = 0xDE;
} // namespace vk

// The virtual-key code of a key event (0 for keys without one).
int virtualKeyOf(const QKeyEvent* event);
TShiftState shiftOf(Qt::KeyboardModifiers modifiers);
// The character a key press types, as the desktop library's key-press event sees it:
// control characters included (Tab 9, Enter 13, Esc 27, Backspace 8, Ctrl+C 3, Ctrl+V 22,
// Ctrl+X 24); a null character for keys that type nothing (arrows, Alt combinations).
QChar typedCharOf(const QKeyEvent* event);
