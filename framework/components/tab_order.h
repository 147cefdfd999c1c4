#pragma once

// Tab and Shift+Tab on a form as on the desktop: the controls of one container are
// visited together, container after container, each container's children in the order
// they were created (or put in with QWidget::setTabOrder); a page control comes right
// before the controls of its active page. Qt's own chain is one flat list in creation
// order, so a panel built after a page control would otherwise be visited between the
// page control and its page's controls, and Tab from the tabs would jump past the page.
//
// Inside a control (a page control, a grid, a date edit) only other controls are stops:
// the tab bar of a page control or the line edit of a date edit is the control's own.

class QWidget;

// The stop after (`forward`) or before the one holding the focus in `form`, or nullptr
// when the focus is not on any of the form's stops.
QWidget* nextTabStop(const QWidget* form, bool forward);

// Moves the focus there as Tab (Shift+Tab) does; false when there was nowhere to go.
bool focusNextTabStop(QWidget* form, bool forward);
