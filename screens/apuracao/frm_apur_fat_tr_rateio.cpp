// The apportionment of a day: the split of its billed diners over invoice numbers, and
// the check that the split adds up.

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "screens/apuracao/apportionment_balance.h"
#include "screens/apuracao/cli_rqx52000.h"

#include "contracts/host_framework.h"
#include "framework/components/focus.h"
#include "framework/data/controls_suspended.h"
#include "framework/data/text_format.h"
#include "framework/ui/guard.h"

bool TfrmApurFatTR::Vd_Soma() {
    if (cdsRateio.State() != dsBrowse || cdsRateio.IsEmpty())
        return true;
    TField& quantity = cdsRateio.FieldByName(QStringLiteral("QTDERATEIO"));
    try {
        // Each share counts with the two decimals the clerk works in, however many the grid
        // shows; the cursor is left on the last row.
        double sum = 0;
        {
            ControlsSuspended suspended(cdsRateio);
            for (cdsRateio.First(); !cdsRateio.Eof(); cdsRateio.Next())
                sum += RoundDec(quantity.AsFloat(), 2);
        }
        const double billed = cdsEfetivos.FieldByName(QStringLiteral("QTCOMECDRS")).AsFloat();
        if (RoundDec(sum, 2) == RoundDec(billed, 2))
            return true;
        msgPadrao.ShowMsg(QStringLiteral("soma_dif"), mtInformation, mbOK, 0);
        return false;
    } catch (...) {
        quantity.FocusControl();
        throw;
    }
}

namespace {
const QString kQuantity = QStringLiteral("QTDERATEIO");
const QString kSequence = QStringLiteral("NRSEQITRAT");
} // namespace

int TfrmApurFatTR::LastSequenceNumber() const {
    // Not the number of the row that happens to be last: rows loaded out of order, or
    // inserted before the last one, would give a number already taken.
    const TField& sequence = cdsRateio.FieldByName(kSequence);
    int largest = 0;
    for (int row = 0; row < cdsRateio.DisplayRowCount(); ++row)
        cdsRateio.WithRow(row, [&] {
            bool ok = false;
            const int number = sequence.AsString().trimmed().toInt(&ok);
            if (ok)
                largest = std::max(largest, number);
        });
    return largest;
}

void TfrmApurFatTR::cdsRateioBeforeInsert(TClientDataSet&) {
    VerificaBloqueio();
    if (EmptyString(cdsRateio.FieldByName(kSequence).AsString())) {
        inCodiItem = 0;
        return;
    }
    cdsRateio.Last();
    inCodiItem = LastSequenceNumber();
}

void TfrmApurFatTR::cdsRateioNewRecord(TClientDataSet&) {
    cdsRateio.FieldByName(kSequence).SetAsString(Ajusta(QString::number(inCodiItem + 1), 4));
}

void TfrmApurFatTR::cdsRateioBeforeEdit(TClientDataSet&) {
    VerificaBloqueio();
}

void TfrmApurFatTR::cdsRateioBeforePost(TClientDataSet&) {
    // Every share belongs to the day it is on, whatever it held before.
    const auto day = [this](const char* name) -> TField& {
        return cdsEfetivos.FieldByName(QLatin1String(name));
    };
    const auto share = [this](const char* name) -> TField& {
        return cdsRateio.FieldByName(QLatin1String(name));
    };
    share("CDFILIAL").SetAsString(day("CDFILIAL").AsString());
    share("CDSERVFILI").SetAsString(day("CDSERVFILI").AsString());
    share("CDCLIENTE").SetAsString(day("CDCLIENTE").AsString());
    share("DTRATCDRS").SetAsDateTime(day("DTEFETCDRS").AsDateTime());
    share("VRPRECRATE").SetAsFloat(day("VRPRECEFET").AsFloat());
    share("CDPRODUTO").SetAsString(day("CDPRODUTO").AsString());
    Vd_Qtde();
    Vd_NF();
}

void TfrmApurFatTR::cdsRateioAfterDelete(TClientDataSet&) {
    if (cdsRateio.ChangeCount() > 0)
        SaveApportionment();
}

void TfrmApurFatTR::Vd_Qtde() {
    if (cdsRateio.State() != dsEdit && cdsRateio.State() != dsInsert)
        return;
    TField& quantity = cdsRateio.FieldByName(kQuantity);
    try {
        if (quantity.AsString().isEmpty())
            MensErro(msgPadrao.Msg(QStringLiteral("qtde_inf")), true);
        if (quantity.AsFloat() <= 0)
            MensErro(msgPadrao.Msg(QStringLiteral("Qtde_maior_zero")), true);
    } catch (...) {
        quantity.FocusControl();
        throw;
    }
}

