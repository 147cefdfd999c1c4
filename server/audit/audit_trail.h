#pragma once

// The audit trail: every write records, in its own transaction, who made it, when, from
// where, through which method, and the rows it changed as they were before and after.
// A write that fails leaves no record, because its record is rolled back with it.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

namespace server {

class Caller;
class Database;

// Rows of one table a write may change. `where` names key columns only, so that the same
// rows match before and after the write and a changed row is told from a new one.
struct AuditedRows {
    QString branch; // the branch the record is filed under
    QString table;
    QStringList key; // the table's primary key
    QString where;
    QVariantList params;
};
using AuditScope = QList<AuditedRows>;

// Runs `write` inside one transaction together with its audit records: one per branch of
// the scope where the write changed, inserted or deleted rows, holding those rows before
// and after. A write that changed nothing leaves no record. `scope` is taken inside the
// transaction, before the write.
QVariant runAudited(Database& db, const Caller& caller, const QString& method,
                    const std::function<AuditScope()>& scope,
                    const std::function<QVariant()>& write);

struct AuditEntry {
    qint64 number = 0;
    QDateTime when; // UTC
    QString login, address, method, branch;
    QString before, after; // JSON: {"TABLE": [ {column: value, …} … ] …}
};

// The records of a branch from `since` on, oldest first.
QList<AuditEntry> auditEntries(Database& db, const QString& branch, const QDateTime& since);

} // namespace server
