#include "framework/components/messages.h"

#include <QDebug>

QString TMessages::Msg(const QString& key) const {
    for (const QString& line : Messages) {
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        if (bar < 0)
            continue;
        if (QStringView(line).left(bar).compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(bar + 1);
    }
    qWarning().noquote() << "message table has no key" << key;
    return {};
}

int TMessages::ShowMsg(const QString& key, TMsgDlgType type, TMsgDlgButtons buttons,
                       int helpContext, TMsgDlgButtons defaultButton) const {
    return Ui().MessageDlg(Msg(key), type, buttons, helpContext, defaultButton);
}
