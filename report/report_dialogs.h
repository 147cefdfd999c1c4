#pragma once

// Qt's own dialogs (file, print, print preview) shown through the framework's dialog
// seam, so that a test scripts them like every other modal and none ever blocks.

#include <QString>

class QDialog;
class QWidget;

namespace report {

// Shows `dialog` modally through the seam; returns mrOk when it was accepted.
int runDialog(QDialog& dialog);

// Asks where to save, proposing `proposedPath`; `suffix` ("pdf") is added when the clerk
// types a name without it. Replacing an existing file is asked first. Empty when the clerk
// gives up.
QString askSaveFile(QWidget* parent, const QString& caption, const QString& proposedPath,
                    const QString& filter, const QString& suffix);

} // namespace report
