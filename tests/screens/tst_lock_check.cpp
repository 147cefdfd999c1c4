// The period lock check: what it asks the server in each scope, the date that goes by
// reference, and the refusal.

#include "screen_fixture.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/data/packet.h"

#include <QTest>

namespace {

const QString kCheck = QString::fromLatin1(ServerMethod::VerificaBloqueio);

QDateTime day(int y, int m, int d) {
    return QDateTime(QDate(y, m, d), QTime(0, 0), Qt::UTC);
}

void loadServices(TfrmApurFatTR& s) {
    packet::Table t;
    t.fields = {{"CDSERVFILI", ftString, 5, {}},
                {"CDFILIAL", ftString, 4, {}},
                {"NMSERVICO", ftString, 40, {}},
                {"NRAGRUEFET", ftString, 3, {}},
                {"CDCLIENTE", ftString, 21, {}}};
    t.rows = {{"00010", "0001", "Desjejum", "001", "CLI-7"},
              {"00020", "0001", "Almoço", "002", "CLI-7"}};
    s.cdsServEfet.SetData(packet::make(t));
}

void loadDays(TfrmApurFatTR& s) {
    packet::Table t;
    for (int i = 0; i < s.cdsEfetivos.FieldCount(); ++i) {
        const TField& f = s.cdsEfetivos.Field(i);
        t.fields.append({f.FieldName(), f.DataType(), f.Size(), {}});
    }
    const auto row = [](const char* date) {
        return QVariantList{"0001", "00020", "CLI-7", date, "Almoço", "",  "",
                            "N",    "P1",    10.0,    10.0, "002",    12.5};
    };
    t.rows = {row("2026-11-03"), row("2026-11-04")};
    s.cdsEfetivos.SetData(packet::make(t));
}

struct Locked : ScreenFixture {
    TfrmApurFatTR* s;
    Locked() {
        s = open();
        s->medCdFilial->SetText("0001");
        s->depDtInicial->SetDate(day(2026, 11, 1));
        s->depDtFinal->SetDate(day(2026, 11, 30));
    }
    void allow(bool allowed) { server.answer(kCheck, allowed); }
    QVariantList lastArgs() const { return server.callsOf(kCheck).last().args; }
};

} // namespace

class TstLockCheck : public QObject {
    Q_OBJECT
private slots:
    void onTheServicesPageItAsksAboutTheWholePeriod();
    void onTheDailyPageItAsksAboutTheCurrentDay();
    void theProcessingDateGoesByReferenceAndWhatComesBackIsIgnored();
    void aLockedPeriodIsRefusedWithItsMessage();
    void aServerFailureStopsTheCaller();
    void withoutServicesTheCodesGoEmpty();
};

void TstLockCheck::onTheServicesPageItAsksAboutTheWholePeriod() {
    Locked f;
    loadServices(*f.s);
    f.s->cdsServEfet.Next(); // the second service
    f.allow(true);
    f.s->VerificaBloqueio();
    const QVariantList a = f.lastArgs();
    QCOMPARE(a.size(), 7);
    QCOMPARE(a[0], QVariant("CLI-7"));
    QCOMPARE(a[1], QVariant("0001"));
    QCOMPARE(a[2].toDateTime(), day(2026, 11, 30)); // DataProc of branch 0001
    QCOMPARE(a[3].toDateTime(), day(2026, 11, 1));
    QCOMPARE(a[4].toDateTime(), day(2026, 11, 30));
    QCOMPARE(a[5], QVariant(true));
    QCOMPARE(a[6], QVariant("00020"));
    QVERIFY(f.ui.messages.isEmpty());
}

void TstLockCheck::onTheDailyPageItAsksAboutTheCurrentDay() {
    Locked f;
    loadServices(*f.s);
    loadDays(*f.s);
    f.s->cdsEfetivos.Last();
    f.s->tshFormulario->SetEnabled(true);
    f.s->pgcPadrao->SetActivePage(f.s->tshFormulario);
    f.allow(true);
    f.s->VerificaBloqueio();
    const QVariantList a = f.lastArgs();
    QCOMPARE(a[3].toDateTime(), day(2026, 11, 4));
    QCOMPARE(a[4].toDateTime(), day(2026, 11, 4));
    QCOMPARE(a[5], QVariant(false));
    QCOMPARE(a[0], QVariant("CLI-7"));
    QCOMPARE(a[6], QVariant("00010")); // the current service row, not the day's
}

void TstLockCheck::theProcessingDateGoesByReferenceAndWhatComesBackIsIgnored() {
    Locked f;
    loadServices(*f.s);
    f.server.on(kCheck, [](QVariantList& args) {
        args[2] = QDateTime(QDate(1999, 1, 1), QTime(0, 0), Qt::UTC);
        return QVariant(ScriptedAppServer::ok(true));
    });
    f.s->VerificaBloqueio();
    f.s->VerificaBloqueio();
    const auto calls = f.server.callsOf(kCheck);
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0].written[2].toDateTime().date(), QDate(1999, 1, 1)); // written back…
    QCOMPARE(calls[1].args[2].toDateTime(), day(2026, 11, 30));           // …and not reused
    QVERIFY(f.ui.messages.isEmpty());
    // A branch without a processing date of its own sends today's.
    f.s->medCdFilial->SetText("0002");
    f.s->VerificaBloqueio();
    QCOMPARE(f.server.callsOf(kCheck).last().args[2].toDateTime().date(), QDate::currentDate());
}

void TstLockCheck::aLockedPeriodIsRefusedWithItsMessage() {
    Locked f;
    loadServices(*f.s);
    f.allow(false);
    QVERIFY_THROWS_EXCEPTION(EAlreadyShown, f.s->VerificaBloqueio());
    QCOMPARE(f.ui.texts(),
             QStringList{"Operação não permitida. Período de faturamento bloqueado."});
    QCOMPARE(f.ui.messages[0].type, mtError);
    // A payload that is not a boolean is not taken for an answer either way.
    f.ui.clear();
    f.server.answer(kCheck, QVariant());
    QVERIFY_THROWS_EXCEPTION(EConvertError, f.s->VerificaBloqueio());
    QVERIFY(f.ui.messages.isEmpty());
}

void TstLockCheck::aServerFailureStopsTheCaller() {
    Locked f;
    loadServices(*f.s);
    f.server.refuse(kCheck, "Cliente sem contrato na filial.");
    QVERIFY_THROWS_EXCEPTION(EAlreadyShown, f.s->VerificaBloqueio());
    QCOMPARE(f.ui.texts(), QStringList{"Cliente sem contrato na filial."});
}

void TstLockCheck::withoutServicesTheCodesGoEmpty() {
    Locked f;
    f.allow(true);
    f.s->VerificaBloqueio();
    const QVariantList a = f.lastArgs();
    QCOMPARE(a[0], QVariant(QString()));
    QCOMPARE(a[6], QVariant(QString()));
    QCOMPARE(a[5], QVariant(true));
}

QTEST_MAIN(TstLockCheck)
#include "tst_lock_check.moc"
