#pragma once

// The calculation-run dialog: "Cálculo Apuração Gestão Torvo". It proposes the dates of the
// client's next calculation from the earlier ones and has the server run it, reading the
// main screen's branch, current service row, connection and two of its data sets.

#include "framework/components/date_edit.h"
#include "framework/forms/frm_roti_geral.h"

#include <QLabel>

class QFrame;
class QStatusBar;

class TfrmGeraCalcApur : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmGeraCalcApur(QWidget* parent = nullptr);

    QWidget* panGeral;
    QFrame* bvbDadosAliquota;
    QLabel* lblDataLanc;
    QLabel* Label1;
    TDateEditPlus* depDataInicial;
    TDateEditPlus* depDataFinal;
    QStatusBar* stbMensagens;
    // The status bar's one panel.
    QLabel* stbMensagensPanel;
    TMessages msgApur;

    void FormCreate(QObject* sender) override;
    void FormActivate(QObject* sender);
    void FormClose(QObject* sender, TCloseAction& action) override;
    void VerificaData();
    void Vd_Data();
    void sbtConfirmaClick(QObject* sender) override;

private:
    void BuildLayout();
    void BuildMessages();
};
