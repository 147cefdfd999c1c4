#pragma once

// A misbehaving server on its own thread: accepts connections, reads a request line and
// then does one wrong thing.

#include <QThread>

#include <atomic>

class FakeServer : public QThread {
public:
    enum Behaviour {
        Silent,  // never answers
        HangUp,  // closes the connection once the request is in
        Garbage, // answers a line that is not JSON
        WrongId, // answers a call that was not made
        Drops,   // answers with an error about the connection (no id), as before closing
    };

    explicit FakeServer(Behaviour behaviour);
    ~FakeServer() override;

    quint16 port() const { return m_port; }
    int connections() const { return m_connections.load(); }

protected:
    void run() override;

private:
    Behaviour m_behaviour;
    std::atomic<quint16> m_port{0};
    std::atomic<int> m_connections{0};
    std::atomic<bool> m_stop{false};
};
