// The multi-dialect query on a real SQLite file: the branch query's text with a code, with
// a cleared parameter and with an empty text; declared fields; the text chosen per driver;
// failures; and NVL surviving a reconnect.

#include "contracts/host_framework.h"
#include "framework/components/db_geral.h"
#include "framework/components/query.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The screen's branch query, with its declared fields.
struct BranchQuery {
    TADOIBQuery q{"qryFilial"};
    BranchQuery() {
        q.SQL_ORACLE = QStringList{"SELECT",
                                   "   CDFILIAL,",
                                   "   NMFILIAL",
                                   "FROM",
                                   "   FILIAL",
                                   "WHERE",
                                   "   (CDFILIAL = NVL(:P_CDFILIAL,CDFILIAL))",
                                   "ORDER BY",
                                   "   CDFILIAL"};
        q.Query().AddField("CDFILIAL", ftString, 4).SetDisplayLabel("Código");
        q.Query().AddField("NMFILIAL", ftString, 30).SetDisplayLabel("Nome");
    }
    QStringList open() {
        q.Close();
        q.Open();
        QStringList out;
        for (q.Query().First(); !q.Query().Eof(); q.Query().Next())
            out << q.Query().FieldByName("CDFILIAL").AsString();
        return out;
    }
};

} // namespace

class TstQuery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { dtmDBGeral::Close(); }
    void aCodeOrANullParameterSelects();
    void columnsFillTheDeclaredFieldsByName();
    void theTextFollowsTheDriver();
    void failuresRaiseDatabaseErrors();
    void nvlIsThereAgainAfterAReconnect();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TstQuery::init() {
    m_file = m_dir.filePath(QString("suite-%1.db").arg(QTest::currentTestFunction()));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "setup");
        db.setDatabaseName(m_file);
        QVERIFY(db.open());
        QSqlQuery sql(db);
        QVERIFY(sql.exec("CREATE TABLE FILIAL(CDFILIAL TEXT PRIMARY KEY, NMFILIAL TEXT, "
                         "DTPROC TEXT)"));
        QVERIFY(sql.exec("INSERT INTO FILIAL VALUES('0002','Filial Centro','2026-03-01'),"
                         "('0001','Filial Matriz',NULL),('0003','Filial Porto','2026-02-27')"));
    }
    QSqlDatabase::removeDatabase("setup");
    QVERIFY(dtmDBGeral::Open("QSQLITE", m_file));
}

void TstQuery::aCodeOrANullParameterSelects() {
    BranchQuery b;
    QCOMPARE(b.open(), (QStringList{"0001", "0002", "0003"})); // never set: null
    b.q.ParamByName("P_CDFILIAL").SetAsString("0002");
    QCOMPARE(b.open(), QStringList{"0002"});
    QCOMPARE(b.q.Query().FieldByName("NMFILIAL").AsString(), QString("Filial Centro"));
    b.q.ParamByName("p_cdfilial").SetAsString("9999"); // the same parameter, case aside
    QCOMPARE(b.open(), QStringList());
    QVERIFY(b.q.Active() && b.q.IsEmpty());
    b.q.ParamByName("P_CDFILIAL").Clear();
    QVERIFY(b.q.ParamByName("P_CDFILIAL").IsNull());
    QCOMPARE(b.open(), (QStringList{"0001", "0002", "0003"}));

    // An empty code is a text: it selects no branch, where null would select them all.
    for (const QString& empty : {QString(), QString("")}) {
        b.q.ParamByName("P_CDFILIAL").SetAsString(empty);
        QCOMPARE(b.open(), QStringList());
    }
}

void TstQuery::columnsFillTheDeclaredFieldsByName() {
    TADOIBQuery q("qryDatas");
    q.SQL_ORACLE = QStringList{"SELECT dtproc, nmfilial, cdfilial FROM FILIAL ORDER BY 3"};
    q.Query().AddField("CDFILIAL", ftString, 4);
    q.Query().AddField("DTPROC", ftDateTime);
    q.Open();
    QCOMPARE(q.Query().FieldCount(), 2);
    QCOMPARE(q.Query().FieldByName("CDFILIAL").AsString(), QString("0001"));
    QVERIFY(q.Query().FieldByName("DTPROC").IsNull());
    q.Query().Next();
    QCOMPARE(q.Query().FieldByName("DTPROC").AsDateTime().date(), QDate(2026, 3, 1));

    TADOIBQuery loose; // without declared fields: the result's columns
    loose.SQL = QStringList{"SELECT COUNT(*) AS TOTAL FROM FILIAL"};
    loose.Open();
    QCOMPARE(loose.Query().FieldByName("TOTAL").AsInteger(), 3);
}

void TstQuery::theTextFollowsTheDriver() {
    TADOIBQuery q;
    q.SQL = {"default"};
    q.SQL_ORACLE = {"oracle"};
    q.SQL_MSSQL = {"mssql"};
    QStringList chosen;
    for (const char* driver : {"QOCI", "QSQLITE", "QODBC", "QTDS", "QIBASE", "QPSQL"})
        chosen << q.TextFor(driver);
    // SQL_IB is empty here: the default text stands in.
    QCOMPARE(chosen, (QStringList{"oracle", "oracle", "mssql", "mssql", "default", "default"}));
}

void TstQuery::failuresRaiseDatabaseErrors() {
    TADOIBQuery broken("qryFilial");
    broken.SQL_ORACLE = {"SELECT CDFILIAL FROM NAO_EXISTE"};
    try {
        broken.Open();
        QFAIL("a query on a missing table opened");
    } catch (const EDatabaseError& e) {
        // Names the query and carries the driver's text.
        QVERIFY2(e.message().contains("qryFilial") && e.message().contains("NAO_EXISTE"),
                 qPrintable(e.message()));
    }
    QVERIFY(!broken.Active());

    BranchQuery b;
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, b.q.ParamByName("P_OUTRO"));
    b.q.Query().AddField("DSNAOHA", ftString, 10);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, b.q.Open());
    dtmDBGeral::Close();
    BranchQuery closed;
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, closed.q.Open());
}

void TstQuery::nvlIsThereAgainAfterAReconnect() {
    for (int i = 0; i < 3; ++i) {
        BranchQuery b;
        b.q.ParamByName("P_CDFILIAL").SetAsString("0003");
        QCOMPARE(b.open(), QStringList{"0003"});
        dtmDBGeral::Close();
        QVERIFY(dtmDBGeral::Open("QSQLITE", m_file));
    }
}

QTEST_GUILESS_MAIN(TstQuery)
#include "tst_query.moc"
