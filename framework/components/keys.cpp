#include "framework/components/keys.h"

#include <QKeyEvent>

int virtualKeyOf(const QKeyEvent* event) {
    const int k = event->key();
    switch (k) {
    case Qt::Key_Backspace:
        return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::Return;
    case Qt::Key_Escape:
        return vk::Escape;
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
    case Qt::Key_Insert:
        return vk::Insert;
    case Qt::Key_Delete:
        return vk::Delete;
    case Qt::Key_Space:
        return 32;
    default:
        break;
    }
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return 112 + (k - Qt::Key_F1);
    if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z))
        return k; // the same codes as the ASCII digits and capitals
    return 0;
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
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return {};
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return {};
    return text.at(0);
}
