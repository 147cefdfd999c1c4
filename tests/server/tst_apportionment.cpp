// Apportionment rows: reading them, saving a change packet all or nothing, the conflicts
// between two clerks editing the same day, and the period's sum check.

#include "fixture.h"

#include "framework/data/field_type.h"
#include "framework/data/packet.h"

#include <QTest>

#include <thread>

namespace {

const QString B1 = QStringLiteral("0001");
const QString C1 = QStringLiteral("C1");
const QString Lunch = QStringLiteral("00002");
const QDate Day(2026, 3, 2);

QVariant save(Fixture& f, server::Database& db, const QList<QVariantMap>& changes) {
    QVariantList args{changePacket(changes)};
    return f.call(db, QStringLiteral("SetRateio"), args);
}

QVariant save(Fixture& f, const QList<QVariantMap>& changes) {
    return save(f, f.db(), changes);
}

ShareRow share(const QString& sequence, double quantity, const QString& nf = {}) {
    ShareRow row;
    row.sequence = sequence;
    row.quantity = quantity;
    row.nf = nf;
    return row;
}

// The stored rows of the day as "sequence quantity nf note".
QStringList stored(Fixture& f, QDate day = Day) {
    QStringList out;
    const QVariant rows =
        payload(f.call(QStringLiteral("GetRateio"), {C1, B1, dateTimeOf(day), Lunch}));
    for (const QVariantMap& r : rowsOf(rows))
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(r.value("NRSEQITRAT").toString())
                   .arg(r.value("QTDERATEIO").toDouble())
                   .arg(r.value("NRAGREFRAT").toString(), r.value("DSOBSRATE").toString())
                   .trimmed();
    return out;
}

QVariantList servicesOf(const QStringList& services, const QString& client = C1) {
    packet::Table table{{{QStringLiteral("CDSERVFILI"), ftString, 5, {}},
                         {QStringLiteral("CDFILIAL"), ftString, 4, {}},
                         {QStringLiteral("NMSERVICO"), ftString, 40, {}},
                         {QStringLiteral("NRAGRUEFET"), ftString, 3, {}},
                         {QStringLiteral("CDCLIENTE"), ftString, 21, {}}},
                        {}};
    for (const QString& s : services)
        table.rows.append({s, B1, QStringLiteral("Serviço"), QString(), client});
    return {packet::make(table)};
}

} // namespace

class TestApportionment : public QObject {
    Q_OBJECT

private slots:
    void rowsOfTheDayComeInSequenceOrder() {
        Fixture f;
        f.standardWorld();
        f.addShare(B1, C1, Lunch, Day, "0003", 30, "002");
        f.addShare(B1, C1, Lunch, Day, "0001", 50, "001");
        f.addShare(B1, C1, Lunch, Day, "0002", 20);
        f.addShare(B1, C1, Lunch, Day.addDays(1), "0001", 100);
        const QVariant rows = f.call("GetRateio", {C1, B1, dateTimeOf(Day), Lunch});
        QVERIFY(ok(rows));
        QCOMPARE(fieldsOf(payload(rows)),
                 QStringList({"CDFILIAL:string:4", "CDSERVFILI:string:5", "DTRATCDRS:datetime:0",
                              "CDCLIENTE:string:21", "NRSEQITRAT:string:4", "QTDERATEIO:float:0",
                              "CDPRODUTO:string:10", "NRAGREFRAT:string:3", "DSOBSRATE:string:100",
                              "VRPRECRATE:float:0"}));
        QCOMPARE(stored(f), QStringList({"0001 50 001", "0002 20", "0003 30 002"}));
        const QVariantMap first = rowsOf(payload(rows)).first();
        QCOMPARE(first.value("DTRATCDRS").toDateTime(), dateTimeOf(Day));
        QCOMPARE(first.value("CDPRODUTO").toString(), QStringLiteral("ALMO"));
        QCOMPARE(first.value("VRPRECRATE").toDouble(), 20.0);
        // The client sends the zero date for an empty day list: nothing, not a failure.
        const QVariant none = f.call("GetRateio", {C1, B1, zeroDateTime(), Lunch});
        QVERIFY(ok(none));
        QVERIFY(rowsOf(payload(none)).isEmpty());
    }

