#include "host/server_process.h"

#include "contracts/host_framework.h"
#include "framework/ui/guard.h"

#include <QDeadlineTimer>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace {

constexpr int StopGraceMs = 3000;

// Has the kernel send SIGTERM to the child when the host dies, so that a killed or crashed
// host leaves no server behind. Runs in the child between fork and exec.
void tieToHostLifetime(QProcess& process) {
#ifdef Q_OS_LINUX
    const pid_t host = getpid();
    process.setChildProcessModifier([host] {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The host may have died before the death signal was armed.
        if (getppid() != host)
            _exit(127);
    });
#else
    Q_UNUSED(process);
#endif
}

QString errorOutputOf(QProcess& process) {
    return QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
}

QString secondsText(int ms) {
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(ms / 1000.0, 'g', 3);
}

QString withDetails(const QString& reason, const QString& details) {
    return details.isEmpty() ? reason : QStringLiteral("%1\n\n%2").arg(reason, details);
}

} // namespace

ServerProcess::ServerProcess(QObject* parent) : QObject(parent) {
    tieToHostLifetime(m_process);
    // Once the server told its port, whatever it writes goes to the host's error output;
    // an unread pipe would fill up and block the server. Before that, start() reads it.
    const auto forwardWhenListening = [this] {
        if (m_port != 0)
            forwardOutput();
    };
    connect(&m_process, &QProcess::readyReadStandardOutput, this, forwardWhenListening);
    connect(&m_process, &QProcess::readyReadStandardError, this, forwardWhenListening);
    connect(&m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (m_stopping || m_port == 0)
            return;
        const QString how = status == QProcess::CrashExit
                                ? QStringLiteral("terminou de forma anormal")
                                : QStringLiteral("terminou com o código %1").arg(code);
        qWarning("the application server ended unexpectedly (%s %d)",
                 status == QProcess::CrashExit ? "signal/crash" : "exit code", code);
        // Not from inside QProcess's own notification: starting it again there would
        // re-enter it.
        if (m_keepRunning)
            QTimer::singleShot(0, this, [this, how] { restartAfterExit(how); });
    });
}

void ServerProcess::restartAfterExit(const QString& how) {
    Guarded([&] {
        try {
            start(m_process.program(), m_database, m_timeoutMs, m_port);
        } catch (const Exception& e) {
            emit restartFailed(how, e.message());
            return;
        }
        emit restarted(how);
    });
}

ServerProcess::~ServerProcess() {
    stop();
}

void ServerProcess::start(const QString& executable, const QString& database, int timeoutMs,
                          int port) {
    stop();
    m_host.clear();
    m_port = 0;
    m_database = database;
    m_timeoutMs = timeoutMs;
    m_process.setProgram(executable);
    m_process.setArguments({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port),
                            QStringLiteral("--db"), database});
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(QIODevice::ReadOnly);
    if (!m_process.waitForStarted(timeoutMs))
        failStart(m_process.errorString());

    const QDeadlineTimer deadline(timeoutMs);
    while (!takeListeningLine()) {
        if (m_process.state() == QProcess::NotRunning)
            failStart(m_process.exitStatus() == QProcess::CrashExit
                          ? QStringLiteral("o servidor terminou de forma anormal.")
                          : QStringLiteral("o servidor terminou com o código %1.")
                                .arg(m_process.exitCode()));
        if (deadline.hasExpired())
            failStart(QStringLiteral("o servidor não informou a sua porta em %1 s.")
                          .arg(secondsText(timeoutMs)));
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    }
    forwardOutput();
}

bool ServerProcess::takeListeningLine() {
    static const QRegularExpression listening(QStringLiteral("^listening (\\S+):(\\d+)$"));
    while (m_process.canReadLine()) {
        const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        const QRegularExpressionMatch match = listening.match(line);
        const int port = match.hasMatch() ? match.captured(2).toInt() : 0;
        if (port > 0 && port <= 65535) {
            m_host = match.captured(1);
            m_port = port;
            return true;
        }
        std::fprintf(stderr, "[apurfat-server] %s\n", qPrintable(line));
    }
    return false;
}

void ServerProcess::forwardOutput() {
    for (const QByteArray& text :
         {m_process.readAllStandardOutput(), m_process.readAllStandardError()})
        if (!text.isEmpty())
            std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
}

void ServerProcess::failStart(const QString& reason) {
    const QString details = errorOutputOf(m_process);
    stop();
    throw Exception(withDetails(QStringLiteral("O servidor de aplicação (%1) não iniciou: %2")
                                    .arg(m_process.program(), reason),
                                details));
}

void ServerProcess::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_stopping = true;
    m_process.terminate();
    if (!m_process.waitForFinished(StopGraceMs)) {
        m_process.kill();
        m_process.waitForFinished(StopGraceMs);
    }
    m_stopping = false;
}

void runServerCommand(const QString& executable, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    tieToHostLifetime(process);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(executable, arguments, QIODevice::ReadOnly);
    const QString command = QStringLiteral("%1 %2").arg(executable, arguments.join(u' '));
    if (!process.waitForStarted(timeoutMs))
        throw Exception(
            QStringLiteral("Não foi possível executar %1: %2").arg(command, process.errorString()));
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(StopGraceMs);
        throw Exception(
            QStringLiteral("%1 não terminou em %2 s.").arg(command, secondsText(timeoutMs)));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw Exception(withDetails(
            QStringLiteral("%1 falhou (código %2).").arg(command).arg(process.exitCode()),
            errorOutputOf(process)));
}
