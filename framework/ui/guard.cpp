#include "framework/ui/guard.h"

#include "contracts/host_framework.h"

#include <QDebug>

QString describeCurrentException() {
    try {
        throw;
    } catch (const EAbort&) {
        return {};
    } catch (const EAlreadyShown&) {
        return {};
    } catch (const Exception& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QStringLiteral("Erro inesperado: %1").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return QStringLiteral("Erro inesperado.");
    }
}

bool Guarded(const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (...) {
        const QString text = describeCurrentException();
        if (!text.isEmpty()) {
            qWarning().noquote() << "error shown to the user:" << text;
            try {
                Ui().MessageDlg(text, mtError, mbOK, 0);
            } catch (...) {
                qCritical() << "the error dialog itself failed";
            }
        }
        return false;
    }
}
