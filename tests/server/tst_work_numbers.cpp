// Work numbers belong to the user whose screen obtained them: another user of the same
// branches can neither list under a number nor release it, however well they guess it,
// and a screen's close releases its own list only.

#include "fixture.h"

#include "framework/data/field_type.h"
#include "framework/data/packet.h"

#include <QTest>

namespace {

const QString B1 = QStringLiteral("0001"), B2 = QStringLiteral("0002");
const QDate March1(2026, 3, 1), March31(2026, 3, 31);

// Two clerks with rights on both branches, each with a number and a list under it.
struct TwoClerks {
    Fixture f;
    QString anas, bias;

    TwoClerks() {
        f.standardWorld();
        f.addUser(QStringLiteral("ana"), {B1, B2});
        f.addUser(QStringLiteral("bia"), {B1, B2});
        anas = f.callAs("ana", "GetPrxRelApurFat", {B1}).toString();
        bias = f.callAs("bia", "GetPrxRelApurFat", {B2}).toString();
        for (const auto& [login, number] : {std::pair{"ana", anas}, std::pair{"bia", bias}})
            f.callAs(login, "GetFiltro", {B1, March1, March31, number, QStringLiteral("C1")});
    }

    int listed(const QString& number) {
        return f.count("SELECT count(*) FROM RELAPURFAT WHERE NRRELAPURFAT = ?", {number});
    }
};

} // namespace

class TestWorkNumbers : public QObject {
    Q_OBJECT

private slots:
    void aNumberServesOnlyTheUserWhoObtainedIt_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<bool>("guessed");
        QTest::newRow("listing") << "GetFiltro" << QVariantList{B1, March1, March31, "C1"} << false;
        QTest::newRow("listing another branch")
            << "GetFiltro" << QVariantList{B2, March1, March31, "C4"} << false;
        QTest::newRow("releasing")
            << "DelTableRelApur" << QVariantList{branchList({B1, B2})} << false;
        QTest::newRow("releasing no branch")
            << "DelTableRelApur" << QVariantList{QVariant()} << false;
        QTest::newRow("a number never handed out")
            << "GetFiltro" << QVariantList{B1, March1, March31, "C1"} << true;
    }

    void aNumberServesOnlyTheUserWhoObtainedIt() {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QFETCH(bool, guessed);
        TwoClerks clerks;
        const QString number = guessed ? QStringLiteral("0001999999") : clerks.anas;
        args.insert(method == "GetFiltro" ? 3 : 1, number);
        QCOMPARE(clerks.listed(clerks.anas), 2);

        const QVariant refused = clerks.f.callAs("bia", method, args);
        QCOMPARE(message(refused), QStringLiteral("O número de trabalho %1 não foi obtido pelo "
                                                  "usuário bia; nada foi alterado.")
                                       .arg(number));
        QVERIFY(!ok(refused));
        QCOMPARE(clerks.listed(clerks.anas), 2);
        if (!guessed)
            QVERIFY(ok(clerks.f.callAs("ana", method, args)));
    }

    void closingAScreenReleasesItsOwnListOnly() {
        TwoClerks clerks;
        const QVariantList close{branchList({B1, B2}), clerks.anas};
        QVERIFY(ok(clerks.f.callAs("ana", "DelTableRelApur", close)));
        QCOMPARE(clerks.listed(clerks.anas), 0);
        QCOMPARE(clerks.listed(clerks.bias), 2);
        // A close repeated because its answer was lost finds nothing more to release.
        QVERIFY(ok(clerks.f.callAs("ana", "DelTableRelApur", close)));
        QCOMPARE(clerks.listed(clerks.bias), 2);
        QCOMPARE(clerks.f
                     .value("SELECT NMLOGIN || ' ' || DSSESSAO FROM RELAPURDONO WHERE "
                            "NRRELAPURFAT = ?",
                            {clerks.anas})
                     .toString(),
                 QStringLiteral("ana local"));
    }
};

QTEST_GUILESS_MAIN(TestWorkNumbers)
#include "tst_work_numbers.moc"
