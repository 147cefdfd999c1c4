#include "fixture.h"

#include "framework/data/field_type.h"
#include "framework/data/packet.h"
#include "framework/net/wire_codec.h"
#include "framework/net/write_key.h"
#include "server/auth/caller.h"
#include "server/auth/users.h"
#include "server/methods/local_app_server.h"
#include "server/methods/method_table.h"
#include "server/methods/write_keys.h"

#include <QJsonArray>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

Fixture::Fixture() {
    m_db = std::make_unique<server::Database>(address(), server::Database::Mode::CreateIfMissing);
}

Fixture::Batch::Batch(Fixture& f) : m_f(f) {
    if (m_f.m_batchDepth++ == 0)
        m_f.m_db->execOnce(QStringLiteral("BEGIN"));
}

Fixture::Batch::~Batch() {
    if (--m_f.m_batchDepth == 0)
        m_f.m_db->execOnce(QStringLiteral("COMMIT"));
}

std::unique_ptr<server::Database> Fixture::open() const {
    return std::make_unique<server::Database>(address(), server::Database::Mode::OpenExisting);
}

void Fixture::addBranch(const QString& code, QDate processing) {
    m_db->exec(QStringLiteral("INSERT INTO FILIAL VALUES (?, ?, ?)"),
               {code, QStringLiteral("Filial ") + code, server::isoDate(processing)});
}

void Fixture::addClient(const QString& code, const QString& type, const QString& registration,
                        const QString& name, bool active) {
    m_db->exec(QStringLiteral("INSERT INTO CLIENTE VALUES (?, ?, ?, ?, ?, ?)"),
               {code, type, registration, name, name.left(10),
                active ? QStringLiteral("S") : QStringLiteral("N")});
}

void Fixture::addService(const QString& branch, const QString& code, const QString& product) {
    m_db->exec(QStringLiteral("INSERT INTO SERVFILI VALUES (?, ?, ?, ?)"),
               {branch, code, QStringLiteral("Serviço ") + code, product});
}

void Fixture::addContract(const QString& branch, const QString& client, const QString& service,
                          const QString& nf, double price) {
    m_db->exec(QStringLiteral("INSERT INTO SERVCLIE VALUES (?, ?, ?, ?, ?)"),
               {branch, client, service, nf, price});
}

void Fixture::addDays(const QString& branch, const QString& client, const QString& service,
                      QDate from, QDate to, double count) {
    Batch batch(*this);
    for (QDate d = from; d <= to; d = d.addDays(1))
        m_db->exec(
            QStringLiteral("INSERT INTO EFETCDRS (CDFILIAL, CDCLIENTE, CDSERVFILI, DTEFETCDRS, "
                           "QTCOMECDRS, QTPREVCDRS, NRAGRUEFET, VRPRECEFET, CDPRODUTO) "
                           "SELECT c.CDFILIAL, c.CDCLIENTE, c.CDSERVFILI, ?, ?, ?, c.NRAGRUEFET, "
                           "c.VRPRECEFET, s.CDPRODUTO FROM SERVCLIE c JOIN SERVFILI s ON "
                           "s.CDFILIAL = c.CDFILIAL AND s.CDSERVFILI = c.CDSERVFILI "
                           "WHERE c.CDFILIAL = ? AND c.CDCLIENTE = ? AND c.CDSERVFILI = ?"),
            {server::isoDate(d), count, count, branch, client, service});
}

void Fixture::addShare(const QString& branch, const QString& client, const QString& service,
                       QDate day, const QString& sequence, double quantity, const QString& nf) {
    m_db->exec(QStringLiteral("INSERT INTO EFETRATCDRS SELECT CDFILIAL, CDCLIENTE, CDSERVFILI, "
                              "DTEFETCDRS, ?, ?, CDPRODUTO, ?, '', VRPRECEFET FROM EFETCDRS "
                              "WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDSERVFILI = ? AND "
                              "DTEFETCDRS = ?"),
               {sequence, quantity, nf, branch, client, service, server::isoDate(day)});
}

