#pragma once

// A screen's message table: one "key|text" line per message, looked up by key without
// regard to case, shown through the dialog seam.

#include "contracts/host_framework.h"

#include <QString>
#include <QStringList>

class TMessages {
public:
    TMessages() = default;
    explicit TMessages(QStringList lines) : Messages(std::move(lines)) {}

    // One line per message: the key, a vertical bar, then the text.
    QStringList Messages;

    // The text of `key`; the first line wins when a key repeats. A missing key gives an
    // empty text and a logged warning: a message table typo must not stop the clerk.
    QString Msg(const QString& key) const;

    // Shows the text of `key` modally; returns the modal result (mrYes, mrNo, mrOk, …).
    // `defaultButton` is the button Enter presses; 0 for the first.
    int ShowMsg(const QString& key, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext,
                TMsgDlgButtons defaultButton = 0) const;
};
