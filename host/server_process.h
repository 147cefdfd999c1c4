#pragma once

// The application server as a child process of the host. It lives no longer than the
// host: stop() and the destructor end it (terminate, then kill), and on Linux the kernel
// ends it when the host dies without cleaning up (killed, crashed).

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

    // Starts `executable --listen 127.0.0.1:0 --db database` and waits up to `timeoutMs`
    // for its line "listening HOST:PORT". Raises Exception with the reason when the server
    // cannot be started, exits, or says nothing in time (it is stopped then).
    void start(const QString& executable, const QString& database, int timeoutMs);
    void stop();

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    QString host() const { return m_host; }
    int port() const { return m_port; }
    qint64 processId() const { return m_process.processId(); }

private:
    bool takeListeningLine();
    void forwardOutput();
    [[noreturn]] void failStart(const QString& reason);

    QProcess m_process;
    QString m_host;
    int m_port = 0;
    bool m_stopping = false;
};

// Runs the server once with `arguments` (such as --init-demo) and waits for it to end.
// Raises Exception with its error output when it fails or runs longer than `timeoutMs`.
void runServerCommand(const QString& executable, const QStringList& arguments, int timeoutMs);
