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

// The rows of one scope entry by their key, as read: most of them come out of the write
// unchanged, so a row becomes JSON only once it is known to have changed.
struct Snapshot {
    QStringList columns;
    QMap<QString, QVariantList> rows;
};

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
    Snapshot out{rows.columnNames(), {}};
    QList<int> keyColumns;
    for (const QString& k : part.key)
        keyColumns << int(out.columns.indexOf(k));
    while (rows.next()) {
        QVariantList row;
        row.reserve(out.columns.size());
        for (int c = 0; c < out.columns.size(); ++c)
            row << rows.value(c);
        QStringList key;
        for (const int c : keyColumns)
            key << row.value(c).toString();
        out.rows.insert(key.join(QChar(0x1f)), std::move(row));
    }
    return out;
}

// NULL and empty text are different values, which QVariant's comparison does not tell.
bool sameRow(const QVariantList& a, const QVariantList& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a.at(i).isNull() != b.at(i).isNull() || a.at(i) != b.at(i))
            return false;
    return true;
}

QJsonObject jsonRow(const QStringList& columns, const QVariantList& row) {
    QJsonObject out;
    for (qsizetype c = 0; c < columns.size(); ++c)
        out.insert(columns.at(c), jsonOf(row.at(c)));
    return out;
}

struct Changes {
    QJsonObject before, after;
};

// The rows of `from` that `to` does not hold as they are.
void appendChanged(QJsonArray& out, const Snapshot& from, const Snapshot& to) {
    for (auto it = from.rows.cbegin(); it != from.rows.cend(); ++it) {
        const auto other = to.rows.constFind(it.key());
        if (other == to.rows.cend() || !sameRow(*other, it.value()))
            out.append(jsonRow(from.columns, it.value()));
    }
}

void addChanges(Changes& changes, const QString& table, const Snapshot& before,
                const Snapshot& after) {
    QJsonArray gone = changes.before.value(table).toArray();
    QJsonArray came = changes.after.value(table).toArray();
    appendChanged(gone, before, after);
    appendChanged(came, after, before);
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
