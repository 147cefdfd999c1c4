#include "framework/data/edit_mask.h"

#include <QStringList>

namespace {

// Characters that mean something in a Qt input mask and must be escaped as literals.
bool isQtMaskMeta(QChar c) {
    static const QString meta = QStringLiteral("AaNnXx90Dd#HhBb<>!\\[]{};");
    return meta.contains(c);
}

} // namespace

EditMask::EditMask(const QString& desktopMask) : m_source(desktopMask) {
    // The mask part ends at the first unescaped ';'; then the save flag; then the blank.
    int end = 0;
    for (; end < desktopMask.size(); ++end) {
        if (desktopMask.at(end) == QLatin1Char('\\')) {
            ++end;
            continue;
        }
        if (desktopMask.at(end) == QLatin1Char(';'))
            break;
    }
    const QString mask = desktopMask.left(end);
    if (end < desktopMask.size()) {
        const QStringList rest = desktopMask.mid(end + 1).split(QLatin1Char(';'));
        m_saveLiterals = rest.value(0) != QLatin1String("0");
        if (rest.size() > 1 && !rest.at(1).isEmpty())
            m_blank = rest.at(1).at(0);
    }

    Case casing = Case::Keep;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        switch (c.unicode()) {
        case '>':
            casing = Case::Upper;
            continue;
        case '<':
            if (i + 1 < mask.size() && mask.at(i + 1) == QLatin1Char('>')) {
                ++i;
                casing = Case::Keep;
            } else {
                casing = Case::Lower;
            }
            continue;
        case '!':
            continue;
        case '\\':
            if (i + 1 < mask.size())
                m_positions.append({Kind::Literal, true, casing, mask.at(++i)});
            continue;
        case '0':
            m_positions.append({Kind::Digit, true, casing, {}});
            continue;
        case '9':
            m_positions.append({Kind::Digit, false, casing, {}});
            continue;
        case 'L':
            m_positions.append({Kind::Letter, true, casing, {}});
            continue;
        case 'l':
            m_positions.append({Kind::Letter, false, casing, {}});
            continue;
        case 'A':
            m_positions.append({Kind::Alnum, true, casing, {}});
            continue;
        case 'a':
            m_positions.append({Kind::Alnum, false, casing, {}});
            continue;
        case 'C':
            m_positions.append({Kind::Any, true, casing, {}});
            continue;
        case 'c':
            m_positions.append({Kind::Any, false, casing, {}});
            continue;
        case '#':
            m_positions.append({Kind::DigitOrSign, false, casing, {}});
            continue;
        default:
            m_positions.append({Kind::Literal, true, casing, c});
        }
    }
}

QString EditMask::toQtInputMask() const {
    if (isEmpty())
        return {};
    QString out;
    Case current = Case::Keep;
    for (const Position& p : m_positions) {
        if (p.casing != current) {
            out += p.casing == Case::Upper   ? QLatin1Char('>')
                   : p.casing == Case::Lower ? QLatin1Char('<')
                                             : QLatin1Char('!');
            current = p.casing;
        }
        switch (p.kind) {
        case Kind::Literal:
            if (isQtMaskMeta(p.literal))
                out += QLatin1Char('\\');
            out += p.literal;
            break;
        case Kind::Digit:
            out += p.required ? QLatin1Char('9') : QLatin1Char('0');
            break;
        case Kind::Letter:
            out += p.required ? QLatin1Char('A') : QLatin1Char('a');
            break;
        case Kind::Alnum:
            out += p.required ? QLatin1Char('N') : QLatin1Char('n');
            break;
        case Kind::Any:
            out += p.required ? QLatin1Char('X') : QLatin1Char('x');
            break;
        case Kind::DigitOrSign:
            out += QLatin1Char('#');
            break;
        }
    }
    return out + QLatin1Char(';') + m_blank;
}

QString EditMask::format(const QString& raw) const {
    if (isEmpty())
        return raw;
    QString out;
    int r = 0;
    for (const Position& p : m_positions) {
        if (p.kind == Kind::Literal) {
            out += p.literal;
            if (m_saveLiterals && r < raw.size() && raw.at(r) == p.literal)
                ++r;
            continue;
        }
        if (r < raw.size()) {
            QChar c = raw.at(r++);
            if (p.casing == Case::Upper)
                c = c.toUpper();
            else if (p.casing == Case::Lower)
                c = c.toLower();
            out += c;
        } else {
            out += m_blank;
        }
    }
    return out;
}

QString EditMask::storedValue(const QString& displayed) const {
    if (isEmpty())
        return displayed;
    QString out;
    for (int i = 0; i < displayed.size(); ++i) {
        const QChar c = displayed.at(i);
        if (i < m_positions.size() && m_positions.at(i).kind == Kind::Literal) {
            if (m_saveLiterals)
                out += c;
            continue;
        }
        if (c == m_blank)
            continue;
        out += c;
    }
    return out;
}
