// The audit trail: each write leaves, in its own transaction, who, when, from where, what
// method and the rows it changed before and after; a refused write leaves nothing; the
// trail cannot be rewritten; an older database gets the tables on opening.

#include "fixture.h"

#include "framework/data/field_type.h"
#include "server/audit/audit_json.h"
#include "server/audit/audit_trail.h"
#include "server/methods/local_app_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString B1 = QStringLiteral("0001");
const QDate Day(2026, 3, 2);

QList<server::AuditEntry> entries(Fixture& f, const QString& branch = B1) {
    return server::auditEntries(f.db(), branch, QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
}

// The rows of a table in one side of a record.
QJsonArray rowsIn(const QString& side, const QString& table) {
    return QJsonDocument::fromJson(side.toUtf8()).object().value(table).toArray();
}

QStringList values(const QJsonArray& rows, const QString& column) {
    QStringList out;
    for (const QJsonValue& r : rows)
        out << r.toObject().value(column).toVariant().toString();
    return out;
}

// A new calculation of C1's first two days of March.
QVariantList earlyMarchCalculation() {
    return {B1, "C1", dateTimeOf(QDate(2026, 3, 1)), dateTimeOf(QDate(2026, 3, 2)), QString(), B1};
}

} // namespace

class TestAudit : public QObject {
    Q_OBJECT

private slots:
    void anApportionmentSaveRecordsTheRowsItChanged() {
        Fixture f;
        f.standardWorld();
        f.addShare(B1, "C1", "00002", Day, "0001", 60);
        f.addShare(B1, "C1", "00002", Day, "0002", 40);
        f.addUser(QStringLiteral("ana"), {B1});
        ShareRow first, second, third;
        first.quantity = 60;
        second.sequence = "0002";
        second.quantity = 40;
        ShareRow changed = first;
        changed.quantity = 55;
        third.sequence = "0003";
        third.quantity = 45;
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        QVERIFY(ok(f.callAs(
            "ana", "SetRateio",
            {changePacket({updateOf(first, changed), deleteOf(second), insertOf(third)})})));

        const auto trail = entries(f);
        QCOMPARE(trail.size(), 1);
        const server::AuditEntry& e = trail.first();
        QCOMPARE(e.login, QStringLiteral("ana"));
        QCOMPARE(e.address, QStringLiteral("local"));
        QCOMPARE(e.method, QStringLiteral("SetRateio"));
        QCOMPARE(e.branch, B1);
        QVERIFY(e.when >= before && e.when <= QDateTime::currentDateTimeUtc());
        // Only what changed: the updated and the deleted row as they were, the updated and
        // the new row as they are.
        const QJsonArray gone = rowsIn(e.before, "EFETRATCDRS");
        const QJsonArray came = rowsIn(e.after, "EFETRATCDRS");
        QCOMPARE(values(gone, "NRSEQITRAT"), QStringList({"0001", "0002"}));
        QCOMPARE(values(gone, "QTDERATEIO"), QStringList({"60", "40"}));
        QCOMPARE(values(came, "NRSEQITRAT"), QStringList({"0001", "0003"}));
        QCOMPARE(values(came, "QTDERATEIO"), QStringList({"55", "45"}));
        QCOMPARE(values(came, "CDCLIENTE"), QStringList({"C1", "C1"}));
    }

    void aServicesNfChangeRecordsTheServiceAndItsDays() {
        Fixture f;
        f.standardWorld();
        QVERIFY(ok(f.call("SetEfetivos", {"C1", B1, dateTimeOf(QDate(2026, 3, 1)),
                                          dateTimeOf(QDate(2026, 3, 3)), "00002", "5"})));
        const auto trail = entries(f);
        QCOMPARE(trail.size(), 1);
        QCOMPARE(trail[0].login, QStringLiteral("(interno)"));
        QCOMPARE(values(rowsIn(trail[0].before, "SERVCLIE"), "NRAGRUEFET"), QStringList{"001"});
        QCOMPARE(values(rowsIn(trail[0].after, "SERVCLIE"), "NRAGRUEFET"), QStringList{"005"});
        QCOMPARE(values(rowsIn(trail[0].after, "EFETCDRS"), "DTEFETCDRS"),
                 QStringList({"2026-03-01", "2026-03-02", "2026-03-03"}));
    }

