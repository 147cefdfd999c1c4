#pragma once

// The users who may log in to the server: a password hash, the branches each may work on
// (the first is the processing branch of the login), an optional billing branch among them,
// whether the login is bound to its one branch, and whether it may log in at all.

#include <QString>
#include <QStringList>

#include <optional>

namespace server {

class Database;

// The longest login a user may have; anything longer is refused before it is used.
inline constexpr qsizetype LoginMaxLength = 40;

struct UserRecord {
    QString login;
    QString passwordHash;
    QStringList branches; // the processing branch first, then the others in code order
    QString processingBranch;
    QString billingBranch; // empty when none is set
    bool bound = false;
    bool active = true;
    // Goes up with every password change, which ends the sessions opened before it.
    int passwordVersion = 1;
};

// What the branches of a login are: the first of `branches` is the processing branch.
struct BranchRights {
    QStringList branches;
    QString billingBranch; // empty: none
    bool bound = false;
};

std::optional<UserRecord> findUser(Database& db, const QString& login);

// What a session needs to know of its user on every call: whether it may still log in,
// which password it logged in with, and its branches (in no particular order). Nothing
// when the login is gone.
struct UserStanding {
    bool active = false;
    int passwordVersion = 0;
    QStringList branches;
};
std::optional<UserStanding> userStanding(Database& db, const QString& login);

// Each raises Exception with a message for the operator: an existing or unknown login, a
// branch that is not registered, a bound login with other than one branch, a billing
// branch the login may not work on, a password too short.
void addUser(Database& db, const QString& login, const QString& password,
             const BranchRights& rights);
void changePassword(Database& db, const QString& login, const QString& password);
void setUserActive(Database& db, const QString& login, bool active);
void setUserBranches(Database& db, const QString& login, const BranchRights& rights);

// The demo's users, with the passwords the README gives.
struct DemoUser {
    const char* login;
    const char* password;
};
inline constexpr DemoUser DemoUserBothBranches{"demo", "demo-apuracao"};
inline constexpr DemoUser DemoUserBoundToOneBranch{"campinas", "demo-campinas"};
void addDemoUsers(Database& db);

} // namespace server
