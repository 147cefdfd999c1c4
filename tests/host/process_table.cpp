#include "process_table.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

namespace {

struct Stat {
    bool exists = false;
    char state = '?';
    qint64 parent = 0;
};

Stat statOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // "pid (name) state ppid …": the name may hold spaces and parentheses.
    const QByteArray line = file.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return {};
    const QList<QByteArray> rest = line.mid(close + 2).split(' ');
    if (rest.size() < 2)
        return {};
    return {true, rest.at(0).isEmpty() ? '?' : rest.at(0).at(0), rest.at(1).toLongLong()};
}

QString commandLineOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = file.readAll();
    text.replace('\0', ' ');
    return QString::fromLocal8Bit(text).trimmed();
}

} // namespace

QList<ProcessEntry> childrenOf(qint64 parent) {
    QList<ProcessEntry> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const Stat stat = statOf(pid);
        if (stat.exists && stat.parent == parent && stat.state != 'Z')
            children.append({pid, commandLineOf(pid)});
    }
    return children;
}

bool isAlive(qint64 pid) {
    const Stat stat = statOf(pid);
    return stat.exists && stat.state != 'Z' && stat.state != 'X';
}

bool waitUntilGone(qint64 pid, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (isAlive(pid)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

qint64 waitForChild(qint64 parent, const QString& needle, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    do {
        for (const ProcessEntry& child : childrenOf(parent))
            if (child.commandLine.contains(needle))
                return child.pid;
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return 0;
}
