// The client's calculations, the calculation run and the lock put on a calculation.

#include "fixture.h"

#include "contracts/host_framework.h"
#include "framework/data/field_type.h"
#include "server/methods/methods.h"

#include <QTest>

namespace {

const QString B1 = QStringLiteral("0001");
const QString C1 = QStringLiteral("C1");
const QString Lunch = QStringLiteral("00002");
const QDate March1(2026, 3, 1), March31(2026, 3, 31);

// A small client: lunch at 20.00 on NF 001 and breakfast at 3.333 without NF, March 1-3.
void smallWorld(Fixture& f) {
    f.addBranch(B1);
    f.addBranch(QStringLiteral("0002"));
    f.addClient(C1, QStringLiteral("J"), QStringLiteral("11222333000181"),
                QStringLiteral("Beta Indústria"));
    f.addClient(QStringLiteral("C2"), QStringLiteral("F"), QStringLiteral("12345678909"),
                QStringLiteral("Álvaro Souza"));
    f.addService(B1, QStringLiteral("00001"), QStringLiteral("DESJ"));
    f.addService(B1, Lunch, QStringLiteral("ALMO"));
    f.addContract(B1, C1, QStringLiteral("00001"), {}, 3.333);
    f.addContract(B1, C1, Lunch, QStringLiteral("001"), 20.0);
    f.addContract(B1, QStringLiteral("C2"), Lunch, {}, 10.0);
    f.addDays(B1, C1, QStringLiteral("00001"), March1, QDate(2026, 3, 3), 10);
    f.addDays(B1, C1, Lunch, March1, QDate(2026, 3, 3), 100);
    f.addDays(B1, QStringLiteral("C2"), Lunch, March1, March31, 5);
}

struct Run {
    QVariant envelope;
    QString number;
};

Run calculate(Fixture& f, QDate from, QDate to, const QString& number = {},
              const QString& client = C1) {
    QVariantList args{B1, client, dateTimeOf(from), dateTimeOf(to), number, B1};
    Run run;
    run.envelope = f.call(f.db(), QStringLiteral("Confirma_Calculo"), args);
    run.number = args.at(4).toString();
    return run;
}

// The results of a calculation as "NF service product price quantity amount".
QStringList items(Fixture& f, const QString& number) {
    QSqlQuery q(f.db().connection());
    q.prepare(QStringLiteral("SELECT NRAGRUEFET, CDSERVFILI, CDPRODUTO, VRPRECO, QTFATURADA, "
                             "VRFATURADO FROM ITAPURFAT WHERE CDFILIAL = ? AND NRAPURACFAT = ? "
                             "ORDER BY CDSERVFILI, NRAGRUEFET, VRPRECO"));
    q.addBindValue(B1);
    q.addBindValue(number);
    q.exec();
    QStringList out;
    while (q.next())
        out << QStringLiteral("%1 %2 %3 %4 %5 %6")
                   .arg(q.value(0).toString().isEmpty() ? QStringLiteral("-")
                                                        : q.value(0).toString(),
                        q.value(1).toString(), q.value(2).toString())
                   .arg(q.value(3).toDouble())
                   .arg(q.value(4).toDouble())
                   .arg(q.value(5).toDouble());
    return out;
}

} // namespace

