#include "server_cli.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

namespace {

constexpr int CommandTimeoutMs = 60000;

} // namespace

CommandOutcome runServer(const QStringList& arguments, const QByteArray& input) {
    QProcess p;
    p.start(QStringLiteral(SERVER_EXECUTABLE), arguments);
    p.write(input);
    p.closeWriteChannel();
    const bool ended = p.waitForFinished(CommandTimeoutMs);
    if (!ended)
        p.kill();
    return {ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

ListeningServer::ListeningServer(const QString& database, const QStringList& extra) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral(SERVER_EXECUTABLE),
                    QStringList{"--listen", "127.0.0.1:0", "--db", database} + extra);
    static const QRegularExpression listening(QStringLiteral("^listening 127\\.0\\.0\\.1:(\\d+)\n"),
                                              QRegularExpression::MultilineOption);
    // Creating a demo database first hashes the demo users' passwords, slow by design.
    waitUntil([&](const QString& text) { return listening.match(text).hasMatch(); }, 30000);
    m_port = listening.match(log()).captured(1).toInt();
}

ListeningServer::~ListeningServer() {
    m_process.kill();
    m_process.waitForFinished();
}

QString ListeningServer::log() {
    m_log += m_process.readAll();
    return QString::fromUtf8(m_log);
}

bool ListeningServer::waitForLog(const QString& text, int timeoutMs) {
    return waitUntil([&](const QString& log) { return log.contains(text); }, timeoutMs);
}

bool ListeningServer::waitUntil(const std::function<bool(const QString&)>& seen, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!seen(log())) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return true;
}
