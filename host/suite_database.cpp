#include "host/suite_database.h"

#include "contracts/host_framework.h"
#include "framework/components/db_geral.h"
#include "framework/data/field_type.h"
#include "framework/net/database_uri.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Runs a query on the shared connection; the query is positioned before its first row.
QSqlQuery runQuery(const QString& sql, const QVariantList& params) {
    QSqlDatabase db = dtmDBGeral::Database();
    if (!db.isOpen())
        throw EDatabaseError(QStringLiteral("O banco de dados da suíte não está aberto."));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw EDatabaseError(
            QStringLiteral("Falha na consulta de filiais: %1").arg(query.lastError().text()));
    for (const QVariant& param : params)
        query.addBindValue(param);
    if (!query.exec())
        throw EDatabaseError(
            QStringLiteral("Falha na consulta de filiais: %1").arg(query.lastError().text()));
    return query;
}

// A stored date, also when the column holds a day and time ('YYYY-MM-DD HH:MM:SS').
QDate storedDate(const QVariant& value) {
    if (value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime)
        return value.toDate();
    const QString text = value.toString().trimmed();
    if (text.size() > 10 && text[10] != QLatin1Char(' ') && text[10] != QLatin1Char('T'))
        return {};
    return QDate::fromString(text.left(10), Qt::ISODate);
}

} // namespace

void openSuiteDatabase(const QString& driver, const QString& name) {
    if (driver == QLatin1String("QSQLITE") && !QFileInfo(name).isFile())
        throw Exception(QStringLiteral("O banco de dados da suíte %1 não existe.").arg(name));
    // A URI is shown without its password.
    const QString shown = isPostgresUri(name) ? parsePostgresUri(name).display() : name;
    QString error;
    if (!dtmDBGeral::Open(driver, name, &error))
        throw Exception(QStringLiteral("Não foi possível abrir o banco de dados da suíte "
                                       "%1: %2")
                            .arg(shown, error));
}

QDateTime suiteProcessingDate(const QString& branchCode) {
    QSqlQuery query =
        runQuery(QStringLiteral("SELECT DTPROC FROM FILIAL WHERE CDFILIAL = ?"), {branchCode});
    if (!query.next() || query.isNull(0) || query.value(0).toString().trimmed().isEmpty())
        return dateTimeOf(QDate::currentDate());
    const QDate date = storedDate(query.value(0));
    if (!date.isValid())
        throw EDatabaseError(
            QStringLiteral("A data de processamento da filial %1 não é uma data válida: "
                           "\"%2\".")
                .arg(branchCode, query.value(0).toString()));
    return dateTimeOf(date);
}

QString suiteBranchName(const QString& branchCode) {
    QSqlQuery query =
        runQuery(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = ?"), {branchCode});
    return query.next() ? query.value(0).toString().trimmed() : QString();
}
