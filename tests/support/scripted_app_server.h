#pragma once

// The application server for screen tests: records every call with its arguments and
// answers as the test says. By-reference arguments can be written back by a handler.

#include "contracts/app_server.h"

#include <QHash>
#include <QList>
#include <QVariantMap>

#include <functional>

class ScriptedAppServer : public AppServer {
public:
    struct Call {
        QString method;
        QVariantList args;    // as the caller sent them
        QVariantList written; // as the caller got them back (by-reference arguments)
    };
    using Handler = std::function<QVariant(QVariantList& args)>;

    QVariant Invoke(const QString& method, QVariantList& args) override;

    // Every later call of `method` runs `handler` (which may change by-reference args).
    void on(const QString& method, Handler handler) {
        m_handlers.insert(method, std::move(handler));
    }
    // Every later call of `method` succeeds with `payload`.
    void answer(const QString& method, const QVariant& payload);
    // Every later call of `method` fails with `message`.
    void refuse(const QString& method, const QString& message);

    QList<Call> calls;
    QList<Call> callsOf(const QString& method) const;
    QStringList methods() const;

    static QVariantMap ok(const QVariant& payload = {});
    static QVariantMap failure(const QString& message);

private:
    QHash<QString, Handler> m_handlers;
};
