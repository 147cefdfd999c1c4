#include "framework/forms/frm_roti_geral.h"

#include "framework/components/accessibility.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

TfrmRotiGeral::TfrmRotiGeral(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmRotiGeral"));
    setWindowFlag(Qt::Dialog);
    setDialogAccessibility(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    grbDadosRel = new QGroupBox(this);
    grbDadosRel->setObjectName(QStringLiteral("grbDadosRel"));
    panMenu = new QWidget(this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    panBotoes = new QWidget(panMenu);
    panBotoes->setObjectName(QStringLiteral("panBotoes"));
    auto* buttons = new QVBoxLayout(panBotoes);
    buttons->setContentsMargins(6, 8, 6, 8);
    sbtConfirma = new TSpeedButton(panBotoes);
    sbtConfirma->setObjectName(QStringLiteral("sbtConfirma"));
    sbtConfirma->SetHint(QStringLiteral("Confirmar"));
    sbtConfirma->SetGlyph(
        QIcon::fromTheme(QStringLiteral("dialog-ok"),
                         QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton)));
    sbtConfirma->SetSize(40, 34);
    sbtFechar = new TSpeedButton(panBotoes);
    sbtFechar->setObjectName(QStringLiteral("sbtFechar"));
    sbtFechar->SetHint(QStringLiteral("Fechar"));
    sbtFechar->SetGlyph(
        QIcon::fromTheme(QStringLiteral("window-close"),
                         QApplication::style()->standardIcon(QStyle::SP_DialogCloseButton)));
    sbtFechar->SetSize(40, 34);
    buttons->addWidget(sbtConfirma);
    buttons->addWidget(sbtFechar);
    buttons->addStretch();
    auto* menuLayout = new QVBoxLayout(panMenu);
    menuLayout->setContentsMargins(0, 0, 0, 0);
    menuLayout->addWidget(panBotoes);
    layout->addWidget(grbDadosRel, 1);
    layout->addWidget(panMenu);

    OnCreate = [this] { FormCreate(this); };
    OnClose = [this](TCloseAction& action) { FormClose(this, action); };
    sbtConfirma->OnClick = [this] { sbtConfirmaClick(sbtConfirma); };
    sbtFechar->OnClick = [this] { Close(); };
}

void TfrmRotiGeral::FormCreate(QObject*) {}

void TfrmRotiGeral::FormClose(QObject*, TCloseAction& action) {
    action = caFree;
}

void TfrmRotiGeral::sbtConfirmaClick(QObject*) {}