    void aCalculationRecordsItsControlItemsAndDays() {
        Fixture f;
        f.standardWorld();
        QVariantList args = earlyMarchCalculation();
        QVERIFY(ok(f.call(f.db(), "Confirma_Calculo", args)));
        const QString number = args.at(4).toString();
        const auto trail = entries(f);
        QCOMPARE(trail.size(), 1);
        QCOMPARE(trail[0].method, QStringLiteral("Confirma_Calculo"));
        QVERIFY(rowsIn(trail[0].before, "CTRLAPURFAT").isEmpty());
        QCOMPARE(values(rowsIn(trail[0].after, "CTRLAPURFAT"), "NRAPURACFAT"), QStringList{number});
        // Two services billed: one invoice line each.
        QCOMPARE(rowsIn(trail[0].after, "ITAPURFAT").size(), 2);
        // Both services' two days now carry the calculation; the rest of March is untouched.
        const QJsonArray days = rowsIn(trail[0].after, "EFETCDRS");
        QCOMPARE(days.size(), 4);
        QCOMPARE(values(days, "NRAPURACFAT"), QStringList(4, number));
    }

    // A recalculation records exactly the days whose calculation stamp it changed, "#" being
    // the calculation's number; a day it leaves as it was is not in the record.
    void aRecalculationRecordsTheDaysWhoseStampChanged_data() {
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("the same period")
            << QDate(2026, 3, 2) << QString() << QStringList() << QStringList();
        QTest::newRow("a day less") << QDate(2026, 3, 1) << QString()
                                    << QStringList({"00001 2026-03-02 #", "00002 2026-03-02 #"})
                                    << QStringList({"00001 2026-03-02 ", "00002 2026-03-02 "});
        QTest::newRow("a day more") << QDate(2026, 3, 3) << QString()
                                    << QStringList({"00001 2026-03-03 ", "00002 2026-03-03 "})
                                    << QStringList({"00001 2026-03-03 #", "00002 2026-03-03 #"});
        QTest::newRow("the same period, a day released meanwhile")
            << QDate(2026, 3, 2)
            << "UPDATE EFETCDRS SET NRAPURACFAT = NULL WHERE CDSERVFILI = '00002' AND "
               "DTEFETCDRS = '2026-03-02'"
            << QStringList{"00002 2026-03-02 "} << QStringList{"00002 2026-03-02 #"};
    }

    void aRecalculationRecordsTheDaysWhoseStampChanged() {
        QFETCH(QDate, to);
        QFETCH(QString, meanwhile);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        Fixture f;
        f.standardWorld();
        QVariantList args = earlyMarchCalculation();
        QVERIFY(ok(f.call(f.db(), "Confirma_Calculo", args)));
        const QString number = args.at(4).toString();
        if (!meanwhile.isEmpty())
            f.db().exec(meanwhile);
        args[3] = dateTimeOf(to);
        QVERIFY(ok(f.call(f.db(), "Confirma_Calculo", args)));
        QCOMPARE(args.at(4).toString(), number);

        const auto days = [&](const QString& side) {
            QStringList out;
            for (const QJsonValue& v : rowsIn(side, "EFETCDRS")) {
                const QJsonObject row = v.toObject();
                out << QStringList{row.value("CDSERVFILI").toString(),
                                   row.value("DTEFETCDRS").toString(),
                                   row.value("NRAPURACFAT").toString()}
                           .join(' ');
            }
            return out;
        };
        // The first record is the first calculation's; a recalculation that changed nothing
        // at all leaves none.
        QStringList gone, came;
        for (const server::AuditEntry& e : entries(f).mid(1)) {
            gone << days(e.before);
            came << days(e.after);
        }
        QCOMPARE(gone, before.replaceInStrings("#", number));
        QCOMPARE(came, after.replaceInStrings("#", number));
    }

