// The report of one calculation: who it bills and its stored result lines, for the
// report module behind the billing screen's print button.

#include "framework/data/field_type.h"
#include "framework/data/packet.h"
#include "server/db/database.h"
#include "server/methods/methods.h"
#include "server/methods/refusal.h"

#include <QDateTime>

namespace server {
namespace {

const QList<packet::FieldDesc> kHeaderFields{
    {QStringLiteral("CDFILIAL"), ftString, 4, QStringLiteral("CTRLAPURFAT.CDFILIAL")},
    {QStringLiteral("NMFILIAL"), ftString, 40, QStringLiteral("FILIAL.NMFILIAL")},
    {QStringLiteral("NRAPURACFAT"), ftString, 10, QStringLiteral("CTRLAPURFAT.NRAPURACFAT")},
    {QStringLiteral("CDCLIENTE"), ftString, 21, QStringLiteral("CTRLAPURFAT.CDCLIENTE")},
    {QStringLiteral("IDTPIJURCLIE"), ftString, 1, QStringLiteral("CLIENTE.IDTPIJURCLIE")},
    {QStringLiteral("NRINSJURCLIE"), ftString, 20, QStringLiteral("CLIENTE.NRINSJURCLIE")},
    {QStringLiteral("NMRAZSOCCLIE"), ftString, 50, QStringLiteral("CLIENTE.NMRAZSOCCLIE")},
    {QStringLiteral("DTINIAPURAC"), ftDateTime, 0, QStringLiteral("CTRLAPURFAT.DTINIAPURAC")},
    {QStringLiteral("DTFIMAPURAC"), ftDateTime, 0, QStringLiteral("CTRLAPURFAT.DTFIMAPURAC")},
    {QStringLiteral("DTCALCULO"), ftDateTime, 0, QStringLiteral("CTRLAPURFAT.DTCALCULO")},
    {QStringLiteral("CDFILIPROC"), ftString, 4, QStringLiteral("CTRLAPURFAT.CDFILIPROC")},
    {QStringLiteral("NMFILIPROC"), ftString, 40, QStringLiteral("FILIAL.NMFILIAL")},
    {QStringLiteral("IDBLOQUEADO"), ftString, 1, QStringLiteral("CTRLAPURFAT.IDBLOQUEADO")},
};

const QList<packet::FieldDesc> kItemFields{
    {QStringLiteral("NRAGRUEFET"), ftString, 3, QStringLiteral("ITAPURFAT.NRAGRUEFET")},
    {QStringLiteral("CDSERVFILI"), ftString, 5, QStringLiteral("ITAPURFAT.CDSERVFILI")},
    {QStringLiteral("NMSERVICO"), ftString, 40, QStringLiteral("SERVFILI.NMSERVICO")},
    {QStringLiteral("CDPRODUTO"), ftString, 10, QStringLiteral("ITAPURFAT.CDPRODUTO")},
    {QStringLiteral("VRPRECO"), ftFloat, 0, QStringLiteral("ITAPURFAT.VRPRECO")},
    {QStringLiteral("QTFATURADA"), ftFloat, 0, QStringLiteral("ITAPURFAT.QTFATURADA")},
    {QStringLiteral("VRFATURADO"), ftFloat, 0, QStringLiteral("ITAPURFAT.VRFATURADO")},
};

constexpr int kHeaderColumns = 13;

// The run's moment is kept in UTC; the clerk reads it on the clock of the branch, which
// is the server's.
QVariant localMoment(const QDateTime& utc) {
    if (!utc.isValid())
        return {};
    const QDateTime local = utc.toLocalTime();
    return dateTimeOf(local.date(), local.time());
}

} // namespace

QVariant getRelApuracao(Database& db, QVariantList& args) {
    const QString branch = args.at(0).toString().trimmed();
    const QString number = args.at(1).toString().trimmed();
    if (branch.isEmpty())
        throw Refusal(QStringLiteral("Filial deve ser informada."));
    if (number.isEmpty())
        throw Refusal(QStringLiteral("Apuração deve ser informada."));

    // One statement, so that the header and the lines come from the same snapshot even
    // while a recalculation of the same number commits beside it.
    Rows rows = db.select(
        QStringLiteral(
            "SELECT a.CDFILIAL, f.NMFILIAL, a.NRAPURACFAT, a.CDCLIENTE, c.IDTPIJURCLIE, "
            "c.NRINSJURCLIE, c.NMRAZSOCCLIE, a.DTINIAPURAC, a.DTFIMAPURAC, a.DTCALCULO, "
            "a.CDFILIPROC, p.NMFILIAL, a.IDBLOQUEADO, "
            "i.NRAGRUEFET, i.CDSERVFILI, s.NMSERVICO, i.CDPRODUTO, i.VRPRECO, i.QTFATURADA, "
            "i.VRFATURADO "
            "FROM CTRLAPURFAT a JOIN FILIAL f ON f.CDFILIAL = a.CDFILIAL "
            "JOIN CLIENTE c ON c.CDCLIENTE = a.CDCLIENTE "
            "LEFT JOIN FILIAL p ON p.CDFILIAL = a.CDFILIPROC "
            "LEFT JOIN ITAPURFAT i ON i.CDFILIAL = a.CDFILIAL AND i.NRAPURACFAT = a.NRAPURACFAT "
            "LEFT JOIN SERVFILI s ON s.CDFILIAL = i.CDFILIAL AND s.CDSERVFILI = i.CDSERVFILI "
            "WHERE a.CDFILIAL = ? AND a.NRAPURACFAT = ? "
            "ORDER BY i.NRAGRUEFET = '', i.NRAGRUEFET, i.CDSERVFILI, i.CDPRODUTO, i.VRPRECO"),
        {branch, number});

    packet::Table header{kHeaderFields, {}};
    packet::Table items{kItemFields, {}};
    while (rows.next()) {
        if (header.rows.isEmpty())
            header.rows.append({rows.text(0), rows.text(1), rows.text(2), rows.text(3),
                                rows.text(4), rows.text(5), rows.text(6), dateTimeOf(rows.date(7)),
                                dateTimeOf(rows.date(8)), localMoment(rows.moment(9)),
                                rows.text(10), rows.text(11), rows.text(12)});
        if (rows.isNull(kHeaderColumns + 1))
            continue;
        const int i = kHeaderColumns;
        items.rows.append({rows.text(i), rows.text(i + 1), rows.text(i + 2), rows.text(i + 3),
                           rows.number(i + 4), rows.number(i + 5), rows.number(i + 6)});
    }
    if (header.rows.isEmpty())
        throw Refusal(
            QStringLiteral("Apuração %1 não encontrada na filial %2.").arg(number, branch));
    if (items.rows.isEmpty())
        throw Refusal(QStringLiteral("A apuração %1 da filial %2 não tem itens calculados. "
                                     "Refaça o cálculo antes de emitir o relatório.")
                          .arg(number, branch));
    return QVariantMap{{QStringLiteral("header"), packet::make(header)},
                       {QStringLiteral("items"), packet::make(items)}};
}

} // namespace server
