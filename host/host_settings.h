#pragma once

// The login of a host session as an INI settings file: the branches, whether the login is
// bound to one branch, the application server's address, the program folder, the file
// that stands for the registry, and the suite's database.
//
//   [Login]       FiliProc, NomeFiliProc, FiliProcFat, NomeFiliProcFat, ModuFili
//   [Servidor]    WebURL, WebPort
//   [Programa]    PastaProgramas, ArquivoRegistro
//   [BancoDados]  Driver, Nome
//
// A missing key, or one left empty, takes its default. Relative paths are taken from the
// settings file's folder.

#include <QString>

struct HostSession;

struct HostSettings {
    QString filiProc, nomeFiliProc;
    QString filiProcFat, nomeFiliProcFat;
    bool moduFili = false;
    QString webUrl = QStringLiteral("127.0.0.1");
    int webPort = 52000;
    QString programFolder; // empty: the folder of the host's executable
    QString registryFile;  // empty: defaultRegistryFile()
    QString databaseDriver = QStringLiteral("QSQLITE");
    QString databaseName; // empty: no suite database
};

// The file read when the command line names none (it need not exist).
QString defaultSettingsFile();
// The registry stand-in used when the settings name none.
QString defaultRegistryFile();

// Reads the settings. A file that does not exist gives the defaults, unless `mustExist`
// (a file named on the command line). Raises Exception naming the file, the key and the
// value when a value is unusable: a port outside 1–65535, a ModuFili that is not a
// yes/no, a branch code that is not up to four letters or digits, an unreadable file.
HostSettings readHostSettings(const QString& file, bool mustExist);

// Copies the login values into the session; the processing date is the caller's to set.
void applyToSession(const HostSettings& settings, HostSession& session);
