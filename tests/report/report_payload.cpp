#include "report_payload.h"

#include "framework/data/field_type.h"
#include "framework/data/packet.h"

QVariantMap reportPayload(const QList<ItemRow>& items) {
    const auto text = [](const char* name, int size) {
        return packet::FieldDesc{QLatin1String(name), ftString, size, {}};
    };
    const auto date = [](const char* name) {
        return packet::FieldDesc{QLatin1String(name), ftDateTime, 0, {}};
    };
    const auto number = [](const char* name) {
        return packet::FieldDesc{QLatin1String(name), ftFloat, 0, {}};
    };
    packet::Table header{{text("CDFILIAL", 4), text("NMFILIAL", 40), text("NRAPURACFAT", 10),
                          text("CDCLIENTE", 21), text("IDTPIJURCLIE", 1), text("NRINSJURCLIE", 20),
                          text("NMRAZSOCCLIE", 50), date("DTINIAPURAC"), date("DTFIMAPURAC"),
                          date("DTCALCULO"), text("CDFILIPROC", 4), text("NMFILIPROC", 40),
                          text("IDBLOQUEADO", 1)},
                         {}};
    header.rows.append(
        {"0001", "Matriz São Paulo", "0000000007", "C1", "J", "11222333000181", "Beta Indústria",
         dateTimeOf(QDate(2026, 3, 1)), dateTimeOf(QDate(2026, 3, 31)),
         dateTimeOf(QDate(2026, 3, 10), QTime(14, 5)), "0002", "Filial Campinas", "N"});
    packet::Table lines{{text("NRAGRUEFET", 3), text("CDSERVFILI", 5), text("NMSERVICO", 40),
                         text("CDPRODUTO", 10), number("VRPRECO"), number("QTFATURADA"),
                         number("VRFATURADO")},
                        {}};
    for (const ItemRow& i : items)
        lines.rows.append(
            {i.nf, i.service, i.serviceName, i.product, i.price, i.quantity, i.amount});
    return {{QStringLiteral("header"), packet::make(header)},
            {QStringLiteral("items"), packet::make(lines)}};
}
