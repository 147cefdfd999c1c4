#pragma once

// The suite's standard routine dialog: an input group box on the left and a button panel
// on the right with the confirm button. A derived dialog takes over FormCreate, FormClose
// and sbtConfirmaClick by overriding them.

#include "framework/components/messages.h"
#include "framework/components/speed_button.h"
#include "framework/forms/form.h"

class QGroupBox;

class TfrmRotiGeral : public TForm {
    Q_OBJECT
public:
    explicit TfrmRotiGeral(QWidget* parent = nullptr);

    QGroupBox* grbDadosRel;
    QWidget* panMenu;
    QWidget* panBotoes;
    TSpeedButton* sbtConfirma;
    TSpeedButton* sbtFechar;
    TMessages msgPadrao;

    virtual void FormCreate(QObject* sender);
    virtual void FormClose(QObject* sender, TCloseAction& action);
    virtual void sbtConfirmaClick(QObject* sender);
};
