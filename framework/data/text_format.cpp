#include "framework/data/text_format.h"

#include "contracts/host_framework.h"
#include "framework/data/field_type.h"

#include <QRegularExpression>

#include <limits>

#include <cmath>

namespace textformat {
namespace {

struct Section {
    QString prefix, suffix;
    int minInt = 0;
    int minDec = 0;
    int maxDec = 0;
    bool grouping = false;
    bool hasNumber = false;
};

bool isPlaceholder(QChar c) {
    return c == QLatin1Char('0') || c == QLatin1Char('#');
}

// Splits a pattern section into a literal prefix, the digit placeholders and a literal
// suffix; quoted text is literal.
Section parseSection(const QString& s) {
    struct Token {
        QChar c;
        bool quoted;
    };
    QList<Token> tokens;
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            int j = i + 1;
            for (; j < s.size() && s.at(j) != c; ++j)
                tokens.append({s.at(j), true});
            i = j;
            continue;
        }
        tokens.append({c, false});
    }
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (tokens[i].quoted)
            continue;
        const bool startsNumber = isPlaceholder(tokens[i].c) ||
                                  (tokens[i].c == QLatin1Char('.') && i + 1 < tokens.size() &&
                                   !tokens[i + 1].quoted && isPlaceholder(tokens[i + 1].c));
        if (first < 0 && startsNumber)
            first = i;
        if (isPlaceholder(tokens[i].c))
            last = i;
    }
    Section sec;
    if (first < 0) {
        for (const Token& t : tokens)
            sec.prefix += t.c;
        return sec;
    }
    sec.hasNumber = true;
    bool afterPoint = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (i < first) {
            sec.prefix += t.c;
        } else if (i > last) {
            sec.suffix += t.c;
        } else if (t.quoted) {
            continue;
        } else if (t.c == QLatin1Char('.')) {
            afterPoint = true;
        } else if (t.c == QLatin1Char(',')) {
            sec.grouping = sec.grouping || !afterPoint;
        } else if (isPlaceholder(t.c)) {
            if (afterPoint) {
                ++sec.maxDec;
                if (t.c == QLatin1Char('0'))
                    sec.minDec = sec.maxDec;
            } else if (t.c == QLatin1Char('0')) {
                ++sec.minInt;
            }
        }
    }
    return sec;
}

QString groupThousands(const QString& digits) {
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char('.');
        out += digits.at(i);
    }
    return out;
}

QString normalisedNumber(const QString& text) {
    QString t = text.trimmed();
    if (t.contains(QLatin1Char(','))) {
        t.remove(QLatin1Char('.'));
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    }
    return t;
}

int twoDigits(const QString& s, int at) {
    const QChar a = s.at(at), b = s.at(at + 1);
    if (!a.isDigit() || !b.isDigit())
        return -1;
    return (a.unicode() - '0') * 10 + (b.unicode() - '0');
}

} // namespace

QString formatFloat(const QString& pattern, double value) {
    const QStringList sections = pattern.split(QLatin1Char(';'));
    const auto section = [&](int i) { return parseSection(sections.value(i)); };
    const bool negativeSection = value < 0 && sections.size() > 1 && !sections.at(1).isEmpty();
    Section sec = negativeSection ? section(1) : section(0);
    if (!sec.hasNumber)
        return sec.prefix + sec.suffix;

    const double scale = std::pow(10.0, sec.maxDec);
    // A relative nudge so that 2.675 (stored as 2.67499...) rounds up, as a clerk reading
    // the decimal text expects; halves go away from zero.
    const double scaled =
        std::round(std::fabs(value) * scale * (1.0 + 4 * std::numeric_limits<double>::epsilon()));
    if (scaled == 0 && sections.size() > 2 && !sections.at(2).isEmpty()) {
        sec = section(2);
        if (!sec.hasNumber)
            return sec.prefix + sec.suffix;
    }
    QString digits = QString::number(scaled, 'f', 0);
    while (digits.size() <= sec.maxDec)
        digits.prepend(QLatin1Char('0'));
    QString intPart = digits.left(digits.size() - sec.maxDec);
    QString decPart = digits.right(sec.maxDec);
    while (decPart.size() > sec.minDec && decPart.endsWith(QLatin1Char('0')))
        decPart.chop(1);
    while (intPart.startsWith(QLatin1Char('0')))
        intPart.remove(0, 1);
    while (intPart.size() < sec.minInt)
        intPart.prepend(QLatin1Char('0'));
    if (sec.grouping)
        intPart = groupThousands(intPart);
    QString number = intPart;
    if (!decPart.isEmpty())
        number += QLatin1Char(',') + decPart;
    const bool minus = value < 0 && scaled != 0 && !negativeSection;
    return (minus ? QStringLiteral("-") : QString()) + sec.prefix + number + sec.suffix;
}

