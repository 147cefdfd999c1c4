#include "framework/components/net_connection.h"

#include "contracts/host_framework.h"
#include "framework/session.h"

TNetConnection::TNetConnection() : m_injected(hostSession().appServer) {
    m_client.setBeforeConnect([this] {
        if (BeforeConnect)
            BeforeConnect(*this);
        m_client.setEndpoint(m_host, Port);
        // Read at every connect: a reconnect after the session ended logs in with the
        // host's current login.
        const HostSession& session = hostSession();
        m_client.setCredentials(session.login, session.password);
        m_client.setTls({session.tlsCaFile, session.tlsFingerprint});
        m_client.setReplyTimeout(session.replyTimeoutMs);
    });
}

TNetConnection::~TNetConnection() = default;

bool TNetConnection::Connected() const {
    return m_injected ? m_injectedConnected : m_client.isOpen();
}

void TNetConnection::SetConnected(bool connected) {
    if (connected == Connected())
        return;
    if (connected) {
        connect();
        return;
    }
    m_injectedConnected = false;
    m_client.close();
}

bool TNetConnection::connect() {
    if (m_injected) {
        if (BeforeConnect)
            BeforeConnect(*this);
        m_injectedConnected = true;
        return true;
    }
    try {
        m_client.open();
        return true;
    } catch (const ENetError& e) {
        if (ThrowException)
            throw;
        m_unreachable.message = e.message();
        Ui().MessageDlg(e.message(), mtError, mbOK, 0);
        return false;
    }
}

::AppServer& TNetConnection::AppServer() {
    if (!Connected() && !connect())
        return m_unreachable;
    if (m_injected)
        return *m_injected;
    return m_client;
}

void TNetConnection::SetAppServer(::AppServer* server) {
    SetConnected(false);
    m_injected = server;
}

QVariant TNetConnection::Unreachable::Invoke(const QString&, QVariantList&) {
    throw EAlreadyShown(message);
}
