#pragma once

// A host session's settings as an INI file: the login for unattended runs, the application
// server's address and how its certificate is checked, the program folder, the file that
// stands for the registry, and the suite's database.
//
//   [Login]       Usuario, Senha (both optional: without a password the host asks)
//   [Servidor]    WebURL, WebPort, CertificadoCA, ImpressaoDigital, TempoResposta (seconds
//                 a call waits for the server's answer)
//   [Programa]    PastaProgramas, ArquivoRegistro
//   [BancoDados]  Driver, Nome (QSQLITE: the file; QPSQL: a postgresql:// URI, the
//                 password from PGPASSWORD or ~/.pgpass, or in the URI)
//
// The login's branches are not here: they are the server's answer to the login. A missing
// key, or one left empty, takes its default. Relative paths are taken from the settings
// file's folder. A file that holds a password (the login's, or the database's in its URI)
// must be readable by its owner only.

#include <QString>

struct HostSession;

struct HostSettings {
    QString login, password;
    QString webUrl = QStringLiteral("127.0.0.1");
    int webPort = 52000;
    QString tlsCaFile;      // empty: none
    QString tlsFingerprint; // empty: none; else 64 lower-case hex digits
    int replyTimeoutMs = 60000;
    QString programFolder; // empty: the folder of the host's executable
    QString registryFile;  // empty: defaultRegistryFile()
    QString databaseDriver = QStringLiteral("QSQLITE");
    QString databaseName; // empty: no suite database
};

// The file read when the command line names none (it need not exist), and the registry
// stand-in used when the settings name none: each the user's own file
// (~/.config/corvana/apurfat-host/) when it exists, else the machine's
// (/etc/xdg/corvana/apurfat-host/, where the package names its program folder), else the
// user's path.
QString defaultSettingsFile();
QString defaultRegistryFile();

// Reads the settings. A file that does not exist gives the defaults, unless `mustExist`
// (a file named on the command line). Raises Exception naming the file, the key and the
// value when a value is unusable: a port outside 1–65535, a reply time outside 1–3600 s,
// a fingerprint that is not a SHA-256 one, an unreadable file; and naming the file when it holds a
// password others may read.
HostSettings readHostSettings(const QString& file, bool mustExist);

// Copies the settings into the session; the login's branches come from the server.
void applyToSession(const HostSettings& settings, HostSession& session);