void Fixture::addCalculation(const QString& branch, const QString& number, const QString& client,
                             QDate from, QDate to, bool locked) {
    m_db->exec(QStringLiteral("INSERT INTO CTRLAPURFAT VALUES (?, ?, ?, ?, ?, ?, "
                              "'2026-03-01T12:00:00Z', ?)"),
               {branch, number, client, server::isoDate(from), server::isoDate(to),
                locked ? QStringLiteral("S") : QStringLiteral("N"), branch});
}

void Fixture::standardWorld() {
    Batch batch(*this);
    addBranch(QStringLiteral("0001"));
    addBranch(QStringLiteral("0002"), QDate(2026, 3, 11));
    addClient(QStringLiteral("C1"), QStringLiteral("J"), QStringLiteral("11222333000181"),
              QStringLiteral("Beta Indústria"));
    addClient(QStringLiteral("C2"), QStringLiteral("F"), QStringLiteral("12345678909"),
              QStringLiteral("Álvaro Souza"));
    addClient(QStringLiteral("C3"), QStringLiteral("J"), QStringLiteral("45281769000163"),
              QStringLiteral("Zeta Comércio"), false);
    addClient(QStringLiteral("C4"), QStringLiteral("J"), QStringLiteral("07931564000197"),
              QStringLiteral("Alfa Serviços"));
    for (const char* s : {"00001", "00002", "00003"})
        addService(QStringLiteral("0001"), QLatin1String(s),
                   QStringLiteral("P") + QLatin1String(s));
    m_db->exec(QStringLiteral("UPDATE SERVFILI SET CDPRODUTO = 'ALMO' WHERE CDSERVFILI = '00002'"));
    addService(QStringLiteral("0002"), QStringLiteral("00002"), QStringLiteral("ALMO"));
    addContract(QStringLiteral("0001"), QStringLiteral("C1"), QStringLiteral("00001"), {}, 6.5);
    addContract(QStringLiteral("0001"), QStringLiteral("C1"), QStringLiteral("00002"),
                QStringLiteral("001"), 20.0);
    addContract(QStringLiteral("0001"), QStringLiteral("C1"), QStringLiteral("00003"), {}, 18.0);
    addContract(QStringLiteral("0001"), QStringLiteral("C2"), QStringLiteral("00002"), {}, 10.0);
    addContract(QStringLiteral("0001"), QStringLiteral("C3"), QStringLiteral("00002"), {}, 10.0);
    addContract(QStringLiteral("0002"), QStringLiteral("C4"), QStringLiteral("00002"), {}, 10.0);
    addDays(QStringLiteral("0001"), QStringLiteral("C1"), QStringLiteral("00001"),
            QDate(2026, 3, 1), QDate(2026, 3, 31), 10);
    addDays(QStringLiteral("0001"), QStringLiteral("C1"), QStringLiteral("00002"),
            QDate(2026, 3, 1), QDate(2026, 3, 31), 100);
    addDays(QStringLiteral("0001"), QStringLiteral("C1"), QStringLiteral("00003"),
            QDate(2026, 2, 1), QDate(2026, 2, 28), 30);
}

QVariant Fixture::call(const QString& method, QVariantList args) {
    return call(*m_db, method, args);
}

QVariant Fixture::call(server::Database& db, const QString& method, QVariantList& args) {
    server::LocalAppServer local(db);
    return local.Invoke(method, args);
}

void Fixture::addUser(const QString& login, const QStringList& branches, bool bound) {
    Batch batch(*this);
    // No password: a hash costs a good part of a second by design, and these users only
    // ever run in process.
    m_db->exec(QStringLiteral("INSERT INTO USUARIO (NMLOGIN, DSHASHSENHA, CDFILIPROC, IDMODUFILI) "
                              "VALUES (?, '', ?, ?)"),
               {login, branches.first(), bound ? QStringLiteral("S") : QStringLiteral("N")});
    for (const QString& branch : branches)
        m_db->exec(QStringLiteral("INSERT INTO USUFILIAL VALUES (?, ?)"), {login, branch});
}

QVariant Fixture::callAs(const QString& login, const QString& method, QVariantList args) {
    server::LocalAppServer local(*m_db, login);
    return local.Invoke(method, args);
}

