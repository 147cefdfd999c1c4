#pragma once

// The main screen against the real application server: `apurfat-server` started as a child
// on a fresh demonstration database over loopback (a SQLite file, or a PostgreSQL database
// when the run asks for one), the same database serving as the suite's database for the
// branch query, and a connection of the test's own to read what the database holds. Only the
// dialogs are scripted, so that no modal blocks the test; the clerk's input goes through the real
// widgets as key and mouse events.

#include "scripted_ui.h"
#include "test_database.h"

#include "framework/session.h"
#include "host/server_process.h"

#include <QSqlDatabase>

class TfrmApurFatTR;
class QAbstractItemView;
class QWidget;
#include <QDate>

class RealServerScreen {
public:
    RealServerScreen();
    ~RealServerScreen();
    RealServerScreen(const RealServerScreen&) = delete;
    RealServerScreen& operator=(const RealServerScreen&) = delete;

    // IniProc, then the screen shown and active; null when it failed to open.
    TfrmApurFatTR* open();
    // Stops the server and starts it again on the same port and database.
    void restartServer();
    // Closes the screen by its close button; returns whether it is gone.
    bool closeByButton();

    // One value of a query on the database as it is now.
    QVariant scalar(const QString& sql, const QVariantList& values = {}) const;
    // Every row of a query, each row its values joined by '|'.
    QStringList rows(const QString& sql, const QVariantList& values = {}) const;

    // The clerk's input: replaces the text of `edit` by typing `keys`, then presses `leave`
    // (Tab by default) on it.
    void type(QWidget* edit, const QString& keys, Qt::Key leave = Qt::Key_Tab);
    void click(QWidget* widget);
    // Types `text` key by key into whatever holds the focus, as the keyboard does (a grid
    // hands the keys after the first to the cell editor it opened).
    static void keys(const QString& text);
    // Clicks the cell of `grid` at `row`, `column`.
    void clickCell(QAbstractItemView* grid, int row, int column);
    // Types branch, client (its registration number from the database) and period into
    // the filter, and tabs out of it.
    void typeFilter(const QString& branchKeys, const QString& client, const QDate& from,
                    const QDate& to);
    // Last month: demonstration data of every client, not calculated yet.
    static QDate lastMonthFirst();
    static QDate lastMonthLast();

    ScriptedUi ui;
    TestDatabase database{QStringLiteral("demo.sqlite")};
    ServerProcess server;
    TfrmApurFatTR* s = nullptr;

private:
    HostSession m_savedSession;
    QString m_connection;
};
