// The database connection on either back end: its settings, which databases it accepts, the
// schema's own checks, its statements and transactions, schema changes, and what a server
// killed inside a transaction leaves behind.

#include "error_of.h"
#include "fixture.h"

#include "contracts/host_framework.h"
#include "framework/net/database_uri.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <thread>

namespace {

// Every row of every table, in a stable order: the whole content of the database.
QString snapshot(server::Database& db) {
    QStringList tables = db.connection().tables();
    tables.sort(Qt::CaseInsensitive);
    QString out;
    for (const QString& table : std::as_const(tables)) {
        QSqlQuery q(db.connection());
        q.exec(QStringLiteral("SELECT * FROM %1").arg(table));
        QStringList rows;
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << (q.isNull(i) ? QStringLiteral("∅") : q.value(i).toString());
            rows << values.join(QLatin1Char('|'));
        }
        rows.sort();
        out += table.toUpper() + QLatin1Char('\n') + rows.join(QLatin1Char('\n'));
    }
    return out;
}

QString refusalOf(const QString& address, server::Database::Mode mode) {
    try {
        server::Database db(address, mode);
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

QVariant show(Fixture& f, const char* setting) {
    return f.value(QStringLiteral("SELECT current_setting('%1')").arg(QLatin1String(setting)));
}

// PostgreSQL: the backend that waits for the advisory lock `key`, once one does.
int backendWaitingFor(Fixture& f, int key) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        const QVariant pid = f.value("SELECT pid FROM pg_locks WHERE locktype = 'advisory' AND "
                                     "objid = ? AND NOT granted",
                                     {key});
        if (!pid.isNull())
            return pid.toInt();
        QTest::qWait(20);
    }
    return 0;
}

} // namespace

