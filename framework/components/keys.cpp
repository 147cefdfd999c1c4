#include "framework/components/keys.h"

#include <QKeyEvent>

namespace {

// The numeric keypad's own codes (NumLock on); with NumLock off its keys arrive as the
// navigation keys they stand for, as on the desktop.
int keypadKeyOf(int k) {
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return vk::Numpad0 + (k - Qt::Key_0);
    switch (k) {
    case Qt::Key_Asterisk:
        return vk::Multiply;
    case Qt::Key_Plus:
        return vk::Add;
    case Qt::Key_Minus:
        return vk::Subtract;
    case Qt::Key_Period:
    case Qt::Key_Comma:
        return vk::Decimal;
    case Qt::Key_Slash:
        return vk::Divide;
    default:
        return 0;
    }
}

// Punctuation and shifted digits by the key they are typed on (a US layout, as the
// desktop's virtual-key codes are named); ç sits where the US layout has ';' on the
// Brazilian keyboard, and the desktop gives it the same code.
int characterKeyOf(int k) {
    switch (k) {
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
    case Qt::Key_Ccedilla:
        return vk::Oem1;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return vk::OemPlus;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return vk::OemComma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return vk::OemMinus;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return vk::OemPeriod;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return vk::Oem2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return vk::Oem3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return vk::Oem4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return vk::Oem5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return vk::Oem6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return vk::Oem7;
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return '8';
    case Qt::Key_ParenLeft:
        return '9';
    case Qt::Key_ParenRight:
        return '0';
    default:
        return 0;
    }
}

int namedKeyOf(int k) {
    switch (k) {
    case Qt::Key_Backspace:
        return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::Tab;
    case Qt::Key_Clear:
        return vk::Clear;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::Return;
    case Qt::Key_Shift:
        return vk::Shift;
    case Qt::Key_Control:
        return vk::Control;
    case Qt::Key_Alt:
        return vk::Menu;
    case Qt::Key_Pause:
        return vk::Pause;
    case Qt::Key_CapsLock:
        return vk::Capital;
    case Qt::Key_Escape:
        return vk::Escape;
    case Qt::Key_Space:
        return vk::Space;
    case Qt::Key_PageUp:
        return vk::Prior;
    case Qt::Key_PageDown:
        return vk::Next;
    case Qt::Key_End:
        return vk::End;
    case Qt::Key_Home:
        return vk::Home;
    case Qt::Key_Left:
        return vk::Left;
    case Qt::Key_Up:
        return vk::Up;
    case Qt::Key_Right:
        return vk::Right;
    case Qt::Key_Down:
        return vk::Down;
    case Qt::Key_Print:
        return vk::Snapshot;
    case Qt::Key_Insert:
        return vk::Insert;
    case Qt::Key_Delete:
        return vk::Delete;
    case Qt::Key_Meta:
        return vk::LWin;
    case Qt::Key_Menu:
        return vk::Apps;
    case Qt::Key_NumLock:
        return vk::NumLock;
    case Qt::Key_ScrollLock:
        return vk::Scroll;
    default:
        return 0;
    }
}

// The control character Ctrl gives a key on the desktop (Ctrl+A 1 … Ctrl+Z 26, Ctrl+[ 27,
// Ctrl+\ 28, Ctrl+] 29, Ctrl+^ 30, Ctrl+_ 31, Ctrl+Backspace 127, Ctrl+Enter 10); 0 for
// none.
int controlCharOf(int k) {
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return k - Qt::Key_A + 1;
    switch (k) {
    case Qt::Key_BracketLeft:
        return 27;
    case Qt::Key_Backslash:
        return 28;
    case Qt::Key_BracketRight:
        return 29;
    case Qt::Key_AsciiCircum:
        return 30;
    case Qt::Key_Underscore:
        return 31;
    case Qt::Key_Backspace:
        return 127;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 10;
    default:
        return 0;
    }
}

} // namespace

int virtualKeyOf(const QKeyEvent* event) {
    const int k = event->key();
    if (event->modifiers() & Qt::KeypadModifier) {
        if (const int code = keypadKeyOf(k))
            return code;
    }
    if (const int code = namedKeyOf(k))
        return code;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return vk::F1 + (k - Qt::Key_F1);
    if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z))
        return k; // the same codes as the ASCII digits and capitals
    return characterKeyOf(k);
}

TShiftState shiftOf(Qt::KeyboardModifiers modifiers) {
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    return s;
}

QChar typedCharOf(const QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;
    const QString text = event->text();
    // AltGr arrives as Ctrl+Alt and types the character it gives.
    if (ctrl && alt)
        return !text.isEmpty() && text.at(0).isPrint() ? text.at(0) : QChar();
    // Alt with a key is a menu's mnemonic or short-cut, not typing.
    if (alt)
        return {};
    if (ctrl) {
        const int c = controlCharOf(event->key());
        return c ? QChar(c) : QChar();
    }
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return QChar(9);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QChar(13);
    case Qt::Key_Escape:
        return QChar(27);
    case Qt::Key_Backspace:
        return QChar(8);
    default:
        break;
    }
    if (text.isEmpty() || !text.at(0).isPrint())
        return {};
    return text.at(0);
}
