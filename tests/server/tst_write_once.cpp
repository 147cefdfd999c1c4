// Writes that happen once: a call repeated with its key, because its answer was lost, is
// answered with the first outcome and runs nothing again, on any connection and also while
// the first run is still under way; a key serves one call of one user; a refused write
// keeps no key, so its repeat runs; and keys go after two days.

#include "fixture.h"

#include "framework/data/field_type.h"
#include "framework/net/write_key.h"

#include <QDateTime>
#include <QTest>

#include <thread>

namespace {

const QString B1 = QStringLiteral("0001");
const QDateTime March1 = dateTimeOf(QDate(2026, 3, 1)), March31 = dateTimeOf(QDate(2026, 3, 31));
const QString Ana = QStringLiteral("ana");

QVariantMap lunchShare(const QString& note = QStringLiteral("Ala norte")) {
    ShareRow row;
    row.quantity = 100.0;
    row.note = note;
    return changePacket({insertOf(row)});
}

void clerks(Fixture& f) {
    f.standardWorld();
    f.addUser(Ana, {B1});
    f.addUser(QStringLiteral("bia"), {B1});
}

} // namespace

class TestWriteOnce : public QObject {
    Q_OBJECT

private slots:
    void aRepeatedKeyIsAnsweredWithTheFirstOutcome_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("written");
        QTest::newRow("a share") << "SetRateio" << QVariantList{lunchShare()}
                                 << "SELECT count(*) FROM EFETRATCDRS";
        QTest::newRow("a service's NF")
            << "SetEfetivos" << QVariantList{"C1", B1, March1, March31, "00001", "5"}
            << "SELECT count(*) FROM EFETCDRS WHERE NRAGRUEFET = '005'";
        QTest::newRow("a calculation")
            << "Confirma_Calculo" << QVariantList{B1, "C1", March1, March31, QString(), B1}
            << "SELECT count(*) FROM CTRLAPURFAT";
        QTest::newRow("a work number")
            << "GetPrxRelApurFat" << QVariantList{B1} << "SELECT count(*) FROM RELAPURDONO";
    }

    void aRepeatedKeyIsAnsweredWithTheFirstOutcome() {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QFETCH(QString, written);
        Fixture f;
        clerks(f);
        const QString key = writekey::generate();
        QVariantList first = args;
        const QVariant answer = f.callWithKey(f.db(), Ana, method, first, key);
        const int afterFirst = f.count(written);
        QVERIFY(afterFirst > 0);
        const int audited = f.count("SELECT count(*) FROM AUDITORIA");

        // The repeat comes on another connection, as after a reconnect.
        const auto other = f.open();
        QVariantList repeat = args;
        QCOMPARE(f.callWithKey(*other, Ana, method, repeat, key), answer);
        QCOMPARE(repeat, first);
        QCOMPARE(f.count(written), afterFirst);
        QCOMPARE(f.count("SELECT count(*) FROM AUDITORIA"), audited);
        QCOMPARE(f.count("SELECT count(*) FROM CHAVEGRAVACAO WHERE DSCHAVE = ? AND NMLOGIN = ?",
                         {key, Ana}),
                 1);
    }

    void aKeyServesOneCallOfOneUser() {
        Fixture f;
        clerks(f);
        const QString key = writekey::generate();
        QVariantList share{lunchShare()};
        QVERIFY(ok(f.callWithKey(f.db(), Ana, "SetRateio", share, key)));
        const struct {
            QString login, method;
            QVariantList args;
        } misuses[] = {{Ana, "SetRateio", {lunchShare("Ala sul")}},
                       {"bia", "SetRateio", {lunchShare()}},
                       {Ana, "SetEfetivos", {"C1", B1, March1, March31, "00001", "5"}}};
        for (auto misuse : misuses)
            QCOMPARE(message(f.callWithKey(f.db(), misuse.login, misuse.method, misuse.args, key)),
                     QStringLiteral("A chave desta gravação já foi usada em outra chamada; nada "
                                    "foi gravado."));
        QCOMPARE(f.count("SELECT count(*) FROM EFETRATCDRS WHERE DSOBSRATE = 'Ala norte'"), 1);
        QCOMPARE(f.count("SELECT count(*) FROM EFETRATCDRS"), 1);
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE NRAGRUEFET = '005'"), 0);
    }

    void aRepeatArrivingDuringTheFirstRunGetsItsOutcome() {
        Fixture f;
        clerks(f);
        const QString key = writekey::generate();
        constexpr int kAttempts = 4;
        QVariant answers[kAttempts];
        std::thread attempts[kAttempts];
        for (int i = 0; i < kAttempts; ++i)
            attempts[i] = std::thread([&, i] {
                auto db = f.open();
                QVariantList args{lunchShare()};
                answers[i] = f.callWithKey(*db, Ana, "SetRateio", args, key);
            });
        for (auto& t : attempts)
            t.join();
        for (const QVariant& answer : answers)
            QVERIFY2(ok(answer), qPrintable(message(answer)));
        QCOMPARE(f.count("SELECT count(*) FROM EFETRATCDRS"), 1);
        QCOMPARE(f.count("SELECT count(*) FROM AUDITORIA"), 1);
    }

    void aKeyIsKeptWithAStoredWriteOnlyAndForTwoDays() {
        Fixture f;
        clerks(f);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (const int hours : {24, 47, 49})
            f.db().exec("INSERT INTO CHAVEGRAVACAO VALUES (?, 'ana', 'SetRateio', '', '{}', ?)",
                        {QString::number(hours),
                         now.addSecs(-3600 * hours).toString("yyyy-MM-ddTHH:mm:ss.zzzZ")});
        f.addCalculation(B1, "0000000001", "C1", QDate(2026, 3, 1), QDate(2026, 3, 31), true);
        const QString key = writekey::generate();
        QVariantList share{lunchShare()};
        QVERIFY(!ok(f.callWithKey(f.db(), Ana, "SetRateio", share, key)));
        QCOMPARE(f.count("SELECT count(*) FROM CHAVEGRAVACAO"), 3);

        // Nothing of the refused write was stored: once the period opens, its repeat runs.
        f.db().exec("UPDATE CTRLAPURFAT SET IDBLOQUEADO = 'N'");
        QVERIFY(ok(f.callWithKey(f.db(), Ana, "SetRateio", share, key)));
        QCOMPARE(f.count("SELECT count(*) FROM EFETRATCDRS"), 1);
        QCOMPARE(
            f.count("SELECT count(*) FROM CHAVEGRAVACAO WHERE DSCHAVE IN ('24', '47', ?)", {key}),
            3);
        QCOMPARE(f.count("SELECT count(*) FROM CHAVEGRAVACAO"), 3);
    }
};

QTEST_GUILESS_MAIN(TestWriteOnce)
#include "tst_write_once.moc"
