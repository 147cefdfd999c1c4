#include "framework/components/date_edit.h"

#include "contracts/host_framework.h"
#include "framework/components/enter_moves_focus.h"
#include "framework/components/focus.h"
#include "framework/components/theme_icon.h"
#include "framework/components/widget_palette.h"
#include "framework/data/field_type.h"
#include "framework/data/text_format.h"
#include "framework/ui/guard.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Optional digits with a blank that is not valid input: typed zeros stay zeros, and an
// untouched edit shows "  /  /    ", which EmptyString sees as empty.
const QString kDateMask = QStringLiteral("!99/99/9999;1; ");

} // namespace

TDateEditPlus::TDateEditPlus(QWidget* parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_button(new QToolButton(this)),
      m_weekday(new QLabel(this)), m_mask(m_edit) {
    markControl(this);
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_edit);
    enterMovesFocus(m_edit);

    m_mask.setDesktopMask(kDateMask);
    m_plainTextColour = m_edit->palette().color(QPalette::Text);
    m_edit->setAccessibleName(QStringLiteral("Data"));

    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setAutoRaise(true);
    m_button->setIcon(themeIcon(StockIcon::Calendar));
    m_button->setToolTip(QStringLiteral("Calendário"));
    m_button->setAccessibleName(QStringLiteral("Calendário"));
    m_weekday->hide();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_button);
    layout->addWidget(m_weekday);

    connect(m_edit, &QLineEdit::textChanged, this, [this] { textChanged(); });
    connect(m_button, &QToolButton::clicked, this, guard([this](bool) { openCalendar(); }));
}

std::optional<QDate> TDateEditPlus::typedDate() const {
    const QString text = Text();
    if (EmptyString(text))
        return std::nullopt;
    try {
        return textformat::strToDateTime(text).date();
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

QDateTime TDateEditPlus::Date() const {
    const std::optional<QDate> date = typedDate();
    if (!date)
        return zeroDateTime();
    return dateTimeOf(*date, m_saveTime && m_time.isValid() ? m_time : QTime(0, 0));
}

void TDateEditPlus::SetDate(const QDateTime& date) {
    if (!date.isValid() || date.date() == zeroDateTime().date()) {
        m_time = QTime();
        SetText(QString());
        return;
    }
    m_time = date.time();
    SetText(date.date().toString(QStringLiteral("dd/MM/yyyy")));
}

void TDateEditPlus::CheckValidDate() const {
    const QString text = Text();
    if (!EmptyString(text))
        textformat::strToDateTime(text);
}

void TDateEditPlus::SetValidDateColor(const QColor& colour) {
    m_validColour = colour;
    textChanged();
}

void TDateEditPlus::SetNomeSemana(const QStringList& names) {
    m_weekdayNames = names;
    // As wide as the widest name, so that the edit does not jump as the date changes.
    int width = 0;
    for (const QString& name : names)
        width = qMax(width, m_weekday->fontMetrics().horizontalAdvance(name));
    m_weekday->setFixedWidth(width + 4);
    m_weekday->setVisible(!names.isEmpty());
    textChanged();
}

QIcon TDateEditPlus::ButtonBitmap() const {
    return m_button->icon();
}

void TDateEditPlus::SetButtonBitmap(const QIcon& icon) {
    m_button->setIcon(icon);
}

void TDateEditPlus::SetColor(const QColor& colour) {
    setPaletteColor(m_edit, QPalette::Base, colour);
}

void TDateEditPlus::textChanged() {
    const std::optional<QDate> date = typedDate();
    setPaletteColor(m_edit, QPalette::Text,
                    date && m_validColour.isValid() ? m_validColour : m_plainTextColour);
    // Qt's dayOfWeek counts Monday 1 … Sunday 7; the names start on Sunday.
    m_weekday->setText(date ? m_weekdayNames.value(date->dayOfWeek() % 7) : QString());
    if (OnChange)
        Guarded(OnChange);
}

void TDateEditPlus::openCalendar() {
    // Picking a date is typing into this edit: the control being left validates first, and
    // a refusal raises here, before the calendar opens.
    if (!m_edit->hasFocus())
        SetFocus(this);

    auto* popup = new QFrame(this, Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setFrameShape(QFrame::StyledPanel);
    auto* calendar = new QCalendarWidget(popup);
    calendar->setObjectName(QStringLiteral("calendar"));
    calendar->setGridVisible(true);
    if (const std::optional<QDate> date = typedDate())
        calendar->setSelectedDate(*date);
    auto* layout = new QVBoxLayout(popup);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(calendar);

    const auto pick = guard([this, popup](QDate date) {
        popup->close();
        SetText(date.toString(QStringLiteral("dd/MM/yyyy")));
        m_edit->setFocus(Qt::PopupFocusReason);
    });
    connect(calendar, &QCalendarWidget::clicked, popup, pick);
    connect(calendar, &QCalendarWidget::activated, popup, pick);

    popup->adjustSize();
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
    calendar->setFocus(Qt::PopupFocusReason);
}
