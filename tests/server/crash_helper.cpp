// Runs one write of the server on a database and stops in the middle of its transaction,
// printing "paused", so that a test can kill the process there.
//
//   crash_helper DB calculation     Confirma_Calculo of C1, March 1-3 2026, stopped while
//                                   the days are being stamped
//   crash_helper DB apportionment   SetRateio deleting, changing and adding rows of March 2,
//                                   stopped at the first row written

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

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    server::Database db(QString::fromLocal8Bit(argv[1]), server::Database::Mode::OpenExisting);
    const QVariant handle = db.connection().driver()->handle();
    sqlite3* native = *static_cast<sqlite3* const*>(handle.constData());
    sqlite3_create_function_v2(native, "pause_for_kill", 0, SQLITE_UTF8, nullptr, pauseForKill,
                               nullptr, nullptr, nullptr);
    server::LocalAppServer local(db);
    const QString scenario = QString::fromLocal8Bit(argv[2]);
    if (scenario == QLatin1String("calculation")) {
        db.execOnce(QStringLiteral("CREATE TEMP TRIGGER stop AFTER UPDATE OF NRAPURACFAT ON "
                                   "EFETCDRS BEGIN SELECT pause_for_kill(); END"));
        QVariantList args{QStringLiteral("0001"),
                          QStringLiteral("C1"),
                          QDate(2026, 3, 1),
                          QDate(2026, 3, 3),
                          QString(),
                          QStringLiteral("0001")};
        local.Invoke(QStringLiteral("Confirma_Calculo"), args);
    } else {
        db.execOnce(QStringLiteral("CREATE TEMP TRIGGER stop AFTER INSERT ON EFETRATCDRS BEGIN "
                                   "SELECT pause_for_kill(); END"));
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
