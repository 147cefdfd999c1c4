// Work numbers belong to the user whose screen obtained them: another user of the same
// branches can neither list under a number nor release it, however well they guess it; a
// screen's close releases its own list only; and the owner is kept in the database, for
// every connection and after the server starts again.

#include "fixture.h"

#include "framework/data/field_type.h"
#include "framework/data/packet.h"
#include "server/methods/local_app_server.h"

#include <QTest>

namespace {

const QString B1 = QStringLiteral("0001"), B2 = QStringLiteral("0002");
const QDate March1(2026, 3, 1), March31(2026, 3, 31);
// Stands for the number the owner obtained, which the rows cannot know in advance.
const QString Obtained = QStringLiteral("(obtido)");

QVariantMap branchesPacket(const QStringList& branches) {
    packet::Table table{{{QStringLiteral("CDFILIAL"), ftString, 4, {}}}, {}};
    for (const QString& b : branches)
        table.rows.append({b});
    return packet::make(table);
}

// Two clerks with rights on both branches, and a list of ana's under her number.
struct TwoClerks {
    Fixture f;
    QString number;

    TwoClerks() {
        f.standardWorld();
        f.addDays(B2, QStringLiteral("C4"), QStringLiteral("00002"), March1, March31, 50);
        f.addUser(QStringLiteral("ana"), {B1, B2});
        f.addUser(QStringLiteral("bia"), {B1, B2});
        number = f.callAs(QStringLiteral("ana"), "GetPrxRelApurFat", {B1}).toString();
        list(QStringLiteral("ana"), B1, QStringLiteral("C1"), number);
    }

    QVariant list(const QString& login, const QString& branch, const QString& client,
                  const QString& workNumber) {
        return f.callAs(login, "GetFiltro", {branch, March1, March31, workNumber, client});
    }

    // The work table as it stands, one text per row.
    QStringList workTable() {
        QStringList rows;
        server::Rows r = f.db().select(
            "SELECT CDFILIAL, NRRELAPURFAT, CDCLIENTE, CDSERVFILI, DTINIAPURAC, DTFIMAPURAC "
            "FROM RELAPURFAT ORDER BY 1, 2, 3, 4");
        while (r.next())
            rows << QStringList{r.text(0), r.text(1), r.text(2), r.text(3), r.text(4), r.text(5)}
                        .join(' ');
        return rows;
    }
};

QVariantList withNumber(QVariantList args, const QString& number) {
    for (QVariant& a : args)
        if (a == Obtained)
            a = number;
    return args;
}

} // namespace

class TestWorkNumbers : public QObject {
    Q_OBJECT

private slots:
    void aNumberServesOnlyTheUserWhoObtainedIt_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("number");
        QTest::newRow("listing under it")
            << "GetFiltro" << QVariantList{B1, March1, March31, Obtained, "C1"} << Obtained;
        QTest::newRow("listing another branch under it")
            << "GetFiltro" << QVariantList{B2, March1, March31, Obtained, "C4"} << Obtained;
        QTest::newRow("releasing it")
            << "DelTableRelApur" << QVariantList{branchesPacket({B1, B2}), Obtained} << Obtained;
        QTest::newRow("releasing it with no branch")
            << "DelTableRelApur" << QVariantList{QVariant(), Obtained} << Obtained;
        QTest::newRow("a number never handed out")
            << "GetFiltro" << QVariantList{B1, March1, March31, "0001999999", "C1"} << "0001999999";
    }

    void aNumberServesOnlyTheUserWhoObtainedIt() {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QFETCH(QString, number);
        TwoClerks clerks;
        const QString n = number == Obtained ? clerks.number : number;
        const QVariantList call = withNumber(args, clerks.number);
        const QStringList before = clerks.workTable();
        QCOMPARE(before.size(), 2);

        const QVariant refused = clerks.f.callAs(QStringLiteral("bia"), method, call);
        QVERIFY(!ok(refused));
        QCOMPARE(message(refused),
                 QStringLiteral("O número de trabalho %1 não foi obtido pelo usuário bia; nada "
                                "foi alterado.")
                     .arg(n));
        QCOMPARE(clerks.workTable(), before);

        // The owner's own call goes through.
        if (number == Obtained)
            QVERIFY(ok(clerks.f.callAs(QStringLiteral("ana"), method, call)));
    }

    void closingAScreenReleasesItsOwnListOnly() {
        TwoClerks clerks;
        const QString theirs = clerks.f.callAs("bia", "GetPrxRelApurFat", {B1}).toString();
        QVERIFY(ok(clerks.list("bia", B1, "C1", theirs)));
        QVERIFY(ok(clerks.list("ana", B2, "C4", clerks.number)));
        QCOMPARE(clerks.workTable().size(), 5);

        QVERIFY(ok(
            clerks.f.callAs("ana", "DelTableRelApur", {branchesPacket({B1, B2}), clerks.number})));
        QCOMPARE(clerks.f.count("SELECT count(*) FROM RELAPURFAT WHERE NRRELAPURFAT = ?",
                                {clerks.number}),
                 0);
        QCOMPARE(clerks.f.count("SELECT count(*) FROM RELAPURFAT WHERE NRRELAPURFAT = ?", {theirs}),
                 2);
        // A close repeated because its answer was lost finds nothing more to release.
        QVERIFY(ok(
            clerks.f.callAs("ana", "DelTableRelApur", {branchesPacket({B1, B2}), clerks.number})));
        QCOMPARE(clerks.workTable().size(), 2);
    }

    void theOwnerIsKeptInTheDatabaseForEveryConnection() {
        TwoClerks clerks;
        QCOMPARE(clerks.f
                     .value("SELECT NMLOGIN || ' ' || CDFILIAL || ' ' || DSSESSAO || ' ' || "
                            "DSORIGEM FROM RELAPURDONO WHERE NRRELAPURFAT = ?",
                            {clerks.number})
                     .toString(),
                 QStringLiteral("ana 0001 local local"));
        // Another connection to the file, as another worker or a server started again.
        const auto reopened = clerks.f.open();
        server::LocalAppServer ana(*reopened, QStringLiteral("ana"));
        server::LocalAppServer bia(*reopened, QStringLiteral("bia"));
        QVariantList mine{B1, March1, March31, clerks.number, QStringLiteral("C1")};
        QVERIFY(ok(ana.Invoke(QStringLiteral("GetFiltro"), mine)));
        QVERIFY(!ok(bia.Invoke(QStringLiteral("GetFiltro"), mine)));
    }

    void aNumberHandedOutAgainBelongsToItsNewUser() {
        TwoClerks clerks;
        // The counter comes round to ana's number again, this time for bia.
        clerks.f.db().exec(
            "UPDATE NUMERADOR SET NRULTIMO = NRULTIMO - 1 WHERE CDFILIAL = ? AND NMSERIE = ?",
            {B1, QStringLiteral("RELAPURFAT")});
        QCOMPARE(clerks.f.callAs("bia", "GetPrxRelApurFat", {B1}).toString(), clerks.number);
        QVERIFY(ok(clerks.list("bia", B1, "C1", clerks.number)));
        QVERIFY(!ok(clerks.list("ana", B1, "C1", clerks.number)));
        QCOMPARE(clerks.f.count("SELECT count(*) FROM RELAPURDONO WHERE NRRELAPURFAT = ?",
                                {clerks.number}),
                 1);
    }
};

QTEST_GUILESS_MAIN(TestWorkNumbers)
#include "tst_work_numbers.moc"
