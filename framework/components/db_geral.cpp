#include "framework/components/db_geral.h"

#include "contracts/host_framework.h"
#include "framework/net/database_uri.h"

#include <QSqlError>

namespace dtmDBGeral {

bool Open(const QString& driver, const QString& databaseName, QString* error) {
    Close();
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, QString::fromLatin1(ConnectionName));
    if (driver == QLatin1String("QPSQL") && isPostgresUri(databaseName)) {
        try {
            parsePostgresUri(databaseName)
                .applyTo(db,
                         {{QStringLiteral("connect_timeout"), QStringLiteral("5")},
                          {QStringLiteral("application_name"), QStringLiteral("apurfat-host")}});
        } catch (const Exception& e) {
            if (error)
                *error = e.message();
            return false;
        }
    } else {
        db.setDatabaseName(databaseName);
    }
    if (driver == QLatin1String("QSQLITE"))
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    return true;
}

void Close() {
    const QString name = QString::fromLatin1(ConnectionName);
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool IsOpen() {
    return Database().isOpen();
}

QSqlDatabase Database() {
    const QString name = QString::fromLatin1(ConnectionName);
    if (!QSqlDatabase::contains(name))
        return {};
    return QSqlDatabase::database(name, false);
}

} // namespace dtmDBGeral
