#pragma once

// What a screen reader is told where Qt's own accessible interfaces would tell it less
// than the desktop did:
//  - a masked line edit reads what the clerk typed, and nothing at all while nothing was
//    typed (Qt reads an untouched date mask as "//");
//  - a label can carry a fixed name before its text ("Código da tela RQX52000"), kept in
//    step with the text whoever sets it;
//  - a form shown as a dialog window reads as a dialog named by its caption, not as a
//    nameless "filler".

#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

// Marks `edit` as masked: while its display text is `emptyDisplay` it reads as empty.
void setMaskedEditAccessibility(QLineEdit* edit, const QString& emptyDisplay);

// The label's accessible name becomes `prefix`, a space and its text.
void setAccessibleNamePrefix(QLabel* label, const QString& prefix);

// `form`, while it is a window, reads as a dialog (modal while shown modally).
void setDialogAccessibility(QWidget* form);
