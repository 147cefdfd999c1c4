#include "framework/components/lookup_button.h"

#include "contracts/host_framework.h"
#include "framework/components/lookup_list.h"
#include "framework/components/theme_icon.h"
#include "framework/data/datasource.h"
#include "framework/ui/guard.h"

#include <QKeyEvent>

TBtnPesquisa::TBtnPesquisa(QWidget* parent) : TSpeedButton(parent) {
    SetGlyph(themeIcon(StockIcon::Search));
    SetHint(QStringLiteral("Pesquisar"));
}

void TBtnPesquisa::SetAssociate(QWidget* edit) {
    if (m_associate)
        m_associate->removeEventFilter(this);
    m_associate = edit;
    if (edit)
        edit->installEventFilter(this);
}

bool TBtnPesquisa::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_associate && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier) {
            Guarded([this] { Click(); });
            return true;
        }
    }
    return TSpeedButton::eventFilter(watched, event);
}

void TBtnPesquisa::Click() {
    bool proceed = true;
    if (OnBeforePesq)
        OnBeforePesq(*this, proceed);
    if (!proceed)
        return;
    TClientDataSet* dataSet = m_dataSource ? m_dataSource->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active() || dataSet->IsEmpty()) {
        Ui().MessageDlg(m_emptyError.isEmpty() ? QStringLiteral("Não há registros para pesquisar.")
                                               : m_emptyError,
                        mtInformation, mbOK, 0);
        return;
    }
    const LookupList list = lookupListOf(m_title, *dataSet);
    const int picked = Ui().PickFromList(list);
    if (picked < 0 || picked >= list.rows.size())
        return;
    dataSet->SetRecNo(picked + 1);
    if (OnAfterPesq)
        OnAfterPesq(*this);
}
