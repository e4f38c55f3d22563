// rovanel-cli -verbose: the FTP command trace on stderr for as long as the object lives.
#pragma once

#include <QtGlobal>

#include <cstdio>

class TVerboseTrace
{
public:
    // Turns the trace's category on and writes its lines, "ftp: " first, to err; every other
    // message goes where it went before.
    explicit TVerboseTrace(std::FILE *err);
    ~TVerboseTrace();
    TVerboseTrace(const TVerboseTrace &) = delete;
    TVerboseTrace &operator=(const TVerboseTrace &) = delete;

private:
    static void Handler(QtMsgType type, const QMessageLogContext &context, const QString &text);

    QtMessageHandler FPrevious;
};
