// The calculation-run dialog: its layout and messages, the proposal of the next period,
// the date checks and the run on the server.

#include "screens/calculo/frm_gera_calc_apur.h"
#include "screens/calculo/cli_rqx52100.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"
#include "screens/shared_widgets.h"

#include "contracts/app_server.h"
#include "contracts/host_framework.h"
#include "framework/components/focus.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

QString clientOfCurrentService() {
    return frmApurFatTR->cdsServEfet.FieldByName(QStringLiteral("CDCLIENTE")).AsString();
}

QVariant payloadOf(const char* method, QVariantList& args) {
    return CheckResultServ(
        frmApurFatTR->netApurFatTR.AppServer().Invoke(QString::fromLatin1(method), args), true, 0);
}

} // namespace

TfrmGeraCalcApur::TfrmGeraCalcApur(QWidget* parent) : TfrmRotiGeral(parent) {
    setObjectName(QStringLiteral("frmGeraCalcApur"));
    SetCaption(QStringLiteral("Cálculo Apuração Gestão Torvo"));
    SetClientSize(359, 97);
    BuildLayout();
    BuildMessages();
    OnActivate = [this] { FormActivate(this); };
    SetActiveControl(depDataInicial);
}

void TfrmGeraCalcApur::BuildLayout() {
    grbDadosRel->setFixedWidth(304);
    panGeral = new QWidget(grbDadosRel);
    panGeral->setObjectName(QStringLiteral("panGeral"));
    panGeral->setFixedSize(300, 58);
    lblDataLanc =
        boldLabel(QStringLiteral("lblDataLanc"), QStringLiteral("Data Inicial Apuração"), panGeral);
    lblDataLanc->move(6, 5);
    Label1 = boldLabel(QStringLiteral("Label1"), QStringLiteral("Data Final Apuração"), panGeral);
    Label1->move(6, 30);
    depDataInicial = billingDateEdit(QStringLiteral("depDataInicial"),
                                     QStringLiteral("Data Inicial Apuração"), panGeral);
    depDataInicial->setGeometry(148, 2, 150, 21);
    depDataFinal = billingDateEdit(QStringLiteral("depDataFinal"),
                                   QStringLiteral("Data Final Apuração"), panGeral);
    depDataFinal->setGeometry(148, 27, 150, 21);
    lblDataLanc->setBuddy(depDataInicial);
    Label1->setBuddy(depDataFinal);
    QWidget::setTabOrder(depDataInicial, depDataFinal);
    bvbDadosAliquota = new QFrame(panGeral);
    bvbDadosAliquota->setObjectName(QStringLiteral("bvbDadosAliquota"));
    bvbDadosAliquota->setFrameShape(QFrame::HLine);
    bvbDadosAliquota->setFrameShadow(QFrame::Sunken);
    bvbDadosAliquota->setGeometry(0, 56, 300, 2);

    stbMensagens = new QStatusBar(grbDadosRel);
    stbMensagens->setObjectName(QStringLiteral("stbMensagens"));
    stbMensagens->setSizeGripEnabled(false);
    stbMensagensPanel = new QLabel(stbMensagens);
    stbMensagensPanel->setMinimumWidth(50);
    stbMensagensPanel->setAccessibleName(QStringLiteral("Mensagens"));
    stbMensagens->addWidget(stbMensagensPanel, 1);
    stbMensagens->hide();

    auto* layout = new QVBoxLayout(grbDadosRel);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    layout->addWidget(panGeral);
    layout->addStretch();
    layout->addWidget(stbMensagens);
}

void TfrmGeraCalcApur::BuildMessages() {
    msgPadrao.Messages = {
        QStringLiteral("DtFim_Inf|Data final apuração deve ser informada."),
        QStringLiteral(
            "DataFinal<DataInicial|Data Inicial deve ser menor ou igual a data final de apuração."),
        QStringLiteral("DtIni_Inf|Data inic. apuração deve ser informada."),
        QStringLiteral("Apur_Clie|Apurando Cliente ..."),
        QStringLiteral("Sucesso|A apuração foi realizada com sucesso."),
        QStringLiteral("DtIni_Menor|Data inicial Apuração deve ser maior que a última  apurada."),
    };
    msgApur.Messages = {
        QStringLiteral("Apur_Clie|Apurando Cliente ..."),
        QStringLiteral("Sucesso|A apuração foi realizada com sucesso,"),
    };
}