QVariant Fixture::callWithKey(server::Database& db, const QString& login, const QString& method,
                              QVariantList& args, const QString& key) {
    const server::MethodSpec* spec = server::findMethod(method);
    if (!spec)
        qFatal("no method %s", qPrintable(method));
    QJsonArray params;
    for (const QVariant& a : args)
        params.append(wire::toJson(a));
    const server::WriteKey writeKey{key, writekey::callDigest(method, params)};
    server::checkArguments(*spec, args);
    const auto user = server::findUser(db, login);
    if (!user)
        qFatal("no user %s", qPrintable(login));
    return server::invoke(
        *spec, db, args,
        server::Caller::forUser(*user, QStringLiteral("teste"), QStringLiteral("teste")),
        &writeKey);
}

QVariant Fixture::value(const QString& sql, const QVariantList& params) {
    QSqlQuery q(m_db->connection());
    q.prepare(sql);
    for (qsizetype i = 0; i < params.size(); ++i)
        q.bindValue(int(i), params.at(i));
    if (!q.exec())
        qFatal("query failed: %s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q.next() ? q.value(0) : QVariant();
}

int Fixture::count(const QString& sql, const QVariantList& params) {
    return value(sql, params).toInt();
}

bool ok(const QVariant& envelope) {
    return envelope.toMap().value(QStringLiteral("ok")).toBool();
}

QString message(const QVariant& envelope) {
    return envelope.toMap().value(QStringLiteral("message")).toString();
}

QVariant payload(const QVariant& envelope) {
    return envelope.toMap().value(QStringLiteral("payload"));
}

QList<QVariantMap> rowsOf(const QVariant& packetValue) {
    return packet::rowMaps(packetValue);
}

QStringList fieldsOf(const QVariant& packetValue) {
    QStringList out;
    for (const packet::FieldDesc& f : packet::decode(packetValue).fields)
        out << QStringLiteral("%1:%2:%3").arg(f.name, fieldTypeName(f.type)).arg(f.size);
    return out;
}

QVariantList ShareRow::values() const {
    return {branch, service, dateTimeOf(day), client, sequence, quantity, product, nf, note, price};
}

QVariantMap insertOf(const ShareRow& row) {
    return {{QStringLiteral("kind"), QStringLiteral("insert")},
            {QStringLiteral("new"), row.values()}};
}

QVariantMap updateOf(const ShareRow& before, const ShareRow& after) {
    return {{QStringLiteral("kind"), QStringLiteral("update")},
            {QStringLiteral("old"), before.values()},
            {QStringLiteral("new"), after.values()}};
}

QVariantMap deleteOf(const ShareRow& row) {
    return {{QStringLiteral("kind"), QStringLiteral("delete")},
            {QStringLiteral("old"), row.values()}};
}

QVariantMap changePacket(const QList<QVariantMap>& changes) {
    const QList<packet::FieldDesc> fields{
        {QStringLiteral("CDFILIAL"), ftString, 4, {}},
        {QStringLiteral("CDSERVFILI"), ftString, 5, {}},
        {QStringLiteral("DTRATCDRS"), ftDateTime, 0, {}},
        {QStringLiteral("CDCLIENTE"), ftString, 21, {}},
        {QStringLiteral("NRSEQITRAT"), ftString, 4, {}},
        {QStringLiteral("QTDERATEIO"), ftFloat, 0, {}},
        {QStringLiteral("CDPRODUTO"), ftString, 10, {}},
        {QStringLiteral("NRAGREFRAT"), ftString, 3, {}},
        {QStringLiteral("DSOBSRATE"), ftString, 100, {}},
        {QStringLiteral("VRPRECRATE"), ftFloat, 0, {}},
    };
    QVariantList fieldList;
    for (const packet::FieldDesc& f : fields)
        fieldList.append(QVariantMap{{QStringLiteral("name"), f.name},
                                     {QStringLiteral("type"), fieldTypeName(f.type)},
                                     {QStringLiteral("size"), f.size}});
    QVariantList changeList;
    for (const QVariantMap& c : changes)
        changeList.append(c);
    return {{QStringLiteral("fields"), fieldList}, {QStringLiteral("changes"), changeList}};
}

QVariantMap branchList(const QStringList& codes) {
    packet::Table table{{{QStringLiteral("CDFILIAL"), ftString, 4, {}}}, {}};
    for (const QString& b : codes)
        table.rows.append({b});
    return packet::make(table);
}
