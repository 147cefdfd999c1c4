// Apportionment: the rows that split a day's billed diners over invoice numbers, saved as
// one change packet, and the sum check over a period.

#include "framework/data/field_type.h"
#include "framework/data/packet.h"
#include "server/db/database.h"
#include "server/methods/methods.h"
#include "server/methods/refusal.h"
#include "server/methods/rules.h"

#include <QSet>

#include <array>
#include <optional>

namespace server {
namespace {

// The columns of an apportionment row, in the order of the data set that edits them.
enum Column {
    cBranch,
    cService,
    cDay,
    cClient,
    cSequence,
    cQuantity,
    cProduct,
    cNf,
    cNote,
    cPrice,
    kColumns
};

const QList<packet::FieldDesc> kRowFields{
    {QStringLiteral("CDFILIAL"), ftString, 4, QStringLiteral("SUPORTE.EFETRATCDRS.CDFILIAL")},
    {QStringLiteral("CDSERVFILI"), ftString, 5, QStringLiteral("SUPORTE.EFETRATCDRS.CDSERVFILI")},
    {QStringLiteral("DTRATCDRS"), ftDateTime, 0, QStringLiteral("DBCORVANA.EFETRATCDRS.DTRATCDRS")},
    {QStringLiteral("CDCLIENTE"), ftString, 21, QStringLiteral("SUPORTE.EFETRATCDRS.CDCLIENTE")},
    {QStringLiteral("NRSEQITRAT"), ftString, 4, {}},
    {QStringLiteral("QTDERATEIO"), ftFloat, 0, QStringLiteral("SUPORTE.EFETRATCDRS.QTDERATEIO")},
    {QStringLiteral("CDPRODUTO"), ftString, 10, QStringLiteral("DBCORVANA.EFETRATCDRS.CDPRODUTO")},
    {QStringLiteral("NRAGREFRAT"), ftString, 3, {}},
    {QStringLiteral("DSOBSRATE"), ftString, 100, QStringLiteral("DBCORVANA.EFETRATCDRS.DSOBSRATE")},
    {QStringLiteral("VRPRECRATE"), ftFloat, 0, QStringLiteral("DBCORVANA.EFETRATCDRS.VRPRECRATE")},
};

constexpr int kNoteLength = 100;

// One row in the form it is stored: codes as text, the day as a date, blanks as ''.
struct Row {
    std::array<QVariant, kColumns> v;