    void insertUpdateAndDeleteAreApplied() {
        Fixture f;
        f.standardWorld();
        ShareRow a = share("0001", 60, "1"), b = share("0002", 40, "002");
        a.note = QStringLiteral("Refeitório");
        QVERIFY(ok(save(f, {insertOf(a), insertOf(b)})));
        // The NF is stored in its three-digit form.
        QCOMPARE(stored(f), QStringList({"0001 60 001 Refeitório", "0002 40 002"}));

        ShareRow loadedA = a, loadedB = b;
        loadedA.nf = QStringLiteral("001");
        ShareRow changed = loadedA;
        changed.quantity = 70.0;
        ShareRow third = share("0003", 30);
        QVERIFY(ok(save(f, {deleteOf(loadedB), updateOf(loadedA, changed), insertOf(third)})));
        QCOMPARE(stored(f), QStringList({"0001 70 001 Refeitório", "0003 30"}));
        // An empty packet changes nothing.
        QVERIFY(ok(save(f, {})));
        QCOMPARE(stored(f).size(), 2);
    }

    void rowsTakeTheDaysProductAndPrice() {
        Fixture f;
        f.standardWorld();
        ShareRow forged = share("0001", 100);
        forged.price = 0.01;
        forged.product = QStringLiteral("OUTRO");
        QVERIFY(ok(save(f, {insertOf(forged)})));
        QCOMPARE(f.value("SELECT VRPRECRATE FROM EFETRATCDRS").toDouble(), 20.0);
        QCOMPARE(f.value("SELECT CDPRODUTO FROM EFETRATCDRS").toString(), QStringLiteral("ALMO"));
    }

    void aRefusedRowLeavesTheWholePacketUnapplied_data() {
        QTest::addColumn<QVariant>("quantity");
        QTest::addColumn<QString>("nf");
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero quantity")
            << QVariant(0.0) << QString() << "0002" << Day << "Quantidade deve ser maior que zero.";
        QTest::newRow("negative quantity") << QVariant(-1.0) << QString() << "0002" << Day
                                           << "Quantidade deve ser maior que zero.";
        QTest::newRow("no quantity")
            << QVariant() << QString() << "0002" << Day << "Quantidade deve ser informada.";
        QTest::newRow("NF 100") << QVariant(1.0) << "100"
                                << "0002" << Day << "NF deve estar entre 01 e 99.";
        QTest::newRow("NF 0") << QVariant(1.0) << "000"
                              << "0002" << Day << "NF deve estar entre 01 e 99.";
        QTest::newRow("no billed day") << QVariant(1.0) << QString() << "0002" << QDate(2026, 4, 1)
                                       << "não há comensais faturados";
        QTest::newRow("duplicate sequence")
            << QVariant(1.0) << QString() << "0001" << Day << "já existe";
        QTest::newRow("bad sequence") << QVariant(1.0) << QString() << "abc" << Day
                                      << "Número de sequência do rateio inválido";
        QTest::newRow("zero sequence") << QVariant(1.0) << QString() << "0000" << Day
                                       << "Número de sequência do rateio inválido";
    }

    void aRefusedRowLeavesTheWholePacketUnapplied() {
        QFETCH(QVariant, quantity);
        QFETCH(QString, nf);
        QFETCH(QString, sequence);
        QFETCH(QDate, day);
        QFETCH(QString, expected);
        Fixture f;
        f.standardWorld();
        f.addShare(B1, C1, Lunch, Day, "0001", 40);
        f.addShare(B1, C1, Lunch, Day.addDays(1), "0001", 40);
        ShareRow kept = share("0001", 40), other = share("0001", 40);
        other.day = Day.addDays(1);
        ShareRow bad = share(sequence, 0, nf);
        bad.quantity = quantity;
        bad.day = day;
        // Valid changes before the bad one must not survive it.
        ShareRow changed = kept;
        changed.quantity = 60.0;
        const QVariant refused = save(f, {updateOf(kept, changed), deleteOf(other), insertOf(bad)});
        QVERIFY(!ok(refused));
        QVERIFY2(message(refused).contains(expected), qPrintable(message(refused)));
        QCOMPARE(stored(f), QStringList{"0001 40"});
        QCOMPARE(stored(f, Day.addDays(1)), QStringList{"0001 40"});
    }

