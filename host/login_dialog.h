#pragma once

// The host's login window at start: user and password, and the server's refusal of the
// last attempt. Run through the dialog seam (Ui().RunModal); its modal result is mrOk when
// the clerk chose to enter.

#include <QWidget>

class QLabel;
class QLineEdit;

class LoginDialog : public QWidget {
    Q_OBJECT
public:
    explicit LoginDialog(QWidget* parent = nullptr);

    QString login() const;
    QString password() const;
    void setLogin(const QString& login);
    // Shows why the last attempt failed and clears the password for the next one.
    void showRefusal(const QString& text);

private:
    void finish(int modalResult);

    QLineEdit* m_login;
    QLineEdit* m_password;
    QLabel* m_refusal;
};