class TestDatabaseLayer : public QObject {
    Q_OBJECT

private slots:
    void connectionSettings() {
        Fixture f;
        if (f.onPostgres()) {
            QCOMPARE(show(f, "lock_timeout").toString(), QStringLiteral("5s"));
            QCOMPARE(show(f, "idle_in_transaction_session_timeout").toString(),
                     QStringLiteral("1min"));
            server::Transaction tx(f.db());
            QCOMPARE(f.db().scalar("SELECT current_setting('transaction_isolation')").toString(),
                     QStringLiteral("serializable"));
        } else {
            QCOMPARE(f.value("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
            QCOMPARE(f.value("PRAGMA synchronous").toInt(), 2); // FULL
            QCOMPARE(f.value("PRAGMA foreign_keys").toInt(), 1);
            QCOMPARE(f.value("PRAGMA busy_timeout").toInt(), 5000);
        }
    }

    // One schema, the same checks on every back end.
    void theSchemaRefusesWhatTheRulesRefuse_data() {
        QTest::addColumn<QString>("statement");
        QTest::newRow("share of nothing") << "UPDATE EFETRATCDRS SET QTDERATEIO = 0";
        QTest::newRow("share of a day never billed")
            << "INSERT INTO EFETRATCDRS VALUES ('0001', 'C1', '00002', '2026-04-02', '0002', 5, "
               "'ALMO', '', '', 20)";
        QTest::newRow("NF 100") << "UPDATE EFETRATCDRS SET NRAGREFRAT = '100'";
        QTest::newRow("NF of letters") << "UPDATE SERVCLIE SET NRAGRUEFET = 'a01'";
        QTest::newRow("sequence 0000") << "UPDATE EFETRATCDRS SET NRSEQITRAT = '0000'";
        QTest::newRow("sequence of 5") << "UPDATE EFETRATCDRS SET NRSEQITRAT = '00001'";
        QTest::newRow("registration with a dot")
            << "UPDATE CLIENTE SET NRINSJURCLIE = '1122.333' WHERE CDCLIENTE = 'C1'";
        QTest::newRow("person type") << "UPDATE CLIENTE SET IDTPIJURCLIE = 'X'";
        QTest::newRow("impossible day") << "UPDATE FILIAL SET DTPROC = '2026-02-30'";
        QTest::newRow("period backwards")
            << "INSERT INTO CTRLAPURFAT VALUES ('0001', '9', 'C1', '2026-03-02', '2026-03-01', "
               "'N', '2026-03-01T00:00:00Z', '0001')";
        QTest::newRow("branch code of 3") << "UPDATE FILIAL SET CDFILIAL = '001'";
        QTest::newRow("negative count") << "UPDATE EFETCDRS SET QTCOMECDRS = -1";
        QTest::newRow("trail rewritten") << "UPDATE AUDITORIA SET NMLOGIN = 'outro'";
        QTest::newRow("trail erased") << "DELETE FROM AUDITORIA";
    }

    void theSchemaRefusesWhatTheRulesRefuse() {
        QFETCH(QString, statement);
        Fixture f;
        f.standardWorld();
        f.addShare("0001", "C1", "00002", QDate(2026, 3, 2), "0001", 60);
        QVERIFY(ok(f.call("SetEfetivos",
                          {"C1", "0001", QDate(2026, 3, 1), QDate(2026, 3, 1), "00002", "2"})));
        const QString before = snapshot(f.db());
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, f.db().exec(statement));
        QCOMPARE(snapshot(f.db()), before);
    }

    void onlyThisSystemsDatabasesAreOpened() {
        using Mode = server::Database::Mode;
        TestDatabase fresh, foreign, newer;
        if (fresh.onPostgres()) {
            QVERIFY(refusalOf(fresh.address(), Mode::OpenExisting).contains("está vazio"));
        } else {
            QVERIFY(refusalOf(fresh.address(), Mode::OpenExisting).contains("não encontrado"));
            QVERIFY(!QFile::exists(fresh.address()));
        }
        QVERIFY(refusalOf(fresh.address(), Mode::CreateIfMissing).isEmpty());
        QVERIFY(refusalOf(fresh.address(), Mode::OpenExisting).isEmpty());

        {
            QSqlDatabase other = foreign.connect("foreign");
            QVERIFY(QSqlQuery(other).exec("CREATE TABLE notas (texto TEXT)"));
            other.close();
        }
        QSqlDatabase::removeDatabase("foreign");
        QVERIFY(refusalOf(foreign.address(), Mode::CreateIfMissing)
                    .contains(QStringLiteral("não é um banco de dados deste sistema")));

        {
            server::Database db(newer.address(), Mode::CreateIfMissing);
            db.backend().recordVersion(db, 99);
        }
        QVERIFY(
            refusalOf(newer.address(), Mode::OpenExisting).contains(QStringLiteral("versão 99")));

        if (fresh.onPostgres()) {
            // Refused within seconds, whether the server or the database is missing.
            QElapsedTimer timer;
            timer.start();
            QVERIFY(refusalOf("postgresql://postgres@127.0.0.1:1/apurfat", Mode::OpenExisting)
                        .contains(QStringLiteral("Não foi possível conectar")));
            PostgresAddress missing = parsePostgresUri(fresh.address());
            missing.database = QStringLiteral("nao_existe");
            QVERIFY(refusalOf(missing.display(), Mode::CreateIfMissing).contains("nao_existe"));
            QVERIFY(timer.elapsed() < 10000);
        } else {
            const QString text = QDir(fresh.folder()).filePath("text.db");
            QFile file(text);
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray(4096, 'x'));
            file.close();
            QVERIFY(!refusalOf(text, Mode::CreateIfMissing).isEmpty());
        }
    }

