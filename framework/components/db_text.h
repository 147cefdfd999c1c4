#pragma once

// The desktop library's data text: a label showing the display text of one field of the
// data source's current row, following the data; empty while there is no row to show.

#include <QLabel>

#include <memory>

class TDataSource;

class TDBText : public QLabel {
    Q_OBJECT
public:
    explicit TDBText(QWidget* parent = nullptr);
    ~TDBText() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    const QString& DataField() const { return m_dataField; }
    void SetDataField(const QString& fieldName);

private:
    class Link;
    void refresh();

    QString m_dataField;
    std::unique_ptr<Link> m_link;
};
