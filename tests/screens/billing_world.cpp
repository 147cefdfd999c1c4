#include "billing_world.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/data/packet.h"

QVariantMap packetFor(const TClientDataSet& dataSet, const QList<QVariantList>& rows) {
    packet::Table table;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        const TField& f = dataSet.Field(i);
        table.fields.append({f.FieldName(), f.DataType(), f.Size(), f.Origin()});
    }
    table.rows = rows;
    return packet::make(table);
}

QDateTime utcDay(const QDate& date) {
    return QDateTime(date, QTime(0, 0), Qt::UTC);
}

BillingWorld::BillingWorld() {
    services = {{"00010", "Desjejum", "001"}, {"00020", "Almoço", "002"}};
    days["00010"] = {
        {QDate(2026, 11, 3), 80, "N"}, {QDate(2026, 11, 4), 82, "S"}, {QDate(2026, 11, 5), 79, ""}};
    days["00020"] = {{QDate(2026, 11, 3), 240, "N"}, {QDate(2026, 11, 4), 10, "S"}};
    shares[key("00010", QDate(2026, 11, 4))] = {{"0001", 50, "001", "Matriz"},
                                                {"0002", 30, "003", "Obra"}};
}

QString BillingWorld::key(const QString& service, const QDate& day) {
    return service + QLatin1Char('|') + day.toString(Qt::ISODate);
}

void BillingWorld::serve(ScriptedAppServer& server) {
    using S = ScriptedAppServer;
    server.on(ServerMethod::GetCliente, [this](QVariantList& a) {
        const QString wanted = a[1].toString();
        QList<QVariantList> rows;
        if (a[0].toString() == branch && (wanted.isEmpty() || wanted == registration))
            rows.append({client, personType, registration, name, QStringLiteral("Bom Prato")});
        return QVariant(S::ok(packetFor(frmApurFatTR->cdsCliente, rows)));
    });
    server.on(ServerMethod::GetPrxRelApurFat, [this](QVariantList& a) {
        return QVariant(a[0].toString() + QString::number(++m_workNumbers).rightJustified(6, '0'));
    });
    server.on(ServerMethod::GetFiltro, [this](QVariantList& a) {
        QList<QVariantList> rows;
        if (a[0].toString() == branch && a[4].toString() == client)
            for (const Service& s : services)
                rows.append({s.code, branch, s.name, s.nf, client});
        return QVariant(S::ok(packetFor(frmApurFatTR->cdsServEfet, rows)));
    });
    server.on(ServerMethod::GetEfetivos, [this](QVariantList& a) {
        const QString service = a[4].toString();
        const QDate from = a[2].toDateTime().date(), to = a[3].toDateTime().date();
        QString serviceName;
        for (const Service& s : services)
            if (s.code == service)
                serviceName = s.name;
        QList<QVariantList> rows;
        if (a[0].toString() == client && a[1].toString() == branch)
            for (const Day& d : days.value(service))
                if (d.date >= from && d.date <= to)
                    rows.append({branch, service, client, utcDay(d.date), serviceName, QString(),
                                 QString(), d.check, QStringLiteral("P-") + service, d.billed,
                                 d.billed, QString(), 12.5});
        return QVariant(S::ok(packetFor(frmApurFatTR->cdsEfetivos, rows)));
    });
    server.on(ServerMethod::GetRateio, [this](QVariantList& a) {
        const QString service = a[3].toString();
        const QDate day = a[2].toDateTime().date();
        QList<QVariantList> rows;
        for (const Share& s : shares.value(key(service, day)))
            rows.append({branch, service, utcDay(day), client, s.seq, s.quantity,
                         QStringLiteral("P-") + service, s.nf, s.note, 12.5});
        return QVariant(S::ok(packetFor(frmApurFatTR->cdsRateio, rows)));
    });
    server.on(ServerMethod::SetRateio, [this](QVariantList& a) {
        const packet::ChangeSet delta = packet::decodeDelta(a[0]);
        const auto at = [&](const QVariantList& values, const char* name) {
            return values.at(packet::indexOf(delta.fields, QString::fromLatin1(name)));
        };
        for (const packet::Change& c : delta.changes) {
            const QVariantList& row = c.kind == packet::Change::Delete ? c.oldValues : c.newValues;
            QList<Share>& day = shares[key(at(row, "CDSERVFILI").toString(),
                                           at(row, "DTRATCDRS").toDateTime().date())];
            const QString seq =
                at(c.kind == packet::Change::Insert ? c.newValues : c.oldValues, "NRSEQITRAT")
                    .toString();
            day.removeIf([&](const Share& s) { return s.seq == seq; });
            if (c.kind != packet::Change::Delete)
                day.append({at(row, "NRSEQITRAT").toString(), at(row, "QTDERATEIO").toDouble(),
                            at(row, "NRAGREFRAT").toString(), at(row, "DSOBSRATE").toString()});
            std::sort(day.begin(), day.end(),
                      [](const Share& x, const Share& y) { return x.seq < y.seq; });
        }
        return QVariant(S::ok());
    });
    server.on(ServerMethod::VerificaBloqueio,
              [this](QVariantList&) { return QVariant(S::ok(!locked)); });
}

