#include "support/TestLogs.h"

bool AnsweringLog::AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                               QString &password)
{
    ++Asked;
    AskedFor = host + QLatin1Char(' ') + user;
    OfferedRemember = rememberPassword;
    if (!AnswerOk) {
        password.clear();
        return false;
    }
    rememberPassword = AnswerRemember;
    password = AnswerPassword;
    return true;
}

void StopDuringLog::Log(const QString &msg)
{
    RecordingLog::Log(msg);
    if (!FName.isEmpty() && msg.startsWith(QLatin1String("Copy: "))
        && msg.endsWith(FName + QLatin1Char(')')))
        FStop.Request();
}

void StopDuringLog::Event(const TRunEvent &event)
{
    if (event.Kind == TRunEventKind::RunEnded)
        Ended = event;
    else if (event.Kind >= TRunEventKind::FileCopied)
        Events.append(QStringLiteral("%1 %2: %3")
                          .arg(int(event.Kind))
                          .arg(event.Path.section(QLatin1Char('/'), -1), event.Message));
}
