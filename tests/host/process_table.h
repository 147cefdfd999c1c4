#pragma once

// The machine's processes as /proc shows them, for the tests that check that no server
// outlives its host.

#include <QList>
#include <QString>

struct ProcessEntry {
    qint64 pid = 0;
    QString commandLine; // arguments joined by spaces
};

// The living (not zombie) children of a process.
QList<ProcessEntry> childrenOf(qint64 parent);
// True while the process exists and is not a zombie.
bool isAlive(qint64 pid);
// Waits until the process is no longer alive; false when it still is after `timeoutMs`.
bool waitUntilGone(qint64 pid, int timeoutMs);
// Waits for a living child whose command line contains `needle`; its pid, or 0.
qint64 waitForChild(qint64 parent, const QString& needle, int timeoutMs);