    void aLockedDayRefusesEveryKindOfChange() {
        Fixture f;
        f.standardWorld();
        f.addShare(B1, C1, Lunch, Day, "0001", 40);
        f.addCalculation(B1, "0000000001", C1, Day, Day, true);
        const ShareRow loaded = share("0001", 40);
        ShareRow changed = loaded;
        changed.quantity = 50.0;
        for (const QVariantMap& change :
             {insertOf(share("0002", 60)), updateOf(loaded, changed), deleteOf(loaded)}) {
            const QVariant refused = save(f, {change});
            QVERIFY(!ok(refused));
            QVERIFY(message(refused).contains(QStringLiteral("Período de faturamento bloqueado")));
        }
        QCOMPARE(stored(f), QStringList{"0001 40"});
    }

    void aPacketWithoutAFieldOfTheRowIsRefused() {
        Fixture f;
        f.standardWorld();
        QVariantMap packet = changePacket({insertOf(share("0001", 10))});
        QVariantList fields = packet.value("fields").toList();
        QVariantList change = packet.value("changes").toList();
        fields.removeAt(5);
        QVariantMap insert = change[0].toMap();
        QVariantList values = insert.value("new").toList();
        values.removeAt(5);
        insert["new"] = values;
        packet["fields"] = fields;
        packet["changes"] = QVariantList{insert};
        const QVariant refused = f.call("SetRateio", {packet});
        QVERIFY(!ok(refused));
        QVERIFY(message(refused).contains(QStringLiteral("QTDERATEIO")));
        // A malformed packet is refused with the packet reader's own words.
        const QVariant malformed = f.call("SetRateio", {QVariantMap{{"fields", 5}}});
        QVERIFY(!ok(malformed));
        QVERIFY(message(malformed).startsWith(QStringLiteral("Pacote de dados inválido")));
    }

    void twoClerksChangingTheSameFieldConflict() {
        Fixture f;
        f.standardWorld();
        f.addShare(B1, C1, Lunch, Day, "0001", 60);
        f.addShare(B1, C1, Lunch, Day, "0002", 40);
        auto other = f.open();
        const ShareRow loaded = share("0001", 60);
        ShareRow mine = loaded, theirs = loaded;
        mine.quantity = 55.0;
        theirs.quantity = 65.0;
        QVERIFY(ok(save(f, {updateOf(loaded, mine)})));
        // The second clerk's packet also holds a change nobody else touched: all or nothing.
        ShareRow second = share("0002", 40), secondChanged = second;
        secondChanged.quantity = 35.0;
        const QVariant refused =
            save(f, *other, {updateOf(second, secondChanged), updateOf(loaded, theirs)});
        QVERIFY(!ok(refused));
        QVERIFY(message(refused).contains(QStringLiteral("foi alterado por outro usuário")));
        QCOMPARE(stored(f), QStringList({"0001 55", "0002 40"}));
    }

    void twoClerksChangingDifferentFieldsBothKeepTheirChange() {
        Fixture f;
        f.standardWorld();
        f.addShare(B1, C1, Lunch, Day, "0001", 60);
        auto other = f.open();
        const ShareRow loaded = share("0001", 60);
        ShareRow mine = loaded, theirs = loaded;
        mine.quantity = 55.0;
        theirs.note = QStringLiteral("Visitantes");
        QVERIFY(ok(save(f, {updateOf(loaded, mine)})));
        QVERIFY(ok(save(f, *other, {updateOf(loaded, theirs)})));
        QCOMPARE(stored(f), QStringList{"0001 55  Visitantes"});
    }

