#include "report/report_model.h"

#include "contracts/host_framework.h"
#include "framework/data/edit_mask.h"
#include "framework/data/packet.h"
#include "report/report_amounts.h"

#include <algorithm>

namespace report {
namespace {

QString dateText(QDate date) {
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QString codeAndName(const QString& code, const QString& name) {
    return name.isEmpty() ? code : QStringLiteral("%1 - %2").arg(code, name);
}

[[noreturn]] void refuseAnswer() {
    throw Exception(QStringLiteral("O servidor de aplicação enviou um relatório de apuração "
                                   "ilegível."));
}

ReportHeader headerOf(const QVariantMap& row) {
    ReportHeader h;
    h.branch = row.value(QStringLiteral("CDFILIAL")).toString();
    h.branchName = row.value(QStringLiteral("NMFILIAL")).toString();
    h.number = row.value(QStringLiteral("NRAPURACFAT")).toString();
    h.client = row.value(QStringLiteral("CDCLIENTE")).toString();
    h.personType = row.value(QStringLiteral("IDTPIJURCLIE")).toString();
    h.registration = row.value(QStringLiteral("NRINSJURCLIE")).toString();
    h.companyName = row.value(QStringLiteral("NMRAZSOCCLIE")).toString();
    h.from = row.value(QStringLiteral("DTINIAPURAC")).toDateTime().date();
    h.to = row.value(QStringLiteral("DTFIMAPURAC")).toDateTime().date();
    h.calculatedAt = row.value(QStringLiteral("DTCALCULO")).toDateTime();
    h.processingBranch = row.value(QStringLiteral("CDFILIPROC")).toString();
    h.processingBranchName = row.value(QStringLiteral("NMFILIPROC")).toString();
    h.locked = row.value(QStringLiteral("IDBLOQUEADO")).toString() == QLatin1String("S");
    return h;
}

ReportLine lineOf(const QVariantMap& row) {
    ReportLine l;
    l.service = row.value(QStringLiteral("CDSERVFILI")).toString();
    l.serviceName = row.value(QStringLiteral("NMSERVICO")).toString();
    l.product = row.value(QStringLiteral("CDPRODUTO")).toString();
    l.price = toUnits(row.value(QStringLiteral("VRPRECO")).toDouble(), kPriceDecimals);
    l.quantity = toUnits(row.value(QStringLiteral("QTFATURADA")).toDouble(), kQuantityDecimals);
    l.amount = toUnits(row.value(QStringLiteral("VRFATURADO")).toDouble(), kMoneyDecimals);
    return l;
}

} // namespace

QString ReportHeader::branchText() const {
    return codeAndName(branch, branchName);
}

QString ReportHeader::processingBranchText() const {
    return codeAndName(processingBranch, processingBranchName);
}

QString ReportHeader::registrationText() const {
    const QString mask = PictPess(personType);
    const EditMask edit(mask);
    // A number that does not fill its mask is shown as stored rather than half masked.
    const qsizetype expected = personType == QLatin1String("J") ? 14 : 11;
    if (edit.isEmpty() || registration.size() != expected)
        return registration;
    return edit.format(registration);
}

QString ReportHeader::periodText() const {
    return QStringLiteral("%1 a %2").arg(dateText(from), dateText(to));
}

QString ReportHeader::calculatedAtText() const {
    if (!calculatedAt.isValid())
        return QStringLiteral("não informado");
    return calculatedAt.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

QString ReportHeader::stateText() const {
    return lockStateText(locked ? QStringLiteral("S") : QStringLiteral("N"));
}

QString ReportLine::serviceText() const {
    return codeAndName(service, serviceName);
}

QString NfSection::title() const {
    return nfTitle(nf);
}

int CalculationReport::lineCount() const {
    int count = 0;
    for (const NfSection& s : sections)
        count += int(s.lines.size());
    return count;
}

QString nfTitle(const QString& nf) {
    return nf.trimmed().isEmpty() ? QStringLiteral("Sem NF") : QStringLiteral("NF %1").arg(nf);
}

QString lockStateText(const QString& flag) {
    return flag == QLatin1String("S") ? QStringLiteral("Bloqueada") : QStringLiteral("Aberta");
}

CalculationReport reportFromPayload(const QVariant& payload) {
    if (payload.typeId() != QMetaType::QVariantMap)
        refuseAnswer();
    const QVariantMap parts = payload.toMap();
    QList<QVariantMap> header, items;
    try {
        header = packet::rowMaps(parts.value(QStringLiteral("header")));
        items = packet::rowMaps(parts.value(QStringLiteral("items")));
    } catch (const EDatabaseError&) {
        refuseAnswer();
    }
    if (header.size() != 1)
        refuseAnswer();

    CalculationReport report;
    report.header = headerOf(header.first());
    if (items.isEmpty())
        throw Exception(QStringLiteral("A apuração %1 não tem itens calculados; não há o que "
                                       "relatar.")
                            .arg(report.header.number));
    for (const QVariantMap& row : items) {
        const QString nf = row.value(QStringLiteral("NRAGRUEFET")).toString().trimmed();
        auto section = std::find_if(report.sections.begin(), report.sections.end(),
                                    [&](const NfSection& s) { return s.nf == nf; });
        if (section == report.sections.end()) {
            report.sections.append(NfSection{nf, {}, 0, 0});
            section = report.sections.end() - 1;
        }
        const ReportLine line = lineOf(row);
        section->lines.append(line);
        section->quantity += line.quantity;
        section->amount += line.amount;
        report.quantity += line.quantity;
        report.amount += line.amount;
    }
    // NF numbers are three digits, so text order is number order; no NF goes last.
    std::stable_sort(report.sections.begin(), report.sections.end(),
                     [](const NfSection& a, const NfSection& b) {
                         if (a.nf.isEmpty() != b.nf.isEmpty())
                             return b.nf.isEmpty();
                         return a.nf < b.nf;
                     });
    return report;
}

} // namespace report
