#include "server/audit/audit_trail.h"

#include "server/auth/caller.h"
#include "server/db/database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <map>

namespace server {
namespace {

// The rows of one scope entry by their key.
using Snapshot = QMap<QString, QJsonObject>;

// A stored value as the trail writes it, in the same form whichever back end stored it:
// days and moments as the ISO text SQLite keeps.
QJsonValue jsonOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(Qt::ISODate);
    default:
        return QJsonValue::fromVariant(value);
    }
}

Snapshot snapshot(Database& db, const AuditedRows& part) {
    Rows rows = db.select(QStringLiteral("SELECT * FROM %1 WHERE %2").arg(part.table, part.where),
                          part.params);
    const QStringList columns = rows.columnNames();
    Snapshot out;
    while (rows.next()) {
        QJsonObject row;
        for (int c = 0; c < columns.size(); ++c)
            row.insert(columns.at(c), jsonOf(rows.value(c)));
        QStringList key;
        for (const QString& k : part.key)
            key << row.value(k).toVariant().toString();
        out.insert(key.join(QChar(0x1f)), row);
    }
    return out;
}

struct Changes {
    QJsonObject before, after;
};

void addChanges(Changes& changes, const QString& table, const Snapshot& before,
                const Snapshot& after) {
    QJsonArray gone = changes.before.value(table).toArray();
    QJsonArray came = changes.after.value(table).toArray();
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (after.value(it.key()) != it.value())
            gone.append(it.value());
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        if (before.value(it.key()) != it.value())
            came.append(it.value());
    if (!gone.isEmpty())
        changes.before.insert(table, gone);
    if (!came.isEmpty())
        changes.after.insert(table, came);
}

QString compact(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

QVariant runAudited(Database& db, const Caller& caller, const QString& method,
                    const std::function<AuditScope()>& scope,
                    const std::function<QVariant()>& write) {
    Transaction tx(db);
    const AuditScope parts = scope();
    QList<Snapshot> before;
    for (const AuditedRows& part : parts)
        before.append(snapshot(db, part));
    QVariant result = write();
    // Ordered by branch, so that the records of one call come in a fixed order.
    std::map<QString, Changes> byBranch;
    for (qsizetype i = 0; i < parts.size(); ++i)
        addChanges(byBranch[parts.at(i).branch], parts.at(i).table, before.at(i),
                   snapshot(db, parts.at(i)));
    const QString now =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
    for (const auto& [branch, changes] : byBranch)
        if (!changes.before.isEmpty() || !changes.after.isEmpty())
            db.exec(
                QStringLiteral("INSERT INTO AUDITORIA (DTHRREGISTRO, NMLOGIN, DSORIGEM, NMMETODO, "
                               "CDFILIAL, DSANTES, DSDEPOIS) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                {now, caller.login(), caller.address(), method, branch, compact(changes.before),
                 compact(changes.after)});
    tx.commit();
    return result;
}

QList<AuditEntry> auditEntries(Database& db, const QString& branch, const QDateTime& since) {
    Rows rows = db.select(
        QStringLiteral("SELECT NRAUDITORIA, DTHRREGISTRO, NMLOGIN, DSORIGEM, NMMETODO, CDFILIAL, "
                       "DSANTES, DSDEPOIS FROM AUDITORIA WHERE CDFILIAL = ? AND DTHRREGISTRO >= ? "
                       "ORDER BY NRAUDITORIA"),
        {branch, since.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"))});
    QList<AuditEntry> entries;
    while (rows.next()) {
        AuditEntry e;
        e.number = rows.value(0).toLongLong();
        e.when = rows.moment(1);
        e.login = rows.text(2);
        e.address = rows.text(3);
        e.method = rows.text(4);
        e.branch = rows.text(5);
        e.before = rows.text(6);
        e.after = rows.text(7);
        entries.append(e);
    }
    return entries;
}

} // namespace server
