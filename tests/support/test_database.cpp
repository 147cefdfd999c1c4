#include "test_database.h"

#include "framework/net/database_uri.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// The server the run names; empty for SQLite.
QString serverUri() {
    const QString given = qEnvironmentVariable("APURFAT_TEST_POSTGRESQL").trimmed();
    if (given.isEmpty() || isPostgresUri(given))
        return given;
    QFile file(given);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("APURFAT_TEST_POSTGRESQL names neither a URI nor a readable file: %s",
               qPrintable(given));
    return QString::fromUtf8(file.readLine()).trimmed();
}

// Runs a statement on the server's own database, for creating and dropping test databases.
void administer(const QString& server, const QString& sql) {
    const QString name = QStringLiteral("apurfat-test-admin");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        parsePostgresUri(server).applyTo(db);
        if (!db.open())
            qFatal("PostgreSQL for the tests: %s", qPrintable(db.lastError().text()));
        QSqlQuery query(db);
        if (!query.exec(sql))
            qFatal("PostgreSQL for the tests: %s: %s", qPrintable(sql),
                   qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

bool TestDatabase::postgresRequested() {
    return !serverUri().isEmpty();
}

TestDatabase::TestDatabase(const QString& fileName) : TestDatabase(fileName, serverUri()) {}

TestDatabase::TestDatabase(const QString& fileName, const QString& server) : m_server(server) {
    if (!m_dir.isValid())
        qFatal("no temporary folder");
    if (m_server.isEmpty()) {
        m_address = m_dir.filePath(fileName);
        return;
    }
    // Unique across the test programs that run at the same time.
    static QAtomicInt counter;
    m_name = QStringLiteral("apurfat_test_%1_%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(counter.fetchAndAddRelaxed(1));
    administer(m_server, QStringLiteral("CREATE DATABASE %1").arg(m_name));
    PostgresAddress address = parsePostgresUri(m_server);
    address.database = m_name;
    m_address = address.display();
}

TestDatabase::~TestDatabase() {
    // FORCE: a server of the test that is still on its way out must not keep it.
    if (onPostgres())
        administer(m_server, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
}

QSqlDatabase TestDatabase::connect(const QString& connectionName) const {
    QSqlDatabase db;
    if (onPostgres()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        parsePostgresUri(m_address).applyTo(db);
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(m_address);
    }
    if (!db.open())
        qFatal("test connection to %s: %s", qPrintable(m_address),
               qPrintable(db.lastError().text()));
    return db;
}
