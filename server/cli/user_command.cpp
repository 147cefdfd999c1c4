#include "contracts/host_framework.h"
#include "server/auth/users.h"
#include "server/cli/commands.h"
#include "server/cli/console.h"
#include "server/db/database.h"

namespace server::cli {
namespace {

int usage() {
    print(stderr,
          QStringLiteral("Uso: apurfat-server user add LOGIN --branches A[,B…] [--billing B] "
                         "[--bound] --db DB\n"
                         "     apurfat-server user passwd|disable|enable LOGIN --db DB\n"
                         "     apurfat-server user branches LOGIN --branches A[,B…] [--billing B] "
                         "[--bound] --db DB"));
    return UsageError;
}

BranchRights rightsFrom(const CommandArgs& args) {
    BranchRights rights;
    for (const QString& code : args.branches->split(u',', Qt::SkipEmptyParts))
        rights.branches << code.trimmed().toUpper();
    rights.billingBranch = args.billing.value_or(QString()).trimmed().toUpper();
    rights.bound = args.bound;
    return rights;
}

} // namespace

int userCommand(const CommandArgs& args) {
    if (args.words.size() != 2)
        return usage();
    const QString action = args.words.at(0), login = args.words.at(1);
    const bool needsBranches =
        action == QLatin1String("add") || action == QLatin1String("branches");
    const bool known = needsBranches || action == QLatin1String("passwd") ||
                       action == QLatin1String("disable") || action == QLatin1String("enable");
    if (!known || needsBranches != args.branches.has_value() ||
        (!needsBranches && (args.billing || args.bound)))
        return usage();

    Database db(args.database, Database::Mode::OpenExisting);
    // Asked once: a change another server's write got in the way of runs again with it.
    const QString password = action == QLatin1String("add") || action == QLatin1String("passwd")
                                 ? readNewPassword()
                                 : QString();
    QString done;
    retryingConflicts(db, [&] {
        if (action == QLatin1String("add")) {
            addUser(db, login, password, rightsFrom(args));
            done = QStringLiteral("Usuário %1 cadastrado.").arg(login);
        } else if (action == QLatin1String("branches")) {
            setUserBranches(db, login, rightsFrom(args));
            done = QStringLiteral("Filiais do usuário %1 alteradas.").arg(login);
        } else if (action == QLatin1String("passwd")) {
            changePassword(db, login, password);
            done = QStringLiteral("Senha do usuário %1 alterada; as sessões abertas com a senha "
                                  "anterior foram encerradas.")
                       .arg(login);
        } else {
            const bool active = action == QLatin1String("enable");
            setUserActive(db, login, active);
            done = QStringLiteral("Usuário %1 %2.")
                       .arg(login,
                            active ? QStringLiteral("reativado") : QStringLiteral("desativado"));
        }
    });
    print(stdout, done);
    return 0;
}

} // namespace server::cli
