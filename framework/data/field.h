#pragma once

// A persistent field of a client data set: its settings and typed access to its value in
// the data set's current record (the edit buffer while a row is open).

#include "framework/data/field_type.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>

class TClientDataSet;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

class TField {
public:
    // Sender, text to fill, whether the display text (true) or the edit text is wanted.
    using GetTextEvent = std::function<void(TField& sender, QString& text, bool displayText)>;

    TField(TClientDataSet& dataSet, int index, QString name, TFieldType type, int size);
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TClientDataSet& DataSet() const { return m_dataSet; }
    int Index() const { return m_index; }
    const QString& FieldName() const { return m_name; }
    TFieldType DataType() const { return m_type; }
    int Size() const { return m_size; }

    // Settings; the setters return the field so that declarations read as one statement.
    QString DisplayLabel() const { return m_displayLabel.isEmpty() ? m_name : m_displayLabel; }
    TField& SetDisplayLabel(const QString& v) { return m_displayLabel = v, *this; }
    const QString& DisplayFormat() const { return m_displayFormat; }
    TField& SetDisplayFormat(const QString& v) { return m_displayFormat = v, *this; }
    const QString& EditMask() const { return m_editMask; }
    TField& SetEditMask(const QString& v) { return m_editMask = v, *this; }
    bool Visible() const { return m_visible; }
    TField& SetVisible(bool v) { return m_visible = v, *this; }
    bool ReadOnly() const { return m_readOnly; }
    TField& SetReadOnly(bool v) { return m_readOnly = v, *this; }
    bool Required() const { return m_required; }
    TField& SetRequired(bool v) { return m_required = v, *this; }
    int Tag() const { return m_tag; }
    TField& SetTag(int v) { return m_tag = v, *this; }
    const QString& Origin() const { return m_origin; }
    TField& SetOrigin(const QString& v) { return m_origin = v, *this; }
    // Width in characters a grid gives the field's column by default.
    int DisplayWidth() const;
    TField& SetDisplayWidth(int v) { return m_displayWidth = v, *this; }
    TAlignment Alignment() const;
    TField& SetAlignment(TAlignment v) { return m_alignment = int(v), *this; }

    GetTextEvent OnGetText;

    // Value of the current record. Reading an inactive or empty data set gives null.
    const QVariant& Value() const;
    void SetValue(const QVariant& value);
    bool IsNull() const { return Value().isNull(); }
    void Clear() { SetValue(QVariant()); }

    // Typed access. Reading null gives "", 0, false, or the zero date; converting a text
    // that does not fit the type raises EConvertError.
    QString AsString() const;
    void SetAsString(const QString& value);
    double AsFloat() const;
    void SetAsFloat(double value);
    int AsInteger() const;
    void SetAsInteger(int value);
    QDateTime AsDateTime() const;
    void SetAsDateTime(const QDateTime& value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);

    // The text a control shows (display format, edit mask, OnGetText) and the text it
    // edits (OnGetText with displayText false); SetText parses an edited text.
    QString DisplayText() const { return GetText(true); }
    QString Text() const { return GetText(false); }
    void SetText(const QString& text) { SetAsString(text); }

    // Asks the controls bound to the data set to select this field and take the focus.
    void FocusControl();

private:
    QString GetText(bool displayText) const;
    QString DefaultText(bool displayText) const;

    TClientDataSet& m_dataSet;
    int m_index;
    QString m_name;
    TFieldType m_type;
    int m_size;
    QString m_displayLabel, m_displayFormat, m_editMask, m_origin;
    bool m_visible = true, m_readOnly = false, m_required = false;
    int m_tag = 0;
    int m_displayWidth = 0;
    int m_alignment = -1;
};
