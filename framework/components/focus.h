#pragma once

// Enter and exit events of controls and containers, with the desktop library's meaning on
// Qt's focus:
//  - when the focus moves inside a form, the exits run from the control being left outwards
//    up to the container both sides share, then the enters run inwards down to the control
//    being entered;
//  - an exit handler that throws refuses the move: the focus stays where the handler put it
//    (a validator focuses the offending edit before it raises), or else goes back to the
//    control being left; the rest of the move does not happen, and a mouse click that
//    caused it does not reach the clicked widget (no row moves, no button fires, no tab
//    switches);
//  - a modal dialog taking the focus, or the focus going to another window, is not a move;
//    nor is the window's activation giving the focus back (after a message box closes): it
//    returns to the control the events stand on, never to one whose entry was refused.
//
// A "control" is a widget marked as one (framework components mark themselves); the focus
// inside a composite control (the line edit of a date edit, the cell editor of a grid)
// counts as the control's. Containers take part only when they have handlers.

#include <QPointer>
#include <QWidget>

#include <functional>

class ControlEvents : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    // The events of `widget`, created on first use.
    static ControlEvents& of(QWidget* widget);
    static ControlEvents* find(const QWidget* widget);

    // The screen's handlers.
    Handler OnEnter, OnExit;
    // The control's own behaviour: runs before OnEnter on entry and before OnExit on exit
    // (a grid writes its open cell there); may refuse like OnExit.
    Handler DoEnter, DoExit;

private:
    explicit ControlEvents(QWidget* widget);
};

// Marks `widget` as a control: the focus anywhere inside it is the control's.
void markControl(QWidget* widget);
bool isControl(const QWidget* widget);

// Moves the focus to `control` as the desktop library's SetFocus does: the exits and
// enters run now, before this returns, whether or not the window is active; an exit that
// refuses raises to the caller. A disabled or hidden control is left alone.
void SetFocus(QWidget* control);

// The control of `form` that holds the focus as far as the form's events are concerned.
// While a move runs its exit and enter handlers this is already the control being
// entered, as on the desktop; after a refused exit it is the control the refusing handler
// focused, or else the control that was being left.
QWidget* ActiveControl(const QWidget* form);
// The control that gets the focus when the form is first shown.
void SetInitialControl(QWidget* form, QWidget* control);

// Starts following the focus inside `form` (a form's root widget); done once per form.
void trackFocus(QWidget* form);
// Stops it: a form being taken apart runs no enter or exit handler while its widgets go.
void untrackFocus(QWidget* form);
