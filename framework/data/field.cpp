#include "framework/data/field.h"

#include "contracts/host_framework.h"
#include "framework/data/dataset.h"
#include "framework/data/edit_mask.h"
#include "framework/data/text_format.h"

#include <cmath>
#include <limits>

TField::TField(TClientDataSet& dataSet, int index, QString name, TFieldType type, int size)
    : m_dataSet(dataSet), m_index(index), m_name(std::move(name)), m_type(type), m_size(size) {}

int TField::DisplayWidth() const {
    if (m_displayWidth > 0)
        return m_displayWidth;
    switch (m_type) {
    case ftString:
    case ftFixedChar:
        return qMax(m_size, 1);
    case ftDateTime:
        return 10;
    default:
        return 10;
    }
}

TAlignment TField::Alignment() const {
    if (m_alignment >= 0)
        return TAlignment(m_alignment);
    return (m_type == ftFloat || m_type == ftInteger) ? taRightJustify : taLeftJustify;
}

const QVariant& TField::Value() const {
    return m_dataSet.FieldValue(m_index);
}

void TField::SetValue(const QVariant& value) {
    m_dataSet.SetFieldValue(*this, value);
}

QString TField::AsString() const {
    const QVariant& v = Value();
    if (v.isNull())
        return {};
    switch (m_type) {
    case ftString:
    case ftFixedChar:
        return v.toString();
    case ftDateTime:
        return textformat::dateTimeToStr(v.toDateTime());
    case ftFloat:
        return textformat::floatToStr(v.toDouble());
    case ftInteger:
        return QString::number(v.toInt());
    case ftBoolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    }
    return {};
}

void TField::SetAsString(const QString& value) {
    switch (m_type) {
    case ftString:
    case ftFixedChar:
        SetValue(value);
        return;
    case ftDateTime:
        SetValue(value.trimmed().isEmpty() ? QVariant()
                                           : QVariant(textformat::strToDateTime(value)));
        return;
    case ftFloat:
        SetValue(value.trimmed().isEmpty() ? QVariant() : QVariant(textformat::strToFloat(value)));
        return;
    case ftInteger:
        SetValue(value.trimmed().isEmpty() ? QVariant() : QVariant(textformat::strToInt(value)));
        return;
    case ftBoolean: {
        const QString t = value.trimmed().toLower();
        if (t.isEmpty())
            SetValue(QVariant());
        else if (t == QLatin1String("true") || t == QLatin1String("s") || t == QLatin1String("sim"))
            SetValue(true);
        else if (t == QLatin1String("false") || t == QLatin1String("n") ||
                 t == QLatin1String("não"))
            SetValue(false);
        else
            throw EConvertError(QStringLiteral("'%1' não é um valor lógico válido.").arg(value));
        return;
    }
    }
}

double TField::AsFloat() const {
    const QVariant& v = Value();
    if (v.isNull())
        return 0;
    switch (m_type) {
    case ftString:
    case ftFixedChar:
        return textformat::strToFloat(v.toString());
    case ftBoolean:
        return v.toBool() ? 1 : 0;
    case ftDateTime:
        return double(zeroDateTime().secsTo(v.toDateTime())) / 86400.0;
    default:
        return v.toDouble();
    }
}

void TField::SetAsFloat(double value) {
    switch (m_type) {
    case ftString:
    case ftFixedChar:
        SetValue(textformat::floatToStr(value));
        return;
    case ftInteger:
        SetValue(int(std::lround(value)));
        return;
    case ftDateTime:
        SetValue(zeroDateTime().addSecs(qint64(std::llround(value * 86400.0))));
        return;
    default:
        SetValue(value);
    }
}

int TField::AsInteger() const {
    const QVariant& v = Value();
    if (v.isNull())
        return 0;
    switch (m_type) {
    case ftString:
    case ftFixedChar:
        return textformat::strToInt(v.toString());
    case ftFloat: {
        const double d = v.toDouble();
        if (std::fabs(d) > double(std::numeric_limits<int>::max()))
            throw EConvertError(
                QStringLiteral("'%1' não é um valor inteiro válido.").arg(AsString()));
        return int(std::lround(d));
    }
    case ftDateTime:
        return int(zeroDateTime().daysTo(v.toDateTime()));
    default:
        return v.toInt();
    }
}

void TField::SetAsInteger(int value) {
    if (m_type == ftString || m_type == ftFixedChar)
        SetValue(QString::number(value));
    else if (m_type == ftFloat)
        SetValue(double(value));
    else
        SetAsFloat(value);
}

QDateTime TField::AsDateTime() const {
    const QVariant& v = Value();
    if (v.isNull())
        return zeroDateTime();
    switch (m_type) {
    case ftDateTime:
        return v.toDateTime();
    case ftString:
    case ftFixedChar:
        return textformat::strToDateTime(v.toString());
    default:
        throw EConvertError(
            QStringLiteral("O campo '%1' não pode ser lido como data.").arg(m_name));
    }
}

void TField::SetAsDateTime(const QDateTime& value) {
    if (m_type == ftString || m_type == ftFixedChar)
        SetValue(textformat::dateTimeToStr(value));
    else if (m_type == ftDateTime)
        SetValue(value.isValid() ? QVariant(dateTimeOf(value.date(), value.time())) : QVariant());
    else
        throw EConvertError(QStringLiteral("O campo '%1' não pode receber uma data.").arg(m_name));
}

bool TField::AsBoolean() const {
    const QVariant& v = Value();
    if (v.isNull())
        return false;
    if (m_type == ftString || m_type == ftFixedChar) {
        const QString t = v.toString().trimmed().toLower();
        return t == QLatin1String("true") || t == QLatin1String("s") || t == QLatin1String("sim");
    }
    return v.toBool();
}

void TField::SetAsBoolean(bool value) {
    if (m_type == ftString || m_type == ftFixedChar)
        SetValue(value ? QStringLiteral("True") : QStringLiteral("False"));
    else
        SetValue(value);
}

QString TField::GetText(bool displayText) const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField&>(*this), text, displayText);
        return text;
    }
    return DefaultText(displayText);
}

QString TField::DefaultText(bool displayText) const {
    const QVariant& v = Value();
    if (v.isNull())
        return {};
    switch (m_type) {
    case ftString:
    case ftFixedChar:
        // An empty value shows empty, not as a row of mask blanks.
        if (displayText && !m_editMask.isEmpty() && !v.toString().isEmpty())
            return ::EditMask(m_editMask).format(v.toString());
        return v.toString();
    case ftFloat:
    case ftInteger:
        if (displayText && !m_displayFormat.isEmpty())
            return textformat::formatFloat(m_displayFormat, v.toDouble());
        return AsString();
    default:
        return AsString();
    }
}

void TField::FocusControl() {
    // A closed data set has no control showing the field.
    if (m_dataSet.Active())
        m_dataSet.DataEvent(deFocusControl, this);
}
