#pragma once

// The rows of a client data set and their change log. Every row knows the row it came
// from in the data as last loaded or merged (its base), so that the log folds the way a
// clerk expects: an inserted row that is edited stays one insert, an inserted row that is
// deleted leaves nothing, an updated row keeps its base values for the server's check.

#include "framework/data/packet.h"

#include <QList>
#include <QVariant>

#include <vector>

class RecordStore {
public:
    using Values = QList<QVariant>;

    // Replaces every row; the change log is empty afterwards.
    void reset(QList<Values> rows);
    void clear() { reset({}); }

    // Rows in cursor order, a pending insert included.
    int size() const { return int(m_rows.size()); }
    const Values& at(int row) const { return m_rows[size_t(row)].values; }
    // Writes that are not changes of the data (calculated values).
    Values& calculatedAt(int row) { return m_rows[size_t(row)].values; }

    // A row being inserted is held in place but logged only when it is committed.
    void insertPending(int pos, Values values);
    void commitPending(Values values);
    void dropPending();
    int pendingRow() const { return m_pending; }

    void update(int row, Values values);
    void remove(int row);

    int changeCount() const;
    // Deletes first, then updates, then inserts, each in row order, so that a deleted
    // key can be taken again by an insert of the same packet.
    QList<packet::Change> changes() const;
    // The current rows become the base; the log is emptied.
    void merge();
    // Back to the rows as last loaded or merged.
    void cancelUpdates();
    // The current rows without a pending insert.
    QList<Values> committedRows() const;

private:
    struct Row {
        Values values;
        int base = -1; // index into m_base, -1 for an inserted row
        bool modified = false;
    };
    std::vector<Row> m_rows;
    QList<Values> m_base;
    std::vector<bool> m_baseAlive;
    int m_pending = -1;
};
