#include "server/auth/users.h"

#include "contracts/host_framework.h"
#include "server/auth/password.h"
#include "server/db/database.h"

#include <QSet>

#include <algorithm>

namespace server {
namespace {

[[noreturn]] void refuse(const QString& text) {
    throw Exception(text);
}

void requireLoginName(const QString& login) {
    const bool valid = !login.isEmpty() && login.size() <= LoginMaxLength &&
                       std::all_of(login.begin(), login.end(), [](QChar c) {
                           return c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_';
                       });
    if (!valid)
        refuse(QStringLiteral("Login inválido: '%1' (até %2 letras, dígitos, '.', '-' ou '_').")
                   .arg(login.left(LoginMaxLength))
                   .arg(LoginMaxLength));
}

void requireUser(Database& db, const QString& login) {
    if (db.scalar(QStringLiteral("SELECT 1 FROM USUARIO WHERE NMLOGIN = ?"), {login}).isNull())
        refuse(QStringLiteral("Usuário não cadastrado: '%1'.").arg(login));
}

void requireRights(Database& db, const BranchRights& rights) {
    if (rights.branches.isEmpty())
        refuse(QStringLiteral("Informe ao menos uma filial."));
    if (rights.branches.size() !=
        QSet<QString>(rights.branches.begin(), rights.branches.end()).size())
        refuse(QStringLiteral("Uma filial foi informada mais de uma vez."));
    for (const QString& branch : rights.branches)
        if (db.scalar(QStringLiteral("SELECT 1 FROM FILIAL WHERE CDFILIAL = ?"), {branch}).isNull())
            refuse(QStringLiteral("Filial não cadastrada: '%1'.").arg(branch));
    if (rights.bound && rights.branches.size() != 1)
        refuse(QStringLiteral("Um usuário vinculado a uma filial tem uma única filial."));
    if (!rights.billingBranch.isEmpty() && !rights.branches.contains(rights.billingBranch))
        refuse(QStringLiteral("A filial de faturamento %1 não está entre as filiais do usuário.")
                   .arg(rights.billingBranch));
}

void writeRights(Database& db, const QString& login, const BranchRights& rights) {
    db.exec(QStringLiteral("UPDATE USUARIO SET CDFILIPROC = ?, CDFILIFAT = ?, IDMODUFILI = ? "
                           "WHERE NMLOGIN = ?"),
            {rights.branches.first(),
             rights.billingBranch.isEmpty() ? QVariant() : QVariant(rights.billingBranch),
             rights.bound ? QStringLiteral("S") : QStringLiteral("N"), login});
    db.exec(QStringLiteral("DELETE FROM USUFILIAL WHERE NMLOGIN = ?"), {login});
    for (const QString& branch : rights.branches)
        db.exec(QStringLiteral("INSERT INTO USUFILIAL (NMLOGIN, CDFILIAL) VALUES (?, ?)"),
                {login, branch});
}

} // namespace

std::optional<UserRecord> findUser(Database& db, const QString& login) {
    // One statement: the socket server asks it before every call.
    Rows rows =
        db.select(QStringLiteral("SELECT u.DSHASHSENHA, u.CDFILIPROC, u.CDFILIFAT, u.IDMODUFILI, "
                                 "u.IDATIVO, u.NRVERSAOSENHA, f.CDFILIAL FROM USUARIO u LEFT JOIN "
                                 "USUFILIAL f ON f.NMLOGIN = u.NMLOGIN WHERE u.NMLOGIN = ? "
                                 "ORDER BY f.CDFILIAL <> u.CDFILIPROC, f.CDFILIAL"),
                  {login});
    if (!rows.next())
        return std::nullopt;
    UserRecord user;
    user.login = login;
    user.passwordHash = rows.text(0);
    user.processingBranch = rows.text(1);
    user.billingBranch = rows.text(2);
    user.bound = rows.text(3) == QLatin1String("S");
    user.active = rows.text(4) == QLatin1String("S");
    user.passwordVersion = rows.value(5).toInt();
    do {
        if (!rows.isNull(6))
            user.branches << rows.text(6);
    } while (rows.next());
    return user;
}

std::optional<UserStanding> userStanding(Database& db, const QString& login) {
    // Asked before every call: neither the password hash nor an order is read.
    Rows rows = db.select(QStringLiteral("SELECT u.IDATIVO, u.NRVERSAOSENHA, f.CDFILIAL FROM "
                                         "USUARIO u LEFT JOIN USUFILIAL f ON f.NMLOGIN = "
                                         "u.NMLOGIN WHERE u.NMLOGIN = ?"),
                          {login});
    if (!rows.next())
        return std::nullopt;
    UserStanding standing{rows.text(0) == QLatin1String("S"), rows.value(1).toInt(), {}};
    do {
        if (!rows.isNull(2))
            standing.branches << rows.text(2);
    } while (rows.next());
    return standing;
}

void addUser(Database& db, const QString& login, const QString& password,
             const BranchRights& rights) {
    requireLoginName(login);
    requireStrongEnough(password);
    const QString hash = hashPassword(password);
    Transaction tx(db);
    if (!db.scalar(QStringLiteral("SELECT 1 FROM USUARIO WHERE NMLOGIN = ?"), {login}).isNull())
        refuse(QStringLiteral("O usuário '%1' já existe.").arg(login));
    requireRights(db, rights);
    db.exec(QStringLiteral("INSERT INTO USUARIO (NMLOGIN, DSHASHSENHA, CDFILIPROC) "
                           "VALUES (?, ?, ?)"),
            {login, hash, rights.branches.first()});
    writeRights(db, login, rights);
    tx.commit();
}

void changePassword(Database& db, const QString& login, const QString& password) {
    requireStrongEnough(password);
    const QString hash = hashPassword(password);
    Transaction tx(db);
    requireUser(db, login);
    db.exec(QStringLiteral("UPDATE USUARIO SET DSHASHSENHA = ?, NRVERSAOSENHA = NRVERSAOSENHA + 1 "
                           "WHERE NMLOGIN = ?"),
            {hash, login});
    tx.commit();
}

void setUserActive(Database& db, const QString& login, bool active) {
    Transaction tx(db);
    requireUser(db, login);
    db.exec(QStringLiteral("UPDATE USUARIO SET IDATIVO = ? WHERE NMLOGIN = ?"),
            {active ? QStringLiteral("S") : QStringLiteral("N"), login});
    tx.commit();
}

void setUserBranches(Database& db, const QString& login, const BranchRights& rights) {
    Transaction tx(db);
    requireUser(db, login);
    requireRights(db, rights);
    writeRights(db, login, rights);
    tx.commit();
}

void addDemoUsers(Database& db) {
    const QString both = QString::fromLatin1(DemoUserBothBranches.login);
    const QString bound = QString::fromLatin1(DemoUserBoundToOneBranch.login);
    addUser(db, both, QString::fromLatin1(DemoUserBothBranches.password),
            {{QStringLiteral("0001"), QStringLiteral("0002")}, QStringLiteral("0001"), false});
    addUser(db, bound, QString::fromLatin1(DemoUserBoundToOneBranch.password),
            {{QStringLiteral("0002")}, QStringLiteral("0002"), true});
}

} // namespace server