    void anOlderSchemaIsBroughtUpToDateOnceWhoeverOpensIt() {
        TestDatabase old;
        {
            server::Database first(old.address(), server::Database::Mode::CreateIfMissing, 1);
            first.exec("INSERT INTO FILIAL VALUES ('0001', 'Matriz', '2026-03-10')");
        }
        // Two servers starting at once: one changes the schema, the other waits and finds
        // it done.
        std::unique_ptr<server::Database> opened[2];
        std::thread other([&] {
            opened[1] = std::make_unique<server::Database>(old.address(),
                                                           server::Database::Mode::OpenExisting);
        });
        opened[0] =
            std::make_unique<server::Database>(old.address(), server::Database::Mode::OpenExisting);
        other.join();
        for (auto& db : opened) {
            QCOMPARE(db->backend().heldVersion(*db), server::currentSchemaVersion());
            QCOMPARE(db->scalar("SELECT NMFILIAL FROM FILIAL").toString(),
                     QStringLiteral("Matriz"));
            QCOMPARE(db->scalar("SELECT count(*) FROM USUARIO").toInt(), 0);
        }
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

    // On SQLite the write waits for the file's lock; on PostgreSQL for the row, and then
    // runs again from the start, since what it read may have changed meanwhile.
    void aWriterWaitsForAnotherInsteadOfFailing() {
        Fixture f;
        f.standardWorld();
        auto other = f.open();
        server::Transaction held(*other);
        other->exec("UPDATE SERVCLIE SET NRAGRUEFET = '005' WHERE CDCLIENTE = 'C1' AND "
                    "CDSERVFILI = '00002'");
        std::thread release([&] {
            QThread::msleep(300);
            held.commit();
        });
        QElapsedTimer timer;
        timer.start();
        const QVariant saved = f.call(
            "SetEfetivos", {"C1", "0001", QDate(2026, 3, 1), QDate(2026, 3, 31), "00002", "7"});
        release.join();
        QVERIFY2(ok(saved), qPrintable(message(saved)));
        QVERIFY(timer.elapsed() >= 250);
        QCOMPARE(f.value("SELECT NRAGRUEFET FROM SERVCLIE WHERE CDCLIENTE = 'C1' AND "
                         "CDSERVFILI = '00002'")
                     .toString(),
                 QStringLiteral("007"));
    }

    // The reads of one call see one state of the database while another connection writes
    // (where the back end shares them a read transaction); a write the call then makes
    // begins after those reads, on what the other wrote, instead of failing on a stale view.
    void aCallReadsOneStateAndItsWriteBeginsOnTheLatest() {
        Fixture f;
        f.standardWorld();
        auto other = f.open();
        const QString nf = QStringLiteral("SELECT NRAGRUEFET FROM SERVCLIE WHERE CDCLIENTE = "
                                          "'C1' AND CDSERVFILI = '00002'");
        const server::CallSnapshot snapshot(f.db());
        const QString before = f.db().scalar(nf).toString();
        other->exec("UPDATE SERVCLIE SET NRAGRUEFET = '005' WHERE CDCLIENTE = 'C1' AND "
                    "CDSERVFILI = '00002'");
        QCOMPARE(f.db().scalar(nf).toString(),
                 f.db().backend().sharesCallSnapshot() ? before : QStringLiteral("005"));
        const QVariant saved = f.call(
            "SetEfetivos", {"C1", "0001", QDate(2026, 3, 1), QDate(2026, 3, 31), "00002", "7"});
        QVERIFY2(ok(saved), qPrintable(message(saved)));
        QCOMPARE(other->scalar(nf).toString(), QStringLiteral("007"));
        QCOMPARE(f.db().scalar(nf).toString(), QStringLiteral("007"));
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

        // On PostgreSQL the helper's write waits inside its transaction for a lock the test
        // holds (see crash_helper); on SQLite it stops itself there and says so.
        constexpr int kStop = 52000;
        if (f.onPostgres())
            f.value("SELECT pg_advisory_lock(?)", {kStop});
        QProcess helper;
        helper.start(QStringLiteral(CRASH_HELPER), {f.address(), scenario});
        QVERIFY(helper.waitForStarted());
        int backend = 0;
        if (f.onPostgres()) {
            QVERIFY((backend = backendWaitingFor(f, kStop)) != 0);
        } else {
            QVERIFY(helper.waitForReadyRead(20000));
            QCOMPARE(helper.readLine(), QByteArray("paused\n"));
        }
        helper.kill();
        QVERIFY(helper.waitForFinished());
        if (f.onPostgres()) {
            // The database finds its client gone once the statement under way ends, and
            // rolls the transaction back.
            f.value("SELECT pg_advisory_unlock(?)", {kStop});
            QTRY_VERIFY_WITH_TIMEOUT(
                f.value("SELECT 1 FROM pg_stat_activity WHERE pid = ?", {backend}).isNull(), 20000);
        } else {
            QCOMPARE(f.value("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        }
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

    // A restart of PostgreSQL ends every connection: the call under way is told, the next
    // one connects again.
    void aConnectionTheDatabaseDroppedIsMadeAgain() {
        Fixture f;
        if (!f.onPostgres())
            QSKIP("a SQLite file has no connection to lose");
        f.standardWorld();
        auto worker = f.open();
        const int backend = worker->scalar("SELECT pg_backend_pid()").toInt();
        f.value("SELECT pg_terminate_backend(?)", {backend});
        QVERIFY(errorOf([&] {
                    worker->scalar("SELECT count(*) FROM FILIAL");
                }).contains(QStringLiteral("foi perdida")));
        QCOMPARE(worker->scalar("SELECT count(*) FROM FILIAL").toInt(), 2);
        QVERIFY(worker->scalar("SELECT pg_backend_pid()").toInt() != backend);
    }
};

QTEST_GUILESS_MAIN(TestDatabaseLayer)
#include "tst_database.moc"
