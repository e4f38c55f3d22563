#pragma once

#include "ftp/IdFTP.h"

#include <QString>

#include <memory>
#include <ostream>

class PyftpdServer;
class VsftpdServer;

// One real server a test runs against: pyftpdlib or vsftpd, in one of its modes.
struct ServerCase
{
    const char *Label;
    bool Vsftpd;
    const char *Mode;
    TIdUseTLS UseTLS;
};

void PrintTo(const ServerCase &c, std::ostream *out);

// The server of a case, started on a free port, with what a connection needs to reach it.
class AnyServer
{
public:
    explicit AnyServer(const ServerCase &c);
    ~AnyServer();

    QString Problem() const;
    quint16 Port() const;
    QString Root() const;
    QString UserName() const;
    QString Password() const;
    QString LogText() const;

private:
    std::unique_ptr<PyftpdServer> FPyftpd;
    std::unique_ptr<VsftpdServer> FVsftpd;
};
