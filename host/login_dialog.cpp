#include "host/login_dialog.h"

#include "contracts/host_framework.h"
#include "framework/ui/guard.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginDialog::LoginDialog(QWidget* parent)
    : QDialog(parent), m_login(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_refusal(new QLabel(this)) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Entrar - Sistemas Integrados Corvana"));
    m_login->setObjectName(QStringLiteral("edtUsuario"));
    m_password->setObjectName(QStringLiteral("edtSenha"));
    m_password->setEchoMode(QLineEdit::Password);
    m_refusal->setObjectName(QStringLiteral("lblRecusa"));
    m_refusal->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_refusal->setWordWrap(true);
    m_refusal->hide();

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&Usuário:"), m_login);
    fields->addRow(QStringLiteral("&Senha:"), m_password);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* enter =
        buttons->addButton(QStringLiteral("&Entrar"), QDialogButtonBox::AcceptRole);
    enter->setObjectName(QStringLiteral("btnEntrar"));
    enter->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("&Cancelar"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancelar"));
    connect(enter, &QPushButton::clicked, this, guard([this](bool) { finish(mrOk); }));
    connect(cancel, &QPushButton::clicked, this, guard([this](bool) { finish(mrCancel); }));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_refusal);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

QString LoginDialog::login() const {
    return m_login->text().trimmed();
}

QString LoginDialog::password() const {
    return m_password->text();
}

void LoginDialog::setLogin(const QString& login) {
    m_login->setText(login);
    (login.isEmpty() ? m_login : m_password)->setFocus();
}

void LoginDialog::showRefusal(const QString& text) {
    m_refusal->setText(text);
    m_refusal->show();
    m_password->clear();
    m_password->setFocus();
}

void LoginDialog::reject() {
    finish(mrCancel);
}

void LoginDialog::finish(int modalResult) {
    setProperty("modalResult", modalResult);
    hide();
}
