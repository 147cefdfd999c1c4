#pragma once

// What every main-screen test starts from: a suite database with two branches, a host
// session whose connections reach a scripted server, a registry file, and scripted
// dialogs. The screen is opened the way the host opens it, through IniProc.

#include "scripted_app_server.h"
#include "scripted_ui.h"

#include "framework/session.h"

#include <QTemporaryDir>

class TfrmApurFatTR;

class ScreenFixture {
public:
    ScreenFixture();
    ~ScreenFixture();
    ScreenFixture(const ScreenFixture&) = delete;
    ScreenFixture& operator=(const ScreenFixture&) = delete;

    // Writes the registry's program-folder value; a null text removes the key.
    void setProgramFolderValue(const QString& value);
    // Creates the report package file in `folder`.
    void installReportPackage(const QString& folder);
    QString folder(const QString& name) const;

    // IniProc, then the screen shown and active.
    TfrmApurFatTR* open();
    // Closes the screen and lets it go; returns whether it closed.
    bool close();

    ScriptedUi ui;
    ScriptedAppServer server;
    QTemporaryDir dir;

private:
    HostSession m_savedSession;
};
