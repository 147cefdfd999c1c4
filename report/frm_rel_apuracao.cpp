// The report screen's life and its selection: the branches, the client, the client's
// calculations and the report of the one picked.

#include "report/frm_rel_apuracao.h"
#include "report/cli_rqx30700.h"

#include "contracts/app_server.h"
#include "contracts/busy_animation.h"
#include "contracts/host_framework.h"
#include "contracts/rel_apuracao.h"
#include "framework/components/focus.h"
#include "framework/ui/guard.h"
#include "report/report_html.h"

TfrmRelApuracao::~TfrmRelApuracao() {
    dbgApuracao->SetDataSource(nullptr);
    cdsApuracao.AfterScroll = nullptr;
    if (frmRelApuracao == this) {
        frmRelApuracao = nullptr;
        boRelCriado = false;
    }
}

QString TfrmRelApuracao::Filial() const {
    return cbxFilial->currentData().toString();
}

void TfrmRelApuracao::FormCreate() {
    netRelApuracao.ServerName = QString::fromLatin1(ServerMethod::ServerName);
    netRelApuracao.ThrowException = false;
    netRelApuracao.BeforeConnect = [](TNetConnection& connection) {
        connection.Port = WebPort();
        connection.SetHost(WebURL());
    };
    {
        BusyAnimation busy(this, 0);
        netRelApuracao.SetConnected(true);
    }

    connect(cbxFilial, &QComboBox::currentIndexChanged, this,
            guard([this](int) { cbxFilialChange(); }));
    connect(medCdCliente, &QLineEdit::returnPressed, this, guard([this] { Vd_Cliente(); }));
    // The clerk types the bare number; the mask of its person type shows once it is known.
    ControlEvents::of(medCdCliente).OnEnter = [this] { medCdCliente->SetEditMask(QString()); };
    ControlEvents::of(medCdCliente).OnExit = [this] { Vd_Cliente(); };
    btpCliente->OnBeforePesq = [this](TBtnPesquisa&, bool& proceed) {
        btpClienteBeforePesq(proceed);
    };
    btpCliente->OnAfterPesq = [this](TBtnPesquisa&) { btpClienteAfterPesq(); };
    cdsApuracao.AfterScroll = [this](TClientDataSet&) {
        if (!m_listing)
            CarregaRelatorio();
    };

    CarregaFiliais();
    LimpaSelecao(true);
}

void TfrmRelApuracao::FormClose(TCloseAction& action) {
    action = caFree;
    boRelCriado = false;
    netRelApuracao.SetConnected(false);
}

void TfrmRelApuracao::CarregaFiliais() {
    const QSignalBlocker quiet(cbxFilial);
    cbxFilial->clear();
    QString preferred = FiliProcFat();
    QString preferredName = NomeFiliProcFat();
    if (EmptyString(preferred)) {
        preferred = FiliProc();
        preferredName = NomeFiliProc();
    }
    // A login bound to one branch reports on that branch only.
    if (!ModuFili()) {
        try {
            qryFilial.Close();
            qryFilial.ParamByName(QStringLiteral("P_CDFILIAL")).Clear();
            qryFilial.Open();
            TClientDataSet& branches = qryFilial.Query();
            for (branches.First(); !branches.Eof(); branches.Next()) {
                const QString code = branches.FieldByName(QStringLiteral("CDFILIAL")).AsString();
                cbxFilial->addItem(
                    QStringLiteral("%1 - %2").arg(
                        code, branches.FieldByName(QStringLiteral("NMFILIAL")).AsString()),
                    code);
            }
        } catch (const EDatabaseError& e) {
            // Without the suite's database the clerk still reports on the login's branch.
            qWarning("report: branch list unavailable: %s", qPrintable(e.message()));
        }
    }
    if (cbxFilial->findData(preferred) < 0 && !EmptyString(preferred))
        cbxFilial->insertItem(0, QStringLiteral("%1 - %2").arg(preferred, preferredName),
                              preferred);
    cbxFilial->setCurrentIndex(qMax(0, cbxFilial->findData(preferred)));
    cbxFilial->setEnabled(!ModuFili());
}

void TfrmRelApuracao::cbxFilialChange() {
    LimpaSelecao(true);
}

void TfrmRelApuracao::LimpaSelecao(bool client) {
    if (client) {
        m_validatedClient.clear();
        medCdCliente->SetEditMask(QString());
        medCdCliente->SetText(QString());
        edtNmCliente->clear();
        cdsCliente.Close();
    }
    const bool quiet = std::exchange(m_listing, true);
    cdsApuracao.Close();
    m_listing = quiet;
    MostraRelatorio(std::nullopt, msgPadrao.Msg(QStringLiteral("Escolha")));
}

