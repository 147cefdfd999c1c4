#include "framework/data/dataset.h"

#include "contracts/host_framework.h"
#include "framework/data/datasource.h"
#include "framework/data/text_format.h"

#include <algorithm>

namespace {

[[noreturn]] void closedError(const QString& name) {
    throw EDatabaseError(
        QStringLiteral("%1: não é possível executar esta operação em um conjunto de dados fechado.")
            .arg(name));
}

// Restores a value when the scope ends, also when it ends by an exception.
template <typename T> class Restore {
public:
    Restore(T& target, T value) : m_target(target), m_saved(target) { target = value; }
    ~Restore() { m_target = m_saved; }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    T& m_target;
    T m_saved;
};

QVariant valueForField(const TField& field, const QVariant& value) {
    QVariant out;
    if (packet::normalize(value, field.DataType(), out))
        return out;
    throw EConvertError(QStringLiteral("'%1' não é um valor válido para o campo '%2'.")
                            .arg(value.toString(), field.FieldName()));
}

} // namespace

TClientDataSet::TClientDataSet(QString name) : m_name(std::move(name)) {}

TClientDataSet::~TClientDataSet() {
    const auto sources = m_sources;
    for (TDataSource* s : sources)
        s->DataSetDestroyed();
}

TField& TClientDataSet::AddField(const QString& name, TFieldType type, int size) {
    if (Active())
        throw EDatabaseError(
            QStringLiteral("%1: não é possível incluir campos em um conjunto de dados aberto.")
                .arg(m_name));
    if (FindField(name))
        throw EDatabaseError(QStringLiteral("%1: o campo '%2' já existe.").arg(m_name, name));
    m_fields.push_back(std::make_unique<TField>(*this, FieldCount(), name, type, size));
    return *m_fields.back();
}

