// The database connection: its settings, which files it accepts, its statements and
// transactions, and what a server killed inside a transaction leaves behind.

#include "fixture.h"

#include "contracts/host_framework.h"

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <thread>

namespace {

// Every row of every table, in a stable order: the whole content of the database.
QString snapshot(server::Database& db) {
    QStringList tables;
    {
        QSqlQuery q(db.connection());
        q.exec(QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name"));
        while (q.next())
            tables << q.value(0).toString();
    }
    QString out;
    for (const QString& table : tables) {
        QSqlQuery q(db.connection());
        q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
        out += table + QLatin1Char('\n');
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << (q.isNull(i) ? QStringLiteral("∅") : q.value(i).toString());
            out += values.join(QLatin1Char('|')) + QLatin1Char('\n');
        }
    }
    return out;
}

QString refusalOf(const QString& path, server::Database::Mode mode) {
    try {
        server::Database db(path, mode);
    } catch (const EDatabaseError& e) {
        return e.message();
    }
    return {};
}

void calculationWorld(Fixture& f) {
    f.standardWorld();
    f.addShare("0001", "C1", "00002", QDate(2026, 3, 2), "0001", 60);
    f.addShare("0001", "C1", "00002", QDate(2026, 3, 2), "0002", 40);
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private slots:
    void connectionSettings() {
        Fixture f;
        QCOMPARE(f.value("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
        QCOMPARE(f.value("PRAGMA synchronous").toInt(), 2); // FULL
        QCOMPARE(f.value("PRAGMA foreign_keys").toInt(), 1);
        QCOMPARE(f.value("PRAGMA busy_timeout").toInt(), 5000);
        // The schema itself refuses what the rules refuse.
        f.standardWorld();
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 f.addShare("0001", "C1", "00002", QDate(2026, 3, 2), "0001", 0));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 f.db().exec("INSERT INTO EFETRATCDRS VALUES ('0001', 'C1', "
                                             "'00002', '2026-04-02', '0001', 5, 'ALMO', '', '', "
                                             "20)"));
    }

    void onlyThisSystemsDatabasesAreOpened() {
        QTemporaryDir dir;
        const QString missing = dir.filePath("missing.db");
        QVERIFY(refusalOf(missing, server::Database::Mode::OpenExisting)
                    .contains(QStringLiteral("não encontrado")));
        QVERIFY(!QFile::exists(missing));

        const QString empty = dir.filePath("empty.db");
        QFile(empty).open(QIODevice::WriteOnly);
        QVERIFY(refusalOf(empty, server::Database::Mode::OpenExisting)
                    .contains(QStringLiteral("vazio")));
        QVERIFY(refusalOf(empty, server::Database::Mode::CreateIfMissing).isEmpty());
        QVERIFY(refusalOf(empty, server::Database::Mode::OpenExisting).isEmpty());

        const QString foreign = dir.filePath("foreign.db");
        {
            server::Database db(dir.filePath("scratch.db"),
                                server::Database::Mode::CreateIfMissing);
        }
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "foreign");
            other.setDatabaseName(foreign);
            other.open();
            QSqlQuery(other).exec("CREATE TABLE notas (texto TEXT)");
            other.close();
        }
        QSqlDatabase::removeDatabase("foreign");
        QVERIFY(refusalOf(foreign, server::Database::Mode::CreateIfMissing)
                    .contains(QStringLiteral("não é um banco de dados deste sistema")));

        const QString text = dir.filePath("text.db");
        QFile file(text);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(4096, 'x'));
        file.close();
        QVERIFY(!refusalOf(text, server::Database::Mode::CreateIfMissing).isEmpty());

        {
            server::Database db(dir.filePath("scratch.db"), server::Database::Mode::OpenExisting);
            db.execOnce("PRAGMA user_version = 99");
        }
        QVERIFY(refusalOf(dir.filePath("scratch.db"), server::Database::Mode::OpenExisting)
                    .contains(QStringLiteral("versão 99")));
    }

    void aStatementCanRunWhileItsOwnRowsAreRead() {
        Fixture f;
        f.standardWorld();
        const QString sql = QStringLiteral("SELECT CDCLIENTE FROM CLIENTE WHERE CDCLIENTE >= ? "
                                           "ORDER BY CDCLIENTE");
        QStringList pairs;
        server::Rows outer = f.db().select(sql, {QStringLiteral("C1")});
        while (outer.next())
            pairs << outer.text(0) + f.db().scalar(sql, {QStringLiteral("C3")}).toString();
        QCOMPARE(pairs, QStringList({"C1C3", "C2C3", "C3C3", "C4C3"}));
    }

    void aTransactionRollsBackUnlessCommitted() {
        Fixture f;
        f.standardWorld();
        try {
            server::Transaction tx(f.db());
            f.db().exec("DELETE FROM EFETCDRS");
            throw Exception(QStringLiteral("falha no meio"));
        } catch (const Exception&) {
        }
        QCOMPARE(f.count("SELECT count(*) FROM EFETCDRS"), 31 * 2 + 28);
    }

    void aWriterWaitsForAnotherInsteadOfFailing() {
        Fixture f;
        f.standardWorld();
        auto other = f.open();
        server::Transaction held(*other);
        other->exec("UPDATE FILIAL SET NMFILIAL = 'ocupada'");
        std::thread release([&] {
            QThread::msleep(300);
            held.commit();
        });
        QElapsedTimer timer;
        timer.start();
        const QString number = f.call("GetPrxRelApurFat", {QStringLiteral("0001")}).toString();
        release.join();
        QCOMPARE(number, QStringLiteral("0001000001"));
        QVERIFY(timer.elapsed() >= 250);
        QCOMPARE(f.value("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = '0001'").toString(),
                 QStringLiteral("ocupada"));
    }

    void aServerKilledInsideATransactionLeavesTheDatabaseAsBefore_data() {
        QTest::addColumn<QString>("scenario");
        QTest::newRow("calculation") << "calculation";
        QTest::newRow("apportionment") << "apportionment";
    }

    void aServerKilledInsideATransactionLeavesTheDatabaseAsBefore() {
        QFETCH(QString, scenario);
        Fixture f;
        calculationWorld(f);
        const QString before = snapshot(f.db());

        QProcess helper;
        helper.start(QStringLiteral(CRASH_HELPER), {f.path(), scenario});
        QVERIFY(helper.waitForStarted());
        QVERIFY(helper.waitForReadyRead(20000));
        QCOMPARE(helper.readLine(), QByteArray("paused\n"));
        helper.kill();
        QVERIFY(helper.waitForFinished());

        QCOMPARE(f.value("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        QCOMPARE(snapshot(f.db()), before);
        // Nothing of the killed transaction holds the database: the same write now succeeds.
        if (scenario == QLatin1String("calculation")) {
            QVariantList args{QStringLiteral("0001"),
                              QStringLiteral("C1"),
                              QDate(2026, 3, 1),
                              QDate(2026, 3, 3),
                              QString(),
                              QStringLiteral("0001")};
            QVERIFY(ok(f.call(f.db(), "Confirma_Calculo", args)));
            QCOMPARE(args.at(4).toString(), QStringLiteral("0000000001"));
        } else {
            ShareRow first;
            first.quantity = 60.0;
            QVERIFY(ok(f.call("SetRateio", {changePacket({deleteOf(first)})})));
        }
        // And a fresh connection, as a restarted server would open, reads the same.
        auto reopened = f.open();
        QCOMPARE(snapshot(*reopened), snapshot(f.db()));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
