#pragma once

// The host session: the values of the current login that the framework's host globals
// (FiliProc, ModuFili, DataProc, WebURL, …) return, and what a connection to the server
// needs to open a session of that login. The host fills it from its settings and the
// server's answer to its login; tests fill it directly.

#include <QDateTime>
#include <QString>

#include <functional>

class AppServer;

struct HostSession {
    QString filiProc, nomeFiliProc;       // processing branch of the login
    QString filiProcFat, nomeFiliProcFat; // billing branch, empty when none is set
    bool moduFili = false;                // the login is bound to one branch
    QString webUrl = QStringLiteral("127.0.0.1");
    int webPort = 0;
    // Every connection to the server logs in with these; an empty login opens no session.
    QString login, password;
    // The server's certificate is checked against these; both empty: plain TCP, which
    // only a server on this machine is reached with.
    QString tlsCaFile;      // PEM file of the trusted certificate authorities
    QString tlsFingerprint; // SHA-256 of the server's certificate, hexadecimal
    // How long a call waits for the server's answer before it is reported as unanswered.
    int replyTimeoutMs = 60000;
    QString programFolder; // where the suite's packages (Pkg_<code>.bpl) live
    QString registryFile;  // INI file standing for HKEY_LOCAL_MACHINE
    // The processing date of a branch; today when unset.
    std::function<QDateTime(const QString& branch)> dataProc;
    // When set, the connections made from now on reach this server in process instead of
    // a socket (not owned).
    AppServer* appServer = nullptr;
};

HostSession& hostSession();