QString floatToStr(double value) {
    QString s = QString::number(value, 'g', 15);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

double strToFloat(const QString& text) {
    bool ok = false;
    const double v = normalisedNumber(text).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw EConvertError(QStringLiteral("'%1' não é um valor numérico válido.").arg(text));
    return v;
}

int strToInt(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' não é um valor inteiro válido.").arg(text));
    return v;
}

QString dateTimeToStr(const QDateTime& value) {
    if (!value.isValid())
        return {};
    QString s = value.date().toString(QStringLiteral("dd/MM/yyyy"));
    if (value.time() != QTime(0, 0))
        s += value.time().toString(QStringLiteral(" HH:mm:ss"));
    return s;
}

QDateTime strToDateTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{1,2})/(\d{1,2})/(\d{2}|\d{4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    const auto m = re.match(text);
    const auto invalid = [&] {
        return EConvertError(QStringLiteral("'%1' não é uma data válida.").arg(text.trimmed()));
    };
    if (!m.hasMatch())
        throw invalid();
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 50 ? 2000 : 1900;
    const QDate date(year, m.captured(2).toInt(), m.captured(1).toInt());
    QTime time(0, 0);
    if (!m.captured(4).isEmpty())
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        throw invalid();
    return dateTimeOf(date, time);
}

QDateTime parseIsoDateTime(const QString& s) {
    if (s.size() != 10 && s.size() < 16)
        return {};
    if (s.at(4) != QLatin1Char('-') || s.at(7) != QLatin1Char('-'))
        return {};
    const int c = twoDigits(s, 0), y = twoDigits(s, 2), mo = twoDigits(s, 5), d = twoDigits(s, 8);
    if (c < 0 || y < 0 || mo < 0 || d < 0)
        return {};
    const QDate date(c * 100 + y, mo, d);
    if (!date.isValid())
        return {};
    if (s.size() == 10)
        return dateTimeOf(date);
    if (s.at(10) != QLatin1Char('T') && s.at(10) != QLatin1Char(' '))
        return {};
    const QTime time = QTime::fromString(s.mid(11), Qt::ISODateWithMs);
    if (!time.isValid())
        return {};
    return dateTimeOf(date, time);
}

QString isoDate(QDate date) {
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 0 || year > 9999)
        return date.toString(Qt::ISODate);
    const char text[10] = {char('0' + year / 1000),
                           char('0' + year / 100 % 10),
                           char('0' + year / 10 % 10),
                           char('0' + year % 10),
                           '-',
                           char('0' + month / 10),
                           char('0' + month % 10),
                           '-',
                           char('0' + day / 10),
                           char('0' + day % 10)};
    return QString::fromLatin1(text, 10);
}

QString isoDateTime(const QDateTime& value) {
    if (!value.isValid())
        return {};
    if (value.time() == QTime(0, 0))
        return isoDate(value.date());
    return isoDate(value.date()) + QLatin1Char('T') +
           value.time().toString(value.time().msec() ? Qt::ISODateWithMs : Qt::ISODate);
}

} // namespace textformat
