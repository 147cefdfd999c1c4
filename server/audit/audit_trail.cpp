#include "server/audit/audit_trail.h"

#include "server/audit/audit_json.h"
#include "server/auth/caller.h"
#include "server/db/database.h"

#include <QHash>

#include <algorithm>
#include <map>

namespace server {
namespace {

// A row as read, with whether the read after the write found it again.
struct ReadRow {
    QVariantList values;
    bool foundAgain = false;
};

// The rows of one scope entry as read before the write, by their key: most of them come
// out of the write unchanged, so a row becomes JSON only once it is known to have changed.
struct Snapshot {
    QStringList columns;
    QList<int> keyColumns;
    QHash<QString, ReadRow> rows;
};

// A row and its key, for putting the changed rows in key order.
using KeyedRow = std::pair<QString, QVariantList>;

// The rows the write changed: as they were before it (gone or changed) and as they are
// after it (new or changed), each in key order.
struct TableChanges {
    QList<KeyedRow> before, after;
};

QString rowKey(const Rows& rows, const QList<int>& keyColumns) {
    QString key;
    for (const int c : keyColumns) {
        if (!key.isEmpty())
            key += QChar(0x1f);
        key += rows.text(c);
    }
    return key;
}

QVariantList rowValues(const Rows& rows, qsizetype columns) {
    QVariantList values;
    values.reserve(columns);
    for (int c = 0; c < columns; ++c)
        values << rows.value(c);
    return values;
}

Rows selectScope(Database& db, const AuditedRows& part) {
    return db.select(QStringLiteral("SELECT * FROM %1 WHERE %2").arg(part.table, part.where),
                     part.params);
}

Snapshot snapshot(Database& db, const AuditedRows& part) {
    Rows rows = selectScope(db, part);
    Snapshot out{rows.columnNames(), {}, {}};
    for (const QString& k : part.key)
        out.keyColumns << int(out.columns.indexOf(k));
    while (rows.next())
        out.rows.insert(rowKey(rows, out.keyColumns), {rowValues(rows, out.columns.size()), false});
    return out;
}

// NULL and empty text are different values, which QVariant's comparison does not tell.
bool sameAsRead(const Rows& rows, const QVariantList& read) {
    for (int c = 0; c < read.size(); ++c) {
        const QVariant value = rows.value(c);
        if (value.isNull() != read.at(c).isNull() || value != read.at(c))
            return false;
    }
    return true;
}

// Reads the scope again after the write and tells its rows from those read before it;
// the unchanged ones, nearly all of them, are only compared.
TableChanges changesSince(Database& db, const AuditedRows& part, Snapshot& before) {
    TableChanges changes;
    Rows rows = selectScope(db, part);
    while (rows.next()) {
        QString key = rowKey(rows, before.keyColumns);
        const auto read = before.rows.find(key);
        if (read != before.rows.end()) {
            read->foundAgain = true;
            if (sameAsRead(rows, read->values))
                continue;
            changes.before.append({key, read->values});
        }
        changes.after.append({std::move(key), rowValues(rows, before.columns.size())});
    }
    for (auto it = before.rows.cbegin(); it != before.rows.cend(); ++it)
        if (!it->foundAgain)
            changes.before.append({it.key(), it->values});
    const auto byKey = [](const KeyedRow& a, const KeyedRow& b) { return a.first < b.first; };
    std::sort(changes.before.begin(), changes.before.end(), byKey);
    std::sort(changes.after.begin(), changes.after.end(), byKey);
    return changes;
}

// The records of one call, by branch: the rows before the write and after it.
struct Changes {
    AuditSide before, after;
};

void appendRows(AuditSide& side, const QString& table, const QStringList& columns,
                const QList<KeyedRow>& rows) {
    if (rows.isEmpty())
        return;
    AuditedTable& entry = side[table];
    entry.columns = columns;
    entry.rows.reserve(entry.rows.size() + rows.size());
    for (const KeyedRow& row : rows)
        entry.rows.append(row.second);
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
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const AuditedRows& part = parts.at(i);
        const TableChanges changed = changesSince(db, part, before[i]);
        Changes& changes = byBranch[part.branch];
        appendRows(changes.before, part.table, before.at(i).columns, changed.before);
        appendRows(changes.after, part.table, before.at(i).columns, changed.after);
    }
    const QString now =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
    for (const auto& [branch, changes] : byBranch)
        if (!changes.before.empty() || !changes.after.empty())
            db.exec(
                QStringLiteral("INSERT INTO AUDITORIA (DTHRREGISTRO, NMLOGIN, DSORIGEM, NMMETODO, "
                               "CDFILIAL, DSANTES, DSDEPOIS) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                {now, caller.login(), caller.address(), method, branch, auditJson(changes.before),
                 auditJson(changes.after)});
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