#include "framework/components/focus.h"
#include "framework/ui/guard.h"

#include <QTabBar>
#include <QTest>

BillingScreen::BillingScreen(const std::function<void(HostSession&)>& session) {
    if (session)
        session(hostSession());
    world.serve(server);
    s = open();
    typeFilter(world.branch, world.registration, QDate(2026, 11, 1), QDate(2026, 11, 30));
}

void BillingScreen::typeFilter(const QString& branch, const QString& client, const QDate& from,
                               const QDate& to) {
    s->medCdFilial->SetText(branch);
    s->medCdCliente->SetText(client);
    s->depDtInicial->SetDate(utcDay(from));
    s->depDtFinal->SetDate(utcDay(to));
}

bool BillingScreen::leaveFilter() {
    s->dbgPadrao->setFocus(Qt::MouseFocusReason);
    return ActiveControl(s) == s->dbgPadrao;
}

void BillingScreen::clickTab(int index) {
    QTabBar* bar = s->pgcPadrao->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

QString BillingScreen::commands() const {
    const std::pair<const QAction*, QList<const QWidget*>> slots_[] = {
        {s->mnuIncluir, {s->sbtIncluir}}, {s->mnuAlterar, {s->sbtAlterar}},
        {s->mnuExcluir, {s->sbtExcluir}}, {s->mnuLocalizar, {s->sbtLocalizar}},
        {s->mnuCopiar, {s->sbtCopiar}},   {s->mnuConfirmar, {s->sbtConfirmar, s->sbtCancelar}},
        {s->mnuApurac, {s->sbtApurar}},
    };
    QString out;
    for (const auto& [item, buttons] : slots_) {
        bool alike = true;
        for (const QWidget* b : buttons)
            alike = alike && b->isEnabled() == item->isEnabled();
        if (item == s->mnuConfirmar)
            alike = alike && s->mnuCancelar->isEnabled() == item->isEnabled();
        out += !alike ? QLatin1Char('!') : item->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    }
    return out;
}

SplitDay::SplitDay(const QList<BillingWorld::Share>& rows, double billed) {
    world.days["00010"][1].billed = billed;
    world.shares[BillingWorld::key("00010", QDate(2026, 11, 4))] = rows;
    QVERIFY(leaveFilter());
    clickTab(1);
    s->cdsEfetivos.Next();
    SetFocus(s->dbgRateio);
    ui.clear();
    server.calls.clear();
}

TField& SplitDay::quantity() {
    return s->cdsRateio.FieldByName("QTDERATEIO");
}

bool SplitDay::click(TSpeedButton* button) {
    return Guarded([&] { button->Click(); });
}

void SplitDay::addRow(double q, const QString& nf) {
    s->cdsRateio.Append();
    quantity().SetAsFloat(q);
    s->cdsRateio.FieldByName("NRAGREFRAT").SetAsString(nf);
}

QStringList SplitDay::rows() {
    QStringList out;
    for (int r = 0; r < s->cdsRateio.DisplayRowCount(); ++r)
        s->cdsRateio.WithRow(r, [&] {
            out << s->cdsRateio.FieldByName("NRSEQITRAT").AsString() + "=" + quantity().AsString();
        });
    return out;
}

QString SplitDay::surroundings() {
    return QString("%1%2%3")
        .arg(s->tshFolhaDados->Enabled() ? 1 : 0)
        .arg(s->medCdCliente->isEnabled() ? 1 : 0)
        .arg(s->dbnPadrao->isEnabled() ? 1 : 0);
}
