#pragma once

// The host's login window at start: user and password, and the server's refusal of the
// last attempt. A dialog, so that a screen reader announces it as one, by its caption; run
// modally through the dialog seam (Ui().RunModal), its modal result is mrOk when the clerk
// chose to enter. Enter anywhere enters; Esc cancels.

#include <QDialog>

class QLabel;
class QLineEdit;

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit LoginDialog(QWidget* parent = nullptr);

    QString login() const;
    QString password() const;
    void setLogin(const QString& login);
    // Shows why the last attempt failed and clears the password for the next one.
    void showRefusal(const QString& text);

    void reject() override;

private:
    void finish(int modalResult);

    QLineEdit* m_login;
    QLineEdit* m_password;
    QLabel* m_refusal;
};
