#pragma once

// Edit masks in the desktop library's notation: "<mask>;<save literals>;<blank char>".
// Mask characters: '0' digit required, '9' digit optional, 'L' letter required,
// 'l' letter optional, 'A' letter or digit required, 'a' letter or digit optional,
// 'C' any character required, 'c' any optional, '#' digit or sign optional,
// '>' upper case from here, '<' lower case, "<>" no case conversion, '!' keeps the
// blanks at the left, '\' makes the next character a literal. Anything else is a literal.

#include <QChar>
#include <QList>
#include <QString>

class EditMask {
public:
    EditMask() = default;
    explicit EditMask(const QString& desktopMask);

    bool isEmpty() const { return m_positions.isEmpty(); }
    const QString& source() const { return m_source; }
    bool savesLiterals() const { return m_saveLiterals; }
    QChar blank() const { return m_blank; }
    // Number of character positions (input and literal) the mask shows.
    int length() const { return int(m_positions.size()); }

    // The same mask in Qt's QLineEdit::inputMask notation, blank character included.
    QString toQtInputMask() const;

    // The raw value placed into the mask the way a masked edit shows it: with
    // literals-not-saved the value holds only the input characters; with literals saved it
    // holds the literals as well. Unfilled positions show the blank character.
    QString format(const QString& raw) const;

    // The value as stored from a displayed text: blanks removed, and the literals removed
    // when the mask does not save them.
    QString storedValue(const QString& displayed) const;

private:
    enum class Kind { Literal, Digit, Letter, Alnum, Any, DigitOrSign };
    enum class Case { Keep, Upper, Lower };
    struct Position {
        Kind kind;
        bool required;
        Case casing;
        QChar literal;
    };
    QString m_source;
    QList<Position> m_positions;
    bool m_saveLiterals = true;
    QChar m_blank = QLatin1Char('_');
};
