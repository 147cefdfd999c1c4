#include "host/server_login.h"

#include "framework/net/rpc_client.h"
#include "framework/session.h"
#include "host/login_dialog.h"

void logInToServer(HostSession& session, int timeoutMs) {
    RpcClient client;
    client.setEndpoint(session.webUrl, session.webPort);
    client.setTimeouts(timeoutMs, timeoutMs);
    client.setCredentials(session.login, session.password);
    client.setTls({session.tlsCaFile, session.tlsFingerprint});
    client.open();
    const QVariantMap& answer = client.session();
    session.filiProc = answer.value(QStringLiteral("FiliProc")).toString();
    session.nomeFiliProc = answer.value(QStringLiteral("NomeFiliProc")).toString();
    session.filiProcFat = answer.value(QStringLiteral("FiliProcFat")).toString();
    session.nomeFiliProcFat = answer.value(QStringLiteral("NomeFiliProcFat")).toString();
    session.moduFili = answer.value(QStringLiteral("ModuFili")).toBool();
}

void logInInteractively(HostSession& session, int timeoutMs) {
    LoginDialog dialog;
    dialog.setLogin(session.login);
    for (;;) {
        if (Ui().RunModal(&dialog) != mrOk)
            Abort();
        session.login = dialog.login();
        session.password = dialog.password();
        try {
            logInToServer(session, timeoutMs);
            return;
        } catch (const ELoginRefused& e) {
            dialog.showRefusal(e.message());
        }
    }
}