class TestCalculation : public QObject {
    Q_OBJECT

private slots:
    void calculationsOfTheClientInStartOrder() {
        Fixture f;
        smallWorld(f);
        f.addCalculation(B1, "0000000007", C1, QDate(2026, 2, 1), QDate(2026, 2, 28), false);
        f.addCalculation(B1, "0000000003", C1, QDate(2026, 1, 1), QDate(2026, 1, 31), true);
        f.addCalculation(B1, "0000000004", "C2", QDate(2026, 1, 1), QDate(2026, 1, 31), true);
        const QVariant list = f.call("GetDtApuracao", {C1, B1});
        QVERIFY(ok(list));
        QCOMPARE(
            fieldsOf(payload(list)),
            QStringList({"DTINIAPURAC:datetime:0", "DTFIMAPURAC:datetime:0", "IDBLOQUEADO:string:1",
                         "NRAPURACFAT:string:10", "CDFILIAL:string:4"}));
        const QList<QVariantMap> rows = rowsOf(payload(list));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("NRAPURACFAT").toString(), QStringLiteral("0000000003"));
        QCOMPARE(rows[0].value("IDBLOQUEADO").toString(), QStringLiteral("S"));
        QCOMPARE(rows[0].value("DTINIAPURAC").toDateTime(), dateTimeOf(QDate(2026, 1, 1)));
        QCOMPARE(rows[1].value("DTFIMAPURAC").toDateTime(), dateTimeOf(QDate(2026, 2, 28)));
        QCOMPARE(rows[1].value("CDFILIAL").toString(), B1);
        QVERIFY(rowsOf(payload(f.call("GetDtApuracao", {C1, QStringLiteral("0002")}))).isEmpty());
    }

    void aNewCalculationBillsDaysAndRowsPerInvoiceLine() {
        Fixture f;
        smallWorld(f);
        // March 2: lunch split 60 on NF 002 and 40 without NF (billed on the day's NF 001).
        f.addShare(B1, C1, Lunch, QDate(2026, 3, 2), "0001", 60, "002");
        f.addShare(B1, C1, Lunch, QDate(2026, 3, 2), "0002", 40);
        const Run run = calculate(f, March1, QDate(2026, 3, 2));
        QVERIFY2(ok(run.envelope), qPrintable(message(run.envelope)));
        QCOMPARE(run.number, QStringLiteral("0000000001"));
        // Breakfast: 20 × 3.333 = 66.66 to the cent. Lunch: 100 + 40 on 001, 60 on 002.
        QCOMPARE(items(f, run.number),
                 QStringList({"- 00001 DESJ 3.333 20 66.66", "001 00002 ALMO 20 140 2800",
                              "002 00002 ALMO 20 60 1200"}));
        QCOMPARE(f.value("SELECT IDBLOQUEADO || DTINIAPURAC || DTFIMAPURAC || CDCLIENTE FROM "
                         "CTRLAPURFAT")
                     .toString(),
                 QStringLiteral("N2026-03-012026-03-02C1"));
        // The days of the period are stamped; the next day and the other client are not.
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE NRAPURACFAT = ?", {run.number}), 4);
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE NRAPURACFAT IS NULL AND "
                         "CDCLIENTE = 'C1'"),
                 2);
        // The next calculation of the branch gets the next number.
        QCOMPARE(calculate(f, QDate(2026, 3, 3), QDate(2026, 3, 3)).number,
                 QStringLiteral("0000000002"));
    }

    void anOpenCalculationIsRecalculatedInPlace() {
        Fixture f;
        smallWorld(f);
        const Run first = calculate(f, March1, QDate(2026, 3, 3));
        QVERIFY(ok(first.envelope));
        // The clerk moves the period's start and splits a day meanwhile.
        f.addShare(B1, C1, Lunch, QDate(2026, 3, 3), "0001", 100, "005");
        const Run again = calculate(f, QDate(2026, 3, 2), QDate(2026, 3, 3), first.number);
        QVERIFY2(ok(again.envelope), qPrintable(message(again.envelope)));
        QCOMPARE(again.number, first.number);
        QCOMPARE(f.count("SELECT count(*) FROM CTRLAPURFAT"), 1);
        QCOMPARE(items(f, first.number),
                 QStringList({"- 00001 DESJ 3.333 20 66.66", "001 00002 ALMO 20 100 2000",
                              "005 00002 ALMO 20 100 2000"}));
        // March 1 left the calculation.
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE DTEFETCDRS = '2026-03-01' AND "
                         "NRAPURACFAT IS NOT NULL"),
                 0);
        QCOMPARE(f.value("SELECT DTINIAPURAC FROM CTRLAPURFAT").toString(),
                 QStringLiteral("2026-03-02"));
    }

    void aNumberThatIsNotAnOpenCalculationOfTheClientGetsANewOne() {
        Fixture f;
        smallWorld(f);
        f.addCalculation(B1, "0000000050", C1, QDate(2026, 1, 1), QDate(2026, 1, 31), true);
        f.addCalculation(B1, "0000000060", "C2", QDate(2026, 1, 1), QDate(2026, 1, 31), false);
        // The client's own open calculation of another period is not moved away.
        f.addCalculation(B1, "0000000070", C1, QDate(2026, 2, 1), QDate(2026, 2, 28), false);
        for (const QString& asked : {QStringLiteral("0000000050"), QStringLiteral("0000000060"),
                                     QStringLiteral("0000000070"), QStringLiteral("lixo")}) {
            f.db().exec("DELETE FROM ITAPURFAT");
            f.db().exec("UPDATE EFETCDRS SET NRAPURACFAT = NULL WHERE CDCLIENTE = 'C1'");
            f.db().exec("DELETE FROM CTRLAPURFAT WHERE DTINIAPURAC = '2026-03-01'");
            const Run run = calculate(f, March1, QDate(2026, 3, 3), asked);
            QVERIFY2(ok(run.envelope), qPrintable(message(run.envelope)));
            QVERIFY(run.number != asked);
        }
        QCOMPARE(f.value("SELECT IDBLOQUEADO FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000050'")
                     .toString(),
                 QStringLiteral("S"));
        QCOMPARE(f.value("SELECT DTINIAPURAC || ' ' || DTFIMAPURAC FROM CTRLAPURFAT WHERE "
                         "NRAPURACFAT = '0000000070'")
                     .toString(),
                 QStringLiteral("2026-02-01 2026-02-28"));
    }

    void refusalsLeaveEverythingAsItWas_data() {
        QTest::addColumn<int>("situation");
        QTest::addColumn<QString>("expected");
        QTest::newRow("locked") << 0 << "Período de faturamento bloqueado";
        QTest::newRow("unbalanced") << 1 << "serviço 00002 em 02/03/2026";
        QTest::newRow("overlap") << 2 << "coincide com a apuração 0000000009";
        QTest::newRow("no days") << 3 << "Não há comensais faturados";
        QTest::newRow("inverted") << 4 << "Data Inicial deve ser menor ou igual";
        QTest::newRow("unknown branch") << 5 << "Filial não cadastrada";
    }

    void refusalsLeaveEverythingAsItWas() {
        QFETCH(int, situation);
        QFETCH(QString, expected);
        Fixture f;
        smallWorld(f);
        QDate from = March1, to = QDate(2026, 3, 3);
        QString branch = B1;
        switch (situation) {
        case 0:
            f.addCalculation(B1, "0000000009", C1, QDate(2026, 2, 1), March1, true);
            break;
        case 1:
            f.addShare(B1, C1, Lunch, QDate(2026, 3, 2), "0001", 99.99);
            f.addShare(B1, C1, Lunch, QDate(2026, 3, 3), "0001", 99.99);
            break;
        case 2:
            f.addCalculation(B1, "0000000009", C1, QDate(2026, 3, 3), QDate(2026, 3, 10), false);
            break;
        case 3:
            from = to = QDate(2026, 4, 1);
            break;
        case 4:
            std::swap(from, to);
            break;
        case 5:
            branch = QStringLiteral("9999");
            break;
        }
        const int calculations = f.count("SELECT count(*) FROM CTRLAPURFAT");
        QVariantList args{B1, C1, from, to, QString(), branch};
        const QVariant refused = f.call(f.db(), QStringLiteral("Confirma_Calculo"), args);
        QVERIFY(!ok(refused));
        QVERIFY2(message(refused).contains(expected), qPrintable(message(refused)));
        if (situation == 1)
            QVERIFY(message(refused).endsWith(QStringLiteral("e mais 1 dia(s).")));
        QCOMPARE(args.at(4).toString(), QString());
        QCOMPARE(f.count("SELECT count(*) FROM CTRLAPURFAT"), calculations);
        QCOMPARE(f.count("SELECT count(*) FROM ITAPURFAT"), 0);
        QCOMPARE(f.count("SELECT count(*) FROM NUMERADOR"), 0);
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE NRAPURACFAT IS NOT NULL"), 0);
    }

    void lockingAndUnlockingACalculation() {
        Fixture f;
        smallWorld(f);
        const Run run = calculate(f, March1, QDate(2026, 3, 3));
        QVERIFY(server::setCalculationLocked(f.db(), B1, run.number, true));
        QVERIFY(!server::setCalculationLocked(f.db(), B1, run.number, true));
        QVariantList args{C1,    B1,   dateTimeOf(March1), dateTimeOf(March1), dateTimeOf(March1),
                          false, Lunch};
        QCOMPARE(payload(f.call(f.db(), "VerificaBloqueio", args)), QVariant(false));
        // A locked calculation is not recalculated: the period is refused.
        QVERIFY(!ok(calculate(f, March1, QDate(2026, 3, 3), run.number).envelope));
        QVERIFY(server::setCalculationLocked(f.db(), B1, run.number, false));
        QCOMPARE(payload(f.call(f.db(), "VerificaBloqueio", args)), QVariant(true));
        try {
            server::setCalculationLocked(f.db(), QStringLiteral("0002"), run.number, true);
            QFAIL("locked a calculation of another branch");
        } catch (const Exception& e) {
            QVERIFY(e.message().contains(QStringLiteral("não encontrada")));
        }
    }
};

QTEST_GUILESS_MAIN(TestCalculation)
#include "tst_calculation.moc"
