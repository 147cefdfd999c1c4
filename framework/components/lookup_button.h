#pragma once

// The suite's lookup button: offers the rows of a data source's data set in a list (its
// visible fields, as they display) and moves the data set to the row the user picks.
// A click, or F4 in the edit the button serves, runs:
//   OnBeforePesq (may stop it, typically reloads the list) → the list, or the EmptyError
//   text when there is nothing to offer → on a pick, the data set moves to the row and
//   OnAfterPesq runs (a cancelled pick does nothing more).

#include "framework/components/speed_button.h"

#include <QPointer>
#include <QString>

#include <functional>

class TDataSource;

class TBtnPesquisa : public TSpeedButton {
    Q_OBJECT
public:
    explicit TBtnPesquisa(QWidget* parent = nullptr);

    // The edit the button serves.
    QWidget* Associate() const { return m_associate; }
    void SetAssociate(QWidget* edit);
    const QString& Title() const { return m_title; }
    void SetTitle(const QString& title) { m_title = title; }
    TDataSource* DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource* source) { m_dataSource = source; }
    // Shown instead of the list when there is nothing to offer.
    const QString& EmptyError() const { return m_emptyError; }
    void SetEmptyError(const QString& text) { m_emptyError = text; }

    // `proceed` starts true; setting it false stops the lookup.
    std::function<void(TBtnPesquisa& sender, bool& proceed)> OnBeforePesq;
    // After a pick, with the data set resting on the picked row.
    std::function<void(TBtnPesquisa& sender)> OnAfterPesq;

    // Runs the lookup.
    void Click() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_associate;
    QString m_title;
    TDataSource* m_dataSource = nullptr;
    QString m_emptyError;
};
