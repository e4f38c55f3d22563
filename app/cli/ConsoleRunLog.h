#pragma once

#include "engine/runlog/RunLog.h"

#include <cstdio>

// The run log of the console front-end: every line goes to `out` as soon as it is written
// (lines of a several-line message each on their own line); a password is asked on the
// terminal without echo. Without a terminal the answer is Cancel (an empty password).
class TConsoleRunLog : public TRunLog
{
public:
    // in: where a password is read from; prompt: where the question is written.
    TConsoleRunLog(std::FILE *out, std::FILE *in, std::FILE *prompt);

    void Log(const QString &msg) override;
    bool AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                     QString &password) override;

private:
    std::FILE *m_out;
    std::FILE *m_in;
    std::FILE *m_prompt;
};
