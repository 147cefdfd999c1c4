#include "framework/components/db_navigator.h"

#include "framework/components/speed_button.h"
#include "framework/components/theme_icon.h"
#include "framework/data/datasource.h"

#include <QHBoxLayout>

class TDBNavigator::Link : public TDataLink {
public:
    explicit Link(TDBNavigator& owner) : m_owner(owner) {}
    void ActiveChanged() override { m_owner.updateButtons(); }
    void EditingChanged() override { m_owner.updateButtons(); }
    void DataSetChanged() override { m_owner.updateButtons(); }
    void DataSetScrolled() override { m_owner.updateButtons(); }

private:
    TDBNavigator& m_owner;
};

TDBNavigator::TDBNavigator(QWidget* parent)
    : QWidget(parent), m_link(std::make_unique<Link>(*this)) {
    struct ButtonLook {
        StockIcon icon;
        const char* hint;
    };
    static const ButtonLook looks[] = {{StockIcon::First, "Primeiro"},
                                       {StockIcon::Prior, "Anterior"},
                                       {StockIcon::Next, "Próximo"},
                                       {StockIcon::Last, "Último"}};
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = nbFirst; i <= nbLast; ++i) {
        auto* button = new TSpeedButton(this);
        button->SetGlyph(themeIcon(looks[i].icon));
        button->SetHint(QString::fromUtf8(looks[i].hint));
        button->OnClick = [this, i] { BtnClick(TNavigateBtn(i)); };
        layout->addWidget(button);
        m_buttons.at(size_t(i)) = button;
    }
    updateButtons();
}

TDBNavigator::~TDBNavigator() = default;

TDataSource* TDBNavigator::DataSource() const {
    return m_link->DataSource();
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    m_link->SetDataSource(source);
    updateButtons();
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    TClientDataSet* dataSet = m_link->DataSet();
    if (!m_link->Active() || !dataSet)
        return;
    switch (button) {
    case nbFirst:
        dataSet->First();
        break;
    case nbPrior:
        dataSet->Prior();
        break;
    case nbNext:
        dataSet->Next();
        break;
    case nbLast:
        dataSet->Last();
        break;
    }
    if (OnClick)
        OnClick(*this, button);
}

void TDBNavigator::updateButtons() {
    // As the desktop navigator: by the data set's ends, not by the cursor's place. A row
    // reached by a click is not Eof, so Last stays on even there.
    const TClientDataSet* dataSet = m_link->DataSet();
    const bool active = m_link->Active() && dataSet;
    const bool canGoBack = active && !dataSet->Bof();
    const bool canGoOn = active && !dataSet->Eof();
    m_buttons[nbFirst]->setEnabled(canGoBack);
    m_buttons[nbPrior]->setEnabled(canGoBack);
    m_buttons[nbNext]->setEnabled(canGoOn);
    m_buttons[nbLast]->setEnabled(canGoOn);
}
