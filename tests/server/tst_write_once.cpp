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
            << "GetPrxRelApurFat" << QVariantList{B1} << "SELECT NRULTIMO FROM NUMERADOR";
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

    void withoutItsKeyTheRepeatOfASaveIsTakenForSomeoneElses() {
        Fixture f;
        clerks(f);
        QVERIFY(ok(f.callAs(Ana, "SetRateio", {lunchShare()})));
        const QVariant again = f.callAs(Ana, "SetRateio", {lunchShare()});
        QVERIFY(!ok(again));
        QVERIFY(message(again).contains("já existe"));
        QVariantList keyed{lunchShare(QStringLiteral("outra"))};
        const QString key = writekey::generate();
        QVERIFY(!ok(f.callWithKey(f.db(), Ana, "SetRateio", keyed, key)));
        // A refusal keeps no key.
        QCOMPARE(f.count("SELECT count(*) FROM CHAVEGRAVACAO"), 0);
    }

    void aKeyServesOneCallOfOneUser() {
        Fixture f;
        clerks(f);
        const QString key = writekey::generate();
        QVariantList share{lunchShare()};
        QVERIFY(ok(f.callWithKey(f.db(), Ana, "SetRateio", share, key)));

        const QString refusal =
            QStringLiteral("A chave desta gravação já foi usada em outra chamada; nada foi "
                           "gravado.");
        QVariantList changed{lunchShare(QStringLiteral("Ala sul"))};
        QCOMPARE(message(f.callWithKey(f.db(), Ana, "SetRateio", changed, key)), refusal);
        QVariantList byOther{lunchShare()};
        QCOMPARE(message(f.callWithKey(f.db(), "bia", "SetRateio", byOther, key)), refusal);
        QVariantList otherMethod{"C1", B1, March1, March31, "00001", "5"};
        QCOMPARE(message(f.callWithKey(f.db(), Ana, "SetEfetivos", otherMethod, key)), refusal);
        QCOMPARE(f.count("SELECT count(*) FROM EFETRATCDRS"), 1);
        QCOMPARE(f.value("SELECT DSOBSRATE FROM EFETRATCDRS").toString(),
                 QStringLiteral("Ala norte"));
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS WHERE NRAGRUEFET = '005'"), 0);
    }

    void aRefusedWriteKeepsNoKeySoItsRepeatRuns() {
        Fixture f;
        clerks(f);
        f.addCalculation(B1, "0000000001", "C1", QDate(2026, 3, 1), QDate(2026, 3, 31), true);
        const QString key = writekey::generate();
        QVariantList share{lunchShare()};
        const QVariant locked = f.callWithKey(f.db(), Ana, "SetRateio", share, key);
        QVERIFY(!ok(locked));
        QCOMPARE(f.count("SELECT count(*) FROM EFETRATCDRS"), 0);

        f.db().exec("UPDATE CTRLAPURFAT SET IDBLOQUEADO = 'N'");
        QVERIFY(ok(f.callWithKey(f.db(), Ana, "SetRateio", share, key)));
        QCOMPARE(f.count("SELECT count(*) FROM EFETRATCDRS"), 1);
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

    void keysAreKeptTwoDays_data() {
        QTest::addColumn<int>("hoursOld");
        QTest::addColumn<bool>("kept");
        QTest::newRow("a day old") << 24 << true;
        QTest::newRow("almost two days old") << 47 << true;
        QTest::newRow("older than two days") << 49 << false;
    }

    void keysAreKeptTwoDays() {
        QFETCH(int, hoursOld);
        QFETCH(bool, kept);
        Fixture f;
        clerks(f);
        const QString old = writekey::generate();
        f.db().exec("INSERT INTO CHAVEGRAVACAO VALUES (?, 'ana', 'SetRateio', '', '{}', ?)",
                    {old, QDateTime::currentDateTimeUtc()
                              .addSecs(-3600 * hoursOld)
                              .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"))});
        QVariantList share{lunchShare()};
        QVERIFY(ok(f.callWithKey(f.db(), Ana, "SetRateio", share, writekey::generate())));
        QCOMPARE(f.count("SELECT count(*) FROM CHAVEGRAVACAO WHERE DSCHAVE = ?", {old}),
                 kept ? 1 : 0);
        QCOMPARE(f.count("SELECT count(*) FROM CHAVEGRAVACAO"), kept ? 2 : 1);
    }
};

QTEST_GUILESS_MAIN(TestWriteOnce)
#include "tst_write_once.moc"
