// Client lookup, work numbers, the service list and its work table.

#include "fixture.h"

#include "contracts/host_framework.h"
#include "framework/data/packet.h"

#include <QSet>
#include <QTest>

#include <thread>

namespace {

const QString B1 = QStringLiteral("0001"), B2 = QStringLiteral("0002");
const QDate March1(2026, 3, 1), March31(2026, 3, 31);

QVariantMap branchesPacket(const QStringList& branches) {
    packet::Table table{{{QStringLiteral("CDFILIAL"), ftString, 4, {}}}, {}};
    for (const QString& b : branches)
        table.rows.append({b});
    return packet::make(table);
}

QStringList column(const QVariant& envelope, const QString& field) {
    QStringList out;
    for (const QVariantMap& r : rowsOf(payload(envelope)))
        out << r.value(field).toString();
    return out;
}

} // namespace

class TestSelection : public QObject {
    Q_OBJECT

private slots:
    void clientByRegistrationNumber() {
        Fixture f;
        f.standardWorld();
        const QVariant found =
            f.call(QStringLiteral("GetCliente"), {B1, QStringLiteral("11222333000181")});
        QVERIFY(ok(found));
        QCOMPARE(
            fieldsOf(payload(found)),
            QStringList({"CDCLIENTE:string:21", "IDTPIJURCLIE:string:1", "NRINSJURCLIE:string:20",
                         "NMRAZSOCCLIE:string:50", "NMFANTCLIE:string:50"}));
        const QList<QVariantMap> rows = rowsOf(payload(found));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].value("CDCLIENTE").toString(), QStringLiteral("C1"));
        QCOMPARE(rows[0].value("IDTPIJURCLIE").toString(), QStringLiteral("J"));
        QCOMPARE(rows[0].value("NMRAZSOCCLIE").toString(), QStringLiteral("Beta Indústria"));

        // Blanks around the key do not hide the client.
        QCOMPARE(
            column(f.call("GetCliente", {B1, QStringLiteral(" 11222333000181 ")}), "CDCLIENTE"),
            QStringList{"C1"});
        // A client of another branch, an inactive one and an unknown number are not found.
        QVERIFY(column(f.call("GetCliente", {B1, QStringLiteral("07931564000197")}), "CDCLIENTE")
                    .isEmpty());
        QVERIFY(column(f.call("GetCliente", {B1, QStringLiteral("45281769000163")}), "CDCLIENTE")
                    .isEmpty());
        const QVariant unknown = f.call("GetCliente", {B1, QStringLiteral("99999999999")});
        QVERIFY(ok(unknown));
        QVERIFY(rowsOf(payload(unknown)).isEmpty());
        QCOMPARE(column(f.call("GetCliente", {B2, QStringLiteral("07931564000197")}), "CDCLIENTE"),
                 QStringList{"C4"});
    }

    void lookupListsActiveClientsOfTheBranchByName() {
        Fixture f;
        f.standardWorld();
        // "Álvaro" sorts before "Beta", as a Brazilian reader expects.
        QCOMPARE(column(f.call("GetCliente", {B1, QString()}), "NMRAZSOCCLIE"),
                 QStringList({"Álvaro Souza", "Beta Indústria"}));
        QCOMPARE(column(f.call("GetCliente", {B2, QString()}), "CDCLIENTE"), QStringList{"C4"});
        QVERIFY(column(f.call("GetCliente", {QStringLiteral("9999"), QString()}), "CDCLIENTE")
                    .isEmpty());
    }

    void workNumbersAreUniquePerBranchAndFitTenCharacters() {
        Fixture f;
        f.standardWorld();
        const QString first = f.call("GetPrxRelApurFat", {B1}).toString();
        const QString second = f.call("GetPrxRelApurFat", {B1}).toString();
        const QString other = f.call("GetPrxRelApurFat", {B2}).toString();
        QCOMPARE(first, QStringLiteral("0001000001"));
        QCOMPARE(second, QStringLiteral("0001000002"));
        // The branch in front; the running part is the branch's own on SQLite, and one
        // sequence for every branch on PostgreSQL.
        QCOMPARE(other,
                 f.onPostgres() ? QStringLiteral("0002000003") : QStringLiteral("0002000001"));
        QVERIFY(first.size() <= 10);

        try {
            f.call("GetPrxRelApurFat", {QStringLiteral("9999")});
            QFAIL("an unknown branch got a work number");
        } catch (const Exception& e) {
            QVERIFY(e.message().contains(QStringLiteral("Filial não cadastrada")));
        }
    }

    void workNumbersStayUniqueUnderConcurrency() {
        Fixture f;
        f.standardWorld();
        constexpr int kPerThread = 25;
        QStringList numbers[2];
        std::thread threads[2];
        for (int t = 0; t < 2; ++t)
            threads[t] = std::thread([&f, &numbers, t] {
                auto db = f.open();
                for (int i = 0; i < kPerThread; ++i) {
                    QVariantList args{QStringLiteral("0001")};
                    numbers[t] << f.call(*db, QStringLiteral("GetPrxRelApurFat"), args).toString();
                }
            });
        for (auto& t : threads)
            t.join();
        const QStringList all = numbers[0] + numbers[1];
        QCOMPARE(all.size(), 2 * kPerThread);
        QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), 2 * kPerThread);
    }

    void serviceListHoldsContractedServicesWithDaysInThePeriod() {
        Fixture f;
        f.standardWorld();
        const QString number = f.call("GetPrxRelApurFat", {B1}).toString();
        const QVariant list =
            f.call("GetFiltro", {B1, March1, March31, number, QStringLiteral("C1")});
        QVERIFY(ok(list));
        QCOMPARE(fieldsOf(payload(list)),
                 QStringList({"CDSERVFILI:string:5", "CDFILIAL:string:4", "NMSERVICO:string:40",
                              "NRAGRUEFET:string:3", "CDCLIENTE:string:21"}));
        // 00003 has days only in February.
        QCOMPARE(column(list, "CDSERVFILI"), QStringList({"00001", "00002"}));
        QCOMPARE(column(list, "NRAGRUEFET"), QStringList({"", "001"}));
        QCOMPARE(column(list, "CDFILIAL"), QStringList({B1, B1}));
        QCOMPARE(column(list, "CDCLIENTE"), QStringList({"C1", "C1"}));

        // The service's current NF is the contract's, whatever the days say.
        f.db().exec("UPDATE SERVCLIE SET NRAGRUEFET = '007' WHERE CDSERVFILI = '00001'");
        QCOMPARE(column(f.call("GetFiltro", {B1, March1, March31, QString(), QStringLiteral("C1")}),
                        "NRAGRUEFET"),
                 QStringList({"007", "001"}));
        // A period without billed days, and another branch, list nothing.
        QVERIFY(column(f.call("GetFiltro", {B1, QDate(2026, 4, 1), QDate(2026, 4, 30), QString(),
                                            QStringLiteral("C1")}),
                       "CDSERVFILI")
                    .isEmpty());
        QVERIFY(column(f.call("GetFiltro", {B2, March1, March31, QString(), QStringLiteral("C1")}),
                       "CDSERVFILI")
                    .isEmpty());
    }

    void serviceListIsKeptUnderTheWorkNumber() {
        Fixture f;
        f.standardWorld();
        const QString number = f.call("GetPrxRelApurFat", {B1}).toString();
        QVERIFY(ok(f.call("GetFiltro", {B1, March1, March31, number, QStringLiteral("C1")})));
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT WHERE CDFILIAL = ? AND NRRELAPURFAT = ?",
                         {B1, number}),
                 2);
        // A new load under the same number replaces the list; the February one has 00003.
        QVERIFY(ok(f.call("GetFiltro", {B1, QDate(2026, 2, 1), QDate(2026, 2, 28), number,
                                        QStringLiteral("C1")})));
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT WHERE NRRELAPURFAT = ?", {number}), 1);
        QCOMPARE(f.value("SELECT CDSERVFILI FROM RELAPURFAT WHERE NRRELAPURFAT = ?", {number})
                     .toString(),
                 QStringLiteral("00003"));
        // Without a number the list is only shown.
        QVERIFY(ok(f.call("GetFiltro", {B1, March1, March31, QString(), QStringLiteral("C1")})));
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT"), 1);
    }

    void serviceListRefusesAnInvertedPeriod() {
        Fixture f;
        f.standardWorld();
        const QVariant refused = f.call(
            "GetFiltro", {B1, March31, March1, QStringLiteral("0001000001"), QStringLiteral("C1")});
        QVERIFY(!ok(refused));
        QVERIFY(message(refused).contains(QStringLiteral("Data Inicial deve ser menor ou igual")));
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT"), 0);
    }

    void releaseDeletesTheNumberOfTheListedBranchesOnly() {
        Fixture f;
        f.standardWorld();
        f.addDays(B2, "C4", "00002", March1, March31, 50);
        const QString mine = f.call("GetPrxRelApurFat", {B2}).toString();
        const QString other = f.call("GetPrxRelApurFat", {B1}).toString();
        QVERIFY(ok(f.call("GetFiltro", {B1, March1, March31, mine, QStringLiteral("C1")})));
        QVERIFY(ok(f.call("GetFiltro", {B2, March1, March31, mine, QStringLiteral("C4")})));
        QVERIFY(ok(f.call("GetFiltro", {B1, March1, March31, other, QStringLiteral("C1")})));
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT"), 5);

        QVERIFY(ok(f.call("DelTableRelApur", {branchesPacket({B1}), mine})));
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT WHERE NRRELAPURFAT = ?", {mine}), 1);
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT WHERE NRRELAPURFAT = ?", {other}), 2);
        QVERIFY(ok(f.call("DelTableRelApur", {branchesPacket({B1, B2}), mine})));
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT WHERE NRRELAPURFAT = ?", {mine}), 0);
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT"), 2);
    }

    void releaseOfNothingSucceeds() {
        Fixture f;
        f.standardWorld();
        const QString number = f.call("GetPrxRelApurFat", {B1}).toString();
        QVERIFY(ok(f.call("GetFiltro", {B1, March1, March31, number, QStringLiteral("C1")})));
        // A screen closed before any load sends a closed data set and an empty number.
        QVERIFY(ok(f.call("DelTableRelApur", {QVariant(), QString()})));
        QVERIFY(ok(f.call("DelTableRelApur", {branchesPacket({B1}), QString()})));
        QVERIFY(ok(f.call("DelTableRelApur", {branchesPacket({}), number})));
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT"), 2);

        QVariantMap wrong = branchesPacket({B1});
        wrong[QStringLiteral("fields")] =
            QVariantList{QVariantMap{{"name", "OUTRO"}, {"type", "string"}, {"size", 4}}};
        const QVariant refused = f.call("DelTableRelApur", {wrong, number});
        QVERIFY(!ok(refused));
        QVERIFY(message(refused).contains(QStringLiteral("CDFILIAL")));
        QCOMPARE(f.count("SELECT count(*) FROM RELAPURFAT"), 2);
    }
};

QTEST_GUILESS_MAIN(TestSelection)
#include "tst_selection.moc"
