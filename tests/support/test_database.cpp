#include "test_database.h"

#include "framework/net/database_uri.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>

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

// Runs statements on a database of the server, for making and dropping what the tests use.
bool administer(const QString& uri, const QStringList& statements) {
    const QString name = QStringLiteral("apurfat-test-admin");
    bool done = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        parsePostgresUri(uri).applyTo(
            db, {{QStringLiteral("options"), QStringLiteral("-c client_min_messages=error")}});
        if (!db.open())
            qFatal("PostgreSQL for the tests: %s", qPrintable(db.lastError().text()));
        for (const QString& sql : statements) {
            QSqlQuery query(db);
            if (!query.exec(sql)) {
                qWarning("PostgreSQL for the tests: %s: %s", qPrintable(sql),
                         qPrintable(query.lastError().text()));
                done = false;
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

// The URI of database `database` on `server`, with `schema` first in the search path.
QString uriOf(const QString& server, const QString& database, const QString& schema) {
    QUrl url(server);
    url.setPath(QLatin1Char('/') + database);
    QUrlQuery query(url);
    query.addQueryItem(QStringLiteral("options"), QStringLiteral("-c search_path=") + schema);
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

// One database per test program and server, made on first use and dropped when the program
// ends; each test gets a schema of its own in it, which is much quicker to make and drop
// than a database.
QString programDatabase(const QString& server) {
    static QString made;
    if (made.isEmpty()) {
        made = QStringLiteral("apurfat_test_%1").arg(QCoreApplication::applicationPid());
        if (!administer(server, {QStringLiteral("CREATE DATABASE %1").arg(made)}))
            qFatal("could not make the test database %s", qPrintable(made));
        static QString dropFrom;
        dropFrom = server;
        // FORCE: a server of a test that is still on its way out must not keep it.
        qAddPostRoutine([] {
            administer(dropFrom,
                       {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(made)});
        });
    }
    return made;
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
    static QAtomicInt counter;
    m_name = QStringLiteral("teste%1").arg(counter.fetchAndAddRelaxed(1));
    const QString database = programDatabase(m_server);
    m_address = uriOf(m_server, database, m_name);
    if (!administer(m_address, {QStringLiteral("CREATE SCHEMA %1").arg(m_name)}))
        qFatal("could not make the test schema %s", qPrintable(m_name));
}

TestDatabase::~TestDatabase() {
    if (onPostgres())
        administer(m_address, {QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_name)});
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
