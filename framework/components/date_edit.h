#pragma once

// The suite's date edit: dd/mm/yyyy typed into a mask, a small button that opens a
// calendar, and the weekday name beside a valid date. Its text reads like a masked edit's
// ("" while nothing was typed); Date() reads the zero date for an empty or invalid text.

#include "framework/components/line_edit_mask.h"

#include <QColor>
#include <QDateTime>
#include <QIcon>
#include <QStringList>
#include <QTime>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QToolButton;

class TDateEditPlus : public QWidget {
    Q_OBJECT
public:
    explicit TDateEditPlus(QWidget* parent = nullptr);

    // The typed date (with the time it was given, when SaveTime is on); the zero date
    // (30/12/1899) when the text is empty or not a valid date.
    QDateTime Date() const;
    // The zero date or an invalid one empties the edit.
    void SetDate(const QDateTime& date);

    QString Text() const { return m_mask.storedText(); }
    void SetText(const QString& text) { m_mask.setStoredText(text); }

    // Raises EConvertError ("'31/02/2026' não é uma data válida.") when the text is not
    // empty and not a valid date.
    void CheckValidDate() const;

    // The text colour while the text is a valid date.
    const QColor& ValidDateColor() const { return m_validColour; }
    void SetValidDateColor(const QColor& colour);
    // The weekday names shown beside a valid date, Sunday first.
    const QStringList& NomeSemana() const { return m_weekdayNames; }
    void SetNomeSemana(const QStringList& names);
    // Off: the date carries no time of day.
    bool SaveTime() const { return m_saveTime; }
    void SetSaveTime(bool save) { m_saveTime = save; }
    QIcon ButtonBitmap() const;
    void SetButtonBitmap(const QIcon& icon);
    // The background of the text.
    void SetColor(const QColor& colour);

    // Runs on every change of the text, by the user, the calendar or code, inside the guard.
    std::function<void()> OnChange;

    QLineEdit* lineEdit() const { return m_edit; }
    QToolButton* calendarButton() const { return m_button; }
    QLabel* weekdayLabel() const { return m_weekday; }

private:
    std::optional<QDate> typedDate() const;
    void textChanged();
    void openCalendar();

    QLineEdit* m_edit;
    QToolButton* m_button;
    QLabel* m_weekday;
    LineEditMask m_mask;
    QColor m_validColour;
    QColor m_plainTextColour;
    QStringList m_weekdayNames;
    bool m_saveTime = true;
    QTime m_time; // the time of the last date set, kept while SaveTime is on
};
