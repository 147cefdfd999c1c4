// The first two lines of the filter: the branch, validated on the suite's database, and
// the client, validated by the application server; their lookups and the masked display
// of the client's registration number.

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "contracts/app_server.h"
#include "contracts/host_framework.h"
#include "framework/components/focus.h"
#include "framework/data/edit_mask.h"

namespace {
const QString kBranchParam = QStringLiteral("P_CDFILIAL");
} // namespace

void TfrmApurFatTR::medCdFilialChange(QObject*) {
    edtNmFilial->clear();
}

void TfrmApurFatTR::medCdFilialExit(QObject*) {
    Vd_Filial(false);
}

void TfrmApurFatTR::btpFilialBeforePesq(QObject*, bool&) {
    qryFilial.Close();
    qryFilial.ParamByName(kBranchParam).Clear();
    qryFilial.Open();
}

void TfrmApurFatTR::btpFilialAfterPesq(QObject*) {
    TClientDataSet& branches = qryFilial.Query();
    medCdFilial->SetText(branches.FieldByName(QStringLiteral("CDFILIAL")).AsString());
    edtNmFilial->setText(branches.FieldByName(QStringLiteral("NMFILIAL")).AsString());
}

void TfrmApurFatTR::Vd_Filial(bool required) {
    const bool empty = EmptyString(medCdFilial->Text());
    try {
        if (empty) {
            if (required)
                MensErro(msgPadrao.Msg(QStringLiteral("Filial_Emp")), true);
        } else {
            medCdFilial->SetText(Ajusta(medCdFilial->Text(), 4));
            qryFilial.Close();
            qryFilial.ParamByName(kBranchParam).SetAsString(medCdFilial->Text());
            qryFilial.Open();
            if (qryFilial.IsEmpty())
                MensErro(msgPadrao.Msg(QStringLiteral("Filial_Cad")), true);
        }
    } catch (...) {
        SetFocus(medCdFilial);
        throw;
    }
    if (empty)
        edtNmFilial->clear();
    else
        edtNmFilial->setText(qryFilial.Query().FieldByName(QStringLiteral("NMFILIAL")).AsString());
}

void TfrmApurFatTR::medCdClienteChange(QObject*) {
    edtNmCliente->clear();
}

void TfrmApurFatTR::medCdClienteEnter(QObject*) {
    // Taking the mask off rewrites the text; the client's name must survive that.
    const auto onChange = std::exchange(medCdCliente->OnChange, nullptr);
    medCdCliente->SetEditMask(QString());
    medCdCliente->SetMaxLength(20);
    medCdCliente->OnChange = onChange;
}

void TfrmApurFatTR::medCdClienteExit(QObject*) {
    Vd_Cliente(false);
}

void TfrmApurFatTR::btpClienteBeforePesq(QObject*, bool&) {
    LoadFromServer(cdsCliente, ServerMethod::GetCliente, {medCdFilial->Text(), QString()});
}

void TfrmApurFatTR::btpClienteAfterPesq(QObject*) {
    medCdCliente->SetText(cdsCliente.FieldByName(QStringLiteral("NRINSJURCLIE")).AsString());
    edtNmCliente->setText(cdsCliente.FieldByName(QStringLiteral("NMRAZSOCCLIE")).AsString());
}

void TfrmApurFatTR::Vd_Cliente(bool required) {
    const bool empty = EmptyString(medCdCliente->Text());
    try {
        if (empty) {
            if (required)
                MensErro(msgPadrao.Msg(QStringLiteral("Cliente_Inf")), true);
        } else {
            QString key = medCdCliente->Text();
            Ajusta_Inscricao(key);
            medCdCliente->SetText(key);
            LoadFromServer(cdsCliente, ServerMethod::GetCliente,
                           {medCdFilial->Text(), medCdCliente->Text()});
            if (cdsCliente.IsEmpty())
                MensErro(msgPadrao.Msg(QStringLiteral("Cliente_Inv")), true);
        }
    } catch (...) {
        SetFocus(medCdCliente);
        throw;
    }
    if (empty) {
        edtNmCliente->clear();
        return;
    }
    medCdCliente->SetEditMask(
        PictPess(cdsCliente.FieldByName(QStringLiteral("IDTPIJURCLIE")).AsString()));
    edtNmCliente->setText(cdsCliente.FieldByName(QStringLiteral("NMRAZSOCCLIE")).AsString());
}

void TfrmApurFatTR::cdsClienteNRINSJURCLIEGetText(TField& sender, QString& text, bool) {
    const QString mask =
        PictPess(sender.DataSet().FieldByName(QStringLiteral("IDTPIJURCLIE")).AsString());
    text = mask.isEmpty() ? sender.AsString() : EditMask(mask).format(sender.AsString());
}
