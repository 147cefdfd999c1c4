// The host's reads of the suite database: the processing date of a branch (DataProc) and
// the branch names, through the shared connection.

#include "contracts/host_framework.h"
#include "framework/components/db_geral.h"
#include "framework/data/field_type.h"
#include "framework/session.h"
#include "host/suite_database.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A suite database with branches in every state the processing date can be in.
void writeSuiteDatabase(const QString& path) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE FILIAL (CDFILIAL TEXT PRIMARY KEY, NMFILIAL TEXT, "
                       "DTPROC TEXT)"));
        QVERIFY(q.exec("INSERT INTO FILIAL VALUES "
                       "('0003', 'Cozinha Sul', NULL), "
                       "('0001', 'Restaurante Central', '2026-03-31'), "
                       "('0004', 'Refeitório Leste', ''), "
                       "('0005', 'Filial com hora', '2026-04-01 00:00:00'), "
                       "('0006', 'Filial sem data', 'ontem'), "
                       "('0007', 'Filial data impossível', '2026-02-31')"));
    }
    QSqlDatabase::removeDatabase("writer");
}

QString errorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const EDatabaseError& e) {
        return e.message();
    } catch (const Exception& e) {
        return QStringLiteral("(not a database error) ") + e.message();
    }
    return {};
}

} // namespace

class TstSuiteDatabase : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { dtmDBGeral::Close(); }

    void processingDateIsTheBranchesDate();
    void branchWithoutADateOrMissingIsToday_data();
    void branchWithoutADateOrMissingIsToday();
    void storedTextThatIsNoDateIsAnError_data();
    void storedTextThatIsNoDateIsAnError();
    void unreadableDatabaseIsAnErrorNotToday();
    void branchNames();
    void missingDatabaseFileIsRefusedAndNotCreated();

private:
    QTemporaryDir m_dir;
};

void TstSuiteDatabase::init() {
    const QString path = m_dir.filePath("suite.sqlite");
    if (!QFile::exists(path))
        writeSuiteDatabase(path);
    openSuiteDatabase("QSQLITE", path);
    hostSession() = HostSession();
    hostSession().dataProc = suiteProcessingDate;
}

void TstSuiteDatabase::processingDateIsTheBranchesDate() {
    QCOMPARE(suiteProcessingDate("0001"), dateTimeOf(QDate(2026, 3, 31)));
    QCOMPARE(DataProc("0001"), dateTimeOf(QDate(2026, 3, 31)));
    // A day and time stored in the column is that day.
    QCOMPARE(DataProc("0005"), dateTimeOf(QDate(2026, 4, 1)));
}

void TstSuiteDatabase::branchWithoutADateOrMissingIsToday_data() {
    QTest::addColumn<QString>("branch");
    QTest::newRow("null date") << "0003";
    QTest::newRow("empty date") << "0004";
    QTest::newRow("branch not in the table") << "9999";
}

void TstSuiteDatabase::branchWithoutADateOrMissingIsToday() {
    QFETCH(QString, branch);
    QCOMPARE(suiteProcessingDate(branch), dateTimeOf(QDate::currentDate()));
    QCOMPARE(DataProc(branch), dateTimeOf(QDate::currentDate()));
}

void TstSuiteDatabase::storedTextThatIsNoDateIsAnError_data() {
    QTest::addColumn<QString>("branch");
    QTest::newRow("a word") << "0006";
    QTest::newRow("an impossible day") << "0007";
}

void TstSuiteDatabase::storedTextThatIsNoDateIsAnError() {
    QFETCH(QString, branch);
    const QString error = errorOf([&] { DataProc(branch); });
    QVERIFY2(error.contains(branch) && error.contains("não é uma data válida"), qPrintable(error));
}

void TstSuiteDatabase::unreadableDatabaseIsAnErrorNotToday() {
    dtmDBGeral::Close();
    QVERIFY2(errorOf([] { DataProc("0001"); }).contains("não está aberto"), "closed connection");

    // A database without the branch table.
    const QString other = m_dir.filePath("other.sqlite");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
        db.setDatabaseName(other);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec("CREATE TABLE OUTRA (X TEXT)"));
    }
    QSqlDatabase::removeDatabase("writer");
    openSuiteDatabase("QSQLITE", other);
    const QString error = errorOf([] { DataProc("0001"); });
    QVERIFY2(error.startsWith("Falha na consulta de filiais"), qPrintable(error));
}

void TstSuiteDatabase::branchNames() {
    QCOMPARE(suiteBranchName("0004"), QStringLiteral("Refeitório Leste"));
    QCOMPARE(suiteBranchName("9999"), QString());
}

void TstSuiteDatabase::missingDatabaseFileIsRefusedAndNotCreated() {
    const QString missing = m_dir.filePath("missing.sqlite");
    QString error;
    try {
        openSuiteDatabase("QSQLITE", missing);
    } catch (const Exception& e) {
        error = e.message();
    }
    QVERIFY2(error.contains(missing) && error.contains("não existe"), qPrintable(error));
    QVERIFY(!QFile::exists(missing));
}

QTEST_GUILESS_MAIN(TstSuiteDatabase)
#include "tst_suite_database.moc"
