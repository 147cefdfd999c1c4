#pragma once

// The demo: a demo database in a folder of its own (created once, then kept with the
// clerk's changes), a registry stand-in that names the program folder, a local application
// server on that database (started again on its port when it dies), the suite's shared
// connection on it, and a login, unattended, as the demo's user with rights on both of its
// branches.

#include "host/server_process.h"

#include <QString>

struct HostSession;

struct DemoSetup {
    QString folder;           // where the demo's files live
    QString serverExecutable; // apurfat-server
    QString programFolder;    // where the suite's packages live
    int timeoutMs = 20000;    // for creating the database and for the server's start
};

class DemoEnvironment {
public:
    explicit DemoEnvironment(DemoSetup setup);
    // Stops the server and closes the shared connection.
    ~DemoEnvironment();
    DemoEnvironment(const DemoEnvironment&) = delete;
    DemoEnvironment& operator=(const DemoEnvironment&) = delete;

    // Prepares everything and fills the session; raises Exception when a step fails.
    void start(HostSession& session);

    QString databaseFile() const;
    QString registryFile() const;
    const ServerProcess& server() const { return m_server; }

private:
    // Runs the server's --init-demo unless the database exists; true when it made it.
    bool createDatabaseOnce();

    DemoSetup m_setup;
    ServerProcess m_server;
};

// The per-user folder of the demo's files.
QString defaultDemoFolder();

// The registry key and value the suite's modules read their program folder from.
inline constexpr const char* ProgramFolderRegistryKey =
    "SOFTWARE\\CORVANA\\Sistemas Integrados Corvana\\WebSrv";
inline constexpr const char* ProgramFolderRegistryValue = "ExeFileDir";

// Writes the program folder into the registry stand-in (an INI file of the demo's own),
// with a trailing separator as the suite keeps it.
void writeProgramFolderToRegistry(const QString& registryFile, const QString& programFolder);
