// Runs one write of the server on a database and stops in the middle of its transaction,
// so that a test can kill the process there.
//
//   crash_helper DB calculation     Confirma_Calculo of C1, March 1-3 2026, stopped while
//                                   the days are being stamped
//   crash_helper DB apportionment   SetRateio deleting, changing and adding rows of March 2,
//                                   stopped at the first row written
//
// On SQLite it stops itself there and prints "paused". On PostgreSQL the stop is a trigger
// that waits for the advisory lock 52000, which the test holds; the test sees the wait.

#include "fixture.h"

#include "server/methods/local_app_server.h"

#include <QCoreApplication>
#include <QSqlDriver>

#include <sqlite3.h>

#include <cstdio>
#include <unistd.h>

namespace {

[[noreturn]] void pauseForKill(sqlite3_context*, int, sqlite3_value**) {
    std::fputs("paused\n", stdout);
    std::fflush(stdout);
    for (;;)
        ::pause();
}

// A trigger that stops the first statement of the write that `event` names.
void installStop(server::Database& db, const QString& event) {
    const QVariant handle = db.connection().driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite3* native = *static_cast<sqlite3* const*>(handle.constData());
        sqlite3_create_function_v2(native, "pause_for_kill", 0, SQLITE_UTF8, nullptr, pauseForKill,
                                   nullptr, nullptr, nullptr);
        db.execOnce(QStringLiteral("CREATE TEMP TRIGGER stop %1 BEGIN SELECT pause_for_kill(); "
                                   "END")
                        .arg(event));
        return;
    }
    db.execOnce(QStringLiteral("CREATE FUNCTION pause_for_kill() RETURNS trigger LANGUAGE plpgsql "
                               "AS $$ BEGIN PERFORM pg_advisory_xact_lock(52000); RETURN NULL; "
                               "END $$"));
    db.execOnce(QStringLiteral("CREATE TRIGGER stop %1 FOR EACH ROW EXECUTE FUNCTION "
                               "pause_for_kill()")
                    .arg(event));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    server::Database db(QString::fromLocal8Bit(argv[1]), server::Database::Mode::OpenExisting);
    server::LocalAppServer local(db);
    const QString scenario = QString::fromLocal8Bit(argv[2]);
    if (scenario == QLatin1String("calculation")) {
        installStop(db, QStringLiteral("AFTER UPDATE OF NRAPURACFAT ON EFETCDRS"));
        QVariantList args{QStringLiteral("0001"),
                          QStringLiteral("C1"),
                          QDate(2026, 3, 1),
                          QDate(2026, 3, 3),
                          QString(),
                          QStringLiteral("0001")};
        local.Invoke(QStringLiteral("Confirma_Calculo"), args);
    } else {
        installStop(db, QStringLiteral("AFTER INSERT ON EFETRATCDRS"));
        ShareRow first, second, third;
        first.quantity = 60.0;
        second.sequence = QStringLiteral("0002");
        second.quantity = 40.0;
        ShareRow changed = second;
        changed.quantity = 30.0;
        third.sequence = QStringLiteral("0003");
        third.quantity = 10.0;
        QVariantList args{
            changePacket({deleteOf(first), updateOf(second, changed), insertOf(third)})};
        local.Invoke(QStringLiteral("SetRateio"), args);
    }
    // Reaching this line means the stop was never hit.
    std::fputs("finished\n", stdout);
    return 1;
}
