#pragma once

// The application server as a child process of the host. It lives no longer than the
// host: stop() and the destructor end it (terminate, then kill), and on Linux the kernel
// ends it when the host dies without cleaning up (killed, crashed). Asked to, it starts the
// server again when the server ends on its own, on the same port and database, so that
// the clerk's connection finds it where it was.

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

class ServerProcess : public QObject {
    Q_OBJECT
public:
    explicit ServerProcess(QObject* parent = nullptr);
    ~ServerProcess() override;

    // Starts `executable --listen 127.0.0.1:PORT --db database` (port 0: any free one) and
    // waits up to `timeoutMs` for its line "listening HOST:PORT". Raises Exception with the
    // reason when the server cannot be started, exits, or says nothing in time (it is
    // stopped then).
    void start(const QString& executable, const QString& database, int timeoutMs, int port = 0);
    void stop();
    // From now on a server that ends without stop() is started again on its port.
    void keepRunning() { m_keepRunning = true; }

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    QString host() const { return m_host; }
    int port() const { return m_port; }
    qint64 processId() const { return m_process.processId(); }

signals:
    // The server ended on its own (`how` says how) and was started again on its port.
    void restarted(const QString& how);
    // It ended on its own and could not be started again; `reason` says why.
    void restartFailed(const QString& how, const QString& reason);

private:
    void restartAfterExit(const QString& how);
    bool takeListeningLine();
    void forwardOutput();
    [[noreturn]] void failStart(const QString& reason);

    QProcess m_process;
    QString m_database;
    int m_timeoutMs = 0;
    QString m_host;
    int m_port = 0;
    bool m_stopping = false;
    bool m_keepRunning = false;
};

// Runs the server once with `arguments` (such as --init-demo) and waits for it to end.
// Raises Exception with its error output when it fails or runs longer than `timeoutMs`.
void runServerCommand(const QString& executable, const QStringList& arguments, int timeoutMs);
