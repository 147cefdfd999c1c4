#pragma once

// Data packets: the in-memory table content a client data set loads and produces, and
// the change packets (Delta) it sends back. The same code reads and writes them on both
// sides of the wire.
//
//   packet: { "fields": [ {name, type, size[, origin]} … ], "rows": [ [v…] … ] }
//   delta:  { "fields": …, "changes": [ {"kind": "insert"|"update"|"delete",
//                                        "old": [v…]|null, "new": [v…]|null } … ] }
//
// Values are typed by their field: string/fixedstring QString, datetime QDateTime (or its
// ISO-8601 text on the wire), float a number, integer a whole number, boolean a bool.
// Null and empty text are distinct.

#include "framework/data/field_type.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

namespace packet {

struct FieldDesc {
    QString name;
    TFieldType type = ftString;
    int size = 0;
    QString origin;
};

int indexOf(const QList<FieldDesc>& fields, const QString& name);

// Brings a value to the canonical form of its field type (QString, UTC QDateTime, double,
// int, bool; null stays null). Returns false when the value is not of that type.
bool normalize(const QVariant& in, TFieldType type, QVariant& out);

struct Table {
    QList<FieldDesc> fields;
    QList<QVariantList> rows;
};

struct Change {
    enum Kind { Insert, Update, Delete };
    Kind kind = Insert;
    QVariantList oldValues; // update and delete: the row as last loaded or merged
    QVariantList newValues; // insert and update: the row as posted
};

struct ChangeSet {
    QList<FieldDesc> fields;
    QList<Change> changes;
};

QVariantMap make(const Table& table);
QVariantMap makeDelta(const ChangeSet& delta);

// Decode and validate; a malformed packet raises EDatabaseError with a message that says
// what is wrong and where. Values come back normalised.
Table decode(const QVariant& packet);
ChangeSet decodeDelta(const QVariant& delta);

// The rows of a packet as maps by field name; a malformed packet raises as decode does.
QList<QVariantMap> rowMaps(const QVariant& packet);

} // namespace packet
