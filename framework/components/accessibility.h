#pragma once

// What a screen reader is told where Qt's own accessible interfaces would tell it less
// than the desktop did:
//  - a masked line edit reads what the clerk typed, and nothing at all while nothing was
//    typed (Qt reads an untouched date mask as "//");
//  - a label can carry a fixed name before its text ("Código da tela RQX52000"), kept in
//    step with the text whoever sets it.

#include <QString>

class QLabel;
class QLineEdit;

// Marks `edit` as masked: while its display text is `emptyDisplay` it reads as empty.
void setMaskedEditAccessibility(QLineEdit* edit, const QString& emptyDisplay);

// The label's accessible name becomes `prefix`, a space and its text.
void setAccessibleNamePrefix(QLabel* label, const QString& prefix);
