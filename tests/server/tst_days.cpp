// The day list of a service, the NF of a service and its days, and the lock check.

#include "fixture.h"

#include "framework/data/field_type.h"

#include <QTest>

namespace {

const QString B1 = QStringLiteral("0001");
const QString C1 = QStringLiteral("C1");
const QString Lunch = QStringLiteral("00002");
const QDate March1(2026, 3, 1), March31(2026, 3, 31);

QVariant days(Fixture& f, QDate from, QDate to, const QString& service = Lunch) {
    return f.call(QStringLiteral("GetEfetivos"), {C1, B1, from, to, service});
}

QStringList checks(Fixture& f, QDate from, QDate to) {
    QStringList out;
    for (const QVariantMap& r : rowsOf(payload(days(f, from, to))))
        out << r.value("IDCHECK").toString();
    return out;
}

QVariant lockCheck(Fixture& f, QVariantList& args) {
    return f.call(f.db(), QStringLiteral("VerificaBloqueio"), args);
}

QVariantList lockArgs(QDate from, QDate to, const QString& client = C1) {
    return {client, B1,   dateTimeOf(QDate(2000, 1, 1)), dateTimeOf(from), dateTimeOf(to),
            false,  Lunch};
}

} // namespace

class TestDays : public QObject {
    Q_OBJECT

private slots:
    void dayListCarriesTheDataSetFieldsInOrder() {
        Fixture f;
        f.standardWorld();
        f.db().exec("UPDATE EFETCDRS SET QTPREVCDRS = 110, NRAPURACFAT = NULL");
        f.addCalculation(B1, "0000000001", C1, QDate(2026, 3, 2), QDate(2026, 3, 2), false);
        f.db().exec(
            "UPDATE EFETCDRS SET NRAPURACFAT = '0000000001' WHERE DTEFETCDRS = '2026-03-02'");
        const QVariant list = days(f, March1, QDate(2026, 3, 3));
        QVERIFY(ok(list));
        QCOMPARE(fieldsOf(payload(list)),
                 QStringList({"CDFILIAL:string:4", "CDSERVFILI:string:5", "CDCLIENTE:string:21",
                              "DTEFETCDRS:datetime:0", "NMSERVICO:string:40",
                              "DIASEMANA:fixedstring:15", "NRAPURACFAT:string:10",
                              "IDCHECK:fixedstring:1", "CDPRODUTO:string:10", "QTCOMECDRS:float:0",
                              "QTPREVCDRS:float:0", "NRAGRUEFET:string:3", "VRPRECEFET:float:0"}));
        const QList<QVariantMap> rows = rowsOf(payload(list));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].value("DTEFETCDRS").toDateTime(), dateTimeOf(March1));
        QCOMPARE(rows[2].value("DTEFETCDRS").toDateTime(), dateTimeOf(QDate(2026, 3, 3)));
        QCOMPARE(rows[0].value("DIASEMANA").toString(), QStringLiteral("Domingo"));
        QCOMPARE(rows[0].value("QTCOMECDRS").toDouble(), 100.0);
        QCOMPARE(rows[0].value("QTPREVCDRS").toDouble(), 110.0);
        QCOMPARE(rows[0].value("VRPRECEFET").toDouble(), 20.0);
        QCOMPARE(rows[0].value("NRAGRUEFET").toString(), QStringLiteral("001"));
        QCOMPARE(rows[0].value("CDPRODUTO").toString(), QStringLiteral("ALMO"));
        QVERIFY(rows[0].value("NRAPURACFAT").isNull());
        QCOMPARE(rows[1].value("NRAPURACFAT").toString(), QStringLiteral("0000000001"));
        // Another service's days stay out.
        QCOMPARE(rowsOf(payload(days(f, March1, March31, QStringLiteral("00001")))).size(), 31);
        QVERIFY(rowsOf(payload(days(f, March1, March31, QStringLiteral("00003")))).isEmpty());
    }

    void checkMarkFollowsTheRoundedSum() {
        Fixture f;
        f.standardWorld();
        f.db().exec("UPDATE EFETCDRS SET QTCOMECDRS = 10 WHERE DTEFETCDRS <= '2026-03-04'");
        // Day 1: no rows. Day 2: 2.5 + 7.5 adds up. Day 3: three thirds to the thousandth
        // round to 9.99. Day 4: 5.004 + 4.996 round to 5.00 + 5.00 and add up.
        for (auto [seq, q] : {std::pair{"0001", 2.5}, std::pair{"0002", 7.5}})
            f.addShare(B1, C1, Lunch, QDate(2026, 3, 2), seq, q);
        for (auto [seq, q] :
             {std::pair{"0001", 3.333}, std::pair{"0002", 3.333}, std::pair{"0003", 3.334}})
            f.addShare(B1, C1, Lunch, QDate(2026, 3, 3), seq, q);
        for (auto [seq, q] : {std::pair{"0001", 5.004}, std::pair{"0002", 4.996}})
            f.addShare(B1, C1, Lunch, QDate(2026, 3, 4), seq, q);
        // Rows of another service on day 1 do not count for lunch.
        f.addShare(B1, C1, QStringLiteral("00001"), March1, "0001", 3);
        QCOMPARE(checks(f, March1, QDate(2026, 3, 4)), QStringList({"N", "N", "S", "N"}));
        QCOMPARE(rowsOf(payload(days(f, March1, March1, QStringLiteral("00001"))))[0]
                     .value("IDCHECK")
                     .toString(),
                 QStringLiteral("S"));
    }

    void dayListRefusesAnInvertedPeriod() {
        Fixture f;
        f.standardWorld();
        QVERIFY(!ok(days(f, March31, March1)));
    }

    void invoiceNumberGoesOnTheContractAndTheDaysOfThePeriod() {
        Fixture f;
        f.standardWorld();
        QVERIFY(ok(f.call("SetEfetivos", {C1, B1, QDate(2026, 3, 10), QDate(2026, 3, 20), Lunch,
                                          QStringLiteral("5")})));
        QCOMPARE(f.value("SELECT NRAGRUEFET FROM SERVCLIE WHERE CDCLIENTE = 'C1' AND CDSERVFILI = "
                         "'00002'")
                     .toString(),
                 QStringLiteral("005"));
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE CDSERVFILI = '00002' AND "
                         "NRAGRUEFET = '005'"),
                 11);
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE CDSERVFILI = '00002' AND "
                         "NRAGRUEFET = '001'"),
                 20);
        // Another service keeps its NF; an empty NF is accepted.
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE CDSERVFILI = '00001' AND "
                         "NRAGRUEFET = ''"),
                 31);
        QVERIFY(ok(f.call("SetEfetivos", {C1, B1, March1, March31, Lunch, QString()})));
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE CDSERVFILI = '00002' AND "
                         "NRAGRUEFET = ''"),
                 31);
    }

    void invoiceNumberOutsideOneToNinetyNineIsRefused_data() {
        QTest::addColumn<QString>("nf");
        for (const char* nf : {"0", "000", "100", "abc", "-5", "1e1", " 5x"})
            QTest::newRow(nf) << QString::fromLatin1(nf);
    }

    void invoiceNumberOutsideOneToNinetyNineIsRefused() {
        QFETCH(QString, nf);
        Fixture f;
        f.standardWorld();
        const QVariant refused = f.call("SetEfetivos", {C1, B1, March1, March31, Lunch, nf});
        QVERIFY(!ok(refused));
        QCOMPARE(message(refused), QStringLiteral("NF deve estar entre 01 e 99."));
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE NRAGRUEFET = '001'"), 31);
    }

    void invoiceNumberIsRefusedInALockedPeriodOrWithoutContract() {
        Fixture f;
        f.standardWorld();
        f.addCalculation(B1, "0000000001", C1, QDate(2026, 2, 1), March1, true);
        const QVariant locked =
            f.call("SetEfetivos", {C1, B1, March1, March31, Lunch, QStringLiteral("002")});
        QVERIFY(!ok(locked));
        QVERIFY(message(locked).startsWith(
            QStringLiteral("Operação não permitida. Período de faturamento bloqueado")));
        QCOMPARE(f.count("SELECT count(*) FROM SERVCLIE WHERE NRAGRUEFET = '002'"), 0);
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE NRAGRUEFET = '002'"), 0);
        // The day after the lock is free.
        QVERIFY(ok(f.call("SetEfetivos",
                          {C1, B1, QDate(2026, 3, 2), March31, Lunch, QStringLiteral("002")})));

        const QVariant noContract =
            f.call("SetEfetivos", {QStringLiteral("C4"), B1, March1, March31, Lunch, QString()});
        QVERIFY(!ok(noContract));
        QVERIFY(message(noContract).contains(QStringLiteral("não está contratado")));
    }

    void lockCheckAnswersWhetherTheRangeTouchesALockedCalculation() {
        Fixture f;
        f.standardWorld();
        f.addCalculation(B1, "0000000001", C1, QDate(2026, 2, 1), QDate(2026, 2, 28), true);
        f.addCalculation(B1, "0000000002", C1, March1, March31, false);
        f.addCalculation(B1, "0000000003", QStringLiteral("C2"), QDate(2026, 4, 1),
                         QDate(2026, 4, 30), true);
        const struct {
            QDate from, to;
            QString client;
            bool allowed;
        } cases[] = {
            {QDate(2026, 2, 28), QDate(2026, 2, 28), C1, false}, // last locked day
            {QDate(2026, 1, 15), QDate(2026, 2, 1), C1, false},  // reaches the first
            {QDate(2026, 1, 1), QDate(2026, 3, 31), C1, false},  // spans it
            {March1, March31, C1, true},                         // an open calculation
            {QDate(2026, 1, 1), QDate(2026, 1, 31), C1, true},   // before it
            {QDate(2026, 4, 1), QDate(2026, 4, 1), C1, true},    // another client's lock
            {QDate(2026, 4, 1), QDate(2026, 4, 1), QStringLiteral("C2"), false},
        };
        for (const auto& c : cases) {
            QVariantList args = lockArgs(c.from, c.to, c.client);
            const QVariant answer = lockCheck(f, args);
            QVERIFY(ok(answer));
            QCOMPARE(payload(answer).toBool(), c.allowed);
        }
        // The whole-period flag and the service do not change what a lock covers.
        QVariantList args = lockArgs(QDate(2026, 2, 10), QDate(2026, 2, 10));
        args[5] = true;
        args[6] = QStringLiteral("00001");
        QCOMPARE(payload(lockCheck(f, args)).toBool(), false);
    }

    void lockCheckWritesTheProcessingDateBack() {
        Fixture f;
        f.standardWorld();
        QVariantList args = lockArgs(March1, March1);
        QVERIFY(ok(lockCheck(f, args)));
        QCOMPARE(args[2].typeId(), QMetaType::QDateTime);
        QCOMPARE(args[2].toDateTime(), dateTimeOf(QDate(2026, 3, 10)));
        QVariantList byDate{C1,   QStringLiteral("0002"), QDate(2000, 1, 1), March1, March1, true,
                            Lunch};
        QVERIFY(ok(lockCheck(f, byDate)));
        QCOMPARE(byDate[2].typeId(), QMetaType::QDate);
        QCOMPARE(byDate[2].toDate(), QDate(2026, 3, 11));

        // A refused call leaves the argument alone.
        QVariantList unknown = lockArgs(March1, March1);
        unknown[1] = QStringLiteral("9999");
        QVERIFY(!ok(lockCheck(f, unknown)));
        QCOMPARE(unknown[2].toDateTime(), dateTimeOf(QDate(2000, 1, 1)));
    }

    void lockCheckOfAnEmptyServiceListAllowsTheAction() {
        Fixture f;
        f.standardWorld();
        f.addCalculation(B1, "0000000001", C1, QDate(2026, 2, 1), QDate(2026, 2, 28), true);
        // No service row: empty client and service; no day: the zero date.
        QVariantList args{QString(),      B1,    dateTimeOf(March1), zeroDateTime(),
                          zeroDateTime(), false, QString()};
        const QVariant answer = lockCheck(f, args);
        QVERIFY(ok(answer));
        QVERIFY(payload(answer).toBool());
    }
};

QTEST_GUILESS_MAIN(TestDays)
#include "tst_days.moc"
