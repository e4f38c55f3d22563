#include "app/cli/ConsoleRunLog.h"

#include <QByteArray>

#include <string>

#include <termios.h>
#include <unistd.h>

TConsoleRunLog::TConsoleRunLog(std::FILE *out, std::FILE *in, std::FILE *prompt)
    : m_out(out), m_in(in), m_prompt(prompt)
{
}

void TConsoleRunLog::Log(const QString &msg)
{
    if (msg.isEmpty())
        return;
    QString text = msg;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out);
    // Each line is seen as it happens, also when the output goes to a pipe or a file.
    std::fflush(m_out);
}

bool TConsoleRunLog::AskPassword(const QString &host, const QString &user, bool &,
                                 QString &password)
{
    password.clear();
    const int fd = fileno(m_in);
    if (fd < 0 || !isatty(fd))
        return false;

    const QByteArray question = QStringLiteral("Password for %1@%2: ").arg(user, host).toUtf8();
    std::fwrite(question.constData(), 1, size_t(question.size()), m_prompt);
    std::fflush(m_prompt);

    termios saved;
    const bool haveTerminal = tcgetattr(fd, &saved) == 0;
    if (haveTerminal) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &silent);
    }
    std::string line;
    bool complete = false;
    for (int c; (c = std::fgetc(m_in)) != EOF;) {
        if (c == '\n') {
            complete = true;
            break;
        }
        line.push_back(char(c));
    }
    if (haveTerminal)
        tcsetattr(fd, TCSAFLUSH, &saved);
    std::fputc('\n', m_prompt);
    std::fflush(m_prompt);

    // End of input before a line break is the terminal's Cancel.
    if (!complete && line.empty())
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    password = QString::fromUtf8(line.data(), qsizetype(line.size()));
    return true;
}
