#include "server/cli/console.h"

#include "contracts/host_framework.h"

#include <pwd.h>
#include <termios.h>
#include <unistd.h>

#include <optional>
#include <string>

namespace server::cli {
namespace {

std::optional<QString> readLine() {
    std::string line;
    int c;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n')
        line.push_back(char(c));
    if (c == EOF && line.empty())
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromUtf8(line.data(), qsizetype(line.size()));
}

// Turns the terminal's echo off for its lifetime.
class NoEcho {
public:
    NoEcho() {
        if (tcgetattr(STDIN_FILENO, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            m_active = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~NoEcho() {
        if (m_active)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
    }

private:
    termios m_saved{};
    bool m_active = false;
};

QString ask(const QString& prompt) {
    std::fputs(qPrintable(prompt), stderr);
    std::fflush(stderr);
    std::optional<QString> answer;
    {
        NoEcho quiet;
        answer = readLine();
    }
    std::fputs("\n", stderr);
    if (!answer)
        throw Exception(QStringLiteral("Nenhuma senha informada."));
    return *answer;
}

} // namespace

void print(FILE* stream, const QString& text) {
    std::fputs(qPrintable(text + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

QString readNewPassword() {
    if (!isatty(STDIN_FILENO)) {
        const std::optional<QString> line = readLine();
        if (!line)
            throw Exception(QStringLiteral("Nenhuma senha informada na entrada padrão."));
        return *line;
    }
    const QString first = ask(QStringLiteral("Senha: "));
    if (ask(QStringLiteral("Repita a senha: ")) != first)
        throw Exception(QStringLiteral("As senhas não conferem."));
    return first;
}

void setUpLogFormat() {
    if (qEnvironmentVariableIsSet("JOURNAL_STREAM"))
        qSetMessagePattern(QStringLiteral("%{if-debug}<7>%{endif}%{if-info}<6>%{endif}"
                                          "%{if-warning}<4>%{endif}%{if-critical}<3>%{endif}"
                                          "%{if-fatal}<2>%{endif}%{category}: %{message}"));
    else
        qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{type} "
                                          "%{category}: %{message}"));
}

QString operatorName() {
    if (const passwd* entry = getpwuid(geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return QStringLiteral("uid %1").arg(geteuid());
}

} // namespace server::cli
