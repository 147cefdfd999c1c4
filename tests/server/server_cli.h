#pragma once

// The server executable as an operator runs it: a command run to its end, or a server
// listening on a free port whose log the test reads.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

struct CommandOutcome {
    int status; // -1 when the command crashed or did not end in time
    QString out, err;
};

CommandOutcome runServer(const QStringList& arguments, const QByteArray& input = {});

class ListeningServer {
public:
    // Starts `apurfat-server --listen 127.0.0.1:0 --db database` with `extra` arguments and
    // waits for its port; port() is 0 when it did not come up.
    explicit ListeningServer(const QString& database, const QStringList& extra = {});
    ~ListeningServer();
    ListeningServer(const ListeningServer&) = delete;
    ListeningServer& operator=(const ListeningServer&) = delete;

    int port() const { return m_port; }
    // Everything the server wrote, both channels, up to now.
    QString log();
    // Waits until the log holds `text`; false when it did not within the time.
    bool waitForLog(const QString& text, int timeoutMs = 10000);

private:
    bool waitUntil(const std::function<bool(const QString& log)>& seen, int timeoutMs);

    QProcess m_process;
    QByteArray m_log;
    int m_port = 0;
};