void TfrmGeraCalcApur::FormCreate(QObject*) {
    VerificaData();
}

void TfrmGeraCalcApur::FormActivate(QObject*) {
    repaint();
}

void TfrmGeraCalcApur::FormClose(QObject* sender, TCloseAction& action) {
    boIdCriado = false;
    TfrmRotiGeral::FormClose(sender, action);
}

void TfrmGeraCalcApur::VerificaData() {
    TClientDataSet& periods = frmApurFatTR->cdsDtApuracao;
    const QString branch = frmApurFatTR->medCdFilial->Text();
    stNrApuracao.clear();
    QVariantList args{clientOfCurrentService(), branch};
    periods.SetData(payloadOf(ServerMethod::GetDtApuracao, args));

    // The scan moves on once more past the first locked calculation: the proposal follows
    // the row it rests on.
    boBloqApur = false;
    for (periods.First(); !periods.Eof() && !boBloqApur; periods.Next())
        if (periods.FieldByName(QStringLiteral("IDBLOQUEADO")).AsString() == QLatin1String("S"))
            boBloqApur = true;

    if (periods.IsEmpty()) {
        depDataInicial->SetDate(DataProc(branch));
    } else if (boBloqApur) {
        depDataInicial->SetDate(
            periods.FieldByName(QStringLiteral("DTFIMAPURAC")).AsDateTime().addDays(1));
        dDataInicial = depDataInicial->Date();
    } else {
        QVariantList again{clientOfCurrentService(), branch};
        frmApurFatTR->cdsApurCliente.SetData(payloadOf(ServerMethod::GetDtApuracao, again));
        // Only a client with a single calculation is held to its start.
        boBloqApur = frmApurFatTR->cdsApurCliente.RecordCount() < 2;
        stNrApuracao = periods.FieldByName(QStringLiteral("NRAPURACFAT")).AsString();
        depDataInicial->SetDate(periods.FieldByName(QStringLiteral("DTINIAPURAC")).AsDateTime());
        dDataInicial = periods.FieldByName(QStringLiteral("DTINIAPURAC")).AsDateTime();
        depDataFinal->SetDate(periods.FieldByName(QStringLiteral("DTFIMAPURAC")).AsDateTime());
    }
}

void TfrmGeraCalcApur::Vd_Data() {
    try {
        if (EmptyString(depDataInicial->Text()))
            MensErro(msgPadrao.Msg(QStringLiteral("DtIni_Inf")), true);
        depDataInicial->CheckValidDate();
        if (boBloqApur && depDataInicial->Date() < dDataInicial) {
            SetFocus(depDataInicial);
            MensErro(msgPadrao.Msg(QStringLiteral("DtIni_Menor")), true);
        }
    } catch (...) {
        SetFocus(depDataInicial);
        throw;
    }
    try {
        if (EmptyString(depDataFinal->Text()))
            MensErro(msgPadrao.Msg(QStringLiteral("DtFim_Inf")), true);
        // An impossible end date is reported as such, not compared as the zero date.
        depDataFinal->CheckValidDate();
        if (depDataInicial->Date() > depDataFinal->Date())
            MensErro(msgPadrao.Msg(QStringLiteral("DataFinal<DataInicial")), true);
    } catch (...) {
        SetFocus(depDataFinal);
        throw;
    }
}

void TfrmGeraCalcApur::sbtConfirmaClick(QObject*) {
    Vd_Data();
    stbMensagens->show();
    stbMensagensPanel->setText(msgApur.Msg(QStringLiteral("Apur_Clie")));
    // The run blocks the screen: the status must be on it before.
    repaint();
    QVariantList args{FiliProc(),
                      clientOfCurrentService(),
                      depDataInicial->Date(),
                      depDataFinal->Date(),
                      stNrApuracao,
                      frmApurFatTR->medCdFilial->Text()};
    payloadOf(ServerMethod::Confirma_Calculo, args);
    stNrApuracao = args.at(ServerMethod::ConfirmaCalculoNumberArg).toString();
    stbMensagensPanel->clear();
    msgPadrao.ShowMsg(QStringLiteral("Sucesso"), mtInformation, mbOK, 0);
}
