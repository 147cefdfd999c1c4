#include "framework/components/registry.h"

#include "framework/session.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QSettings>

namespace {

// The registry ignores case in key paths and value names; QSettings does not here.
QString matching(const QStringList& names, const QString& wanted) {
    for (const QString& name : names)
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    return {};
}

QString trimmedPath(const QString& key) {
    QString path = key.trimmed();
    while (path.startsWith(QLatin1Char('\\')))
        path.remove(0, 1);
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

#ifndef Q_OS_WIN
// QSettings' own INI writer escapes the unusual characters of section and value names as
// %XX or %UXXXX (a backslash is %5C): a file it wrote reads the same as one written by hand.
QString unescapedName(const QString& name) {
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name.at(i) == QLatin1Char('%')) {
            const bool wide = name.mid(i + 1, 1) == QLatin1String("U");
            const qsizetype start = i + (wide ? 2 : 1), digits = wide ? 4 : 2;
            const QString hex = name.mid(start, digits);
            bool ok = false;
            const uint code = hex.toUInt(&ok, 16);
            if (ok && hex.size() == digits) {
                out += QChar(char16_t(code));
                i = start + digits - 1;
                continue;
            }
        }
        out += name.at(i);
    }
    return out;
}

// QSettings' own INI reader would take "[A\B]" as nested groups and a value's backslashes
// as escapes (a trailing one even joins the next line): a registry file written by hand
// must read as it looks.
bool readLiteralIni(QIODevice& device, QSettings::SettingsMap& map) {
    QString content = QString::fromUtf8(device.readAll());
    if (content.startsWith(QChar(0xFEFF)))
        content.remove(0, 1);
    QString section;
    for (const QString& raw : content.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = trimmedPath(unescapedName(line.mid(1, line.size() - 2)));
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString name = unescapedName(line.left(equals).trimmed());
        QString value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
            value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        map.insert(section.isEmpty() ? name : section + QLatin1Char('/') + name, value);
    }
    return true;
}

// The registry is only read here.
bool refuseWrite(QIODevice&, const QSettings::SettingsMap&) {
    return false;
}

QSettings::Format literalIniFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("ini"), readLiteralIni, refuseWrite);
    return format;
}
#endif

} // namespace

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

QString TRegistry::fileOf(TRootKey root) {
#ifdef Q_OS_WIN
    Q_UNUSED(root);
    return {};
#else
    const QString machine = hostSession().registryFile;
    if (machine.isEmpty() || root == HKEY_LOCAL_MACHINE)
        return machine;
    const QFileInfo info(machine);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-user") + suffix);
#endif
}

bool TRegistry::OpenKeyReadOnly(const QString& key) {
    CloseKey();
    const QString path = trimmedPath(key);
#ifdef Q_OS_WIN
    const QString root = m_root == HKEY_LOCAL_MACHINE ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                                      : QStringLiteral("HKEY_CURRENT_USER");
    auto settings =
        std::make_unique<QSettings>(root + QLatin1Char('\\') + path, QSettings::Registry32Format);
#else
    const QString file = fileOf(m_root);
    if (file.isEmpty() || path.isEmpty())
        return false;
    auto settings = std::make_unique<QSettings>(file, literalIniFormat());
    const QString section = matching(settings->childGroups(), path);
    if (section.isEmpty())
        return false;
    settings->beginGroup(section);
#endif
    if (settings->childKeys().isEmpty())
        return false;
    m_key = std::move(settings);
    return true;
}

void TRegistry::CloseKey() {
    m_key.reset();
}

QString TRegistry::ReadString(const QString& name) const {
    const QString stored = m_key ? matching(m_key->childKeys(), name) : QString();
    return stored.isEmpty() ? QString() : m_key->value(stored).toString();
}

bool TRegistry::ValueExists(const QString& name) const {
    return m_key && !matching(m_key->childKeys(), name).isEmpty();
}
