#pragma once

// The host's main window: the MDI area the modules' screens open in, the menu that starts
// them, and the login of the session in the status bar.

#include <QMainWindow>

class QAction;
class QLabel;
class QMdiArea;
class ServerProcess;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* Title = "Sistemas Integrados Corvana";

    explicit MainWindow(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return m_mdiArea; }
    // Starts the billing calculation module, as its menu entry does.
    void openApuracao();
    // Tells in the status bar when the host's own server ends and is started again.
    void reportRestarts(const ServerProcess& server);

protected:
    // The open screens are asked first; one that refuses to close keeps the host open.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void showLogin();

    QMdiArea* m_mdiArea;
    QAction* m_apuracao = nullptr;
    QLabel* m_serverNotice = nullptr;
};
