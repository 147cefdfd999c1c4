// The operator's copy of a live database. SQLite's online backup copies every page in one
// read transaction: the copy is the database as it was at one moment, and in WAL mode that
// reader never holds up the server's writers. Copying page by page in several steps would
// restart on every write the server makes and might never end on a busy day.

#include "contracts/host_framework.h"
#include "framework/net/database_uri.h"
#include "server/cli/commands.h"
#include "server/cli/console.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace server::cli {
namespace {

constexpr int BusyTimeoutMs = 10000;

int usage() {
    print(stderr, QStringLiteral("Uso: apurfat-server backup --db ARQUIVO --to ARQUIVO|PASTA"));
    return UsageError;
}

bool sameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// A folder gets a file named after the database and the moment, so that a scheduled backup
// into one folder keeps every copy.
QString targetFile(const QString& database, const QString& to) {
    if (!QFileInfo(to).isDir())
        return to;
    const QString name =
        QStringLiteral("%1-%2.sqlite")
            .arg(QFileInfo(database).completeBaseName(),
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    return QDir(to).filePath(name);
}

class Connection {
public:
    Connection(const QString& file, int flags) {
        const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK)
            throw EDatabaseError(QStringLiteral("Não foi possível abrir %1: %2")
                                     .arg(file, QString::fromUtf8(sqlite3_errstr(rc))));
        sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    }
    ~Connection() { sqlite3_close_v2(m_db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return m_db; }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }

    // The first column of the first row of a statement.
    QString single(const char* sql) const {
        sqlite3_stmt* statement = nullptr;
        QString value;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            value =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        else
            value = error();
        sqlite3_finalize(statement);
        return value;
    }

private:
    sqlite3* m_db = nullptr;
};

// Copies every page of the source in one step; the destination ends up a self-contained
// file (no write-ahead log beside it) that passed SQLite's own check.
void copyDatabase(const QString& source, const QString& destination) {
    // Opened for writing only so that, when the server is not running, this last connection
    // folds the write-ahead log it opened back into the file and removes it, instead of
    // leaving files of the operator's beside the service's database. It changes no data.
    const Connection from(source, SQLITE_OPEN_READWRITE);
    sqlite3_exec(from.handle(), "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    const Connection to(destination, SQLITE_OPEN_READWRITE);
    sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup)
        throw EDatabaseError(QStringLiteral("A cópia não pôde começar: %1").arg(to.error()));
    // A reader waits only while another connection recovers the write-ahead log.
    const QDeadlineTimer deadline(BusyTimeoutMs);
    int stepped = sqlite3_backup_step(backup, -1);
    while ((stepped == SQLITE_BUSY || stepped == SQLITE_LOCKED) && !deadline.hasExpired()) {
        sqlite3_sleep(50);
        stepped = sqlite3_backup_step(backup, -1);
    }
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE || finished != SQLITE_OK)
        throw EDatabaseError(QStringLiteral("A cópia de %1 falhou: %2")
                                 .arg(source, QString::fromUtf8(sqlite3_errstr(
                                                  stepped != SQLITE_DONE ? stepped : finished))));
    if (to.single("PRAGMA journal_mode = DELETE")
            .compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
        throw EDatabaseError(
            QStringLiteral("A cópia %1 não pôde ser fechada em um só arquivo.").arg(destination));
    const QString check = to.single("PRAGMA quick_check");
    if (check != QLatin1String("ok"))
        throw EDatabaseError(QStringLiteral("A cópia não passou na verificação: %1").arg(check));
}

// Renames over the target in one step (a backup being replaced stays whole until the new one
// is complete) and makes the rename itself durable.
void moveIntoPlace(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw Exception(QStringLiteral("Não foi possível gravar %1: %2")
                            .arg(to, QString::fromLocal8Bit(std::strerror(errno))));
    const int folder =
        ::open(QFile::encodeName(QFileInfo(to).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace

int backupCommand(const CommandArgs& args) {
    if (!args.words.isEmpty())
        return usage();
    if (isPostgresUri(args.database)) {
        // The address may hold a password: it is not repeated here.
        print(stderr, QStringLiteral("Um banco PostgreSQL é copiado com o pg_dump do próprio "
                                     "PostgreSQL, que também não interrompe o servidor:\n"
                                     "  pg_dump --format=custom --file=apurfat.dump \"URI\"\n"
                                     "e restaurado com pg_restore."));
        return UsageError;
    }
    if (!args.to || args.to->isEmpty())
        return usage();
    if (!QFileInfo(args.database).isFile())
        throw EDatabaseError(
            QStringLiteral("Banco de dados não encontrado: %1.").arg(args.database));
    const QString target = targetFile(args.database, *args.to);
    if (sameFile(args.database, target))
        throw Exception(
            QStringLiteral("A cópia não pode ser gravada sobre o próprio banco (%1).").arg(target));

    // Made under a name of its own beside the target and renamed when whole: an interrupted
    // copy never passes for a backup. The file is the owner's only (it holds password
    // hashes), as QTemporaryFile makes it.
    QTemporaryFile partial(target + QStringLiteral(".parcial-XXXXXX"));
    if (!partial.open())
        throw Exception(
            QStringLiteral("Não foi possível criar %1: %2").arg(target, partial.errorString()));
    partial.close();
    copyDatabase(args.database, partial.fileName());
    moveIntoPlace(partial.fileName(), target);
    partial.setAutoRemove(false);

    print(stdout, QStringLiteral("Cópia de %1 gravada em %2 (%3 KiB).")
                      .arg(args.database, target)
                      .arg((QFileInfo(target).size() + 1023) / 1024));
    return 0;
}

} // namespace server::cli
