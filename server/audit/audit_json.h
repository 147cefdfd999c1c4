#pragma once

// One side of an audit record, the rows as they were before a write or as they are after
// it, as compact JSON: {"TABLE":[{"COLUMN":value,…},…],…}, tables by name, each row's
// columns in the table's order. Written straight from the values read, since the record of
// a calculation holds thousands of rows.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <map>

namespace server {

struct AuditedTable {
    QStringList columns;
    QList<QVariantList> rows;
};
using AuditSide = std::map<QString, AuditedTable>;

// Days and moments are written as the ISO text SQLite keeps, whichever back end stored
// them; a NULL stays null, apart from empty text.
QString auditJson(const AuditSide& side);

} // namespace server
