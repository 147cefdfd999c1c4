#pragma once

// A fresh database per test case (a SQLite file, or a PostgreSQL database when the run asks
// for one: see test_database.h), with helpers that put a small world straight into the
// tables and call the methods as a client would.

#include "test_database.h"

#include "server/db/database.h"

#include <QDate>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <memory>

class Fixture {
public:
    Fixture();

    server::Database& db() { return *m_db; }
    // What --db takes for this database.
    const QString& address() const { return m_database.address(); }
    bool onPostgres() const { return m_database.onPostgres(); }
    // Another connection to the same database: another worker serving another clerk.
    std::unique_ptr<server::Database> open() const;

    void addBranch(const QString& code, QDate processing = QDate(2026, 3, 10));
    void addClient(const QString& code, const QString& type, const QString& registration,
                   const QString& name, bool active = true);
    void addService(const QString& branch, const QString& code, const QString& product);
    void addContract(const QString& branch, const QString& client, const QString& service,
                     const QString& nf, double price);
    // Billed days at the contract's price, NF and the service's product.
    void addDays(const QString& branch, const QString& client, const QString& service, QDate from,
                 QDate to, double count);
    void addShare(const QString& branch, const QString& client, const QString& service, QDate day,
                  const QString& sequence, double quantity, const QString& nf = {});
    void addCalculation(const QString& branch, const QString& number, const QString& client,
                        QDate from, QDate to, bool locked);

    // Branches 0001 and 0002; clients C1 "Beta Indústria" (J), C2 "Álvaro Souza" (F),
    // C3 inactive, C4 only at 0002; at 0001 C1 has services 00001 (10 a day, 6.50) and
    // 00002 (100 a day, 20.00, NF 001) every day of March 2026 and 00003 only in February.
    void standardWorld();

    // A user who may work on `branches` (the first is the processing branch), without a
    // password: for calls in process only.
    void addUser(const QString& login, const QStringList& branches, bool bound = false);

    // Calls a method in process, on this fixture's connection (or another), with every
    // right; or as a user, under the user's rights.
    QVariant call(const QString& method, QVariantList args);
    QVariant call(server::Database& db, const QString& method, QVariantList& args);
    QVariant callAs(const QString& login, const QString& method, QVariantList args);
    // Calls a write as the socket server does when the call carries `key`, on `db`; the
    // by-reference arguments come back in `args`. Raises what the socket server answers
    // with a protocol error.
    QVariant callWithKey(server::Database& db, const QString& login, const QString& method,
                         QVariantList& args, const QString& key);
    int count(const QString& sql, const QVariantList& params = {});
    QVariant value(const QString& sql, const QVariantList& params = {});

private:
    // Groups the fixture's own inserts in one transaction: one commit, one sync to disk.
    class Batch {
    public:
        explicit Batch(Fixture& f);
        ~Batch();

    private:
        Fixture& m_f;
    };

    TestDatabase m_database;
    std::unique_ptr<server::Database> m_db;
    int m_batchDepth = 0;
};

// Counts the SQL statements a connection runs while it lives.
class StatementCounter {
public:
    explicit StatementCounter(server::Database& db) : m_db(db), m_start(db.statementCount()) {}
    qint64 count() const { return m_db.statementCount() - m_start; }

private:
    server::Database& m_db;
    qint64 m_start;
};

// An envelope's parts.
bool ok(const QVariant& envelope);
QString message(const QVariant& envelope);
QVariant payload(const QVariant& envelope);

// The rows of a data packet as maps by field name, and its field list as "NAME:type:size".
QList<QVariantMap> rowsOf(const QVariant& packet);
QStringList fieldsOf(const QVariant& packet);

// The change packet of apportionment rows, in the client data set's field order.
struct ShareRow {
    QString branch = QStringLiteral("0001"), service = QStringLiteral("00002");
    QDate day = QDate(2026, 3, 2);
    QString client = QStringLiteral("C1"), sequence = QStringLiteral("0001");
    QVariant quantity = 50.0;
    QString product = QStringLiteral("ALMO"), nf, note;
    QVariant price = 20.0;
    QVariantList values() const;
};
QVariantMap insertOf(const ShareRow& row);
QVariantMap updateOf(const ShareRow& before, const ShareRow& after);
QVariantMap deleteOf(const ShareRow& row);
// A packet of branch codes (CDFILIAL), as a screen sends the branches it works on.
QVariantMap branchList(const QStringList& codes);
// The packet the client data set sends: its fields, then the changes in order.
QVariantMap changePacket(const QList<QVariantMap>& changes);
