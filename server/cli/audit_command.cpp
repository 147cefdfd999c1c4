#include "contracts/host_framework.h"
#include "server/audit/audit_trail.h"
#include "server/cli/commands.h"
#include "server/cli/console.h"
#include "server/db/database.h"

#include <QDate>

namespace server::cli {
int auditCommand(const CommandArgs& args) {
    if (!args.words.isEmpty() || !args.branch) {
        print(stderr, QStringLiteral("Uso: apurfat-server audit --branch CODE "
                                     "[--since AAAA-MM-DD] --db DB"));
        return UsageError;
    }
    QDate since(2000, 1, 1);
    if (args.since) {
        since = QDate::fromString(*args.since, Qt::ISODate);
        if (!since.isValid()) {
            print(stderr, QStringLiteral("Data inválida em --since: '%1' (use AAAA-MM-DD).")
                              .arg(*args.since));
            return UsageError;
        }
    }
    Database db(args.database, Database::Mode::OpenExisting);
    const QString branch = args.branch->trimmed().toUpper();
    // Days as the operator reads them: from local midnight.
    const QList<AuditEntry> entries = auditEntries(db, branch, since.startOfDay());
    for (const AuditEntry& e : entries) {
        print(stdout, QStringLiteral("#%1  %2  %3  de %4  %5  filial %6")
                          .arg(e.number)
                          .arg(e.when.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
                               e.login, e.address, e.method, e.branch));
        print(stdout, QStringLiteral("  antes:  %1").arg(e.before));
        print(stdout, QStringLiteral("  depois: %1").arg(e.after));
    }
    print(stdout, QStringLiteral("%1 registro(s) da filial %2 desde %3.")
                      .arg(entries.size())
                      .arg(branch, since.toString(QStringLiteral("dd/MM/yyyy"))));
    return 0;
}

} // namespace server::cli