void TfrmApurFatTR::Vd_NF() {
    TField* nf = nullptr;
    if (ServicesPageActive()) {
        if (cdsServEfet.State() == dsEdit)
            nf = &cdsServEfet.FieldByName(QStringLiteral("NRAGRUEFET"));
    } else if (cdsRateio.State() == dsEdit || cdsRateio.State() == dsInsert) {
        nf = &cdsRateio.FieldByName(QStringLiteral("NRAGREFRAT"));
    }
    if (!nf)
        return;
    try {
        nf->SetAsString(Ajusta(nf->AsString(), 3));
        const QString adjusted = nf->AsString();
        if (!EmptyString(adjusted)) {
            const int number = textformat::strToInt(adjusted);
            if (number < 1 || number > 99)
                MensErro(msgPadrao.Msg(QStringLiteral("NF_Maior")), true);
        }
    } catch (...) {
        nf->FocusControl();
        throw;
    }
}

void TfrmApurFatTR::dbgRateioColExit(QObject*) {
    const TField* field = dbgRateio->SelectedField();
    const bool open = cdsRateio.State() == dsEdit || cdsRateio.State() == dsInsert;
    if (open && field && field->FieldName() == QLatin1String("NRAGREFRAT"))
        Vd_NF();
}

void TfrmApurFatTR::dbgRateioKeyDown(QObject*, int& key, TShiftState shift) {
    // No key makes a row in an empty grid; Tab there has no cell to move to and leaves it.
    if (dtsRateio.DataSet()->IsEmpty() && (key == vk::Left || key == vk::Up || key == vk::Right ||
                                           key == vk::Down || key == vk::Insert))
        key = 0;
    // The grid's own delete shortcut never deletes: the Delete command does, after its checks.
    if ((shift & ssCtrl) && key == vk::Delete)
        key = 0;
    if (shift == ssAlt && key == vk::Next) {
        key = 0;
        SetFocus(dbgRateio);
    }
}

void TfrmApurFatTR::dbgRateioKeyPress(QObject*, QChar& key) {
    DropKeyOfMarkedField(*dbgRateio, key);
}

void TfrmApurFatTR::FormCloseQuery(QObject*, bool& canClose) {
    if (ApportionmentPending()) {
        // Typed rows are sent on the way out; rows that cannot be are dropped only when
        // the clerk says so.
        if (Guarded([this] { ConfirmPendingApportionment(); }))
            return;
        if (msgPadrao.ShowMsg(QStringLiteral("Rateio_Pend"), mtConfirmation, mbYes | mbNo, 0,
                              mbNo) != mrYes) {
            canClose = false;
            return;
        }
        DiscardApportionment();
        return;
    }
    // A day that does not add up only warns: the screen still closes.
    if (DailyPageActive())
        Vd_Soma();
}

void TfrmApurFatTR::UpdateBalanceLine(std::optional<double> typedQuantity) {
    QList<double> shares;
    if (cdsRateio.Active()) {
        const TField& quantity = cdsRateio.FieldByName(kQuantity);
        for (int row = 0; row < cdsRateio.DisplayRowCount(); ++row)
            cdsRateio.WithRow(row, [&] {
                shares << (typedQuantity && row == cdsRateio.CurrentRow() ? *typedQuantity
                                                                          : quantity.AsFloat());
            });
    }
    const Balance balance = apportionmentBalance(
        cdsEfetivos.FieldByName(QStringLiteral("QTCOMECDRS")).AsFloat(), shares);
    lblSaldoRateio->setText(balance.text);
    // The words say it all; the colour only helps the eye.
    const QColor colour = balance.state == BalanceState::Even   ? QColor(0, 110, 0)
                          : balance.state == BalanceState::Over ? QColor(170, 0, 0)
                          : balance.state == BalanceState::Short
                              ? QColor(150, 90, 0)
                              : palette().color(QPalette::WindowText);
    QPalette p = lblSaldoRateio->palette();
    p.setColor(QPalette::WindowText, colour);
    lblSaldoRateio->setPalette(p);
}

void TfrmApurFatTR::dbgRateioEditorChange(QObject*, TColumn& column, const QString& value) {
    if (column.FieldName() != kQuantity)
        return;
    // A quantity half typed ("7,") counts as far as it reads; one that does not read yet
    // leaves the line as it was.
    try {
        UpdateBalanceLine(EmptyString(value) ? 0.0 : textformat::strToFloat(value));
    } catch (const EConvertError&) {
    }
}