    void aRefusedWriteLeavesNoRecordAndNoChange_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        ShareRow tooMuch;
        tooMuch.quantity = -5;
        QTest::newRow("SetRateio with a bad row")
            << "SetRateio" << QVariantList{changePacket({insertOf(ShareRow()), insertOf(tooMuch)})};
        QTest::newRow("SetEfetivos with a bad NF")
            << "SetEfetivos"
            << QVariantList{
                   "C1",    B1,   dateTimeOf(QDate(2026, 3, 1)), dateTimeOf(QDate(2026, 3, 3)),
                   "00002", "100"};
        QTest::newRow("Confirma_Calculo of nothing billed")
            << "Confirma_Calculo"
            << QVariantList{
                   B1,        "C2", dateTimeOf(QDate(2026, 3, 1)), dateTimeOf(QDate(2026, 3, 2)),
                   QString(), B1};
    }

    // What a record says of a value is what was stored: text of any kind whole, NULL apart
    // from empty text, numbers and days as they were.
    void eachValueIsWrittenAsStored_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QJsonValue>("written");
        const QString awkward = QStringLiteral("aspas \" barra \\ tab\t linha\n\r nul") + QChar(0) +
                                QStringLiteral("\x1f fim: ção €") + QChar(0xd83d) + QChar(0xde00);
        QTest::newRow("awkward text") << QVariant(awkward) << QJsonValue(awkward);
        QTest::newRow("empty text") << QVariant(QString("")) << QJsonValue(QString(""));
        QTest::newRow("NULL") << QVariant(QMetaType(QMetaType::QString)) << QJsonValue();
        QTest::newRow("integer") << QVariant(qint64(-1234567890123))
                                 << QJsonValue(-1234567890123.0);
        QTest::newRow("whole double") << QVariant(42.0) << QJsonValue(42);
        QTest::newRow("fraction") << QVariant(0.1) << QJsonValue(0.1);
        QTest::newRow("large") << QVariant(1e300) << QJsonValue(1e300);
        QTest::newRow("day") << QVariant(QDate(2026, 3, 2)) << QJsonValue("2026-03-02");
        QTest::newRow("moment") << QVariant(QDateTime(QDate(2026, 3, 2), QTime(10, 5), Qt::UTC))
                                << QJsonValue("2026-03-02T10:05:00Z");
        QTest::newRow("bool") << QVariant(true) << QJsonValue(true);
    }

    void eachValueIsWrittenAsStored() {
        QFETCH(QVariant, stored);
        QFETCH(QJsonValue, written);
        const server::AuditSide side{
            {"B", {{"K", "V"}, {{1, stored}, {2, QString("b")}}}},
            {"A", {{"X"}, {{stored}}}},
        };
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(server::auditJson(side).toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonObject tables = doc.object();
        QCOMPARE(tables.keys(), QStringList({"A", "B"}));
        QCOMPARE(tables.value("A").toArray().at(0).toObject().value("X"), written);
        const QJsonArray rows = tables.value("B").toArray();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).toObject().value("V"), written);
        QCOMPARE(rows.at(1).toObject().value("V"), QJsonValue("b"));
        QCOMPARE(rows.at(1).toObject().value("K"), QJsonValue(2));
    }

    void aRefusedWriteLeavesNoRecordAndNoChange() {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        Fixture f;
        f.standardWorld();
        const int shares = f.count("SELECT count(*) FROM EFETRATCDRS");
        QVERIFY(!ok(f.call(method, args)));
        QCOMPARE(f.count("SELECT count(*) FROM AUDITORIA"), 0);
        QCOMPARE(f.count("SELECT count(*) FROM EFETRATCDRS"), shares);
        QCOMPARE(f.count("SELECT count(*) FROM CTRLAPURFAT"), 0);
        QCOMPARE(f.value("SELECT NRAGRUEFET FROM SERVCLIE WHERE CDCLIENTE = 'C1' AND "
                         "CDSERVFILI = '00002'")
                     .toString(),
                 QStringLiteral("001"));
    }

    void theTrailCannotBeRewritten() {
        Fixture f;
        f.standardWorld();
        QVERIFY(ok(f.call("SetRateio", {changePacket({insertOf(ShareRow())})})));
        QSqlQuery q(f.db().connection());
        QVERIFY(!q.exec("UPDATE AUDITORIA SET NMLOGIN = 'outro'"));
        QVERIFY(!q.exec("DELETE FROM AUDITORIA"));
        QCOMPARE(f.count("SELECT count(*) FROM AUDITORIA WHERE NMLOGIN = '(interno)'"), 1);
    }

    void anOlderDatabaseGetsTheNewTablesOnOpening_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QStringList>("missing");
        const QStringList ownership{"CHAVEGRAVACAO", "RELAPURDONO"};
        QTest::newRow("first version: no users, trail, owners or keys")
            << 1 << QStringList{"AUDITORIA", "USUFILIAL", "USUARIO"} + ownership;
        QTest::newRow("second version: no owners or keys") << 2 << ownership;
    }

    void anOlderDatabaseGetsTheNewTablesOnOpening() {
        QFETCH(int, version);
        QFETCH(QStringList, missing);
        TestDatabase old;
        {
            server::Database first(old.address(), server::Database::Mode::CreateIfMissing, version);
            first.exec("INSERT INTO FILIAL VALUES ('0001', 'Matriz', '2026-03-10')");
            QCOMPARE(first.backend().heldVersion(first), version);
        }
        server::Database reopened(old.address(), server::Database::Mode::OpenExisting);
        QCOMPARE(reopened.versionFound(), version);
        QCOMPARE(reopened.backend().heldVersion(reopened), server::currentSchemaVersion());
        QCOMPARE(reopened.scalar("SELECT count(*) FROM FILIAL").toInt(), 1);
        for (const QString& table : missing)
            QVERIFY2(!reopened.scalar("SELECT count(*) FROM " + table).isNull(), qPrintable(table));
    }
};

QTEST_GUILESS_MAIN(TestAudit)
#include "tst_audit.moc"
