#include "framework/components/db_text.h"

#include "framework/data/datasource.h"

class TDBText::Link : public TDataLink {
public:
    explicit Link(TDBText& owner) : m_owner(owner) {}
    void ActiveChanged() override { m_owner.refresh(); }
    void EditingChanged() override { m_owner.refresh(); }
    void DataSetChanged() override { m_owner.refresh(); }
    void DataSetScrolled() override { m_owner.refresh(); }
    void RecordChanged(TField*) override { m_owner.refresh(); }

private:
    TDBText& m_owner;
};

TDBText::TDBText(QWidget* parent) : QLabel(parent), m_link(std::make_unique<Link>(*this)) {
    setTextFormat(Qt::PlainText); // a value is never markup
}

TDBText::~TDBText() = default;

TDataSource* TDBText::DataSource() const {
    return m_link->DataSource();
}

void TDBText::SetDataSource(TDataSource* source) {
    m_link->SetDataSource(source);
}

void TDBText::SetDataField(const QString& fieldName) {
    m_dataField = fieldName;
    refresh();
}

void TDBText::refresh() {
    const TClientDataSet* dataSet = m_link->DataSet();
    const TField* field = m_link->Active() && dataSet && !dataSet->IsEmpty()
                              ? dataSet->FindField(m_dataField)
                              : nullptr;
    setText(field ? field->DisplayText() : QString());
}
