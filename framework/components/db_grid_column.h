#pragma once

// A column of a data-aware grid: the field it shows, its title, title alignment, width
// and whether it may be edited.

#include "framework/data/field.h"

#include <QString>

class TDBGrid;

class TColumn {
public:
    TColumn(TDBGrid& grid, QString fieldName) : m_grid(grid), m_fieldName(std::move(fieldName)) {}

    const QString& FieldName() const { return m_fieldName; }
    // The field of the grid's data set this column shows; null while none.
    TField* Field() const;

    // The title; the field's display label when none is set.
    QString Title() const;
    TColumn& SetTitle(const QString& title) { return m_title = title, *this; }
    TAlignment TitleAlignment() const { return m_titleAlignment; }
    TColumn& SetTitleAlignment(TAlignment a) { return m_titleAlignment = a, *this; }
    // Width in the desktop's design pixels (a font whose digits are 6 pixels wide); the
    // grid draws it wider in a wider font. 0 for one derived from the field's display width.
    int Width() const { return m_width; }
    TColumn& SetWidth(int width);
    bool ReadOnly() const { return m_readOnly; }
    TColumn& SetReadOnly(bool readOnly) { return m_readOnly = readOnly, *this; }

private:
    TDBGrid& m_grid;
    QString m_fieldName;
    QString m_title;
    TAlignment m_titleAlignment = taLeftJustify;
    int m_width = 0;
    bool m_readOnly = false;
};
