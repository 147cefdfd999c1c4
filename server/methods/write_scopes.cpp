#include "server/methods/write_scopes.h"

#include "framework/data/packet.h"
#include "server/db/database.h"
#include "server/methods/rules.h"

#include <QSet>

namespace server {
namespace {

const QStringList kShareKey{QStringLiteral("CDFILIAL"), QStringLiteral("CDCLIENTE"),
                            QStringLiteral("CDSERVFILI"), QStringLiteral("DTRATCDRS"),
                            QStringLiteral("NRSEQITRAT")};
const QStringList kDayKey{QStringLiteral("CDFILIAL"), QStringLiteral("CDCLIENTE"),
                          QStringLiteral("CDSERVFILI"), QStringLiteral("DTEFETCDRS")};
const QStringList kCalculationKey{QStringLiteral("CDFILIAL"), QStringLiteral("NRAPURACFAT")};

} // namespace

AuditScope setRateioScope(Database&, const QVariantList& args) {
    if (args.at(0).isNull())
        return {};
    // The rows of every day the packet touches, on either side of a change.
    const packet::ChangeSet delta = packet::decodeDelta(args.at(0));
    int columns[4];
    const char* const names[4] = {"CDFILIAL", "CDCLIENTE", "CDSERVFILI", "DTRATCDRS"};
    for (int i = 0; i < 4; ++i)
        if ((columns[i] = packet::indexOf(delta.fields, QLatin1String(names[i]))) < 0)
            return {}; // the method refuses such a packet before it writes anything
    AuditScope scope;
    QSet<QString> seen;
    for (const packet::Change& change : delta.changes) {
        for (const QVariantList* side : {&change.oldValues, &change.newValues}) {
            if (side->isEmpty())
                continue;
            const QString branch = side->at(columns[0]).toString().trimmed();
            const QVariantList params{branch, side->at(columns[1]).toString().trimmed(),
                                      side->at(columns[2]).toString().trimmed(),
                                      isoDate(side->at(columns[3]).toDateTime().date())};
            QStringList key;
            for (const QVariant& p : params)
                key << p.toString();
            if (!seen.contains(key.join(u'|'))) {
                seen.insert(key.join(u'|'));
                scope.append({branch, QStringLiteral("EFETRATCDRS"), kShareKey,
                              QStringLiteral("CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ? "
                                             "AND DTRATCDRS = ?"),
                              params});
            }
        }
    }
    return scope;
}

AuditScope setEfetivosScope(Database&, const QVariantList& args) {
    const QString client = args.at(0).toString(), branch = args.at(1).toString();
    const QString service = args.at(4).toString();
    return {
        {branch,
         QStringLiteral("SERVCLIE"),
         {QStringLiteral("CDFILIAL"), QStringLiteral("CDCLIENTE"), QStringLiteral("CDSERVFILI")},
         QStringLiteral("CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ?"),
         {branch, client, service}},
        {branch,
         QStringLiteral("EFETCDRS"),
         kDayKey,
         QStringLiteral("CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ? AND DTEFETCDRS "
                        "BETWEEN ? AND ?"),
         {branch, client, service, isoDate(args.at(2).toDate()), isoDate(args.at(3).toDate())}}};
}

AuditScope confirmaCalculoScope(Database& db, const QVariantList& args) {
    const QString client = args.at(1).toString(), branch = args.at(5).toString();
    const QString requested = args.at(4).toString().trimmed();
    QDate from = args.at(2).toDate(), to = args.at(3).toDate();
    AuditScope scope{
        {branch,
         QStringLiteral("CTRLAPURFAT"),
         kCalculationKey,
         QStringLiteral("CDFILIAL = ? AND CDCLIENTE = ?"),
         {branch, client}},
        {branch,
         QStringLiteral("ITAPURFAT"),
         {QStringLiteral("CDFILIAL"), QStringLiteral("NRAPURACFAT"), QStringLiteral("NRAGRUEFET"),
          QStringLiteral("CDSERVFILI"), QStringLiteral("CDPRODUTO"), QStringLiteral("VRPRECO")},
         QStringLiteral("CDFILIAL = ? AND NRAPURACFAT IN (SELECT NRAPURACFAT FROM CTRLAPURFAT "
                        "WHERE CDFILIAL = ? AND CDCLIENTE = ?)"),
         {branch, branch, client}}};
    // Of the days, the calculation writes only their stamp, and only where it changes: a
    // recalculation of the same period whose days all carry its number already changes no
    // day, and then a year of days is not read twice around it.
    if (isRecalculable(db, branch, client, requested, from, to)) {
        Rows former = db.select(QStringLiteral("SELECT DTINIAPURAC, DTFIMAPURAC FROM CTRLAPURFAT "
                                               "WHERE CDFILIAL = ? AND NRAPURACFAT = ?"),
                                {branch, requested});
        if (former.next()) {
            const QDate formerFrom = former.date(0), formerTo = former.date(1);
            if (formerFrom == from && formerTo == to &&
                db.scalar(QStringLiteral("SELECT 1 FROM EFETCDRS WHERE CDFILIAL = ? AND "
                                         "CDCLIENTE = ? AND DTEFETCDRS BETWEEN ? AND ? AND "
                                         "(NRAPURACFAT IS NULL OR NRAPURACFAT <> ?) LIMIT 1"),
                          {branch, client, isoDate(from), isoDate(to), requested})
                    .isNull())
                return scope;
            // The days of the former period that fall out of it are released.
            from = qMin(from, formerFrom);
            to = qMax(to, formerTo);
        }
    }
    scope.append({branch,
                  QStringLiteral("EFETCDRS"),
                  kDayKey,
                  QStringLiteral("CDFILIAL = ? AND CDCLIENTE = ? AND DTEFETCDRS BETWEEN ? AND ?"),
                  {branch, client, isoDate(from), isoDate(to)}});
    return scope;
}

AuditScope calculationLockScope(const QString& branch, const QString& number) {
    return {{branch,
             QStringLiteral("CTRLAPURFAT"),
             kCalculationKey,
             QStringLiteral("CDFILIAL = ? AND NRAPURACFAT = ?"),
             {branch, number}}};
}

} // namespace server
