#pragma once

// The host's command line.

#include <QString>
#include <QStringList>

struct HostOptions {
    QString settingsFile;     // --settings: empty means the per-user default file
    bool demo = false;        // --demo
    QString demoFolder;       // --demo-dir: empty means the per-user data folder
    QString serverExecutable; // --server: empty means apurfat-server beside the host
    bool answered = false;    // --help or --version was printed: nothing else to do
};

// Parses the arguments (the program name first). Bad usage raises Exception with a
// message for the user; --help prints the usage, --version the version, and both set
// answered.
HostOptions parseHostOptions(const QStringList& arguments);