    QString text(Column c) const { return v[c].toString(); }
    QDate day() const { return v[cDay].toDate(); }
    QString where() const {
        return QStringLiteral("Rateio %1 do serviço %2 em %3")
            .arg(text(cSequence), text(cService), displayDate(day()));
    }
};

// Reads one side of a change through the packet's own column order.
Row rowOf(const QVariantList& values, const std::array<int, kColumns>& columns) {
    Row row;
    for (int c = 0; c < kColumns; ++c) {
        QVariant value = values.at(columns[c]);
        switch (kRowFields.at(c).type) {
        case ftDateTime:
            value = value.isNull() ? QVariant() : QVariant(value.toDateTime().date());
            break;
        case ftFloat:
            break;
        default:
            value = value.isNull() ? QString() : value.toString().trimmed();
            break;
        }
        row.v[c] = std::move(value);
    }
    if (!row.day().isValid())
        throw Refusal(QStringLiteral("O pacote de rateio traz uma linha sem data."));
    row.v[cSequence] = normalizeSequence(row.text(cSequence));
    return row;
}

// The stored row with that key, if there is one.
std::optional<Row> storedRow(Database& db, const Row& key) {
    Rows rows = db.select(QStringLiteral("SELECT QTDERATEIO, CDPRODUTO, NRAGREFRAT, DSOBSRATE, "
                                         "VRPRECRATE FROM EFETRATCDRS WHERE CDFILIAL = ? AND "
                                         "CDCLIENTE = ? AND CDSERVFILI = ? AND DTRATCDRS = ? AND "
                                         "NRSEQITRAT = ?"),
                          {key.text(cBranch), key.text(cClient), key.text(cService),
                           isoDate(key.day()), key.text(cSequence)});
    if (!rows.next())
        return std::nullopt;
    Row row = key;
    row.v[cQuantity] = rows.number(0);
    row.v[cProduct] = rows.text(1);
    row.v[cNf] = rows.text(2);
    row.v[cNote] = rows.text(3);
    row.v[cPrice] = rows.number(4);
    return row;
}

// Compares what a clerk loaded with what is stored now. Amounts travel as JSON numbers,
// which keep every bit of a double, so equality is exact.
bool same(const QVariant& loaded, const QVariant& stored) {
    if (stored.typeId() == QMetaType::Double)
        return !loaded.isNull() && loaded.toDouble() == stored.toDouble();
    if (stored.typeId() == QMetaType::QDate)
        return loaded.toDate() == stored.toDate();
    return loaded.toString() == stored.toString();
}

[[noreturn]] void refuseConflict(const Row& row, bool removed) {
    throw Refusal(
        QStringLiteral("%1 foi %2 por outro usuário depois de carregado. Nenhuma "
                       "alteração foi gravada; recarregue o dia e refaça a operação.")
            .arg(row.where(), removed ? QStringLiteral("excluído") : QStringLiteral("alterado")));
}

// Checks a row as it is to be stored and completes it from its day: product and price are
// the day's, whatever the packet says, because the calculation bills the row at them.
void validate(Database& db, Row& row) {
    for (Column c : {cBranch, cClient, cService})
        if (row.text(c).isEmpty())
            throw Refusal(QStringLiteral("%1: o campo %2 não foi informado.")
                              .arg(row.where(), kRowFields.at(c).name));
    if (row.v[cQuantity].isNull())
        throw Refusal(QStringLiteral("%1: Quantidade deve ser informada.").arg(row.where()));
    const double quantity = row.v[cQuantity].toDouble();
    if (!(quantity > 0))
        throw Refusal(QStringLiteral("%1: Quantidade deve ser maior que zero.").arg(row.where()));
    try {
        row.v[cNf] = normalizeNf(row.text(cNf));
    } catch (const Refusal& e) {
        throw Refusal(QStringLiteral("%1: %2").arg(row.where(), e.message()));
    }
    if (row.text(cNote).size() > kNoteLength)
        throw Refusal(QStringLiteral("%1: a observação passa de %2 caracteres.")
                          .arg(row.where())
                          .arg(kNoteLength));
    Rows day =
        db.select(QStringLiteral("SELECT CDPRODUTO, VRPRECEFET FROM EFETCDRS WHERE "
                                 "CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ? AND "
                                 "DTEFETCDRS = ?"),
                  {row.text(cBranch), row.text(cClient), row.text(cService), isoDate(row.day())});
    if (!day.next())
        throw Refusal(QStringLiteral("%1: não há comensais faturados nesse dia para o cliente.")
                          .arg(row.where()));
    row.v[cProduct] = day.text(0);
    row.v[cPrice] = day.number(1);
}

void refuseWhenDayLocked(Database& db, const Row& row) {
    refuseWhenLocked(db, row.text(cBranch), row.text(cClient), row.day(), row.day());
}

void refuseDuplicate(Database& db, const Row& row) {
    if (storedRow(db, row))
        throw Refusal(QStringLiteral("%1 já existe (outro usuário pode tê-lo incluído). Nenhuma "
                                     "alteração foi gravada; recarregue o dia e refaça a "
                                     "operação.")
                          .arg(row.where()));
}

void insertRow(Database& db, const Row& r) {
    db.exec(QStringLiteral("INSERT INTO EFETRATCDRS (CDFILIAL, CDCLIENTE, CDSERVFILI, DTRATCDRS, "
                           "NRSEQITRAT, QTDERATEIO, CDPRODUTO, NRAGREFRAT, DSOBSRATE, VRPRECRATE) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {r.text(cBranch), r.text(cClient), r.text(cService), isoDate(r.day()),
             r.text(cSequence), r.v[cQuantity].toDouble(), r.text(cProduct), r.text(cNf),
             r.text(cNote), r.v[cPrice].toDouble()});
}

void deleteRow(Database& db, const Row& r) {
    db.exec(
        QStringLiteral("DELETE FROM EFETRATCDRS WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
                       "CDSERVFILI = ? AND DTRATCDRS = ? AND NRSEQITRAT = ?"),
        {r.text(cBranch), r.text(cClient), r.text(cService), isoDate(r.day()), r.text(cSequence)});
}

void applyDelete(Database& db, const Row& old) {
    const auto stored = storedRow(db, old);
    if (!stored)
        refuseConflict(old, true);
    // The clerk decided to delete the row as it was loaded; a row someone changed since is
    // no longer the row that was meant.
    for (int c = 0; c < kColumns; ++c)
        if (!same(old.v[c], stored->v[c]))
            refuseConflict(old, false);
    refuseWhenDayLocked(db, old);
    deleteRow(db, old);
}

void applyUpdate(Database& db, const Row& old, Row row) {
    const auto stored = storedRow(db, old);
    if (!stored)
        refuseConflict(old, true);
    // Only what this clerk changed must still be as loaded: edits of other fields by
    // someone else are kept.
    for (int c = 0; c < kColumns; ++c)
        if (!same(old.v[c], row.v[c]) && !same(old.v[c], stored->v[c]))
            refuseConflict(old, false);
    for (int c = 0; c < kColumns; ++c)
        if (same(old.v[c], row.v[c]))
            row.v[c] = stored->v[c];
    refuseWhenDayLocked(db, old);
    validate(db, row);
    refuseWhenDayLocked(db, row);
    deleteRow(db, old);
    refuseDuplicate(db, row);
    insertRow(db, row);
}

void applyInsert(Database& db, Row row) {
    validate(db, row);
    refuseWhenDayLocked(db, row);
    refuseDuplicate(db, row);
    insertRow(db, row);
}

} // namespace

QVariant getRateio(Database& db, QVariantList& args) {
    const QString client = args.at(0).toString(), branch = args.at(1).toString();
    const QDate day = args.at(2).toDate();
    const QString service = args.at(3).toString();
    Rows rows = db.select(
        QStringLiteral("SELECT CDFILIAL, CDSERVFILI, DTRATCDRS, CDCLIENTE, NRSEQITRAT, QTDERATEIO, "
                       "CDPRODUTO, NRAGREFRAT, DSOBSRATE, VRPRECRATE FROM EFETRATCDRS WHERE "
                       "CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ? AND DTRATCDRS = ? "
                       "ORDER BY NRSEQITRAT"),
        {branch, client, service, isoDate(day)});
    packet::Table table{kRowFields, {}};
    while (rows.next())
        table.rows.append({rows.text(0), rows.text(1), dateTimeOf(rows.date(2)), rows.text(3),
                           rows.text(4), rows.number(5), rows.text(6), rows.text(7), rows.text(8),
                           rows.number(9)});
    return packet::make(table);
}

QVariant setRateio(Database& db, QVariantList& args) {
    if (args.at(0).isNull())
        return {};
    const packet::ChangeSet delta = packet::decodeDelta(args.at(0));
    if (delta.changes.isEmpty())
        return {};
    std::array<int, kColumns> columns{};
    for (int c = 0; c < kColumns; ++c) {
        columns[c] = packet::indexOf(delta.fields, kRowFields.at(c).name);
        if (columns[c] < 0)
            throw Refusal(QStringLiteral("O pacote de rateio não traz o campo %1.")
                              .arg(kRowFields.at(c).name));
    }

    struct Step {
        packet::Change::Kind kind;
        Row old, row;
    };
    QList<Step> steps;
    QSet<QString> clients;
    for (const packet::Change& change : delta.changes) {
        Step step{change.kind, {}, {}};
        if (change.kind != packet::Change::Insert)
            clients.insert((step.old = rowOf(change.oldValues, columns)).text(cClient));
        if (change.kind != packet::Change::Delete)
            clients.insert((step.row = rowOf(change.newValues, columns)).text(cClient));
        steps.append(step);
    }

    // All or nothing: the first refusal leaves the transaction to roll back.
    Transaction tx(db);
    // In one order on every server, so that two packets never wait for each other.
    QStringList ordered(clients.begin(), clients.end());
    ordered.sort();
    for (const QString& client : std::as_const(ordered))
        lockClient(db, client);
    for (const Step& step : std::as_const(steps)) {
        switch (step.kind) {
        case packet::Change::Delete:
            applyDelete(db, step.old);
            break;
        case packet::Change::Update:
            applyUpdate(db, step.old, step.row);
            break;
        case packet::Change::Insert:
            applyInsert(db, step.row);
            break;
        }
    }
    tx.commit();
    return {};
}

QVariant somaApurac(Database& db, QVariantList& args) {
    // A client without services on the screen has a closed list: nothing to check.
    if (args.at(0).isNull())
        return false;
    const QDate from = args.at(1).toDate(), to = args.at(2).toDate();
    requirePeriod(from, to);
    const packet::Table services = packet::decode(args.at(0));
    if (services.rows.isEmpty())
        return false;
    int columns[3];
    const char* const names[3] = {"CDFILIAL", "CDCLIENTE", "CDSERVFILI"};
    for (int i = 0; i < 3; ++i) {
        columns[i] = packet::indexOf(services.fields, QLatin1String(names[i]));
        if (columns[i] < 0)
            throw Refusal(QStringLiteral("O pacote de serviços não traz o campo %1.")
                              .arg(QLatin1String(names[i])));
    }
    for (const QVariantList& s : services.rows)
        if (!unbalancedDays(db, s.at(columns[0]).toString(), s.at(columns[1]).toString(),
                            s.at(columns[2]).toString(), from, to)
                 .isEmpty())
            return true;
    return false;
}

} // namespace server