    void aRowRemovedOrChangedMeanwhileCannotBeChangedOrDeleted() {
        Fixture f;
        f.standardWorld();
        f.addShare(B1, C1, Lunch, Day, "0001", 60);
        f.addShare(B1, C1, Lunch, Day, "0002", 40);
        auto other = f.open();
        const ShareRow first = share("0001", 60), second = share("0002", 40);
        ShareRow changed = second;
        changed.note = QStringLiteral("Outro turno");
        QVERIFY(ok(save(f, {deleteOf(first), updateOf(second, changed)})));

        ShareRow theirs = first;
        theirs.quantity = 10.0;
        const QVariant removed = save(f, *other, {updateOf(first, theirs)});
        QVERIFY(!ok(removed));
        QVERIFY(message(removed).contains(QStringLiteral("foi excluído por outro usuário")));
        QVERIFY(!ok(save(f, *other, {deleteOf(first)})));
        // Deleting a row someone changed since it was loaded is a conflict too.
        const QVariant changedMeanwhile = save(f, *other, {deleteOf(second)});
        QVERIFY(!ok(changedMeanwhile));
        QVERIFY(message(changedMeanwhile).contains(QStringLiteral("foi alterado")));
        QCOMPARE(stored(f), QStringList{"0002 40  Outro turno"});
    }

    void twoClerksAddingTheSameSequenceNumber() {
        Fixture f;
        f.standardWorld();
        auto other = f.open();
        QVERIFY(ok(save(f, {insertOf(share("0001", 60))})));
        const QVariant refused = save(f, *other, {insertOf(share("0001", 40))});
        QVERIFY(!ok(refused));
        QVERIFY(message(refused).contains(QStringLiteral("já existe")));
        QCOMPARE(stored(f), QStringList{"0001 60"});
    }

    void concurrentSavesOnTheSameDayAreSerialised() {
        Fixture f;
        f.standardWorld();
        constexpr int kPerThread = 15;
        int refusals[2] = {0, 0};
        std::thread threads[2];
        for (int t = 0; t < 2; ++t)
            threads[t] = std::thread([&, t] {
                auto db = f.open();
                for (int i = 0; i < kPerThread; ++i) {
                    const QString seq =
                        QStringLiteral("%1").arg(t * 100 + i + 1, 4, 10, QLatin1Char('0'));
                    if (!ok(save(f, *db, {insertOf(share(seq, 1))})))
                        ++refusals[t];
                }
            });
        for (auto& t : threads)
            t.join();
        QCOMPARE(refusals[0] + refusals[1], 0);
        QCOMPARE(stored(f).size(), 2 * kPerThread);
    }

    void sumCheckOverThePeriodsServices() {
        Fixture f;
        f.standardWorld();
        const QDate from(2026, 3, 1), to(2026, 3, 31);
        auto check = [&](const QVariantList& services, QDate a, QDate b) {
            QVariantList args = services;
            args << a << b;
            return f.call(f.db(), QStringLiteral("SomaApurac"), args);
        };
        f.addShare(B1, C1, Lunch, Day, "0001", 50);
        f.addShare(B1, C1, Lunch, Day, "0002", 50);
        QCOMPARE(payload(check(servicesOf({"00001", Lunch}), from, to)), QVariant(false));
        f.addShare(B1, C1, Lunch, QDate(2026, 3, 20), "0001", 99.994);
        const QVariant found = check(servicesOf({"00001", Lunch}), from, to);
        QVERIFY(ok(found));
        QCOMPARE(payload(found), QVariant(true));
        // Outside the period, for another service or another client it does not count.
        QCOMPARE(payload(check(servicesOf({Lunch}), from, QDate(2026, 3, 19))), QVariant(false));
        QCOMPARE(payload(check(servicesOf({"00001"}), from, to)), QVariant(false));
        QCOMPARE(payload(check(servicesOf({Lunch}, "C2"), from, to)), QVariant(false));
        // A closed service list checks nothing.
        QCOMPARE(payload(check({QVariant()}, from, to)), QVariant(false));
    }
};

QTEST_GUILESS_MAIN(TestApportionment)
#include "tst_apportionment.moc"
