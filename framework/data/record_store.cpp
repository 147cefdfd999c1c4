#include "framework/data/record_store.h"

void RecordStore::reset(QList<Values> rows) {
    m_base = std::move(rows);
    m_baseAlive.assign(size_t(m_base.size()), true);
    m_pending = -1;
    cancelUpdates();
}

void RecordStore::insertPending(int pos, Values values) {
    m_rows.insert(m_rows.begin() + pos, Row{std::move(values), -1, false});
    m_pending = pos;
}

void RecordStore::commitPending(Values values) {
    m_rows[size_t(m_pending)].values = std::move(values);
    m_pending = -1;
}

void RecordStore::dropPending() {
    if (m_pending < 0)
        return;
    m_rows.erase(m_rows.begin() + m_pending);
    m_pending = -1;
}

void RecordStore::update(int row, Values values) {
    Row& r = m_rows[size_t(row)];
    r.values = std::move(values);
    if (r.base >= 0)
        r.modified = true;
}

void RecordStore::remove(int row) {
    const Row& r = m_rows[size_t(row)];
    if (r.base >= 0)
        m_baseAlive[size_t(r.base)] = false;
    if (m_pending > row)
        --m_pending;
    else if (m_pending == row)
        m_pending = -1;
    m_rows.erase(m_rows.begin() + row);
}

int RecordStore::changeCount() const {
    int n = 0;
    for (bool alive : m_baseAlive)
        n += alive ? 0 : 1;
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (int(i) != m_pending && (m_rows[i].base < 0 || m_rows[i].modified))
            ++n;
    return n;
}

QList<packet::Change> RecordStore::changes() const {
    QList<packet::Change> out;
    for (size_t b = 0; b < m_baseAlive.size(); ++b)
        if (!m_baseAlive[b])
            out.append({packet::Change::Delete, m_base[qsizetype(b)], {}});
    for (const Row& r : m_rows)
        if (r.base >= 0 && r.modified)
            out.append({packet::Change::Update, m_base[r.base], r.values});
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (int(i) != m_pending && m_rows[i].base < 0)
            out.append({packet::Change::Insert, {}, m_rows[i].values});
    return out;
}

void RecordStore::merge() {
    Values pending;
    const int pendingPos = m_pending;
    if (pendingPos >= 0)
        pending = m_rows[size_t(pendingPos)].values;
    dropPending();
    QList<Values> rows = committedRows();
    reset(std::move(rows));
    if (pendingPos >= 0)
        insertPending(pendingPos, std::move(pending));
}

void RecordStore::cancelUpdates() {
    m_rows.clear();
    m_rows.reserve(size_t(m_base.size()));
    for (qsizetype i = 0; i < m_base.size(); ++i)
        m_rows.push_back(Row{m_base.at(i), int(i), false});
    m_baseAlive.assign(size_t(m_base.size()), true);
    m_pending = -1;
}

QList<RecordStore::Values> RecordStore::committedRows() const {
    QList<Values> out;
    out.reserve(qsizetype(m_rows.size()));
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (int(i) != m_pending)
            out.append(m_rows[i].values);
    return out;
}