TField* TClientDataSet::FindField(const QString& name) const {
    for (const auto& f : m_fields)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

TField& TClientDataSet::FieldByName(const QString& name) const {
    if (TField* f = FindField(name))
        return *f;
    throw EDatabaseError(QStringLiteral("%1: campo '%2' não encontrado.").arg(m_name, name));
}

void TClientDataSet::CreateDataSet() {
    if (m_fields.empty())
        throw EDatabaseError(
            QStringLiteral("%1: não há campos definidos para criar o conjunto de dados.")
                .arg(m_name));
    Close();
    OpenWith({});
}

void TClientDataSet::Close() {
    if (!Active())
        return;
    Fire(BeforeClose, *this);
    m_buffer.clear();
    m_rows.clear();
    m_cur = -1;
    m_eof = m_bof = true;
    m_modified = false;
    SetState(dsInactive);
    Fire(AfterClose, *this);
}

void TClientDataSet::OpenWith(QList<RecordStore::Values> rows) {
    Fire(BeforeOpen, *this);
    m_rows.reset(std::move(rows));
    m_cur = m_rows.size() > 0 ? 0 : -1;
    m_bof = true;
    m_eof = m_rows.size() == 0;
    m_modified = false;
    RunCalcFieldsForAll();
    SetState(dsBrowse);
    Fire(AfterOpen, *this);
    if (m_rows.size() > 0)
        Fire(AfterScroll, *this);
}

QVariant TClientDataSet::Data() const {
    if (!Active())
        return {};
    packet::Table table;
    table.fields = FieldDescs();
    table.rows = m_rows.committedRows();
    return packet::make(table);
}

void TClientDataSet::SetData(const QVariant& value) {
    if (value.isNull() || !value.isValid()) {
        Close();
        return;
    }
    const packet::Table table = packet::decode(value);
    QList<RecordStore::Values> rows;
    rows.reserve(table.rows.size());
    bool sameLayout = table.fields.size() == qsizetype(m_fields.size());
    for (size_t i = 0; sameLayout && i < m_fields.size(); ++i)
        sameLayout = table.fields.at(qsizetype(i))
                             .name.compare(m_fields[i]->FieldName(), Qt::CaseInsensitive) == 0 &&
                     table.fields.at(qsizetype(i)).type == m_fields[i]->DataType();
    if (m_fields.empty() || sameLayout) {
        rows = table.rows;
    } else {
        // Map the packet's columns onto the declared fields, by name.
        std::vector<int> source(m_fields.size());
        std::vector<bool> sameType(m_fields.size());
        for (size_t i = 0; i < m_fields.size(); ++i) {
            source[i] = packet::indexOf(table.fields, m_fields[i]->FieldName());
            if (source[i] < 0)
                throw EDatabaseError(QStringLiteral("%1: o pacote de dados não traz o campo '%2'.")
                                         .arg(m_name, m_fields[i]->FieldName()));
            sameType[i] = table.fields.at(source[i]).type == m_fields[i]->DataType() ||
                          (table.fields.at(source[i]).type == ftFixedChar &&
                           m_fields[i]->DataType() == ftString) ||
                          (table.fields.at(source[i]).type == ftString &&
                           m_fields[i]->DataType() == ftFixedChar);
        }
        for (qsizetype r = 0; r < table.rows.size(); ++r) {
            const QVariantList& in = table.rows.at(r);
            RecordStore::Values row;
            row.reserve(qsizetype(m_fields.size()));
            for (size_t i = 0; i < m_fields.size(); ++i) {
                const QVariant& v = in.at(source[i]);
                if (sameType[i] || v.isNull()) {
                    row.append(v);
                    continue;
                }
                QVariant out;
                if (!packet::normalize(v, m_fields[i]->DataType(), out))
                    throw EDatabaseError(
                        QStringLiteral("%1: linha %2, o valor '%3' não serve ao campo '%4' (%5).")
                            .arg(m_name)
                            .arg(r + 1)
                            .arg(v.toString(), m_fields[i]->FieldName(),
                                 fieldTypeName(m_fields[i]->DataType())));
                row.append(out);
            }
            rows.append(std::move(row));
        }
    }
    Close();
    if (m_fields.empty())
        for (const packet::FieldDesc& f : table.fields)
            AddField(f.name, f.type, f.size).SetOrigin(f.origin);
    OpenWith(std::move(rows));
}

QVariant TClientDataSet::Delta() const {
    if (!Active())
        return {};
    packet::ChangeSet delta;
    delta.fields = FieldDescs();
    delta.changes = m_rows.changes();
    return packet::makeDelta(delta);
}

int TClientDataSet::ChangeCount() const {
    return Active() ? m_rows.changeCount() : 0;
}

void TClientDataSet::MergeChangeLog() {
    if (Active())
        m_rows.merge();
}

void TClientDataSet::CancelUpdates() {
    if (!Active())
        return;
    Cancel();
    m_rows.cancelUpdates();
    RunCalcFieldsForAll();
    if (m_cur >= m_rows.size())
        m_cur = m_rows.size() - 1;
    if (m_cur < 0 && m_rows.size() > 0)
        m_cur = 0;
    m_eof = m_bof = m_rows.size() == 0;
    DataEvent(deDataSetChange);
}

int TClientDataSet::RecordCount() const {
    if (!Active())
        return 0;
    return m_rows.size() - (m_rows.pendingRow() >= 0 ? 1 : 0);
}

void TClientDataSet::MoveCursor(int row, bool bof, bool eof) {
    const bool moves = row != m_cur;
    const bool endsChange = bof != m_bof || eof != m_eof;
    if (moves)
        Fire(BeforeScroll, *this);
    m_cur = row;
    m_bof = bof;
    m_eof = eof;
    // A move that only reaches an end (Next on the last row) still changes what a
    // navigator offers.
    if (moves || endsChange)
        DataEvent(deDataSetScroll);
    if (moves)
        Fire(AfterScroll, *this);
}

bool TClientDataSet::PrepareMove() {
    if (!Active())
        closedError(m_name);
    CheckBrowseMode();
    if (m_rows.size() > 0)
        return true;
    m_eof = m_bof = true;
    return false;
}

void TClientDataSet::First() {
    if (PrepareMove())
        MoveCursor(0, true, false);
}

void TClientDataSet::Last() {
    if (PrepareMove())
        MoveCursor(m_rows.size() - 1, false, true);
}

void TClientDataSet::Next() {
    MoveBy(1);
}

void TClientDataSet::Prior() {
    MoveBy(-1);
}

int TClientDataSet::MoveBy(int distance) {
    if (!PrepareMove() || distance == 0)
        return 0;
    const int target = qBound(0, m_cur + distance, m_rows.size() - 1);
    const int moved = target - m_cur;
    MoveCursor(target, distance < 0 && moved > distance, distance > 0 && moved < distance);
    return moved;
}

void TClientDataSet::SetRecNo(int recNo) {
    if (PrepareMove())
        MoveCursor(qBound(0, recNo - 1, m_rows.size() - 1), false, false);
}

bool TClientDataSet::Locate(const QString& keyFields, const QVariant& keyValues,
                            TLocateOptions options) {
    PrepareMove();
    const QStringList names = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const QVariantList keys = keyValues.typeId() == QMetaType::QVariantList
                                  ? keyValues.toList()
                                  : QVariantList{keyValues};
    if (names.isEmpty() || keys.size() != names.size())
        throw EDatabaseError(QStringLiteral("%1: chave de busca inválida.").arg(m_name));
    std::vector<const TField*> fields;
    QVariantList wanted;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const TField& f = FieldByName(names.at(i).trimmed());
        fields.push_back(&f);
        wanted.append(keys.at(i).isNull() ? QVariant() : valueForField(f, keys.at(i)));
    }
    const Qt::CaseSensitivity cs =
        (options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (int r = 0; r < m_rows.size(); ++r) {
        if (r == m_rows.pendingRow())
            continue;
        bool match = true;
        for (size_t i = 0; i < fields.size() && match; ++i) {
            const QVariant& have = m_rows.at(r).at(fields[i]->Index());
            const QVariant& want = wanted.at(qsizetype(i));
            if (want.isNull() || have.isNull()) {
                match = want.isNull() && have.isNull();
            } else if (want.typeId() == QMetaType::QString) {
                match = (options & loPartialKey)
                            ? have.toString().startsWith(want.toString(), cs)
                            : have.toString().compare(want.toString(), cs) == 0;
            } else {
                match = have == want;
            }
        }
        if (match) {
            MoveCursor(r, false, false);
            return true;
        }
    }
    return false;
}

void TClientDataSet::CheckBrowseMode() {
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    UpdateRecord();
    if (m_modified)
        Post();
    else
        Cancel();
}

void TClientDataSet::UpdateRecord() {
    DataEvent(deUpdateRecord);
}

void TClientDataSet::InsertAt(int pos, bool append) {
    const bool bof = m_bof, eof = m_eof;
    m_rows.insertPending(pos, RecordStore::Values(FieldCount()));
    m_cur = pos;
    m_buffer = RecordStore::Values(FieldCount());
    m_modified = false;
    // As the desktop library: an appended row stands at the end; an inserted one keeps
    // the ends as they were.
    if (append) {
        m_bof = false;
        m_eof = true;
    }
    SetState(dsInsert);
    try {
        Fire(OnNewRecord, *this);
    } catch (...) {
        m_rows.dropPending();
        m_cur = qMin(m_cur, m_rows.size() - 1);
        m_buffer.clear();
        m_modified = false;
        m_bof = bof;
        m_eof = eof;
        SetState(dsBrowse);
        DataEvent(deDataSetChange);
        throw;
    }
    m_modified = false;
    DataEvent(deDataSetChange);
    Fire(AfterInsert, *this);
    Fire(AfterScroll, *this);
}

void TClientDataSet::Insert() {
    if (!Active())
        closedError(m_name);
    CheckBrowseMode();
    Fire(BeforeInsert, *this);
    Fire(BeforeScroll, *this);
    InsertAt(m_cur < 0 ? 0 : m_cur, false);
}

void TClientDataSet::Append() {
    if (!Active())
        closedError(m_name);
    CheckBrowseMode();
    Fire(BeforeInsert, *this);
    Fire(BeforeScroll, *this);
    InsertAt(m_rows.size(), true);
}

void TClientDataSet::Edit() {
    if (!Active())
        closedError(m_name);
    if (m_state == dsEdit || m_state == dsInsert)
        return;
    if (RecordCount() == 0) {
        Insert();
        return;
    }
    Fire(BeforeEdit, *this);
    m_buffer = m_rows.at(m_cur);
    m_modified = false;
    SetState(dsEdit);
    DataEvent(deRecordChange);
    Fire(AfterEdit, *this);
}

void TClientDataSet::Post() {
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    UpdateRecord();
    Fire(BeforePost, *this);
    for (const auto& f : m_fields)
        if (f->Required() && m_buffer.at(f->Index()).isNull())
            throw EDatabaseError(
                QStringLiteral("O campo '%1' deve ter um valor.").arg(f->DisplayLabel()));
    if (m_state == dsInsert)
        m_rows.commitPending(m_buffer);
    else
        m_rows.update(m_cur, m_buffer);
    m_buffer.clear();
    m_modified = false;
    // The desktop library re-reads the rows around the posted one: neither end is reached.
    m_bof = m_eof = false;
    RunCalcFields(m_cur);
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    Fire(AfterPost, *this);
}

void TClientDataSet::Cancel() {
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    Fire(BeforeCancel, *this);
    const bool wasInsert = m_state == dsInsert;
    if (wasInsert) {
        Fire(BeforeScroll, *this);
        m_rows.dropPending();
        m_cur = qMin(m_cur, m_rows.size() - 1);
    }
    m_buffer.clear();
    m_modified = false;
    m_eof = m_bof = m_rows.size() == 0;
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    Fire(AfterCancel, *this);
    if (wasInsert)
        Fire(AfterScroll, *this);
}

void TClientDataSet::Delete() {
    if (!Active())
        closedError(m_name);
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (RecordCount() == 0)
        return;
    Fire(BeforeDelete, *this);
    Fire(BeforeScroll, *this);
    m_rows.remove(m_cur);
    m_buffer.clear();
    m_modified = false;
    m_cur = qMin(m_cur, m_rows.size() - 1);
    m_eof = m_bof = m_rows.size() == 0;
    if (m_state != dsBrowse)
        SetState(dsBrowse);
    DataEvent(deDataSetChange);
    Fire(AfterDelete, *this);
    Fire(AfterScroll, *this);
}

void TClientDataSet::DisableControls() {
    if (m_disableCount++ == 0) {
        m_disableState = m_state;
        m_disabledActive = m_state != dsInactive;
    }
}

void TClientDataSet::EnableControls() {
    if (m_disableCount == 0 || --m_disableCount > 0)
        return;
    if (m_state != m_disableState)
        DataEvent(deUpdateState);
    if (Active())
        DataEvent(deDataSetChange);
}

void TClientDataSet::WithRow(int row, const std::function<void()>& fn) const {
    Restore<int> guard(m_readRow, row);
    fn();
}

const QVariant& TClientDataSet::FieldValue(int index) const {
    static const QVariant null;
    if (m_calcRow >= 0)
        return m_rows.at(m_calcRow).at(index);
    if (m_state == dsInactive)
        return null;
    const int row = m_readRow >= 0 ? m_readRow : m_cur;
    if (row < 0 || row >= m_rows.size())
        return null;
    if ((m_state == dsEdit || m_state == dsInsert) && row == m_cur)
        return m_buffer.at(index);
    return m_rows.at(row).at(index);
}

void TClientDataSet::SetFieldValue(TField& field, const QVariant& value) {
    QVariant v;
    if (value.typeId() == QMetaType::QString && field.DataType() != ftString &&
        field.DataType() != ftFixedChar) {
        field.SetAsString(value.toString());
        return;
    }
    v = valueForField(field, value);
    if (v.typeId() == QMetaType::QString && field.Size() > 0 && v.toString().size() > field.Size())
        v = v.toString().left(field.Size());
    if (m_calcRow >= 0) {
        m_rows.calculatedAt(m_calcRow)[field.Index()] = v;
        return;
    }
    if (m_state != dsEdit && m_state != dsInsert)
        throw EDatabaseError(
            QStringLiteral("%1: o conjunto de dados não está em modo de edição ou inserção.")
                .arg(m_name));
    if (field.ReadOnly())
        throw EDatabaseError(
            QStringLiteral("O campo '%1' não pode ser modificado.").arg(field.DisplayLabel()));
    m_buffer[field.Index()] = v;
    m_modified = true;
    DataEvent(deFieldChange, &field);
}

void TClientDataSet::SetState(TDataSetState state) {
    if (state == m_state)
        return;
    m_state = state;
    DataEvent(deUpdateState);
}

void TClientDataSet::DataEvent(TDataEvent event, void* info) {
    bool notify = !ControlsDisabled() || event == deFocusControl;
    if (event == deUpdateState && ControlsDisabled()) {
        // While the controls are suspended the sources hear only of opening and closing.
        const bool active = m_state != dsInactive;
        if (active == m_disabledActive)
            return;
        m_disabledActive = active;
        event = deDisabledStateChange;
        info = active ? this : nullptr;
        notify = true;
    }
    if (!notify)
        return;
    const auto sources = m_sources;
    for (TDataSource* s : sources)
        s->DataEvent(event, info);
}

void TClientDataSet::AttachSource(TDataSource* source) {
    if (std::find(m_sources.begin(), m_sources.end(), source) == m_sources.end())
        m_sources.push_back(source);
}

void TClientDataSet::DetachSource(TDataSource* source) {
    m_sources.erase(std::remove(m_sources.begin(), m_sources.end(), source), m_sources.end());
}

void TClientDataSet::RunCalcFields(int row) {
    if (!OnCalcFields || row < 0)
        return;
    Restore<int> guard(m_calcRow, row);
    OnCalcFields(*this);
}

void TClientDataSet::RunCalcFieldsForAll() {
    if (!OnCalcFields)
        return;
    for (int r = 0; r < m_rows.size(); ++r)
        RunCalcFields(r);
}

QList<packet::FieldDesc> TClientDataSet::FieldDescs() const {
    QList<packet::FieldDesc> out;
    for (const auto& f : m_fields)
        out.append({f->FieldName(), f->DataType(), f->Size(), f->Origin()});
    return out;
}

void TClientDataSet::Fire(const NotifyEvent& event, TClientDataSet& self) {
    if (event)
        event(self);
}