void TfrmRelApuracao::Vd_Cliente() {
    QString key = medCdCliente->Text();
    Ajusta_Inscricao(key);
    if (key == m_validatedClient && !key.isEmpty())
        return;
    if (key.isEmpty()) {
        LimpaSelecao(true);
        return;
    }
    if (EmptyString(Filial())) {
        SetFocus(cbxFilial);
        MensErro(msgPadrao.Msg(QStringLiteral("Filial_Emp")), true);
    }
    QVariantList args{Filial(), key};
    cdsCliente.SetData(CheckResultServ(
        netRelApuracao.AppServer().Invoke(ServerMethod::GetCliente, args), true, 0));
    if (cdsCliente.IsEmpty()) {
        LimpaSelecao(false);
        m_validatedClient.clear();
        edtNmCliente->clear();
        SetFocus(medCdCliente);
        MensErro(msgPadrao.Msg(QStringLiteral("Cliente_Inv")), true);
    }
    MostraCliente();
}

void TfrmRelApuracao::btpClienteBeforePesq(bool& proceed) {
    if (EmptyString(Filial())) {
        proceed = false;
        MensErro(msgPadrao.Msg(QStringLiteral("Filial_Emp")), true);
    }
    QVariantList args{Filial(), QString()};
    cdsCliente.SetData(CheckResultServ(
        netRelApuracao.AppServer().Invoke(ServerMethod::GetCliente, args), true, 0));
}

void TfrmRelApuracao::btpClienteAfterPesq() {
    MostraCliente();
}

void TfrmRelApuracao::MostraCliente() {
    const QString registration = cdsCliente.FieldByName(QStringLiteral("NRINSJURCLIE")).AsString();
    medCdCliente->SetEditMask(
        PictPess(cdsCliente.FieldByName(QStringLiteral("IDTPIJURCLIE")).AsString()));
    medCdCliente->SetText(registration);
    edtNmCliente->setText(cdsCliente.FieldByName(QStringLiteral("NMRAZSOCCLIE")).AsString());
    edtNmCliente->setCursorPosition(0);
    m_validatedClient = registration;
    CarregaApuracoes();
}

void TfrmRelApuracao::CarregaApuracoes() {
    QVariantList args{cdsCliente.FieldByName(QStringLiteral("CDCLIENTE")).AsString(), Filial()};
    const QVariant payload = CheckResultServ(
        netRelApuracao.AppServer().Invoke(ServerMethod::GetDtApuracao, args), true, 0);
    {
        const bool quiet = std::exchange(m_listing, true);
        cdsApuracao.SetData(payload);
        // The latest calculation is the one a clerk usually wants to see.
        cdsApuracao.Last();
        m_listing = quiet;
    }
    if (cdsApuracao.IsEmpty()) {
        MostraRelatorio(std::nullopt, msgPadrao.Msg(QStringLiteral("Sem_Apuracao")));
        return;
    }
    CarregaRelatorio();
}

void TfrmRelApuracao::CarregaRelatorio() {
    if (!cdsApuracao.Active() || cdsApuracao.IsEmpty()) {
        MostraRelatorio(std::nullopt, msgPadrao.Msg(QStringLiteral("Escolha")));
        return;
    }
    const QString number = cdsApuracao.FieldByName(QStringLiteral("NRAPURACFAT")).AsString();
    // What failed is shown once (by the server check or by the guard); the page says there
    // is no report rather than keeping the previous one under another number.
    const auto failed = [&](const QString& reason) {
        MostraRelatorio(std::nullopt, (msgPadrao.Msg(QStringLiteral("Falha")).arg(number) +
                                       QStringLiteral("\n\n") + reason)
                                          .trimmed());
    };
    try {
        BusyAnimation busy(this, 1);
        QVariantList args{Filial(), number};
        const QVariant payload = CheckResultServ(
            netRelApuracao.AppServer().Invoke(ServerMethod::GetRelApuracao, args), true, 0);
        MostraRelatorio(report::reportFromPayload(payload), QString());
    } catch (const EAlreadyShown& e) {
        failed(e.message());
        throw;
    } catch (...) {
        failed(describeCurrentException());
        throw;
    }
}

void TfrmRelApuracao::MostraRelatorio(std::optional<report::CalculationReport> shown,
                                      const QString& text) {
    m_report = std::move(shown);
    if (m_report)
        txtRelatorio->setHtml(report::reportHtml(*m_report));
    else
        txtRelatorio->setPlainText(text);
    for (TSpeedButton* command : {sbtVisualizar, sbtImprimir, sbtExportarPdf, sbtExportarCsv})
        command->setEnabled(m_report.has_value());
}
