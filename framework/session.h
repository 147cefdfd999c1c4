#pragma once

// The host session: the values of the current login that the framework's host globals
// (FiliProc, ModuFili, DataProc, WebURL, …) return. The host fills it from its settings;
// tests fill it directly.

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
    QString programFolder; // where the suite's packages (Pkg_<code>.bpl) live
    QString registryFile;  // INI file standing for HKEY_LOCAL_MACHINE
    // The processing date of a branch; today when unset.
    std::function<QDateTime(const QString& branch)> dataProc;
    // When set, the connections made from now on reach this server in process instead of
    // a socket (not owned).
    AppServer* appServer = nullptr;
};

HostSession& hostSession();
